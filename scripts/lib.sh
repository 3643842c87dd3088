# Shared by the scripts: package installation and build configuration.
# Sourced, not run.

TKV88_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

# Packages the build and the tests need on Debian (sigrok-cli: the tests
# decode the simulators' traces with an independent I2C decoder); the last
# line makes and checks the Debian package (CPack's dependency scan, and the
# validators).
TKV88_BUILD_PACKAGES=(build-essential cmake ninja-build pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev libusb-1.0-0-dev
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libgl-dev libx11-dev
  xvfb xauth fonts-dejavu-core poppler-utils sigrok-cli
  dpkg-dev file lintian desktop-file-utils appstream libxml2-utils shared-mime-info man-db)

# Installs whatever of the given Debian packages is missing; quick when all are there.
ensure_packages() {
  local missing=() pkg
  for pkg in "$@"; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || missing+=("$pkg")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=()
  if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || { echo "Missing packages (${missing[*]}) and no sudo; install them as root." >&2; return 1; }
    sudo=(sudo)
  fi
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
}

# configure_build <dir> [cmake options...]: configures once, then only rebuilds.
configure_build() {
  local dir="$1"; shift
  local gen=()
  command -v ninja >/dev/null && gen=(-G Ninja)
  if [ ! -f "$TKV88_ROOT/$dir/CMakeCache.txt" ]; then
    cmake -S "$TKV88_ROOT" -B "$TKV88_ROOT/$dir" "${gen[@]}" "$@"
  else
    cmake "$TKV88_ROOT/$dir" "$@" >/dev/null
  fi
}

jobs() { nproc 2>/dev/null || echo 2; }

# build_tree [cmake --build options...]: configures and builds build/
# (RelWithDebInfo) under the checkout's build lock, held on descriptor 9 until
# the script ends or closes it: two scripts never build the same tree at once.
build_tree() {
  exec 9>"$TKV88_ROOT/.test.lock"
  flock 9
  configure_build build -DCMAKE_BUILD_TYPE=RelWithDebInfo
  cmake --build "$TKV88_ROOT/build" -j "$(jobs)" "$@"
}
