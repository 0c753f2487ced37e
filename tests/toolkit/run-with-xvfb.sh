#!/usr/bin/env bash
# Runs a command inside a private Xvfb server on a free display, then stops the
# server. Exits 77 (reported by ctest as skipped) when Xvfb is not installed.
set -u
if ! command -v Xvfb > /dev/null 2>&1; then
  echo "SKIPPED: Xvfb is not installed (Debian package xvfb); the real-window tests need it."
  exit 77
fi
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
# -displayfd: Xvfb picks a free display itself and writes its number once ready.
Xvfb -displayfd 3 -screen 0 "${XVFB_SCREEN:-1024x768x24}" -nolisten tcp 3> "$tmp/display" 2> "$tmp/xvfb.log" &
xvfb=$!
for _ in $(seq 1 100); do
  [ -s "$tmp/display" ] && break
  if ! kill -0 "$xvfb" 2> /dev/null; then
    echo "Xvfb did not start:"; cat "$tmp/xvfb.log"; exit 1
  fi
  sleep 0.1
done
if [ ! -s "$tmp/display" ]; then
  echo "Xvfb did not report a display"; kill "$xvfb"; exit 1
fi
export DISPLAY=":$(head -n1 "$tmp/display")"
"$@"
status=$?
kill "$xvfb" 2> /dev/null
wait "$xvfb" 2> /dev/null
exit $status
