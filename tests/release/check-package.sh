#!/usr/bin/env bash
# Debian package check. The fields a package manager reads: the name, version and
# architecture of the file name, Section sound, a short and a long description,
# Depends naming libc6 with the newest C library version the plug-in requires and
# only packages installed here for that architecture (so they exist). Its plug-in,
# unpacked, loads in HOST (under EMULATOR when one is given).
#
# With --install the package is installed into this system with dpkg -i: the
# plug-in must then be among the libraries a host finds when it scans
# /usr/lib/vst and load from there; dpkg -r must leave none of the package's
# files or folders that were not there before. Needs root (or sudo without a
# password); skipped, with a message, when the package is already installed (a
# user's installation is not touched) or root cannot be had.
#
#   check-package.sh DEB HOST [EMULATOR] [--install]
set -euo pipefail
deb=$1 host=$(realpath "$2")
shift 2
emulator=() install=0
for arg in "$@"; do
  if [ "$arg" = --install ]; then install=1; elif [ -n "$arg" ]; then emulator=("$arg"); fi
done

file=$(basename "$deb")
fail() { echo "FAILED: $file: $*"; exit 1; }
[[ "$file" =~ ^orva-tessmark_([0-9]+\.[0-9]+\.[0-9]+)_(amd64|i386)\.deb$ ]] ||
  fail "not named orva-tessmark_VERSION_ARCH.deb"
version=${BASH_REMATCH[1]} arch=${BASH_REMATCH[2]}

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = orva-tessmark ] || fail "Package is [$(field Package)]"
[ "$(field Version)" = "$version" ] || fail "Version is [$(field Version)], not $version"
[ "$(field Architecture)" = "$arch" ] || fail "Architecture is [$(field Architecture)], not $arch"
[ "$(field Section)" = sound ] || fail "Section is [$(field Section)], not sound"
description=$(field Description)
[ -n "$(echo "$description" | head -1)" ] && [ "$(echo "$description" | wc -l)" -ge 3 ] ||
  fail "has no short and long description"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
dpkg-deb -x "$deb" "$work"
plugin=$work/usr/lib/vst/Orva_Tessmark.so
[ -f "$plugin" ] || fail "does not install usr/lib/vst/Orva_Tessmark.so"
[ -s "$work/usr/share/doc/orva-tessmark/copyright" ] || fail "has no usr/share/doc/orva-tessmark/copyright"

# Depends: libc6 at least the newest GLIBC_ version the plug-in requires; every
# package installed here for the package's architecture.
newest=$(readelf -V --wide "$plugin" | sed -n 's/.*Name: GLIBC_\([0-9.]*\) .*/\1/p' | sort -V | tail -1)
depends=$(field Depends)
[[ ", $depends," == *", libc6 (>= $newest),"* ]] || fail "Depends [$depends] does not ask for libc6 (>= $newest)"
for package in $(echo "$depends" | tr ',' '\n' | sed 's/(.*)//; s/ //g'); do
  dpkg-query -W -f='${Status}' "$package:$arch" 2> /dev/null | grep -q "install ok installed" ||
    fail "depends on $package, which is not installed here for $arch (a wrong name?)"
done

output=$("${emulator[@]}" "$host" "$plugin" 2>&1) || fail "its plug-in does not load: $output"
echo "$output" | grep -q "^name Orva_Tessmark$" || fail "its plug-in reports: $output"
echo "$file: fields and Depends ($depends) correct, its plug-in loads"

[ $install = 1 ] || exit 0
if dpkg-query -W -f='${Status}' orva-tessmark 2> /dev/null | grep -q "ok installed"; then
  echo "$file: installation check skipped: orva-tessmark is installed on this system already"
  exit 0
fi
sudo=()
if [ "$(id -u)" -ne 0 ]; then
  if sudo -n true 2> /dev/null; then sudo=(sudo -n); else
    echo "$file: installation check skipped: it needs root"
    exit 0
  fi
fi

# What of the package's paths exists before it is installed.
mapfile -t paths < <(dpkg-deb -c "$deb" | awk '{ print $6 }' | sed 's|^\./|/|; s|/$||' | grep -v '^$' | grep -v '^\.$')
declare -A existed=()
for path in "${paths[@]}"; do [ -e "$path" ] && existed[$path]=1; done

remove() { "${sudo[@]}" dpkg -r orva-tessmark > /dev/null; }
# One installation at a time, whoever else runs this check on the machine.
exec 9> /tmp/orva-tessmark-package-check.lock
flock 9
if ! log=$("${sudo[@]}" dpkg -i "$deb" 2>&1); then
  remove 2> /dev/null || true
  fail "dpkg -i failed: $log"
fi
found=$(find /usr/lib/vst -name '*.so' 2> /dev/null | sort)
if ! grep -qx /usr/lib/vst/Orva_Tessmark.so <<< "$found" ||
   ! output=$("${emulator[@]}" "$host" /usr/lib/vst/Orva_Tessmark.so 2>&1) ||
   ! grep -q "^name Orva_Tessmark$" <<< "$output"; then
  remove
  fail "installed, a scan of /usr/lib/vst finds [$(echo $found)] and the plug-in there reports: $output"
fi
remove
status=$(dpkg-query -W -f='${db:Status-Status}' orva-tessmark 2> /dev/null || true)
[ -z "$status" ] || [ "$status" = not-installed ] || fail "after dpkg -r the package is still $status"
for path in "${paths[@]}"; do
  if [ -z "${existed[$path]:-}" ] && [ -e "$path" ]; then fail "dpkg -r left $path behind"; fi
done
echo "$file: installed with dpkg -i, found in /usr/lib/vst and loaded from there; dpkg -r left nothing behind"
