#!/bin/sh
# check-layers.sh against a made-up tree: it must fail and name every offending
# file, and only those.
here=$(cd "$(dirname "$0")" && pwd)
tree=$(mktemp -d) || exit 2
trap 'rm -rf "$tree"' EXIT
mkdir -p "$tree/platform/sub" "$tree/modules/dynamics"
printf '#include "platform/GuiTypes.h"\n#include <cairo.h>\n' > "$tree/platform/Fine.cpp"
printf '#pragma once\n  #  include "toolkit/CFrame.h"\n' > "$tree/platform/sub/ToToolkit.h"
printf '#include <editor/Editor.h>\n' > "$tree/platform/ToEditor.inl"
printf '#include "modules/framework/ModuleBase.h"\n#include <cmath>\n' > "$tree/modules/dynamics/Fine.cpp"
printf '#include <cairo.h>\n' > "$tree/modules/dynamics/ToCairo.cpp"
printf '#include "platform/X11Frame.h"\n' > "$tree/modules/dynamics/ToX11.h"
printf '#include "../../toolkit/CView.h"\n' > "$tree/modules/dynamics/ToToolkit.cpp"
out=$(sh "$here/check-layers.sh" "$tree")
rc=$?
echo "$out"
fail=0
[ $rc -eq 1 ] || { echo "expected exit 1, got $rc"; fail=1; }
for f in platform/sub/ToToolkit.h:2 platform/ToEditor.inl:1 modules/dynamics/ToCairo.cpp:1 \
         modules/dynamics/ToX11.h:1 modules/dynamics/ToToolkit.cpp:1; do
    echo "$out" | grep -q "^$f:" || { echo "not named: $f"; fail=1; }
done
echo "$out" | grep -q 'Fine.cpp' && { echo "a file that keeps the rule was named"; fail=1; }
exit $fail
