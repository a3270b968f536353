#!/usr/bin/env bash
# Builds the project and runs its tests.
#   VESK_BUILD_DIR  build folder (default build)
#   VESK_SANITIZE   e.g. address,undefined or thread
#   VESK_CTEST_ARGS extra ctest arguments, e.g. "-L time"
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
scripts/setup.sh --tests

build=${VESK_BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja -DVESK_TESTS=ON -DVESK_SANITIZE="${VESK_SANITIZE:-}" >/dev/null
ninja -C "$build" -j2
export QT_QPA_PLATFORM=offscreen
# Leaks in libraries that are not ours (see the file) are not the tests' to report.
case "${VESK_SANITIZE:-}" in
    *address*) export LSAN_OPTIONS="suppressions=$top/tests/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}" ;;
esac
# shellcheck disable=SC2086
ctest --test-dir "$build" --output-on-failure ${VESK_CTEST_ARGS:-}
