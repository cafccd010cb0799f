# The native tree: the portable layers under the sanitizers, with their unit tests. With
# VORLIX_FUZZ (the fuzz preset, clang++) it builds the settings layer's libFuzzer target too.
option(VORLIX_FUZZ "Build the libFuzzer target (needs clang)" OFF)

if(MSVC)
  set(VORLIX_SANITIZERS /fsanitize=address)
elseif(VORLIX_FUZZ)
  # Every library is instrumented for the fuzzer's coverage; the fuzz target brings its main.
  set(VORLIX_SANITIZERS -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all
    -fno-omit-frame-pointer)
else()
  set(VORLIX_SANITIZERS -fsanitize=address,undefined -fno-sanitize-recover=all
    -fno-omit-frame-pointer)
endif()
target_compile_options(vorlix_options INTERFACE ${VORLIX_SANITIZERS})
if(NOT MSVC)
  target_link_options(vorlix_options INTERFACE ${VORLIX_SANITIZERS})
endif()

include(cmake/GoogleTest.cmake)
include(cmake/Responder.cmake)
include(cmake/UnitTests.cmake)
if(NOT VORLIX_FUZZ)
  include(cmake/SlowChecks.cmake)
endif()

if(VORLIX_FUZZ)
  add_executable(vorlix_settings_fuzz tests/fuzz/SettingsFuzz.cpp tests/fuzz/Reference.cpp
    tests/fuzz/Reference.h)
  target_compile_options(vorlix_settings_fuzz PRIVATE -fsanitize=fuzzer)
  target_link_options(vorlix_settings_fuzz PRIVATE -fsanitize=fuzzer)
  target_link_libraries(vorlix_settings_fuzz PRIVATE vorlix_settings vorlix_options)
endif()
