#!/usr/bin/env bash
# Release archives: builds the plug-in in Release for x86-64 (build-release) and
# for 32-bit x86 (build-release-m32), strips it, checks that it exports only
# VSTPluginMain and main, and writes
#   dist/Orva_Tessmark-VERSION-linux-x86_64.tar.gz
#   dist/Orva_Tessmark-VERSION-linux-i386.tar.gz
# each holding one folder with the plug-in, README.md (installing, the libraries
# it needs by Debian package name), LICENSE and THIRD_PARTY.md. Each archive is
# then unpacked into a fresh folder and the plug-in loaded from there through
# dlopen (the 32-bit one under qemu-i386 where the kernel cannot run it).
# VERSION is the project version of CMakeLists.txt.
set -euo pipefail
cd "$(dirname "$0")/.."

ORVA_WITH_M32=1 scripts/install-deps.sh

build() {  # build folder, extra CMake options
  local dir=$1; shift
  echo "== $dir"
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DORVA_TESTS=OFF -DORVA_BENCH=OFF "$@" > /dev/null
  cmake --build "$dir" --target Orva_Tessmark orva-info
}

# The Debian packages of the libraries the plug-in names in its NEEDED entries,
# from the licence allow-list (which every one of them must be on).
runtime_packages() {  # library
  local soname package
  for soname in $(readelf -d "$1" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'); do
    package=$(awk -v s="$soname" '$1 == s { print $2 }' release/licence-allow-list.txt)
    if [ -z "$package" ]; then
      echo "package.sh: $soname is not on release/licence-allow-list.txt" >&2
      return 1
    fi
    echo "$package"
  done | sort -u
}

package() {  # build folder, architecture name, loader emulator (may be empty)
  local dir=$1 arch=$2 emulator=$3
  local name=Orva_Tessmark-$version-linux-$arch
  local stage
  stage=$(mktemp -d)
  mkdir "$stage/$name"
  local plugin=$stage/$name/Orva_Tessmark.so

  strip --strip-all -o "$plugin" "$dir/Orva_Tessmark.so"
  chmod 0755 "$plugin"
  local exported
  exported=$(nm -D --defined-only "$plugin" | awk '{ print $3 }' | sort | tr '\n' ' ')
  if [ "$exported" != "VSTPluginMain main " ]; then
    echo "package.sh: $arch plug-in exports [$exported], not only VSTPluginMain and main" >&2
    exit 1
  fi
  if readelf -S "$plugin" | grep -Eq '\.debug_|\.symtab'; then
    echo "package.sh: $arch plug-in still carries debug or local symbols" >&2
    exit 1
  fi

  tests/release/check-licences.sh "$plugin" release/licence-allow-list.txt THIRD_PARTY.md
  local packages list note hosts
  packages=$(runtime_packages "$plugin")
  read -r -d '' -a packages <<< "$packages" || true
  if [ "$arch" = i386 ]; then
    hosts="32-bit x86 hosts (a 64-bit host loads it only through a 32-bit bridge)"
    list=$(printf -- '- %s:i386\n' "${packages[@]}")
    note="On a 64-bit Debian system: \`sudo dpkg --add-architecture i386 && sudo apt-get update && sudo apt-get install$(printf ' %s:i386' "${packages[@]}")\`."
  else
    hosts="64-bit x86 hosts (x86-64, amd64)"
    list=$(printf -- '- %s\n' "${packages[@]}")
    note="Install them with \`sudo apt-get install$(printf ' %s' "${packages[@]}")\` (most systems have them already)."
  fi
  awk -v version="$version" -v arch="$arch" -v hosts="$hosts" -v list="$list" -v note="$note" '
    { gsub(/@VERSION@/, version); gsub(/@ARCH@/, arch); gsub(/@HOSTS@/, hosts) }
    /^@PACKAGES@$/ { print list; next }
    /^@PACKAGE_NOTE@$/ { print note; next }
    { print }' release/README.md > "$stage/$name/README.md"
  cp LICENSE THIRD_PARTY.md "$stage/$name/"

  mkdir -p dist
  tar -C "$stage" --owner=0 --group=0 --numeric-owner --sort=name -cf - "$name" | gzip -9n > "dist/$name.tar.gz"
  rm -rf "$stage"
  tests/release/check-archive.sh "dist/$name.tar.gz" "$dir/orva-info" ${emulator:+"$emulator"}
}

build build-release
build build-release-m32 -DORVA_M32=ON
version=$(cat build-release/generated/version.txt)

# The 32-bit loader runs under the emulator the build chose when this kernel
# cannot run 32-bit programs itself.
emulator=""
if ! grep -q '^ORVA_M32_RUNS_NATIVELY:INTERNAL=1$' build-release-m32/CMakeCache.txt; then
  emulator=$(sed -n 's/^ORVA_QEMU_I386:FILEPATH=//p' build-release-m32/CMakeCache.txt)
fi

package build-release x86_64 ""
package build-release-m32 i386 "$emulator"
ls -l dist/Orva_Tessmark-"$version"-linux-*.tar.gz
