#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, only those missing.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  libpng-dev zlib1g-dev
  libsndfile1-dev libcairo2-dev libfontconfig-dev fonts-liberation
  libx11-dev libxtst-dev xvfb xauth
)
# The 32-bit x86 build of the test suite: the 32-bit C and C++ runtimes, and
# qemu's user-mode emulator where the kernel cannot run 32-bit programs.
if [ "${ORVA_WITH_M32:-0}" = 1 ]; then
  packages+=(g++-multilib qemu-user)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
