# The Linux tree: the program over GTK 3 (X11) and the POSIX services, build/<tree>/vorlix.
find_package(PkgConfig REQUIRED)
pkg_check_modules(GTK3 REQUIRED IMPORTED_TARGET gtk+-3.0)

option(VORLIX_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
if(VORLIX_SANITIZE)
  set(VORLIX_SANITIZERS -fsanitize=address,undefined -fno-sanitize-recover=all
    -fno-omit-frame-pointer)
  target_compile_options(vorlix_core PUBLIC ${VORLIX_SANITIZERS})
  target_link_options(vorlix_core PUBLIC ${VORLIX_SANITIZERS})
endif()

# The Linux code's own warnings on top of the project's; GTK's headers come in as system
# headers through the imported target, so they are not checked.
set(VORLIX_LINUX_WARNINGS -Wshadow -Wconversion -Wpedantic)

include(cmake/posix.cmake OPTIONAL RESULT_VARIABLE VORLIX_POSIX_CMAKE)
if(NOT VORLIX_POSIX_CMAKE)
  # Temporary, until cmake/posix.cmake lands: stand-ins of the POSIX services.
  add_library(vorlix_posix STATIC src/app/TempPosix/TempPosix.cpp)
  target_include_directories(vorlix_posix PUBLIC src/app/TempPosix)
  target_link_libraries(vorlix_posix PUBLIC vorlix_core PRIVATE vorlix_options)
endif()

add_library(vorlix_gtk STATIC
  src/platform/gtk/CheckBox.cpp
  src/platform/gtk/Control.cpp
  src/platform/gtk/EditField.cpp
  src/platform/gtk/ErrorDialog.cpp
  src/platform/gtk/Form.cpp
  src/platform/gtk/FrameBox.cpp
  src/platform/gtk/GtkBackend.cpp
  src/platform/gtk/Label.cpp
  src/platform/gtk/Panel.cpp
  src/platform/gtk/PushButton.cpp
  src/platform/gtk/Style.cpp
  src/platform/gtk/Timer.cpp
  src/platform/gtk/Toolkit.cpp
)
target_link_libraries(vorlix_gtk PUBLIC vorlix_core PkgConfig::GTK3 PRIVATE vorlix_options)
target_compile_options(vorlix_gtk PRIVATE ${VORLIX_LINUX_WARNINGS})

add_executable(vorlix
  src/app/GtkStartupError.cpp
  src/app/LinuxMain.cpp
  src/app/Program.cpp
)
if(VORLIX_SANITIZE)
  target_sources(vorlix PRIVATE src/app/LeakCheckDefaults.cpp)
endif()
target_link_libraries(vorlix PRIVATE vorlix_gtk vorlix_posix vorlix_options)
target_compile_options(vorlix PRIVATE ${VORLIX_LINUX_WARNINGS})
set_target_properties(vorlix PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

# The back end's own tests: they need an X display (xvfb-run gives one) but no network.
find_package(GTest REQUIRED)
add_executable(vorlix_gtk_tests
  src/app/GtkStartupError.cpp
  tests/gtk/BackendTest.cpp
  tests/gtk/ControlsTest.cpp
)
target_include_directories(vorlix_gtk_tests PRIVATE tests/gtk)
target_link_libraries(vorlix_gtk_tests PRIVATE vorlix_gtk vorlix_options GTest::gtest_main)
add_test(NAME gtk.backend COMMAND xvfb-run -a $<TARGET_FILE:vorlix_gtk_tests>)
set_tests_properties(gtk.backend PROPERTIES TIMEOUT 120)
if(VORLIX_SANITIZE)
  target_sources(vorlix_gtk_tests PRIVATE src/app/LeakCheckDefaults.cpp)
endif()
