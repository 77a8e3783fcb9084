# The version lives in common/version.h alone (the resource compiler and the C++ code read it there);
# the project, the manifest, the file names and the package take it from this parse.
file(STRINGS ${CMAKE_CURRENT_LIST_DIR}/../common/version.h ql_version_lines
     REGEX "^#define QL_VERSION_(MAJOR|MINOR|REVISION) ")
string(REGEX REPLACE ".*MAJOR ([0-9]+).*MINOR ([0-9]+).*REVISION ([0-9]+).*" "\\1.\\2.\\3" QL_VERSION "${ql_version_lines}")
if(NOT QL_VERSION MATCHES "^[0-9]+\\.[0-9]+\\.[0-9]+$")
  message(FATAL_ERROR "common/version.h holds no version numbers")
endif()
if(QL_PRINT)   # cmake -DQL_PRINT=ON -P cmake/version.cmake prints the version, for the scripts
  execute_process(COMMAND ${CMAKE_COMMAND} -E echo ${QL_VERSION})
endif()
