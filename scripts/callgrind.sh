#!/usr/bin/env bash
# Instructions per stereo frame of each benchmark configuration, counted by
# callgrind inside the processing loop only: a 10-second run minus a zero-length
# run, divided by the frames processed. Repeatable, unlike timings.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/install-peers.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DORVA_BENCH=ON > /dev/null
cmake --build build --target orva_bench_peers
seconds=10
block=${1:-128}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
count() {  # configuration, seconds -> instructions
  valgrind --tool=callgrind --toggle-collect='*RunBlocks*' --callgrind-out-file="$work/cg.out" \
    build/bench/orva_bench_peers --only "$1" --seconds "$2" --block "$block" > /dev/null 2>&1 || return 1
  awk '/^summary:/ { print $2 }' "$work/cg.out"
}
printf "%-24s %14s\n" "configuration" "instr./frame"
for config in "orva default" "orva compress" "orva heavy" "orva sidechain" "orva bypassed" \
              "ZamCompX2" "LSP Compressor Stereo"; do
  if full=$(count "$config" "$seconds") && empty=$(count "$config" 0); then
    awk -v f="$full" -v e="$empty" -v n="$((seconds * 48000))" -v c="$config" \
      'BEGIN { printf "%-24s %14.0f\n", c, (f - e) / n }'
  else
    printf "%-24s %14s\n" "$config" "(not available)"
  fi
done
echo "(blocks of $block frames)"
