# The portable layers' unit tests over the headless back end, and the check of the layers'
# includes (label "unit"). The native tree builds them, and the linux-asan tree beside the Linux
# program's tests.
include(cmake/GoogleTest.cmake)

# The headless back end and the scripted echo service.
add_library(vorlix_test_support STATIC
  tests/support/Harness.h
  tests/support/HeadlessBackend.cpp tests/support/HeadlessBackend.h
  tests/support/HeadlessClock.cpp tests/support/HeadlessClock.h
  tests/support/HeadlessFiles.cpp tests/support/HeadlessFiles.h
  tests/support/HeadlessLocale.h
  tests/support/ScriptedEchoService.cpp tests/support/ScriptedEchoService.h
)
target_include_directories(vorlix_test_support PUBLIC tests/support)
target_link_libraries(vorlix_test_support PUBLIC vorlix_framework vorlix_probe
  PRIVATE vorlix_options)

add_executable(vorlix_unit_tests
  tests/unit/app/ProgramTest.cpp
  tests/unit/base/TextTest.cpp
  tests/unit/framework/ApplicationTest.cpp
  tests/unit/framework/ComponentTest.cpp
  tests/unit/framework/ErrorTextTest.cpp
  tests/unit/framework/PlacementTest.cpp
  tests/unit/framework/TemporaryNameTest.cpp
  tests/unit/framework/TimerTest.cpp
  tests/unit/probe/KvICMPTest.cpp
  tests/unit/settings/FieldRulesTest.cpp
  tests/unit/settings/NumberTextTest.cpp
  tests/unit/settings/SettingsFileTest.cpp
  tests/unit/settings/BoundedValueTest.cpp
  tests/unit/settings/KeyMatchTest.cpp
  tests/unit/settings/SettingsReaderTest.cpp
  tests/unit/settings/UtilityTest.cpp
  tests/unit/ui/ConfigApplyTest.cpp
  tests/unit/ui/ConfigFieldsTest.cpp
  tests/unit/ui/ConfigLoadTest.cpp
  tests/unit/ui/ConfigTest.h
  tests/unit/ui/MainTest.cpp
)
target_link_libraries(vorlix_unit_tests PRIVATE vorlix_test_support vorlix_app vorlix_ui
  vorlix_settings vorlix_base vorlix_options GTest::gtest_main)

include(GoogleTest)
gtest_discover_tests(vorlix_unit_tests DISCOVERY_TIMEOUT 30 PROPERTIES TIMEOUT 60 LABELS unit)
# The layers hold only while no include reaches past its include roots.
add_test(NAME layers.NoIncludeClimbsOutOfItsFolder
  COMMAND ${CMAKE_COMMAND} -DROOT=${CMAKE_SOURCE_DIR} -P ${CMAKE_SOURCE_DIR}/cmake/CheckIncludes.cmake)
set_tests_properties(layers.NoIncludeClimbsOutOfItsFolder PROPERTIES LABELS unit)

