#!/usr/bin/env bash
# Licence check of a built library: every shared library it loads, directly or
# through another one (the NEEDED entries of `readelf -d`, followed through the
# system's library folders for the library's word size), must be on the
# allow-list, and its Debian package must be named in the notices file. Fails
# with the name of the first library that is not.
#
#   check-licences.sh LIBRARY ALLOW-LIST NOTICES
# The allow-list has one library a line: soname, Debian package, licence.
set -euo pipefail
library=$1 allow_list=$2 notices=$3

case "$(readelf -h "$library" | awk '/Class:/ { print $2 }')" in
  ELF64) dirs=(/lib/x86_64-linux-gnu /usr/lib/x86_64-linux-gnu /lib64 /usr/lib64) ;;
  ELF32) dirs=(/lib/i386-linux-gnu /usr/lib/i386-linux-gnu /lib32 /usr/lib32 /lib) ;;
  *) echo "check-licences: $library is not an ELF library"; exit 1 ;;
esac
needed() { readelf -d "$1" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'; }
# The same word size's file of a soname (the 64-bit and 32-bit ones share names).
find_library() {
  local class; class=$(readelf -h "$library" | awk '/Class:/ { print $2 }')
  for dir in "${dirs[@]}"; do
    if [ -e "$dir/$1" ] && [ "$(readelf -h "$dir/$1" | awk '/Class:/ { print $2 }')" = "$class" ]; then
      echo "$dir/$1"; return 0
    fi
  done
  return 1
}

declare -A seen=()
queue=()
for soname in $(needed "$library"); do queue+=("$soname:$(basename "$library")"); done
count=0
while [ ${#queue[@]} -gt 0 ]; do
  soname=${queue[0]%%:*} parent=${queue[0]#*:}
  queue=("${queue[@]:1}")
  [ -n "${seen[$soname]:-}" ] && continue
  seen[$soname]=1
  package=$(awk -v s="$soname" '$1 == s { print $2 }' "$allow_list")
  if [ -z "$package" ]; then
    echo "FAILED: $(basename "$library") links $soname (needed by $parent), which is not on the licence allow-list $allow_list"
    exit 1
  fi
  if ! grep -qF -- "$package" "$notices"; then
    echo "FAILED: $soname comes from the Debian package $package, which $notices does not name"
    exit 1
  fi
  file=$(find_library "$soname") || { echo "FAILED: $soname (needed by $parent) is not installed"; exit 1; }
  for next in $(needed "$file"); do queue+=("$next:$soname"); done
  count=$((count + 1))
done
echo "$(basename "$library"): $count libraries, all on the allow-list: ${!seen[*]}"
