#!/usr/bin/env bash
# Benchmarks: our plug-in against the peer compressors (CPU time per frame, real-
# time multiple, memory per instance), the cost of denormal against normal input,
# then the module cost of the graph itself, and the editor's cost on the
# user-interface thread.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/install-peers.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DORVA_BENCH=ON > /dev/null
cmake --build build --target orva_bench_peers orva_bench_denormal orva_bench_graph orva_bench_editor
build/bench/orva_bench_peers "$@"
if [ -x build-m32/bench/orva_bench_peers ]; then
  echo
  echo "== 32-bit x86 build (SSE2; the installed peers are 64-bit and do not load into it)"
  if ! grep -q '^ORVA_M32_RUNS_NATIVELY:INTERNAL=1' build-m32/CMakeCache.txt 2>/dev/null; then
    echo "   runs under qemu here: these times mean nothing, only scripts/callgrind.sh's counts do"
  fi
  build-m32/bench/orva_bench_peers --no-memory "$@" | sed -n '/^plug-in/,/^$/p' | grep -v '^ZamCompX2\|^LSP'
fi
echo
build/bench/orva_bench_denormal
echo
build/bench/orva_bench_graph --benchmark_min_time=0.2
echo
build/bench/orva_bench_editor
