# GoogleTest, as GTest::gtest_main: the installed package where there is one (the build machine,
# vcpkg with MSVC). For the cross compilers no build is installed, so Debian's sources in
# /usr/src/googletest are built in the tree.
find_package(GTest QUIET)
if(NOT TARGET GTest::gtest_main)
  if(NOT EXISTS /usr/src/googletest/CMakeLists.txt)
    message(FATAL_ERROR "GoogleTest is neither installed for this compiler nor in /usr/src")
  endif()
  set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest "${CMAKE_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL)
  if(NOT TARGET GTest::gtest_main)
    add_library(GTest::gtest_main ALIAS gtest_main)
  endif()
endif()
