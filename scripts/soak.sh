#!/usr/bin/env bash
# The long soak: builds the stress tests and runs the soak under Wine and Xvfb in a fresh Wine
# prefix, 200 rounds of add, drag, remove and Apply with 50 openings of the picker and the About box
# in one quorlane.exe (QL_SOAK_ROUNDS=N for another count). The 32-bit build where this machine runs
# 32-bit programs, else the 64-bit one. The test command runs the same test with 5 rounds.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
source scripts/wine-env.sh
bits=$QL_WINE_MAIN_BUILD
echo "soak: the $bits-bit build ($QL_WINE_ROUTE)"
cmake --preset "mingw$bits" >/dev/null
cmake --build --preset "mingw$bits" --target stress_e2e_tests -j 2 >/dev/null

ql_isolated_wine soak
export QL_SOAK_ROUNDS=${QL_SOAK_ROUNDS:-200}
ql_wine "build/mingw$bits/stress_e2e_tests.exe" --gtest_filter='StressE2E.Soak*' 2> >(grep -v 'Read access denied' >&2)
