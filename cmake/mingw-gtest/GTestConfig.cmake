# GoogleTest for the cross-build: Debian ships no mingw-w64 build of it, so it is compiled here from the sources
# of Debian's googletest package. Gives the same targets as the installed package (GTest::gtest, GTest::gtest_main).
if(TARGET GTest::gtest_main)
  return()
endif()

set(FETCHWELL_GOOGLETEST_SOURCE /usr/src/googletest/googletest)
if(NOT EXISTS ${FETCHWELL_GOOGLETEST_SOURCE}/CMakeLists.txt)
  set(GTest_FOUND FALSE)
  set(GTest_NOT_FOUND_MESSAGE "${FETCHWELL_GOOGLETEST_SOURCE} is missing: install Debian's googletest package")
  return()
endif()

set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
add_subdirectory(${FETCHWELL_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
set(GTest_FOUND TRUE)
