#!/usr/bin/env bash
# The whole test suite: a plain build and an AddressSanitizer + UndefinedBehavior-
# Sanitizer build, each running every test, a ThreadSanitizer build running the
# tests that drive the plug-in from several threads, the 32-bit x86 build of the
# plug-in running the suite again (and comparing its output with the 64-bit
# build's, sample for sample), then the release archives for both, each unpacked
# into a fresh folder and its plug-in loaded from there.
set -euo pipefail
cd "$(dirname "$0")/.."

ORVA_WITH_M32=1 scripts/install-deps.sh
jobs=$(nproc)

run_suite() {
  local dir=$1; shift
  echo "== $dir"
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DORVA_TESTS=ON -DORVA_BENCH=ON "$@" > /dev/null
  cmake --build "$dir" -j "$jobs"
}

run_suite build
ctest --test-dir build --output-on-failure -j "$jobs"

run_suite build-asan -DORVA_SANITIZE=ON
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan --output-on-failure -j "$jobs"

run_suite build-tsan -DORVA_TSAN=ON
TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
  ctest --test-dir build-tsan --output-on-failure -j "$jobs" -R 'Threads\.'

run_suite build-m32 -DORVA_M32=ON -DORVA_NATIVE_BUILD_DIR="$(pwd)/build"
ctest --test-dir build-m32 --output-on-failure -j "$jobs"

echo "== release archives"
scripts/package.sh
