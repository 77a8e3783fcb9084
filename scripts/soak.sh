#!/usr/bin/env bash
# The long soak: builds the 32-bit stress tests (mingw32 preset) and runs the soak under Wine and
# Xvfb in a fresh Wine prefix, 200 rounds of add, drag, remove and Apply with 50 openings of the
# picker and the About box in one quorlane.exe (QL_SOAK_ROUNDS=N for another count). The test
# command runs the same test with 5 rounds.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
cmake --preset mingw32 >/dev/null
cmake --build --preset mingw32 --target stress_e2e_tests -j 2 >/dev/null

source scripts/wine-env.sh
ql_isolated_wine soak
export QL_SOAK_ROUNDS=${QL_SOAK_ROUNDS:-200}
wine build/mingw32/stress_e2e_tests.exe --gtest_filter='StressE2E.Soak*' 2> >(grep -v 'Read access denied' >&2)
