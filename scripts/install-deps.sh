#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, only those missing.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  libpng-dev zlib1g-dev
  libsndfile1-dev libcairo2-dev libfontconfig-dev fonts-liberation
  libx11-dev libxtst-dev xvfb xauth
  libkissfft-dev
  binutils
)
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
# (binutils: readelf, nm and strip read and strip the built plug-in; the release
# checks also use dpkg-deb, chroot, unshare and flock, which every Debian system
# has.)
# The 32-bit x86 build of the test suite and the release: the 32-bit C and C++
# runtimes, qemu's user-mode emulator where the kernel cannot run 32-bit programs,
# the i386 C library and runtime libraries of the editor (cairo, X11, fontconfig,
# libpng, zlib), from which the release check builds its 32-bit minimal root and
# against which the i386 package's Depends are checked, and KissFFT, which the
# 32-bit spectrum tests open.
if [ "${ORVA_WITH_M32:-0}" = 1 ]; then
  packages+=(g++-multilib qemu-user libc6:i386 libcairo2:i386 libx11-6:i386 libfontconfig1:i386 libpng16-16:i386
             zlib1g:i386 libkissfft-float131:i386)
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
  fi
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
