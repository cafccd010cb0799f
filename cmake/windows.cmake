# The Windows tree: the Win32 back end, the program, and the tests of the Win32 pieces that run
# under Wine.
enable_language(RC)

option(VORLIX_WINE_TESTS "Build the tests that run under Wine" ON)

vorlix_layer(vorlix_win32 platform/win32
  src/platform/win32/ControlFactory.cpp src/platform/win32/ControlFactory.h
  src/platform/win32/Dpi.h
  src/platform/win32/GdiObject.cpp src/platform/win32/GdiObject.h
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
  src/platform/win32/Win32GroupBox.h
  src/platform/win32/Win32Label.cpp src/platform/win32/Win32Label.h
  src/platform/win32/Win32Panel.cpp src/platform/win32/Win32Panel.h
  src/platform/win32/Win32Timer.cpp src/platform/win32/Win32Timer.h
  src/platform/win32/WindowClass.cpp src/platform/win32/WindowClass.h
  USES vorlix_framework vorlix_probe vorlix_base
)
# Libraries are named here: mingw ignores #pragma comment.
target_link_libraries(vorlix_win32 PUBLIC user32 gdi32 comctl32 imm32 winmm wsock32)
target_compile_definitions(vorlix_win32 PUBLIC UNICODE _UNICODE)

# Some of mingw-w64's import libraries of comctl32 (the x86_64 one in Debian 12) lack
# GetWindowSubclass, which comctl32 version 6, the one the manifest asks for, exports by name;
# where it is missing, a small import library of our own adds it.
include(CheckCXXSourceCompiles)
set(CMAKE_REQUIRED_LIBRARIES comctl32)
check_cxx_source_compiles([[
#include <windows.h>
#include <commctrl.h>
int main() {
  DWORD_PTR data = 0;
  return GetWindowSubclass(nullptr, nullptr, 0, &data);
}]] VORLIX_COMCTL32_HAS_GET_WINDOW_SUBCLASS)
unset(CMAKE_REQUIRED_LIBRARIES)
if(NOT VORLIX_COMCTL32_HAS_GET_WINDOW_SUBCLASS)
  if(NOT MINGW)
    message(FATAL_ERROR "comctl32's import library lacks GetWindowSubclass")
  endif()
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(stdcall_suffix "@16")
    set(kill_at -k)
  endif()
  set(def "${CMAKE_BINARY_DIR}/comctl32-subclass.def")
  set(lib "${CMAKE_BINARY_DIR}/libcomctl32-subclass.a")
  file(CONFIGURE OUTPUT "${def}"
    CONTENT "LIBRARY COMCTL32.dll\nEXPORTS\nGetWindowSubclass${stdcall_suffix}\n")
  add_custom_command(OUTPUT "${lib}" COMMAND ${VORLIX_DLLTOOL} -d "${def}" -l "${lib}" ${kill_at}
    DEPENDS "${def}" VERBATIM)
  add_custom_target(vorlix_comctl32_subclass DEPENDS "${lib}")
  add_dependencies(vorlix_win32 vorlix_comctl32_subclass)
  target_link_libraries(vorlix_win32 PUBLIC "${lib}")
endif()

set(VORLIX_WIN32_ENTRY src/app/WinMain.cpp src/app/Win32StartupError.cpp
  src/app/Win32StartupError.h)
add_executable(vorlix WIN32 ${VORLIX_WIN32_ENTRY} res/vorlix.rc)
vorlix_forward_headers(vorlix app ${VORLIX_WIN32_ENTRY})
# The resource file finds the version header and the manifest made from the version here.
target_include_directories(vorlix PRIVATE "${VORLIX_GENERATED_DIR}")
target_link_libraries(vorlix PRIVATE vorlix_app vorlix_win32 vorlix_options)
if(MINGW)
  # The C++ runtime is linked in, so the program needs the system's DLLs only.
  target_link_options(vorlix PRIVATE -municode -static -static-libgcc -static-libstdc++ -s)
endif()
set_target_properties(vorlix PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

if(VORLIX_WINE_TESTS)
  include(cmake/GoogleTest.cmake)
  add_executable(vorlix_wine_tests
    tests/wine/BackendTest.cpp
    tests/wine/EchoServiceTest.cpp
    tests/wine/FilesTest.cpp
  )
  target_link_libraries(vorlix_wine_tests PRIVATE vorlix_win32 vorlix_options GTest::gtest_main)
  if(MINGW)
    target_link_options(vorlix_wine_tests PRIVATE -static -static-libgcc -static-libstdc++)
  endif()
  add_test(NAME wine.platform COMMAND vorlix_wine_tests)
  add_test(NAME wine.startup_without_icmp COMMAND vorlix_wine_tests --gtest_filter=WithoutIcmp.*)
  set_tests_properties(wine.platform PROPERTIES ENVIRONMENT "WINEDEBUG=-all"
    TIMEOUT 120)
  set_tests_properties(wine.startup_without_icmp PROPERTIES
    ENVIRONMENT "WINEDEBUG=-all;WINEDLLOVERRIDES=icmp=;VORLIX_EXPECT_NO_ICMP=1" TIMEOUT 60)
endif()
