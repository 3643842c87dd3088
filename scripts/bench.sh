#!/usr/bin/env bash
# Builds and runs every benchmark (Google Benchmark); figures go to stdout.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
cd "$TKV88_ROOT"
ensure_packages "${TKV88_BUILD_PACKAGES[@]}"
configure_build build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$(jobs)"
for b in build/bench/bench_*; do
  [ -x "$b" ] || continue
  echo "== $(basename "$b") =="
  QT_QPA_PLATFORM=offscreen "$b" "$@"
done
