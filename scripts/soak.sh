#!/usr/bin/env bash
# The long soak: builds the stress tests and runs the soak under Wine and Xvfb in a fresh Wine
# prefix, 200 rounds of add, drag, remove and Apply with 50 openings of the picker and the About box
# in one quorlane.exe (QL_SOAK_ROUNDS=N for another count). The 32-bit build where this machine runs
# 32-bit programs, else the 64-bit one. The test command runs the same test with 5 rounds.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
source scripts/wine-env.sh
ql_build_main soak stress_e2e_tests

ql_isolated_wine soak
export QL_SOAK_ROUNDS=${QL_SOAK_ROUNDS:-200}
ql_wine "$QL_WINE_MAIN_DIR/stress_e2e_tests.exe" --gtest_filter='StressE2E.Soak*' 2> >(grep -v 'Read access denied' >&2)
