#!/usr/bin/env bash
# Builds the shipped 32-bit quorlane.exe with the benchmark (mingw32 preset) and runs
# quorlane_bench.exe under Wine and Xvfb in a fresh Wine prefix: start-up against a window with one
# list view of our own, the picker's opening, the exe's size and the peak working set, as a table.
# Arguments go to the benchmark (e.g. --runs 21; 11 runs each by default).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
cmake --preset mingw32 >/dev/null
cmake --build --preset mingw32 --target quorlane_bench -j 2 >/dev/null

source scripts/wine-env.sh
ql_isolated_wine bench
wine build/mingw32/quorlane_bench.exe "$@" 2> >(grep -v 'Read access denied' >&2)
