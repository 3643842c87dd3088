#!/usr/bin/env bash
# Installs what is missing, builds the configurator and makes its Debian
# package with CPack: build/tkv88_<version>_<arch>.deb. Install it with
#   sudo apt install ./build/tkv88_<version>_<arch>.deb
# and remove it with "sudo apt remove tkv88".
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
cd "$TKV88_ROOT"

ensure_packages "${TKV88_BUILD_PACKAGES[@]}"
build_tree
(cd build && cpack)
ls -1 "$TKV88_ROOT"/build/tkv88_*.deb
