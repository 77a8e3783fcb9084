# Every GoogleTest executable is registered with CTest, test by test (`ctest --preset native`,
# `ctest --preset mingw64 -L unit`), labelled by its level: unit, win or e2e. The tests are listed when
# CTest runs, not at build time: listing a Windows program means starting Wine. scripts/test.sh still
# runs each executable whole, which starts Wine once per suite rather than once per test.
include(GoogleTest)
enable_testing()

if(CMAKE_CROSSCOMPILING AND WIN32)
  # Wine as scripts/wine-env.sh starts it (the 64-bit loader where 32-bit programs cannot run), in
  # build/wineprefix, never the developer's own prefix: the Windows-side tests write the places bar.
  set(CMAKE_CROSSCOMPILING_EMULATOR bash ${PROJECT_SOURCE_DIR}/scripts/wine-ctest.sh)
endif()

function(ql_register_tests target)
  string(REGEX REPLACE ".*_(unit|win|e2e)_tests$" "\\1" level ${target})
  gtest_discover_tests(${target} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120 NO_PRETTY_VALUES
                       PROPERTIES LABELS ${level} TIMEOUT 600)
endfunction()
