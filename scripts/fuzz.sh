#!/usr/bin/env bash
# The fuzzers: builds them with clang (libFuzzer + AddressSanitizer) in build-fuzz
# and runs each for a bounded time, starting from the committed seed corpus under
# fuzz/corpus/<fuzzer>/ (new inputs go to build-fuzz/corpus/<fuzzer>/, crashes to
# build-fuzz/findings/). Not part of the test command.
#
#   scripts/fuzz.sh [seconds per fuzzer, default 60]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}

scripts/install-deps.sh
# clang and its libFuzzer runtime, only when missing.
missing=()
for p in clang libclang-rt-14-dev; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DORVA_FUZZ=ON -DORVA_TESTS=OFF -DORVA_BENCH=OFF > /dev/null
fuzzers=(orva_fuzz_setchunk orva_fuzz_dispatcher)
# The PNG decoder's fuzzer exists once the toolkit does.
if [ -f toolkit/PngDecoder.cpp ]; then fuzzers+=(orva_fuzz_png); fi
cmake --build build-fuzz --target "${fuzzers[@]}"

# The set-chunk fuzzer needs inputs as long as a whole bank and more.
declare -A max_len=([orva_fuzz_setchunk]=72400 [orva_fuzz_dispatcher]=4096 [orva_fuzz_png]=65536)
status=0
for fuzzer in "${fuzzers[@]}"; do
  work=build-fuzz/corpus/$fuzzer
  findings=build-fuzz/findings/$fuzzer
  mkdir -p "$work" "$findings"
  echo "== $fuzzer for $seconds s"
  set +e
  ASAN_OPTIONS=abort_on_error=1 "build-fuzz/fuzz/$fuzzer" \
    -max_total_time="$seconds" -max_len="${max_len[$fuzzer]}" -print_final_stats=1 \
    -artifact_prefix="$findings/" "$work" "fuzz/corpus/$fuzzer" > "build-fuzz/$fuzzer.log" 2>&1
  rc=$?
  set -e
  grep -E "^#[0-9]+[[:space:]]+(INITED|DONE)|stat::number_of_executed_units|stat::average_exec_per_sec|ERROR: |orva fuzz check failed|^SUMMARY" \
    "build-fuzz/$fuzzer.log" || true
  if [ $rc -ne 0 ]; then
    echo "$fuzzer found a fault: see build-fuzz/$fuzzer.log and $findings/"
    status=1
  fi
done
exit $status
