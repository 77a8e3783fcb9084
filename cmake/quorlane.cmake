# Test executables, one per subsystem and level, found by scripts/test.sh by their names:
#   <name>_unit_tests   the portable logic (natively, and under Wine in the Windows builds)
#   <name>_win_tests    the Win32 layer under Wine, against the real registry, shell and controls
#   <name>_e2e_tests    the real quorlane.exe driven from another process
function(ql_test_executable target)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${target} ${ARG_SOURCES})
  target_link_libraries(${target} PRIVATE ${ARG_LIBS} GTest::gtest_main)
  if(WIN32)
    # Windows tests read the program's texts from the same string tables as quorlane.exe.
    target_sources(${target} PRIVATE ${QL_STRING_TABLES})
  else()
    target_link_libraries(${target} PRIVATE ql_test_texts)
  endif()
  ql_warnings(${target})
  ql_register_tests(${target})
endfunction()

function(ql_unit_tests name)
  ql_test_executable(${name}_unit_tests ${ARGN})
endfunction()

function(ql_win_tests name)
  if(WIN32)
    ql_test_executable(${name}_win_tests ${ARGN})
  endif()
endfunction()
