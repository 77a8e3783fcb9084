# clang for the 64-bit Windows target over the MinGW-w64 headers and libraries: a second compiler's
# check of every source. clang does not find Debian's MinGW libstdc++ on its own (its folder is named
# "12-posix", not a bare version), so the include and library folders are given here.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER clang)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_C_COMPILER_TARGET x86_64-w64-mingw32)
set(CMAKE_CXX_COMPILER_TARGET x86_64-w64-mingw32)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

file(GLOB QL_MINGW_GCC_DIRS LIST_DIRECTORIES true /usr/lib/gcc/x86_64-w64-mingw32/*-posix)
list(GET QL_MINGW_GCC_DIRS 0 QL_MINGW_GCC_DIR)
set(CMAKE_CXX_FLAGS_INIT
    "-isystem ${QL_MINGW_GCC_DIR}/include/c++ -isystem ${QL_MINGW_GCC_DIR}/include/c++/x86_64-w64-mingw32")
# GNU ld from MinGW-w64; libstdc++ of the posix thread model needs winpthreads, which the driver would
# name before libstdc++ and so too early for a static link: it is taken whole.
set(CMAKE_EXE_LINKER_FLAGS_INIT
    "-fuse-ld=/usr/bin/x86_64-w64-mingw32-ld -L${QL_MINGW_GCC_DIR} -Wl,--whole-archive -lpthread -Wl,--no-whole-archive")
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
# DLLs (the end-to-end tests' menu probe) link the same way.
set(CMAKE_SHARED_LINKER_FLAGS_INIT "${CMAKE_EXE_LINKER_FLAGS_INIT}")
