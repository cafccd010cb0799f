# The Windows tree: the program, and the tests of the Win32 echo service that run under Wine.
enable_language(RC)

option(VORLIX_WINE_TESTS "Build the tests that run under Wine" ON)

set(VORLIX_WIN32_LIBS user32 gdi32 comctl32 imm32 winmm wsock32)

add_library(vorlix_win32 STATIC
  src/platform/win32/GdiObject.cpp
  src/platform/win32/Utf.cpp
  src/platform/win32/Win32Backend.cpp
  src/platform/win32/Win32Controls.cpp
  src/platform/win32/Win32EchoService.cpp
  src/platform/win32/Win32Files.cpp
  src/platform/win32/Win32Form.cpp
)
target_link_libraries(vorlix_win32 PUBLIC vorlix_core ${VORLIX_WIN32_LIBS})
target_compile_definitions(vorlix_win32 PUBLIC UNICODE _UNICODE)
target_link_libraries(vorlix_win32 PRIVATE vorlix_options)

add_executable(vorlix WIN32
  src/app/Program.cpp
  src/app/StartupError.cpp
  src/app/WinMain.cpp
  res/vorlix.rc
)
target_link_libraries(vorlix PRIVATE vorlix_win32 vorlix_options)
# The C++ runtime is linked in, so the program needs the system's DLLs only.
target_link_options(vorlix PRIVATE -municode -static -static-libgcc -static-libstdc++ -s)
set_target_properties(vorlix PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

if(VORLIX_WINE_TESTS)
  set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

  add_executable(vorlix_wine_tests
    tests/wine/EchoServiceTest.cpp
    tests/wine/FilesTest.cpp
  )
  target_link_libraries(vorlix_wine_tests PRIVATE vorlix_win32 vorlix_options gtest gtest_main)
  target_link_options(vorlix_wine_tests PRIVATE -static -static-libgcc -static-libstdc++)
  add_test(NAME wine.platform COMMAND vorlix_wine_tests)
  add_test(NAME wine.startup_without_icmp COMMAND vorlix_wine_tests --gtest_filter=WithoutIcmp.*)
  set_tests_properties(wine.platform PROPERTIES ENVIRONMENT "WINEDEBUG=-all"
    TIMEOUT 120)
  set_tests_properties(wine.startup_without_icmp PROPERTIES
    ENVIRONMENT "WINEDEBUG=-all;WINEDLLOVERRIDES=icmp=;VORLIX_EXPECT_NO_ICMP=1" TIMEOUT 60)
endif()
