#!/usr/bin/env bash
# Installs what building, running and testing Quorlane needs on Debian 12, as root.
# Installs only what is missing, so a second run costs a second.
set -euo pipefail

packages=(cmake ninja-build g++ libgtest-dev googletest
          mingw-w64 g++-mingw-w64-i686 g++-mingw-w64-x86-64
          wine wine32:i386 wine64 fonts-wine xvfb x11-utils xdotool imagemagick
          clang libclang-rt-14-dev
          locales fonts-wqy-microhei)

# The glibc locales the tests run the program under (Wine takes its UI language from LANG).
locales=(de_DE.UTF-8 ru_RU.UTF-8 zh_CN.UTF-8)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
missing_locales=()
for l in "${locales[@]}"; do
  # locale -a spells UTF-8 as "utf8".
  locale -a 2>/dev/null | grep -qx "${l%.UTF-8}.utf8" || missing_locales+=("$l")
done
[ ${#missing[@]} -eq 0 ] && [ ${#missing_locales[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "setup: missing packages: ${missing[*]:-none}, locales: ${missing_locales[*]:-none}; run this as root first" >&2
  exit 1
fi
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
if [ ${#missing_locales[@]} -gt 0 ]; then
  echo "setup: generating ${missing_locales[*]}"
  for l in "${missing_locales[@]}"; do
    if grep -Eq "^#? *$l UTF-8" /etc/locale.gen; then
      sed -i -E "s/^# *($l UTF-8)/\1/" /etc/locale.gen
    else
      echo "$l UTF-8" >> /etc/locale.gen
    fi
  done
  locale-gen >/dev/null
fi
