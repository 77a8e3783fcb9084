#!/usr/bin/env bash
# Installs what is missing, builds the shipped 32-bit quorlane.exe and starts it under Wine on the
# current display, in your Wine prefix ($WINEPREFIX, else ~/.wine): the places bar it edits is the
# one that prefix's file dialogs show.
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

cmake --preset mingw32 >/dev/null
cmake --build --preset mingw32 --target quorlane -j 2 >/dev/null
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml="}
exec wine build/mingw32/quorlane.exe
