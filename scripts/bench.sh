#!/usr/bin/env bash
# Builds quorlane.exe with the benchmark and runs quorlane_bench.exe under Wine and Xvfb in a fresh
# Wine prefix: start-up against a window with one list view of our own, the picker's opening, the
# exe's size and the peak working set, as a table. The shipped 32-bit build where this machine runs
# 32-bit programs, else the 64-bit one. Arguments go to the benchmark (e.g. --runs 21; 11 runs each
# by default).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
source scripts/wine-env.sh
bits=$QL_WINE_MAIN_BUILD
echo "bench: the $bits-bit build ($QL_WINE_ROUTE)"
cmake --preset "mingw$bits" >/dev/null
cmake --build --preset "mingw$bits" --target quorlane_bench -j 2 >/dev/null

ql_isolated_wine bench
ql_wine "build/mingw$bits/quorlane_bench.exe" "$@" 2> >(grep -v 'Read access denied' >&2)
