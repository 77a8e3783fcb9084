#!/usr/bin/env bash
# Builds quorlane.exe with the benchmark and runs quorlane_bench.exe under Wine and Xvfb in a fresh
# Wine prefix: start-up and peak working set against the floor (the least any program must do to
# show the same stored places with the shell's names and icons) and, for information, against a bare
# window with one list view; the picker's opening and the exe's size; start-up with one stored place
# on a share that hangs (a FUSE mount, where this machine can make one) against the same without it,
# and the longest the window takes to answer while it comes up; one row per goal, "met" or
# "MISSED". Every build this machine's Wine route runs, one table each: the 32-bit and the 64-bit one
# where it runs 32-bit programs, else the 64-bit one. Arguments go to the benchmark (e.g. --runs 21;
# 11 runs each by default).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
source scripts/wine-env.sh
for bits in $QL_WINE_BUILDS; do
  cmake --preset "mingw$bits" >/dev/null
  cmake --build --preset "mingw$bits" --target quorlane_bench -j 2 >/dev/null
done

ql_isolated_wine bench
echo "$QL_WINE_ROUTE; load before the runs:$(uptime | sed 's/.*load average://')"
for bits in $QL_WINE_BUILDS; do
  echo
  echo "== the $bits-bit build"
  # Its messages through a pipe rather than a process substitution, which the script's end could
  # cut off before they are written; Wine's notes on the debugged commands are left out.
  { ql_wine "build/mingw$bits/quorlane_bench.exe" "$@" 2>&1 1>&3 | { grep -v 'Read access denied' >&2 || true; }; } 3>&1
done
