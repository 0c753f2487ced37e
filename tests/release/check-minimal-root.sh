#!/usr/bin/env bash
# Loads a plug-in where only a desktop's libraries exist: a fresh root folder that
# holds the closure of libX11, libcairo, libfontconfig and libpng16 (each library
# with everything its NEEDED entries name, in turn, from this machine's folders
# for the plug-in's word size: what ldd would list, found without running the
# libraries so that it works for 32-bit ones where the kernel cannot run them),
# the rest of the C library (libdl, libpthread, librt) and the loader; no C++
# runtime, no libgcc_s, no FFT library, no configuration files or fonts. HOST, a
# host that needs only the C library (orva-bare-host), loads the plug-in inside
# that root, runs audio through it and draws its editor into a PNG file.
#
# The root is entered with chroot; where that is not permitted, with chroot in a
# new user namespace; where neither works, the root's own loader runs the host
# with its library path set to the root's folders and the cache ignored, and
# every object the host reports loaded must then lie inside the root (a library
# missing from the root would be found in the system's folders and named there).
# EMULATOR (qemu-i386, for 32-bit plug-ins where the kernel cannot run them) is
# copied into the root with its own libraries and runs the host there.
#
#   check-minimal-root.sh PLUGIN HOST [EMULATOR]
set -euo pipefail
plugin=$1 host=$2 emulator=${3:-}
name=$(basename "$plugin")

class_of() { readelf -h "$1" | awk '/Class:/ { print $2 }'; }
dirs_of() {
  case "$1" in
    ELF64) echo /lib/x86_64-linux-gnu /usr/lib/x86_64-linux-gnu /lib64 /usr/lib64 ;;
    ELF32) echo /lib/i386-linux-gnu /usr/lib/i386-linux-gnu /lib32 /usr/lib32 /lib /usr/lib ;;
  esac
}
class=$(class_of "$plugin")
[ "$(class_of "$host")" = "$class" ] || { echo "FAILED: $host and $plugin differ in word size"; exit 1; }

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT

