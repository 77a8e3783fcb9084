#!/usr/bin/env bash
# Installs what building, running and testing Quorlane needs on Debian 12, as root.
# Installs only what is missing, so a second run costs a second. The 32-bit Wine is optional: where it
# cannot be installed (a package mirror out of step, say) the scripts take the 64-bit route and say why.
set -euo pipefail
source "$(dirname "$0")/packages.sh"

required=(cmake ninja-build g++ libgtest-dev googletest
          mingw-w64 g++-mingw-w64-i686 g++-mingw-w64-x86-64
          wine wine64 fonts-wine xvfb x11-utils xdotool imagemagick
          clang libclang-rt-14-dev
          locales fonts-wqy-microhei strace time
          fuse3 libfuse3-dev)

# The glibc locales the tests run the program under (Wine takes its UI language from LANG).
locales=(de_DE.UTF-8 ru_RU.UTF-8 zh_CN.UTF-8)

if [ -n "$(ql_missing_packages wine32:i386)" ] && [ "$(id -u)" -eq 0 ] \
   && ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi
ql_install required setup "${required[@]}" || exit 1
ql_install optional setup wine32:i386 || true

missing_locales=()
for l in "${locales[@]}"; do
  # locale -a spells UTF-8 as "utf8".
  locale -a 2>/dev/null | grep -qx "${l%.UTF-8}.utf8" || missing_locales+=("$l")
done
if [ ${#missing_locales[@]} -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "setup: missing locales: ${missing_locales[*]}; run this as root first" >&2
    exit 1
  fi
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
