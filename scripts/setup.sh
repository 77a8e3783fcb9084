#!/usr/bin/env bash
# Installs what building, running and testing Quorlane needs on Debian 12, as root.
# Installs only what is missing, so a second run costs a second.
set -euo pipefail

packages=(cmake ninja-build g++ libgtest-dev googletest
          mingw-w64 g++-mingw-w64-i686 g++-mingw-w64-x86-64
          wine wine32:i386 wine64 fonts-wine xvfb x11-utils xdotool imagemagick
          clang libclang-rt-14-dev)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "setup: missing packages: ${missing[*]}; run this as root (or install them) first" >&2
  exit 1
fi
echo "setup: installing ${missing[*]}"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