# A file of this machine, copied to the same path in the root (links resolved).
copy_in() {
  mkdir -p "$root$(dirname "$1")"
  [ -e "$root$1" ] || cp -L "$1" "$root$1"
}
# The file of a soname for a word size, from that word size's folders.
find_library() {  # class soname
  local dir
  for dir in $(dirs_of "$1"); do
    if [ -e "$dir/$2" ] && [ "$(class_of "$dir/$2")" = "$1" ]; then echo "$dir/$2"; return 0; fi
  done
  return 1
}
# Copies the sonames and everything they need, in turn, into the root.
copy_closure() {  # class soname...
  local word=$1; shift
  local queue=("$@") soname file next
  declare -A seen=()
  while [ ${#queue[@]} -gt 0 ]; do
    soname=${queue[0]}
    queue=("${queue[@]:1}")
    [ -n "${seen[$soname]:-}" ] && continue
    seen[$soname]=1
    file=$(find_library "$word" "$soname") || { echo "FAILED: $soname ($word) is not installed"; exit 1; }
    copy_in "$file"
    for next in $(readelf -d "$file" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'); do queue+=("$next"); done
  done
}
interpreter_of() { readelf -l "$1" | sed -n 's/.*Requesting program interpreter: \(.*\)\]/\1/p'; }

copy_closure "$class" libX11.so.6 libcairo.so.2 libfontconfig.so.1 libpng16.so.16 \
  libc.so.6 libm.so.6 libdl.so.2 libpthread.so.0 librt.so.1
interpreter=$(interpreter_of "$host")
copy_in "$interpreter"
libraries=$(find "$root" -name '*.so*' -printf '%f\n' | sort -u | tr '\n' ' ')
mkdir -p "$root/plugin" "$root/host" "$root/out"
cp "$plugin" "$root/plugin/$name"
cp "$host" "$root/host/bare-host"

runner=()
if [ -n "$emulator" ]; then
  emulator=$(command -v "$emulator")
  copy_in "$emulator"
  copy_in "$(interpreter_of "$emulator")"
  copy_closure "$(class_of "$emulator")" $(readelf -d "$emulator" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')
  runner=("$emulator")
fi

# The first way into the root that is permitted: the host answers its usage
# message. Anything else than a refusal to enter is a failure of the root.
enters() {
  local out
  out=$("$@" /host/bare-host 2>&1) || true
  if grep -q "usage: orva-bare-host" <<< "$out"; then return 0; fi
  if grep -qiE "not permitted|permission denied|unshare failed" <<< "$out"; then return 1; fi
  echo "FAILED: the host does not start in the root ($*):"
  echo "$out"
  exit 1
}
if enters chroot "$root" "${runner[@]}"; then
  how="chroot"
  inside=(chroot "$root" "${runner[@]}")
  prefix=""
elif enters unshare --user --map-root-user chroot "$root" "${runner[@]}"; then
  how="chroot in a user namespace"
  inside=(unshare --user --map-root-user chroot "$root" "${runner[@]}")
  prefix=""
else
  library_path=$(for dir in $(dirs_of "$class"); do if [ -d "$root$dir" ]; then printf '%s:' "$root$dir"; fi; done)
  how="the root's loader with only the root's folders (chroot and unshare are not permitted here)"
  inside=(env -i "${runner[@]}" "$root$interpreter" --inhibit-cache --library-path "${library_path%:}")
  prefix=$root
fi

if ! output=$("${inside[@]}" "$prefix/host/bare-host" "$prefix/plugin/$name" "$prefix/out/editor.png" 2>&1); then
  echo "FAILED: $name does not load or run in a root holding only: $libraries"
  echo "(entered by $how)"
  echo "$output"
  exit 1
fi
echo "$output" | grep -q "^name Orva_Tessmark$" || { echo "FAILED: $name: unexpected identity:"; echo "$output"; exit 1; }
echo "$output" | grep -q "^audio ok$" || { echo "FAILED: $name: no audio check:"; echo "$output"; exit 1; }

# Every object the host had loaded came from the root; none is a C++ runtime,
# libgcc_s or the FFT library.
objects=$(echo "$output" | sed -n 's/^object //p')
echo "$objects" | grep -q "/plugin/$name$" || { echo "FAILED: the host did not list the plug-in among its objects"; exit 1; }
for object in $objects; do
  case "$object" in
    linux-vdso* | linux-gate*) continue ;;
  esac
  if [ -n "$prefix" ]; then
    [[ "$object" == "$prefix"/* ]] || { echo "FAILED: $name loaded $object from outside the root ($how)"; exit 1; }
  fi
  case "$(basename "$object")" in
    libstdc++* | libgcc_s* | libkissfft*) echo "FAILED: $name loaded $object"; exit 1 ;;
  esac
done

# The editor's picture: a PNG file (signature, then the IHDR chunk's size).
png=$root/out/editor.png
[ -s "$png" ] || { echo "FAILED: $name: the editor wrote no picture"; exit 1; }
signature=$(od -An -tx1 -N8 "$png" | tr -d ' \n')
[ "$signature" = 89504e470d0a1a0a ] || { echo "FAILED: $name: the editor's picture is not a PNG file"; exit 1; }
size=$(od -An -tu1 -j16 -N8 "$png" | awk '{ printf "%dx%d", ((($1 * 256 + $2) * 256 + $3) * 256 + $4), ((($5 * 256 + $6) * 256 + $7) * 256 + $8) }')
[ "$size" = 1090x420 ] || { echo "FAILED: $name: the editor's picture is $size, not 1090x420"; exit 1; }

echo "$name: loaded in a minimal root (entered by $how${emulator:+, under $(basename "$emulator")}), audio and a $size editor picture;" \
  "the root held $(echo "$libraries" | wc -w) libraries: $libraries"
