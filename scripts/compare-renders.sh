#!/usr/bin/env bash
# Renders every factory program and the benchmarks' heavy setting through two
# builds of the plug-in and compares the outputs sample for sample: prints, per
# render, identical or the largest difference in dBFS.
#   scripts/compare-renders.sh BEFORE.so [AFTER.so]   (AFTER: build/Orva_Tessmark.so)
set -euo pipefail
cd "$(dirname "$0")/.."
before=${1:?usage: $0 BEFORE.so [AFTER.so]}
after=${2:-build/Orva_Tessmark.so}
cmake --build build --target orva-raw-render orva_bench_peers > /dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
render() {  # plug-in, name, program or setting -> file
  case $3 in
    heavy|default|compress|sidechain|bypassed)
      build/bench/orva_bench_peers --only "orva $3" --seconds 20 --block 333 --plugin "$1" --dump "$work/$2" > /dev/null ;;
    *) build/orva-raw-render "$work/$2" --plugin "$1" --program "$3" ;;
  esac
}
programs=$(seq 0 127)
same=0 differ=0
for what in heavy default compress sidechain bypassed all-stages $programs; do
  if [ "$what" = all-stages ]; then  # the renderer's own three passes, the third with every stage on
    build/orva-raw-render "$work/a" --plugin "$before"
    build/orva-raw-render "$work/b" --plugin "$after"
  else
    render "$before" a "$what"
    render "$after" b "$what"
  fi
  if cmp -s "$work/a" "$work/b"; then
    same=$((same + 1))
  else
    differ=$((differ + 1))
    python3 - "$work/a" "$work/b" "$what" <<'PY'
import math, struct, sys
a = open(sys.argv[1], 'rb').read(); b = open(sys.argv[2], 'rb').read()
n = min(len(a), len(b)) // 4
x = struct.unpack('<%df' % n, a[:4 * n]); y = struct.unpack('<%df' % n, b[:4 * n])
d = max(abs(p - q) for p, q in zip(x, y))
print('%-12s differs: largest difference %s' % (sys.argv[3], '%.1f dBFS' % (20 * math.log10(d)) if d > 0 else 'length'))
PY
  fi
done
echo "$same renders identical, $differ differ"
