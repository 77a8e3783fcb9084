#!/usr/bin/env bash
# Installs what is missing, builds every configuration and runs every test:
# the portable unit tests natively (plain and under ASan+UBSan), then, under Wine and Xvfb,
# the unit, Windows-side and end-to-end tests of the 32-bit and the 64-bit build. On a machine that
# cannot run 32-bit programs (or with QL_WINE_ARCH=64) only the 32-bit quorlane.exe is built (the
# release ships it) and its suites count as skipped. quorlane.exe is also compiled by clang for
# Windows, as a second compiler's check of the product.
# Ends on the line "N passed, M failed" (", K skipped"); exits non-zero when anything failed.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
started=$(date +%s)

bash scripts/setup.sh || { echo "FAILED: the set-up (its reason above)"; echo "0 passed, 1 failed"; exit 1; }

results="$root/build/results"
rm -rf "$results"; mkdir -p "$results"
failures=0
note_failure() { echo "FAILED: $1"; failures=$((failures + 1)); }

# build PRESET [TARGET...]: every target of the preset unless some are named.
build() {
  local preset=$1; shift
  local targets=()
  [ $# -gt 0 ] && targets=(--target "$@")
  echo "== build $preset${1:+ ($*)}"
  cmake --preset "$preset" >"$results/configure-$preset.log" 2>&1 || { cat "$results/configure-$preset.log"; note_failure "configure $preset"; return 1; }
  cmake --build --preset "$preset" -j 2 "${targets[@]}" >"$results/build-$preset.log" 2>&1 || { tail -n 60 "$results/build-$preset.log"; note_failure "build $preset"; return 1; }
}

# Runs one GoogleTest binary; its XML report is what the summary counts.
run_gtest() {
  local name=$1; shift
  echo "== test $name"
  local report="$results/$name.xml"
  [ "$1" = "$QL_WINE" ] && report=$(ql_wine winepath -w "$report" 2>/dev/null)
  # A suite that hangs (a modal window nobody answers) is ended, and fails, instead of stalling CI.
  timeout -k 10 600 "$@" --gtest_output="xml:$report" >"$results/$name.log" 2>&1
  local rc=$?
  grep -E '^\[  (FAILED|PASSED) ' "$results/$name.log" | head -n 40
  if [ ! -s "$results/$name.xml" ]; then
    tail -n 30 "$results/$name.log"
    note_failure "$name ended without a report (exit $rc)"
  elif [ $rc -ne 0 ] && ! grep -q '<failure' "$results/$name.xml"; then
    note_failure "$name exited $rc"
  fi
}

source scripts/wine-env.sh
echo "== $QL_WINE_ROUTE"

# The set-up itself, on a stand-in package mirror that is out of step.
echo "== test setup"
bash scripts/setup_test.sh >"$results/setup_test.log" 2>&1 || { cat "$results/setup_test.log"; note_failure "setup_test"; }

native_ok=1; asan_ok=1; w32_ok=1; w64_ok=1
build native || native_ok=0
build native-asan || asan_ok=0
# The 32-bit suites are built only where they can run.
if [ "$QL_WINE_BUILDS" = 64 ]; then build mingw32 quorlane || w32_ok=0; else build mingw32 || w32_ok=0; fi
build mingw64 || w64_ok=0
build clang-mingw64 quorlane

tests_in() { find "$1" -maxdepth 1 -type f -name "*_$2_tests$3" | sort; }

if [ $native_ok = 1 ]; then
  for t in $(tests_in build/native unit ""); do run_gtest "native-$(basename "$t")" "$t"; done
fi
if [ $asan_ok = 1 ]; then
  export ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1
  for t in $(tests_in build/native-asan unit ""); do run_gtest "asan-$(basename "$t")" "$t"; done
fi

# ---- Fuzzing, 20 seconds each (clang, libFuzzer, ASan+UBSan): the places bar load and save over
# arbitrary registry contents and failing registry calls; the command line; the .reg reader.
# Each counts as one test, passed when the fuzzer ends its time without a finding; a finding is
# kept in build/results/fuzz/.
if build fuzz; then
  for fuzzer in places_bar_fuzz command_line_fuzz reg_file_fuzz wine_registry_file_fuzz; do
    echo "== fuzz $fuzzer"
    mkdir -p "$results/fuzz/$fuzzer"
    build/fuzz/$fuzzer -max_total_time=20 -artifact_prefix="$results/fuzz/" "$results/fuzz/$fuzzer" \
      >"$results/$fuzzer.log" 2>&1
    fuzz_rc=$?
    grep -E '^Done [0-9]+ runs' "$results/$fuzzer.log"
    {
      echo "<testsuites><testsuite name=\"fuzz\"><testcase classname=\"fuzz\" name=\"$fuzzer\">"
      [ $fuzz_rc -ne 0 ] && echo "<failure message=\"exit $fuzz_rc, see build/results/$fuzzer.log\"/>"
      echo '</testcase></testsuite></testsuites>'
    } >"$results/fuzz-$fuzzer.xml"
    [ $fuzz_rc -ne 0 ] && tail -n 30 "$results/$fuzzer.log"
  done
fi

# Counts the 32-bit suites as skipped on a route that cannot run them: the same tests as the 64-bit
# suites' reports name, each marked skipped with the reason.
skip_win32_suites() {
  echo "== skipped: the 32-bit suites ($QL_WINE_ROUTE)"
  local report
  for report in "$results"/win64-*.xml; do
    [ -e "$report" ] || continue
    python3 - "$report" "$results/win32-$(basename "$report" | cut -c7-)" "$QL_WINE_ROUTE" <<'PY'
import sys, xml.etree.ElementTree as ET
source, target, why = sys.argv[1:]
out = ET.Element("testsuites")
suite = ET.SubElement(out, "testsuite", name="win32")
for case in ET.parse(source).getroot().iter("testcase"):
    skipped = ET.SubElement(suite, "testcase", classname=case.get("classname"), name=case.get("name"), result="skipped")
    ET.SubElement(skipped, "skipped", message=why)
ET.ElementTree(out).write(target)
PY
  done
}

if [ $w32_ok = 1 ] || [ $w64_ok = 1 ]; then
  trap ql_cleanup EXIT
  QL_OWN_XVFB=1 ql_start_xvfb || note_failure "Xvfb"
  echo "== wine prefix"
  ql_new_prefix "$root/build/wineprefix"
  for bits in $QL_WINE_BUILDS; do
    dir=build/mingw$bits
    { [ $bits = 32 ] && [ $w32_ok = 1 ]; } || { [ $bits = 64 ] && [ $w64_ok = 1 ]; } || continue
    for level in unit win e2e; do
      for t in $(tests_in "$dir" $level .exe); do run_gtest "win$bits-$(basename "$t" .exe)" "$QL_WINE" "$t"; done
    done
  done
  [ "$QL_WINE_BUILDS" = 64 ] && [ $w32_ok = 1 ] && skip_win32_suites
  # A user's prefix has no Tahoma: the dialogs' font falls back to a wider one, and still no caption is cut.
  if [ -x "$QL_WINE_MAIN_DIR/about_e2e_tests.exe" ]; then
    wineserver -k >/dev/null 2>&1
    echo "== wine prefix without Tahoma"
    ql_new_prefix "$root/build/wineprefix-plain" plain
    run_gtest "win$QL_WINE_MAIN_BUILD-plain-prefix-about_e2e_tests" "$QL_WINE" "$QL_WINE_MAIN_DIR/about_e2e_tests.exe" \
      --gtest_filter='*CaptionsFit*'
  fi
fi

# ---- The release, once, from the mingw trees above (no build of its own): the zips, the package and
# SHA256SUMS in dist/, the package checked and its launcher run against a scratch prefix. One test.
# QL_RELEASE_TWICE=1 also builds it again in a fresh clone and compares (some minutes more).
if [ $w32_ok = 1 ] && [ $w64_ok = 1 ]; then
  echo "== release"
  release_args=(--check)
  [ "${QL_RELEASE_TWICE:-0}" = 1 ] && release_args+=(--twice)
  bash scripts/release.sh "${release_args[@]}" >"$results/release.log" 2>&1
  release_rc=$?
  grep '^release:' "$results/release.log"
  {
    echo '<testsuites><testsuite name="release"><testcase classname="release" name="package">'
    [ $release_rc -ne 0 ] && echo "<failure message=\"exit $release_rc, see build/results/release.log\"/>"
    echo '</testcase></testsuite></testsuites>'
  } >"$results/release.xml"
  [ $release_rc -ne 0 ] && tail -n 30 "$results/release.log"
fi

python3 - "$results" "$failures" "$started" <<'PY'
import glob, sys, time, xml.etree.ElementTree as ET
results, extra, started = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
passed = failed = skipped = 0
for path in sorted(glob.glob(results + "/*.xml")):
    for case in ET.parse(path).getroot().iter("testcase"):
        if case.find("failure") is not None or case.find("error") is not None:
            failed += 1
            print("failed:", path.rsplit("/", 1)[-1][:-4], case.get("classname") + "." + case.get("name"))
        elif case.get("result") == "skipped" or case.find("skipped") is not None:
            skipped += 1
        else:
            passed += 1
print(f"run took {int(time.time()) - started} s")
line = f"{passed} passed, {failed + extra} failed"
if skipped:
    line += f", {skipped} skipped"
print(line)
sys.exit(1 if failed + extra else 0)
PY
