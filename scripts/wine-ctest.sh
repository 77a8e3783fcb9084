#!/usr/bin/env bash
# CTest's emulator for the Windows builds (cmake/ctest.cmake): runs a test program under Wine as the
# other scripts do, in $QL_TEST_WINEPREFIX (build/wineprefix by default), made as test.sh makes it
# (as plain wineboot makes it, without Wine's Tahoma, when QL_TEST_PREFIX=plain).
source "$(dirname "$0")/wine-env.sh"
case "$1" in
  */mingw32/*|*\\mingw32\\*)
    if [ "$QL_WINE_BUILDS" = 64 ]; then echo "wine-ctest: the 32-bit build cannot run here ($QL_WINE_ROUTE)" >&2; exit 1; fi ;;
esac
prefix=${QL_TEST_WINEPREFIX:-$(cd "$(dirname "$0")/.." && pwd)/build/wineprefix}
if [ -f "$prefix/system.reg" ]; then export WINEPREFIX=$prefix; else ql_new_prefix "$prefix" ${QL_TEST_PREFIX:-} >/dev/null 2>&1; fi
exec "$QL_WINE" "$@"
