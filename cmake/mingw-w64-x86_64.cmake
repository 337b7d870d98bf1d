# Cross-compiles the 64-bit Windows program with MinGW-w64 on Linux. Test programs run under Wine
# through tests/windows/wine_run.sh, so ctest runs them like native ones.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VEX_MINGW_PREFIX x86_64-w64-mingw32)
# The POSIX thread model gives the C++ library its full std::thread and std::mutex support; the
# program links it statically, so it still depends on nothing but system DLLs.
set(CMAKE_C_COMPILER ${VEX_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VEX_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${VEX_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VEX_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# A single file that runs on a bare Windows: the C and C++ runtimes and winpthread are linked in.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tests/windows/wine_run.sh)
# Test lists are read when ctest runs, under the display the GUI tests get, not at build time.
set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)
