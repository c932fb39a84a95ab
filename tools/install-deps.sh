#!/usr/bin/env bash
# Installs, on Debian 12, everything the build, the tests, the demo and the release need. Wine's 32-bit
# half comes first: a Wine prefix made before it is installed stops loading kernel32.dll.
set -euo pipefail
packages=(cmake make g++ googletest clang-16 libclang-rt-16-dev libc++-16-dev libc++abi-16-dev
          g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix mingw-w64-tools binutils-mingw-w64-x86-64
          wine wine64 wine32:i386 nsis osslsigncode openssl zip unzip)
missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo
export DEBIAN_FRONTEND=noninteractive
dpkg --print-foreign-architectures | grep -qx i386 || $SUDO dpkg --add-architecture i386
$SUDO apt-get update
$SUDO apt-get install -y --no-install-recommends "${packages[@]}"
