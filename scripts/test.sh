#!/usr/bin/env bash
# Installs what is missing, builds every configuration and lets CTest run every test suite:
# the portable unit tests natively (plain and under ASan+UBSan), the scripts' own tests, the fuzzers,
# then, under Wine and Xvfb, the unit, Windows-side and end-to-end suites of the 32-bit and the 64-bit
# build, and last the release and its package. On a machine that cannot run 32-bit programs, cannot
# install the 32-bit Wine, or with QL_WINE_ARCH=64, only the 32-bit quorlane.exe is built (the release
# ships it) and its suites are skipped by CTest with the reason. quorlane.exe is also compiled by clang
# for Windows, as a second compiler's check of the product.
# Each suite is one CTest test (Wine starts once a suite); their JUnit reports are what the summary
# counts. Ends on the line "N passed, M failed" (", K skipped"); exits non-zero when anything failed.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
started=$(date +%s)

bash scripts/setup.sh || { echo "FAILED: the set-up (its reason above)"; echo "0 passed, 1 failed"; exit 1; }

results="$root/build/results"
rm -rf "$results"; mkdir -p "$results"
failures=0
note_failure() { echo "FAILED: $1"; failures=$((failures + 1)); }

source scripts/wine-env.sh
echo "== $QL_WINE_ROUTE"
skip_reason=""
[ "$QL_WINE_BUILDS" = 64 ] && skip_reason=$QL_WINE_ROUTE

# build PRESET [TARGET...]: every target of the preset unless some are named. The suites are
# registered whole only; the mingw32 tree's are skipped on the 64-bit route.
build() {
  local preset=$1; shift
  local targets=() skip=""
  [ $# -gt 0 ] && targets=(--target "$@")
  [ "$preset" = mingw32 ] && skip=$skip_reason
  echo "== build $preset${1:+ ($*)}"
  cmake --preset "$preset" -DQL_CTEST_EACH_TEST=OFF "-DQL_TESTS_SKIPPED_BECAUSE=$skip" \
    >"$results/configure-$preset.log" 2>&1 || { cat "$results/configure-$preset.log"; note_failure "configure $preset"; return 1; }
  cmake --build --preset "$preset" -j 2 "${targets[@]}" >"$results/build-$preset.log" 2>&1 || { tail -n 60 "$results/build-$preset.log"; note_failure "build $preset"; return 1; }
}

# ctest_run NAME PRESET [ARGUMENT...]: CTest over a preset's tests; its JUnit report is counted.
ctest_run() {
  local name=$1 preset=$2; shift 2
  echo "== test $name"
  ctest --preset "$preset" --output-junit "$results/$name.xml" "$@" >"$results/$name.log" 2>&1
  local rc=$?
  grep -E '^ *[0-9]+/[0-9]+ Test +#[0-9]+: ' "$results/$name.log" | sed -E 's/^ *[0-9]+\/[0-9]+ Test +#[0-9]+: //'
  if [ ! -s "$results/$name.xml" ]; then
    tail -n 30 "$results/$name.log"
    note_failure "$name ended without a report (exit $rc)"
  elif [ $rc -ne 0 ]; then
    grep -B2 -A40 -E '^\[  FAILED  \]|Failed  |\*\*\*' "$results/$name.log" | head -n 120
  fi
}

native_ok=1; asan_ok=1; w32_ok=1; w64_ok=1
build native || native_ok=0
build native-asan || asan_ok=0
if [ -n "$skip_reason" ]; then build mingw32 quorlane || w32_ok=0; else build mingw32 || w32_ok=0; fi
build mingw64 || w64_ok=0
build clang-mingw64 quorlane

[ $native_ok = 1 ] && ctest_run native native -L suite
# Under the sanitizers, the unit suites: the Linux command's end-to-end suite runs once, above.
[ $asan_ok = 1 ] && ctest_run asan native-asan -L unit
# The places bar load and save over arbitrary registry contents and failing registry calls, the
# command line, the .reg reader, a prefix's user.reg: 20 seconds each under clang's libFuzzer with
# ASan+UBSan, two at a time.
build fuzz && ctest_run fuzz fuzz -j 2

if [ $w32_ok = 1 ] || [ $w64_ok = 1 ]; then
  trap ql_cleanup EXIT
  QL_OWN_XVFB=1 ql_start_xvfb || note_failure "Xvfb"
  echo "== wine prefix"
  ql_new_prefix "$root/build/wineprefix"
  rm -rf "$root/build/wineprefix-plain"
  [ $w32_ok = 1 ] && ctest_run win32 mingw32 -L suite
  [ $w64_ok = 1 ] && ctest_run win64 mingw64 -L suite
  wineserver -k >/dev/null 2>&1
fi

# The release, once, from the mingw trees above: the zips, the package and SHA256SUMS in dist/, the
# package checked and its launcher run against a scratch prefix. QL_RELEASE_TWICE=1 also builds it
# again in a fresh clone and compares (some minutes more).
if [ $native_ok = 1 ] && [ $w32_ok = 1 ] && [ $w64_ok = 1 ]; then
  ctest_run release release -V
  grep -oE 'release: .*' "$results/release.log" | sort -u
fi

python3 - "$results" "$failures" "$started" <<'PY'
import glob, sys, time, xml.etree.ElementTree as ET
results, extra, started = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
passed = failed = skipped = 0
reasons = set()
for path in sorted(glob.glob(results + "/*.xml")):
    for case in ET.parse(path).getroot().iter("testcase"):
        name = path.rsplit("/", 1)[-1][:-4] + " " + case.get("name")
        skip = case.find("skipped")
        # A suite that was not built is missing, not skipped.
        missing = skip is not None and skip.get("message", "").startswith("Unable to find")
        if case.find("failure") is not None or case.find("error") is not None or missing:
            failed += 1
            print("failed:", name)
        elif skip is not None or case.get("status") == "disabled":
            skipped += 1
            out = case.findtext("system-out") or ""
            reasons.update(line for line in out.splitlines() if line.startswith("skipped: "))
        else:
            passed += 1
for reason in sorted(reasons):
    print(reason)
print(f"run took {int(time.time()) - started} s")
line = f"{passed} passed, {failed + extra} failed"
if skipped:
    line += f", {skipped} skipped"
print(line)
sys.exit(1 if failed + extra else 0)
PY
