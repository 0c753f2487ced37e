#!/usr/bin/env bash
# The main job: build the plug-in and its tools, install the plug-in into ~/.vst,
# make the demo mix and render it through a few programs into out/, with a level
# plot per rendering.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release > /dev/null
cmake --build build --target Orva_Tessmark orva-info orva-render orva-demo-signal

mkdir -p "$HOME/.vst"
install -m 0755 build/Orva_Tessmark.so "$HOME/.vst/Orva_Tessmark.so"
echo "Installed $HOME/.vst/Orva_Tessmark.so"
echo
build/orva-info "$HOME/.vst/Orva_Tessmark.so" | head -n 6
echo

mkdir -p out
build/orva-demo-signal out/demo_input.wav 20
plugin="$HOME/.vst/Orva_Tessmark.so"
render() {  # name, then orva-render options
  local name=$1; shift
  build/orva-render out/demo_input.wav "out/$name.wav" --plugin "$plugin" --plot "out/$name.png" "$@"
  echo
}
render default-start --program-name "Default Start" --editor-png out/editor.png
render vocal-optical --program-name "Vocal Optical"
render heavy-rms --program-name "Default Start" --set "Comp Thresh=-32" --set "Comp Ratio=6" \
  --set "Lev Detect=RMS" --set "Sensitivity=8" --set "Gain=10" --set "Release=600"
render mid-side --program-name "Default Start" --set "Stereo Mode=M/S Mono" --set "Comp Thresh=-28" \
  --set "Comp Ratio=4"

echo "Demo input, renderings and plots are in $(pwd)/out:"
ls -1 out
