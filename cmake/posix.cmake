# The POSIX platform layer (the echo service over ICMP sockets, files with locks, the clocks) and
# its tests. Included by the Linux tree after the portable layers.
vorlix_layer(vorlix_posix platform/posix
  src/platform/posix/EchoMatch.cpp src/platform/posix/EchoMatch.h
  src/platform/posix/EchoSocket.cpp src/platform/posix/EchoSocket.h
  src/platform/posix/ExtendedAttributes.cpp src/platform/posix/ExtendedAttributes.h
  src/platform/posix/IcmpEchoService.cpp src/platform/posix/IcmpEchoService.h
  src/platform/posix/PosixClock.cpp src/platform/posix/PosixClock.h
  src/platform/posix/FileDescriptor.h
  src/platform/posix/Leftovers.cpp src/platform/posix/Leftovers.h
  src/platform/posix/LinkTarget.cpp src/platform/posix/LinkTarget.h
  src/platform/posix/PosixFiles.cpp src/platform/posix/PosixFiles.h
  src/platform/posix/TemporaryFile.cpp src/platform/posix/TemporaryFile.h
  USES vorlix_framework vorlix_probe vorlix_base
)

# The echo tests send only inside the test network and skip elsewhere: tests/linux/run.sh runs
# them (as root) in a fresh one. The file and clock tests run anywhere.
include(cmake/GoogleTest.cmake)
add_executable(vorlix_linux_tests
  tests/linux/EchoMatchTest.cpp
  tests/linux/EchoServiceTest.cpp
  tests/linux/PosixClockTest.cpp
  tests/linux/PosixFilesTest.cpp
  tests/linux/TestNetwork.cpp tests/linux/TestNetwork.h
)
target_include_directories(vorlix_linux_tests PRIVATE tests/linux)
target_link_libraries(vorlix_linux_tests PRIVATE vorlix_posix vorlix_settings vorlix_options
  GTest::gtest_main)
include(GoogleTest)
gtest_discover_tests(vorlix_linux_tests TEST_PREFIX linux. DISCOVERY_TIMEOUT 30
  PROPERTIES TIMEOUT 60)
