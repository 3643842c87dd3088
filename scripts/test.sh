#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test with CTest;
# then builds again with AddressSanitizer and UndefinedBehaviorSanitizer and
# runs the core and GUI tests there. Exit status 0 only when every run passes.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
cd "$TKV88_ROOT"

ensure_packages "${TKV88_BUILD_PACKAGES[@]}"
# The trace tests fail rather than skip without the decoder installed above.
export TKV88_REQUIRE_DECODER=1

status=0
build_tree
echo "== Tests (full build) =="
(cd build && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$(jobs)") || status=1

configure_build build-asan -DCMAKE_BUILD_TYPE=Debug -DTKV88_SANITIZE=ON \
  -DTKV88_BUILD_GUI=ON -DTKV88_BUILD_BENCH=OFF
cmake --build build-asan -j "$(jobs)"
echo "== Core tests under AddressSanitizer and UndefinedBehaviorSanitizer =="
(cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --output-on-failure -j "$(jobs)" -L core) || status=1
# Qt keeps caches to the end of the process: leaks are not looked for here,
# only use after free, overflows and undefined behaviour in the views.
echo "== GUI tests under AddressSanitizer and UndefinedBehaviorSanitizer =="
(cd build-asan && ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 QT_QPA_PLATFORM=offscreen \
  ctest --output-on-failure -j "$(jobs)" -L gui) || status=1

exit $status
