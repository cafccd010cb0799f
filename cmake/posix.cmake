# The Linux platform layer (echo service over ICMP sockets, files with locks, clocks) and its
# tests. Included by the Linux tree, which defines vorlix_base, vorlix_framework and vorlix_probe.
get_filename_component(VORLIX_POSIX_ROOT "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)

set(VORLIX_POSIX_SOURCES
  ${VORLIX_POSIX_ROOT}/src/platform/posix/EchoMatch.cpp
  ${VORLIX_POSIX_ROOT}/src/platform/posix/EchoSocket.cpp
  ${VORLIX_POSIX_ROOT}/src/platform/posix/IcmpEchoService.cpp
  ${VORLIX_POSIX_ROOT}/src/platform/posix/PosixClock.cpp
  ${VORLIX_POSIX_ROOT}/src/platform/posix/PosixFiles.cpp
)
set(VORLIX_POSIX_WARNINGS -Wall -Wextra -Werror -Wshadow -Wconversion -Wpedantic)

add_library(vorlix_posix STATIC ${VORLIX_POSIX_SOURCES})
target_include_directories(vorlix_posix PUBLIC ${VORLIX_POSIX_ROOT}/src)
target_compile_options(vorlix_posix PRIVATE ${VORLIX_POSIX_WARNINGS})
target_link_libraries(vorlix_posix PUBLIC vorlix_framework vorlix_probe vorlix_base)

# The tests build the layer's sources again under the sanitizers, whatever the tree's flags.
# Most of them need the test network: run them with tests/linux/run.sh (as root).
find_package(GTest QUIET)
if(GTest_FOUND)
  set(VORLIX_POSIX_SANITIZERS -fsanitize=address,undefined -fno-sanitize-recover=all
    -fno-omit-frame-pointer)
  add_executable(vorlix_linux_tests
    ${VORLIX_POSIX_SOURCES}
    ${VORLIX_POSIX_ROOT}/tests/linux/EchoMatchTest.cpp
    ${VORLIX_POSIX_ROOT}/tests/linux/EchoServiceTest.cpp
    ${VORLIX_POSIX_ROOT}/tests/linux/PosixClockTest.cpp
    ${VORLIX_POSIX_ROOT}/tests/linux/PosixFilesTest.cpp
    ${VORLIX_POSIX_ROOT}/tests/linux/TestNetwork.cpp
  )
  target_include_directories(vorlix_linux_tests PRIVATE ${VORLIX_POSIX_ROOT}/src
    ${VORLIX_POSIX_ROOT}/tests/linux)
  target_compile_options(vorlix_linux_tests PRIVATE ${VORLIX_POSIX_WARNINGS}
    ${VORLIX_POSIX_SANITIZERS})
  target_link_options(vorlix_linux_tests PRIVATE ${VORLIX_POSIX_SANITIZERS})
  target_link_libraries(vorlix_linux_tests PRIVATE vorlix_framework vorlix_probe vorlix_base
    GTest::gtest_main)
  include(GoogleTest)
  gtest_discover_tests(vorlix_linux_tests DISCOVERY_TIMEOUT 30)
endif()
