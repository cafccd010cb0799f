# Cross-compiles for Windows with clang and lld, against the mingw-w64 headers and libraries and
# the C++ runtime of mingw-w64's GCC (its POSIX-threads flavour, as mingw-w64.cmake takes).
# VORLIX_ARCH names the architecture as there; windres and dlltool still come from binutils.
include("${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake")

set(vorlix_triple ${VORLIX_ARCH}-w64-mingw32)
set(CMAKE_C_COMPILER clang)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_C_COMPILER_TARGET ${vorlix_triple})
set(CMAKE_CXX_COMPILER_TARGET ${vorlix_triple})
set(CMAKE_SYSROOT /usr/${vorlix_triple})

# clang finds no GCC of the target whose version folder has a suffix ("12-posix"), so the C++
# headers and the runtime's folder are named here: the newest POSIX-threads GCC.
file(GLOB vorlix_gcc_dirs LIST_DIRECTORIES true "/usr/lib/gcc/${vorlix_triple}/*-posix")
list(SORT vorlix_gcc_dirs COMPARE NATURAL ORDER DESCENDING)
list(GET vorlix_gcc_dirs 0 vorlix_gcc_dir)
if(NOT IS_DIRECTORY "${vorlix_gcc_dir}/include/c++")
  message(FATAL_ERROR "No POSIX-threads GCC of ${vorlix_triple} under /usr/lib/gcc")
endif()
set(vorlix_cxx_headers "${vorlix_gcc_dir}/include/c++")
set(CMAKE_CXX_FLAGS_INIT "-isystem ${vorlix_cxx_headers} \
-isystem ${vorlix_cxx_headers}/${vorlix_triple} -isystem ${vorlix_cxx_headers}/backward")
# The runtime's threads are winpthreads, as with GCC's POSIX flavour.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-fuse-ld=lld -L${vorlix_gcc_dir} -pthread")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "${CMAKE_EXE_LINKER_FLAGS_INIT}")
