#!/usr/bin/env bash
# What a built plug-in asks of the system it is loaded on, read from its dynamic
# section and symbol tables (no loading):
#  - it exports VSTPluginMain and main and nothing else;
#  - its NEEDED entries name only the C library (libc, libm, libdl, libpthread,
#    librt, the loader), libX11, libcairo, libfontconfig, libpng16 and libz;
#  - no symbol version it requires is newer than GLIBC_2.34, and none belongs to
#    the C++ runtime or libgcc (GLIBCXX_, CXXABI_, GCC_);
#  - it has no text relocations (which hardened systems refuse to load).
# Prints the NEEDED entries and the newest GLIBC version; fails naming the first
# thing out of place.
#
#   check-imports.sh LIBRARY
set -euo pipefail
library=$1
name=$(basename "$library")
newest_allowed=2.34
allowed_needed=" libc.so.6 libm.so.6 libdl.so.2 libpthread.so.0 librt.so.1 ld-linux-x86-64.so.2 ld-linux.so.2 \
libX11.so.6 libcairo.so.2 libfontconfig.so.1 libpng16.so.16 libz.so.1 "

fail() { echo "FAILED: $name: $*"; exit 1; }

exported=$(nm -D --defined-only "$library" | awk '{ print $3 }' | sort | tr '\n' ' ')
[ "$exported" = "VSTPluginMain main " ] || fail "exports [$exported], not only VSTPluginMain and main"

needed=$(readelf -d "$library" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')
for soname in $needed; do
  [[ "$allowed_needed" == *" $soname "* ]] || fail "needs $soname, which is not the C library or a desktop graphics library"
done
if readelf -d "$library" | grep -Eq '\(TEXTREL\)|\(FLAGS\).*TEXTREL'; then fail "has text relocations"; fi

# The version-needs section lists every version the library requires, by file.
versions=$(readelf -V --wide "$library" | sed -n 's/.*Name: \([A-Za-z0-9_.]*\) .*Flags.*/\1/p' | sort -u)
for version in $versions; do
  case "$version" in
    GLIBCXX_* | CXXABI_* | GCC_*) fail "requires $version of the C++ runtime or libgcc" ;;
    GLIBC_PRIVATE) fail "requires GLIBC_PRIVATE" ;;
    GLIBC_*)
      number=${version#GLIBC_}
      if [ "$(printf '%s\n%s\n' "$number" "$newest_allowed" | sort -V | tail -1)" != "$newest_allowed" ]; then
        symbols=$(nm -D --undefined-only "$library" | awk -v v="@$version" 'index($0, v) { print $2 }' | tr '\n' ' ')
        fail "requires $version (newer than GLIBC_$newest_allowed) for: $symbols"
      fi ;;
  esac
done
newest=$(echo "$versions" | sed -n 's/^GLIBC_//p' | sort -V | tail -1)
echo "$name: needs $(echo $needed | tr ' ' ','); newest version GLIBC_$newest; exports VSTPluginMain, main"
