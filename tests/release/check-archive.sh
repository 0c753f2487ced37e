#!/usr/bin/env bash
# Archive check: unpacks a release archive into a fresh folder and loads the
# plug-in from there through dlopen, as a host does, with a loader built for the
# plug-in's word size (run under EMULATOR when one is given). The archive must
# hold one folder named like the archive with the plug-in, README.md, LICENSE and
# THIRD_PARTY.md, and the plug-in must report the version in the archive's name.
#
#   check-archive.sh ARCHIVE LOADER [EMULATOR]
set -euo pipefail
archive=$1 loader=$(realpath "$2")
emulator=("${@:3}")

name=$(basename "$archive" .tar.gz)
version=$(echo "$name" | sed -n 's/^Orva_Tessmark-\([0-9]*\.[0-9]*\.[0-9]*\)-linux-[a-z0-9_]*$/\1/p')
[ -n "$version" ] || { echo "FAILED: $archive is not named Orva_Tessmark-VERSION-linux-ARCH.tar.gz"; exit 1; }
IFS=. read -r major minor patch <<< "$version"
packed=$((major * 1000 + minor * 100 + patch * 10))

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
tar -xzf "$archive" -C "$work"
top=$(ls -A "$work")
[ "$top" = "$name" ] || { echo "FAILED: $archive unpacks to [$top], not to one folder $name"; exit 1; }
for file in Orva_Tessmark.so README.md LICENSE THIRD_PARTY.md; do
  [ -s "$work/$name/$file" ] || { echo "FAILED: $archive has no $name/$file"; exit 1; }
done
grep -q "~/.vst" "$work/$name/README.md" && grep -q "/usr/lib/vst" "$work/$name/README.md" ||
  { echo "FAILED: the README in $archive does not say where to install the plug-in"; exit 1; }
if grep -n "@[A-Z_]*@" "$work/$name/README.md"; then
  echo "FAILED: the README in $archive has unfilled placeholders"; exit 1
fi

# The loader prints "name ..." and "version N ..." only once the plug-in is open.
if ! info=$(cd "$work" && "${emulator[@]}" "$loader" "$work/$name/Orva_Tessmark.so" 2>&1); then
  echo "FAILED: $archive: the plug-in does not load from a fresh folder:"
  echo "$info"
  exit 1
fi
echo "$info" | grep -q "^name *Orva_Tessmark" || { echo "FAILED: $archive: unexpected identity:"; echo "$info" | head -4; exit 1; }
echo "$info" | grep -q "^version *$packed " ||
  { echo "FAILED: $archive: the plug-in does not report version $version ($packed):"; echo "$info" | head -4; exit 1; }
echo "$archive: unpacked and loaded from a fresh folder${emulator:+ under ${emulator[*]}}, version $version ($packed)"
