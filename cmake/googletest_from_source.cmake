# GoogleTest built from Debian's sources (package googletest) for a cross build, where the
# installed Linux libraries cannot be linked. It defines GTest::gtest, GTest::gtest_main and
# GTest::gmock like the installed package, and sets GTest_FOUND when the sources are there.
set(VEX_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources (Debian: googletest)")
if(EXISTS ${VEX_GOOGLETEST_SOURCE}/CMakeLists.txt)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    add_subdirectory(${VEX_GOOGLETEST_SOURCE} ${PROJECT_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
    set(GTest_FOUND TRUE)
else()
    set(GTest_FOUND FALSE)
endif()
