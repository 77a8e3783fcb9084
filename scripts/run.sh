#!/usr/bin/env bash
# Installs what is missing, builds quorlane.exe and starts it under Wine on the current display, in
# your Wine prefix ($WINEPREFIX, else ~/.wine): the places bar it edits is the one that prefix's file
# dialogs show. The shipped 32-bit build where this machine runs 32-bit programs, else the 64-bit one.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ -z "${DISPLAY:-}" ]; then
  echo "run: no display: Quorlane is a windowed program; set DISPLAY (for example start Xvfb :1 and DISPLAY=:1)" >&2
  exit 2
fi
bash scripts/setup.sh
if ! xdpyinfo >/dev/null 2>&1; then
  echo "run: cannot open display '$DISPLAY'" >&2
  exit 2
fi

source scripts/wine-env.sh
prefix=${WINEPREFIX:-$HOME/.wine}
if [ "$QL_WINE_BUILDS" = 64 ] && grep -q '^#arch=win32' "$prefix/system.reg" 2>/dev/null; then
  echo "run: $prefix is a 32-bit Wine prefix, and this machine can only run the 64-bit build; use a 64-bit prefix (WINEPREFIX=...)" >&2
  exit 2
fi
export WINEPREFIX=$prefix
[ -d "$prefix/drive_c" ] || ql_wine wineboot -i >/dev/null 2>&1
ql_build_main run quorlane
ql_wine "$QL_WINE_MAIN_DIR/quorlane.exe"
