# The Windows tree: the Win32 back end, the program, and the tests of the Win32 pieces that run
# under Wine.
enable_language(RC)

option(VORLIX_WINE_TESTS "Build the tests that run under Wine" ON)

vorlix_layer(vorlix_win32 platform/win32
  src/platform/win32/Annotations.cpp src/platform/win32/Annotations.h
  src/platform/win32/CommonControls.cpp src/platform/win32/CommonControls.h
  src/platform/win32/ControlFactory.cpp src/platform/win32/ControlFactory.h
  src/platform/win32/DllSearch.cpp src/platform/win32/DllSearch.h
  src/platform/win32/Dpi.h
  src/platform/win32/FileHandle.h
  src/platform/win32/FileSecurity.cpp src/platform/win32/FileSecurity.h
  src/platform/win32/FileSteps.cpp src/platform/win32/FileSteps.h
  src/platform/win32/GdiObject.cpp src/platform/win32/GdiObject.h
  src/platform/win32/Leftovers.cpp src/platform/win32/Leftovers.h
  src/platform/win32/SystemLibrary.cpp src/platform/win32/SystemLibrary.h
  src/platform/win32/TemporaryFile.cpp src/platform/win32/TemporaryFile.h
  src/platform/win32/Utf.cpp src/platform/win32/Utf.h
  src/platform/win32/Win32.h
  src/platform/win32/Win32Backend.cpp src/platform/win32/Win32Backend.h
  src/platform/win32/Win32Bevel.h
  src/platform/win32/Win32Button.cpp src/platform/win32/Win32Button.h
  src/platform/win32/Win32ButtonBase.h
  src/platform/win32/Win32CheckBox.h
  src/platform/win32/Win32Clock.cpp src/platform/win32/Win32Clock.h
  src/platform/win32/Win32Control.cpp src/platform/win32/Win32Control.h
  src/platform/win32/Win32EchoService.cpp src/platform/win32/Win32EchoService.h
  src/platform/win32/Win32Edit.cpp src/platform/win32/Win32Edit.h
  src/platform/win32/Win32Files.cpp src/platform/win32/Win32Files.h
  src/platform/win32/Win32Form.cpp src/platform/win32/Win32Form.h
  src/platform/win32/Win32FormKeys.cpp
  src/platform/win32/Win32GroupBox.h
  src/platform/win32/Win32InView.cpp src/platform/win32/Win32InView.h
  src/platform/win32/Win32Label.cpp src/platform/win32/Win32Label.h
  src/platform/win32/Win32Locale.cpp src/platform/win32/Win32Locale.h
  src/platform/win32/Win32Panel.cpp src/platform/win32/Win32Panel.h
  src/platform/win32/Win32Timer.cpp src/platform/win32/Win32Timer.h
  src/platform/win32/Win32Tooltip.cpp src/platform/win32/Win32Tooltip.h
  src/platform/win32/WindowClass.cpp src/platform/win32/WindowClass.h
  USES vorlix_framework vorlix_probe vorlix_base
)
# Only DLLs that the system loads from its known-DLL list are imported (advapi32 for the
# settings file's security); winmm, wsock32,
# comctl32, oleacc and ICMP.DLL are bound at run time from the system folder (SystemLibrary). Libraries
# are named here: mingw ignores #pragma comment.
target_link_libraries(vorlix_win32 PUBLIC user32 gdi32 imm32 advapi32)
target_compile_definitions(vorlix_win32 PUBLIC UNICODE _UNICODE)

set(VORLIX_WIN32_ENTRY src/app/WinMain.cpp src/app/Win32StartupError.cpp
  src/app/Win32StartupError.h)
# The loader resolves the program's own static imports from the system folder alone (Windows 10
# version 1607 and later honour this): MSVC's linker sets the flag itself, with mingw-w64 a load
# configuration of our own carries it.
if(MINGW)
  list(APPEND VORLIX_WIN32_ENTRY src/app/LoadConfig.cpp)
endif()
add_executable(vorlix WIN32 ${VORLIX_WIN32_ENTRY} res/vorlix.rc)
vorlix_forward_headers(vorlix app ${VORLIX_WIN32_ENTRY})
# The resource file finds the version header and the manifest made from the version here;
# the resource compiler's own dependency scan sees neither the manifest nor the icon.
target_include_directories(vorlix PRIVATE "${VORLIX_GENERATED_DIR}")
set_source_files_properties(res/vorlix.rc PROPERTIES OBJECT_DEPENDS
  "${VORLIX_GENERATED_DIR}/vorlix.manifest;${CMAKE_SOURCE_DIR}/res/vorlix.ico")
target_link_libraries(vorlix PRIVATE vorlix_app vorlix_win32 vorlix_options)
if(MINGW)
  # The C++ runtime is linked in, so the program needs the system's DLLs only.
  target_link_options(vorlix PRIVATE -municode -static -static-libgcc -static-libstdc++ -s
    "-Wl,-Map=${CMAKE_BINARY_DIR}/vorlix.map")
  # GNU ld 2.40 leaves the load configuration directory empty: point it at our structure.
  find_package(Python3 REQUIRED COMPONENTS Interpreter)
  add_custom_command(TARGET vorlix POST_BUILD
    COMMAND Python3::Interpreter "${CMAKE_SOURCE_DIR}/cmake/pe_load_config.py"
      "$<TARGET_FILE:vorlix>" "${CMAKE_BINARY_DIR}/vorlix.map"
    VERBATIM)
elseif(MSVC)
  target_link_options(vorlix PRIVATE /DEPENDENTLOADFLAG:0x800)
endif()
set_target_properties(vorlix PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

if(VORLIX_WINE_TESTS)
  include(cmake/GoogleTest.cmake)
  add_executable(vorlix_wine_tests
    tests/wine/AccessibilityTest.cpp
    tests/wine/BackendTest.cpp
    tests/wine/EchoServiceTest.cpp
    tests/wine/FilesTest.cpp
    tests/wine/PlacementTest.cpp
    tests/wine/SystemLibraryTest.cpp
  )
  # The tests call Winsock and the multimedia clock themselves.
  target_link_libraries(vorlix_wine_tests PRIVATE vorlix_win32 vorlix_settings vorlix_options
    GTest::gtest_main wsock32 winmm)
  if(MINGW)
    target_link_options(vorlix_wine_tests PRIVATE -static -static-libgcc -static-libstdc++)
  endif()
  # A DLL beside the tests' program that the system folder does not have.
  add_library(vorlix_planted SHARED tests/wine/Planted.cpp)
  set_target_properties(vorlix_planted PROPERTIES PREFIX "" RUNTIME_OUTPUT_DIRECTORY
    "$<TARGET_FILE_DIR:vorlix_wine_tests>")
  target_link_libraries(vorlix_planted PRIVATE vorlix_options)
  if(MINGW)
    target_link_options(vorlix_planted PRIVATE -static -static-libgcc)
  endif()
  add_dependencies(vorlix_wine_tests vorlix_planted)
  include(cmake/WindowsTestPrograms.cmake)
  add_test(NAME wine.platform COMMAND vorlix_wine_tests)
  add_test(NAME wine.startup_without_icmp COMMAND vorlix_wine_tests --gtest_filter=WithoutIcmp.*)
  set_tests_properties(wine.platform PROPERTIES ENVIRONMENT "WINEDEBUG=-all"
    TIMEOUT 120)
  set_tests_properties(wine.startup_without_icmp PROPERTIES
    ENVIRONMENT "WINEDEBUG=-all;WINEDLLOVERRIDES=icmp=;VORLIX_EXPECT_NO_ICMP=1" TIMEOUT 60)
endif()
