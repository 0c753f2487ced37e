#!/usr/bin/env bash
# Instructions per stereo frame of each benchmark configuration, counted by
# callgrind inside the processing loop only: a 10-second run minus a zero-length
# run, divided by the frames processed. Repeatable, unlike timings. Prints blocks
# of 512 and 128 frames (or the one block given) side by side with the peers and
# the goals, and the same for the 32-bit build when build-m32 holds one (valgrind
# runs 32-bit x86 programs itself, so the counts are real instruction counts).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/install-peers.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DORVA_BENCH=ON > /dev/null
cmake --build build --target orva_bench_peers
seconds=10
blocks=${1:-"512 128"}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
count() {  # program, configuration, block, seconds -> instructions
  valgrind --tool=callgrind --toggle-collect='*RunBlocks*' --callgrind-out-file="$work/cg.out" \
    "$1" --only "$2" --seconds "$4" --block "$3" > /dev/null 2>&1 || return 1
  awk '/^summary:/ { print $2 }' "$work/cg.out"
}
perframe() {  # program, configuration, block -> instructions per frame or "-"
  local full empty
  if full=$(count "$1" "$2" "$3" "$seconds") && empty=$(count "$1" "$2" "$3" 0); then
    awk -v f="$full" -v e="$empty" -v n="$((seconds * 48000))" 'BEGIN { printf "%.0f", (f - e) / n }'
  else
    printf -- "-"
  fi
}
goal() {
  case $1 in
    "orva heavy") echo "<= 300" ;;
    "orva default") echo "<= 180" ;;
    "orva bypassed") echo "<= default" ;;
    *) echo "" ;;
  esac
}
table() {  # program, title
  echo "$2"
  printf "%-24s" "configuration"
  for b in $blocks; do printf " %12s" "block $b"; done
  printf "   %s\n" "goal"
  for config in "orva default" "orva compress" "orva heavy" "orva sidechain" "orva bypassed" \
                "ZamCompX2" "LSP Compressor Stereo"; do
    printf "%-24s" "$config"
    for b in $blocks; do printf " %12s" "$(perframe "$1" "$config" "$b")"; done
    printf "   %s\n" "$(goal "$config")"
  done
  echo "(instructions per stereo frame; the peers are 64-bit builds)"
}
table build/bench/orva_bench_peers "64-bit x86 (SSE2)"
if [ -x build-m32/bench/orva_bench_peers ]; then
  echo
  table build-m32/bench/orva_bench_peers "32-bit x86 (SSE2; no 32-bit peers are installed; under qemu only these counts mean anything)"
fi
