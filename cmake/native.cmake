# The native tree: the portable layers under the sanitizers, with their unit tests.
set(VORLIX_SANITIZERS -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
target_compile_options(vorlix_core PUBLIC ${VORLIX_SANITIZERS})
target_link_options(vorlix_core PUBLIC ${VORLIX_SANITIZERS})

find_package(GTest REQUIRED)

add_library(vorlix_test_support STATIC
  tests/support/HeadlessBackend.cpp
  tests/support/ScriptedEchoService.cpp
)
target_include_directories(vorlix_test_support PUBLIC tests/support)
target_link_libraries(vorlix_test_support PUBLIC vorlix_core PRIVATE vorlix_options)

file(GLOB_RECURSE VORLIX_UNIT_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/unit/*.cpp)
add_executable(vorlix_unit_tests ${VORLIX_UNIT_TESTS})
target_link_libraries(vorlix_unit_tests PRIVATE vorlix_test_support vorlix_options GTest::gtest_main)

include(GoogleTest)
gtest_discover_tests(vorlix_unit_tests DISCOVERY_TIMEOUT 30)

# The settings layer's libFuzzer target; configure a tree of its own with clang++ to build it
# (tests/fuzz/run.sh does).
option(VORLIX_FUZZ "Build the libFuzzer target (needs clang)" OFF)
if(VORLIX_FUZZ)
  set(VORLIX_FUZZ_FLAGS -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all
    -fno-omit-frame-pointer)
  add_executable(vorlix_settings_fuzz
    tests/fuzz/SettingsFuzz.cpp
    ${VORLIX_SETTINGS_SOURCES}
    src/base/Exception.cpp
  )
  target_include_directories(vorlix_settings_fuzz PRIVATE src)
  target_compile_options(vorlix_settings_fuzz PRIVATE ${VORLIX_FUZZ_FLAGS})
  target_link_options(vorlix_settings_fuzz PRIVATE ${VORLIX_FUZZ_FLAGS})
  target_link_libraries(vorlix_settings_fuzz PRIVATE vorlix_options)
endif()
