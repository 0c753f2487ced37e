#!/usr/bin/env bash
# The main job: build the plug-in, install it into ~/.vst, and show what a host
# sees when it loads it.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DORVA_TESTS=OFF > /dev/null
cmake --build build --target Orva_Tessmark orva-info

mkdir -p "$HOME/.vst"
install -m 0755 build/Orva_Tessmark.so "$HOME/.vst/Orva_Tessmark.so"
echo "Installed $HOME/.vst/Orva_Tessmark.so"
echo
build/orva-info "$HOME/.vst/Orva_Tessmark.so"
