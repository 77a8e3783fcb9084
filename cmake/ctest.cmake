# Every GoogleTest executable is registered with CTest twice:
#   - whole, as "<target>" labelled "suite" and its level (unit, win or e2e): scripts/test.sh runs these,
#     so that Wine starts once a suite rather than once a test;
#   - test by test (`ctest --preset native`, `ctest --preset mingw64 -L unit -E '^[a-z_]+_tests$'`), unless
#     QL_CTEST_EACH_TEST is OFF. These are listed when CTest starts, not at build time: listing a Windows
#     program means starting Wine, which test.sh spares itself.
# Where a build's tests cannot run here (the 32-bit build on a machine without 32-bit Wine),
# QL_TESTS_SKIPPED_BECAUSE says why, and each suite is registered as a test CTest skips with that reason.
include(GoogleTest)
enable_testing()

option(QL_CTEST_EACH_TEST "Register every GoogleTest test with CTest, not only whole suites" ON)
set(QL_TESTS_SKIPPED_BECAUSE "" CACHE STRING "Why this build's tests cannot run here (empty: they run)")

if(CMAKE_CROSSCOMPILING AND WIN32)
  # Wine as scripts/wine-env.sh starts it (the 64-bit loader where 32-bit programs cannot run), in
  # build/wineprefix, never the developer's own prefix: the Windows-side tests write the places bar.
  set(CMAKE_CROSSCOMPILING_EMULATOR bash ${PROJECT_SOURCE_DIR}/scripts/wine-ctest.sh)
endif()

# ql_add_suite(NAME TARGET LEVEL [ARGS...]): TARGET run whole as the CTest test NAME.
function(ql_add_suite name target level)
  if(QL_TESTS_SKIPPED_BECAUSE)
    add_test(NAME ${name} COMMAND ${CMAKE_COMMAND} -E echo "skipped: ${QL_TESTS_SKIPPED_BECAUSE}")
    set_tests_properties(${name} PROPERTIES LABELS "suite;${level}" SKIP_REGULAR_EXPRESSION "skipped: ")
  else()
    add_test(NAME ${name} COMMAND ${target} ${ARGN})
    set_tests_properties(${name} PROPERTIES LABELS "suite;${level}" TIMEOUT 600)
  endif()
endfunction()

function(ql_register_tests target)
  string(REGEX REPLACE ".*_(unit|win|e2e)_tests$" "\\1" level ${target})
  ql_add_suite(${target} ${target} ${level})
  if(QL_CTEST_EACH_TEST AND NOT QL_TESTS_SKIPPED_BECAUSE)
    gtest_discover_tests(${target} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120 NO_PRETTY_VALUES
                         PROPERTIES LABELS ${level} TIMEOUT 600)
  endif()
endfunction()

# A libFuzzer target as a test: 20 seconds of fuzzing, passed when it ends its time without a finding.
# Its corpus grows in the build folder from run to run; a finding is kept in fuzz-findings/. The
# inputs of past findings, kept beside the fuzzer in <fuzzer>_seeds/, are run first every time.
function(ql_add_fuzz_test fuzzer)
  set(corpus ${CMAKE_BINARY_DIR}/fuzz-corpus/${fuzzer})
  file(MAKE_DIRECTORY ${corpus} ${CMAKE_BINARY_DIR}/fuzz-findings)
  set(seeds ${CMAKE_CURRENT_SOURCE_DIR}/${fuzzer}_seeds)
  if(NOT IS_DIRECTORY ${seeds})
    set(seeds "")
  endif()
  add_test(NAME ${fuzzer} COMMAND ${fuzzer} -max_total_time=20 -artifact_prefix=${CMAKE_BINARY_DIR}/fuzz-findings/ ${corpus} ${seeds})
  set_tests_properties(${fuzzer} PROPERTIES LABELS fuzz TIMEOUT 120)
endfunction()

# The scripts' own tests, in the native tree; among them the release, built from the mingw trees and its
# package checked (scripts/release.sh --check), labelled "release", which the native test preset leaves out.
if(NOT WIN32 AND NOT QL_SANITIZE AND NOT QL_FUZZ)
  # The set-up on a stand-in package mirror that is out of step.
  add_test(NAME setup_test COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/setup_test.sh)
  set_tests_properties(setup_test PROPERTIES LABELS "suite;scripts" TIMEOUT 120)
  add_test(NAME release_check COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/release.sh --check)
  set_tests_properties(release_check PROPERTIES LABELS release TIMEOUT 1800 RUN_SERIAL TRUE)
endif()
