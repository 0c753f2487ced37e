#!/usr/bin/env bash
# Release archives and Debian packages: builds the plug-in in Release for x86-64
# (build-release) and for 32-bit x86 (build-release-m32), strips it and writes
#   dist/Orva_Tessmark-VERSION-linux-x86_64.tar.gz
#   dist/Orva_Tessmark-VERSION-linux-i386.tar.gz
# each holding one folder with the plug-in, README.md (installing, the libraries
# it needs by Debian package name), LICENSE and THIRD_PARTY.md, and
#   dist/orva-tessmark_VERSION_amd64.deb
#   dist/orva-tessmark_VERSION_i386.deb
# which install the plug-in into /usr/lib/vst and its licence and notices into
# /usr/share/doc/orva-tessmark, and last dist/SHA256SUMS over all four.
# VERSION is the project version of CMakeLists.txt.
#
# Checked for each word size: the plug-in exports only VSTPluginMain and main and
# needs of the system only the C library, libX11, libcairo, libfontconfig,
# libpng16 and libz, with no symbol version newer than GLIBC_2.34
# (tests/release/check-imports.sh); the archive, unpacked into a fresh folder,
# loads; the plug-in loads, runs audio and draws its editor in a root that holds
# only those libraries and what they need (check-minimal-root.sh); the package's
# fields are right and its plug-in loads, and the package is installed with
# dpkg, found in /usr/lib/vst and removed without a trace (check-package.sh).
# The 32-bit programs run under qemu-i386 where the kernel cannot run them.
set -euo pipefail
cd "$(dirname "$0")/.."

ORVA_WITH_M32=1 scripts/install-deps.sh

build() {  # build folder, extra CMake options
  local dir=$1; shift
  echo "== $dir"
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DORVA_TESTS=OFF -DORVA_BENCH=OFF "$@" > /dev/null
  cmake --build "$dir" --target Orva_Tessmark orva-info orva-bare-host
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
  tests/release/check-imports.sh "$plugin"
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
  local debian_arch=amd64
  [ "$arch" = i386 ] && debian_arch=i386
  awk -v version="$version" -v arch="$arch" -v debian_arch="$debian_arch" -v hosts="$hosts" -v list="$list" \
      -v note="$note" '
    { gsub(/@VERSION@/, version); gsub(/@ARCH@/, arch); gsub(/@DEB_ARCH@/, debian_arch); gsub(/@HOSTS@/, hosts) }
    /^@PACKAGES@$/ { print list; next }
    /^@PACKAGE_NOTE@$/ { print note; next }
    { print }' release/README.md > "$stage/$name/README.md"
  cp LICENSE THIRD_PARTY.md "$stage/$name/"

  mkdir -p dist
  tar -C "$stage" --owner=0 --group=0 --numeric-owner --sort=name -cf - "$name" | gzip -9n > "dist/$name.tar.gz"
  tests/release/check-archive.sh "dist/$name.tar.gz" "$dir/orva-info" ${emulator:+"$emulator"}
  tests/release/check-minimal-root.sh "$plugin" "$dir/orva-bare-host" ${emulator:+"$emulator"}

  debian_package "$plugin" "$debian_arch" "${packages[@]}"
  tests/release/check-package.sh "dist/orva-tessmark_${version}_$debian_arch.deb" "$dir/orva-bare-host" \
    ${emulator:+"$emulator"} --install
  rm -rf "$stage"
}

# The Debian package of one plug-in: /usr/lib/vst/Orva_Tessmark.so, and under
# /usr/share/doc/orva-tessmark the licence as Debian's copyright file and the
# notices. Depends: the packages of the plug-in's NEEDED libraries, libc6 at
# least as new as the newest GLIBC_ symbol version the plug-in requires.
debian_package() {  # plug-in, Debian architecture, runtime packages...
  local plugin=$1 arch=$2; shift 2
  local stage doc glibc package depends=()
  stage=$(mktemp -d)
  chmod 0755 "$stage"
  install -D -m 0644 "$plugin" "$stage/usr/lib/vst/Orva_Tessmark.so"
  doc=$stage/usr/share/doc/orva-tessmark
  mkdir -p "$doc"
  {
    echo "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/"
    echo "Upstream-Name: Orva_Tessmark"
    echo "Source: https://orva-tessmark.org/"
    echo "Comment: The plug-in contains the GNU C++ runtime (libstdc++) and libgcc,"
    echo " linked in under the GCC Runtime Library Exception 3.1. The libraries it"
    echo " loads from the system and their licences are listed in THIRD_PARTY.md.gz."
    echo
    echo "Files: *"
    echo "Copyright: $(sed -n 's/^Copyright (c) //p' LICENSE)"
    echo "License: MIT"
    sed -n '/^Permission/,$p' LICENSE | sed 's/^$/./; s/^/ /'
  } > "$doc/copyright"
  gzip -9n < THIRD_PARTY.md > "$doc/THIRD_PARTY.md.gz"
  chmod 0644 "$doc"/*
  glibc=$(readelf -V --wide "$plugin" | sed -n 's/.*Name: GLIBC_\([0-9.]*\) .*/\1/p' | sort -V | tail -1)
  for package in "$@"; do
    if [ "$package" = libc6 ]; then depends+=("libc6 (>= $glibc)"); else depends+=("$package"); fi
  done
  local hosts="64-bit x86 (amd64) hosts"
  [ "$arch" = i386 ] && hosts="32-bit x86 hosts (a 64-bit host loads it only through a 32-bit bridge)"
  mkdir "$stage/DEBIAN"
  (cd "$stage" && find usr -type f | sort | xargs md5sum) > "$stage/DEBIAN/md5sums"
  {
    echo "Package: orva-tessmark"
    echo "Version: $version"
    echo "Architecture: $arch"
    echo "Maintainer: Orva_Tessmark developers <https://orva-tessmark.org/support/>"
    echo "Installed-Size: $(du -sk --apparent-size "$stage/usr" | cut -f1)"
    echo "Depends: $(printf '%s, ' "${depends[@]}" | sed 's/, $//')"
    echo "Section: sound"
    echo "Priority: optional"
    echo "Homepage: https://orva-tessmark.org/"
    echo "Description: stereo compressor/expander plug-in (VST 2.x)"
    echo " Orva_Tessmark compresses above one threshold and expands below another, with"
    echo " soft knees, attack/hold/release with contour curves, automatic release,"
    echo " look-ahead, make-up gain and parallel mix. Its detector listens through a"
    echo " three-band equaliser to the stereo, mid/side or sidechain signal. It has 47"
    echo " automatable parameters, 128 factory programs and a skinned editor."
    echo " ."
    echo " The plug-in is installed into /usr/lib/vst, where Ardour, Carla, Qtractor and"
    echo " other Linux VST 2.x hosts look by default. This package is for"
    echo " $hosts."
  } > "$stage/DEBIAN/control"
  chmod -R go-w "$stage"
  dpkg-deb --root-owner-group -Zxz --build "$stage" "dist/orva-tessmark_${version}_$arch.deb" > /dev/null
  rm -rf "$stage"
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

released=(Orva_Tessmark-"$version"-linux-x86_64.tar.gz Orva_Tessmark-"$version"-linux-i386.tar.gz
          orva-tessmark_"$version"_amd64.deb orva-tessmark_"$version"_i386.deb)
(cd dist && sha256sum "${released[@]}" > SHA256SUMS && sha256sum --quiet -c SHA256SUMS)
(cd dist && ls -l "${released[@]}" SHA256SUMS)
