#!/usr/bin/env bash
# Applies .clang-format to the C++ files changed on this branch: those that differ
# between the working tree and where the branch left BASE (default main), plus new
# files not yet added. The rest of the code is left as it is.
#
#   scripts/format.sh [--check] [BASE]
#   --check  changes nothing; lists the files clang-format would change and fails
set -euo pipefail
cd "$(dirname "$0")/.."

check=0
if [ "${1:-}" = "--check" ]; then check=1; shift; fi
base=${1:-main}
command -v clang-format > /dev/null || { echo "format.sh: clang-format is missing (Debian package clang-format)" >&2; exit 1; }
fork=$(git merge-base "$base" HEAD)

mapfile -t files < <({ git diff --name-only --diff-filter=ACMR "$fork" -- '*.cpp' '*.h'
                       git ls-files --others --exclude-standard -- '*.cpp' '*.h'; } | sort -u)
if [ ${#files[@]} -eq 0 ]; then
  echo "No C++ files changed since $base."
  exit 0
fi
if [ $check = 1 ]; then
  status=0
  for f in "${files[@]}"; do
    if ! clang-format --dry-run -Werror "$f" 2> /dev/null; then echo "needs formatting: $f"; status=1; fi
  done
  exit $status
fi
clang-format -i "${files[@]}"
printf 'formatted %s\n' "${files[@]}"
