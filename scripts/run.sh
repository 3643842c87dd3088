#!/usr/bin/env bash
# Installs what is missing, builds the configurator and starts it on the
# simulated controller, whose 8 KB memory lives in the user's data folder
# (created with a factory-new controller's contents on first use). The
# program starts by reading that controller, as it would a real one.
# Arguments go to tkv88 (for instance a .tkv88 file, or --port PORT to use
# another port instead of the simulator).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
cd "$TKV88_ROOT"

# Qt's own translations put its file dialogs in Russian like the rest.
ensure_packages "${TKV88_BUILD_PACKAGES[@]}" qt6-translations-l10n
build_tree --target tkv88
flock -u 9
exec 9>&-

data="${XDG_DATA_HOME:-$HOME/.local/share}/tkv88"
mkdir -p "$data"
port=(--port "sim:$data/controller.bin")
for arg in "$@"; do
  case "$arg" in --port | --port=*) port=() ;; esac
done

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "tkv88 is built (build/apps/tkv88/tkv88), but there is no display to show it on:" >&2
  echo "run scripts/run.sh from a desktop session (or over ssh -X)." >&2
  exit 1
fi
exec build/apps/tkv88/tkv88 "${port[@]}" "$@"
