# Cross-compiles for Windows with the mingw-w64 tools (the POSIX-threads flavour, which has the
# std::mutex that GoogleTest needs). VORLIX_ARCH names the architecture: x86_64 (the default)
# or i686. The tests of either run under Wine.
if(NOT DEFINED VORLIX_ARCH)
  set(VORLIX_ARCH x86_64)
endif()
if(NOT VORLIX_ARCH MATCHES "^(x86_64|i686)$")
  message(FATAL_ERROR "VORLIX_ARCH is x86_64 or i686, not '${VORLIX_ARCH}'")
endif()
# The checks CMake compiles in projects of their own read the toolchain again and need it too.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES VORLIX_ARCH)

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${VORLIX_ARCH})
set(CMAKE_C_COMPILER ${VORLIX_ARCH}-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER ${VORLIX_ARCH}-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER ${VORLIX_ARCH}-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${VORLIX_ARCH}-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# No package of the build machine (its GoogleTest, for one) is taken for the target's.
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
