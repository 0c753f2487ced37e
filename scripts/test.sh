#!/usr/bin/env bash
# The whole test suite: a plain build and an AddressSanitizer + UndefinedBehavior-
# Sanitizer build, each running every test, then a ThreadSanitizer build running
# the tests that drive the plug-in from several threads.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
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
