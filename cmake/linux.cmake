# The Linux tree: the GTK 3 back end, the POSIX services and the program build/<tree>/vorlix,
# with the tests of both platform layers. With VORLIX_SANITIZE (the linux-asan preset) every
# target of the project's own is built under ASan and UBSan.
option(VORLIX_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
if(VORLIX_SANITIZE)
  set(VORLIX_SANITIZERS -fsanitize=address,undefined -fno-sanitize-recover=all
    -fno-omit-frame-pointer)
  target_compile_options(vorlix_options INTERFACE ${VORLIX_SANITIZERS})
  target_link_options(vorlix_options INTERFACE ${VORLIX_SANITIZERS})
endif()

find_package(PkgConfig REQUIRED)
pkg_check_modules(GTK3 REQUIRED IMPORTED_TARGET gtk+-3.0)

include(cmake/posix.cmake)
include(cmake/BuiltInIcons.cmake)
include(cmake/Responder.cmake)
# The linux-asan tree runs the portable layers' unit tests here as well (the quick loop's tree and
# the full run's), so that one tree builds and runs every fast test.
option(VORLIX_UNIT_TESTS "Build the portable layers' unit tests in this tree too" OFF)
if(VORLIX_UNIT_TESTS)
  include(cmake/UnitTests.cmake)
  include(cmake/SlowChecks.cmake)
endif()

# The GTK back end uses neither the probe nor the POSIX layer: the entry hands it the files and
# the clock.
vorlix_layer(vorlix_gtk platform/gtk
  src/platform/gtk/BuiltInIcons.h ${VORLIX_BUILT_IN_ICONS}
  src/platform/gtk/ButtonBase.h
  src/platform/gtk/CheckBox.cpp src/platform/gtk/CheckBox.h
  src/platform/gtk/ClickableArea.cpp src/platform/gtk/ClickableArea.h
  src/platform/gtk/Control.cpp src/platform/gtk/Control.h
  src/platform/gtk/EditField.cpp src/platform/gtk/EditField.h
  src/platform/gtk/ErrorDialog.cpp src/platform/gtk/ErrorDialog.h
  src/platform/gtk/Form.cpp src/platform/gtk/Form.h
  src/platform/gtk/FormFrame.cpp
  src/platform/gtk/FormKeys.cpp
  src/platform/gtk/FormLayout.cpp
  src/platform/gtk/FrameBox.cpp src/platform/gtk/FrameBox.h
  src/platform/gtk/GlibLocale.cpp src/platform/gtk/GlibLocale.h
  src/platform/gtk/GObjectPtr.h
  src/platform/gtk/GtkBackend.cpp src/platform/gtk/GtkBackend.h
  src/platform/gtk/InView.cpp src/platform/gtk/InView.h
  src/platform/gtk/Label.cpp src/platform/gtk/Label.h
  src/platform/gtk/Panel.cpp src/platform/gtk/Panel.h
  src/platform/gtk/PushButton.cpp src/platform/gtk/PushButton.h
  src/platform/gtk/Scale.cpp src/platform/gtk/Scale.h
  src/platform/gtk/ShortCutKeys.cpp src/platform/gtk/ShortCutKeys.h
  src/platform/gtk/Style.cpp src/platform/gtk/Style.h
  src/platform/gtk/TerminationSignals.cpp src/platform/gtk/TerminationSignals.h
  src/platform/gtk/Timer.cpp src/platform/gtk/Timer.h
  src/platform/gtk/Toolkit.cpp src/platform/gtk/Toolkit.h
  src/platform/gtk/WindowIcon.cpp src/platform/gtk/WindowIcon.h
  src/platform/gtk/WindowManager.cpp src/platform/gtk/WindowManager.h
  USES vorlix_framework vorlix_base
)
# GTK's headers come in as system headers through the imported target, so our warnings skip
# them.
target_link_libraries(vorlix_gtk PUBLIC PkgConfig::GTK3)

# The start-up error display, which the back end's tests check too.
set(VORLIX_GTK_STARTUP_ERROR src/app/GtkStartupError.cpp src/app/GtkStartupError.h)
set(VORLIX_LINUX_ENTRY src/app/LinuxMain.cpp ${VORLIX_GTK_STARTUP_ERROR})
if(VORLIX_SANITIZE)
  set(VORLIX_LEAK_CHECK_DEFAULTS src/app/LeakCheckDefaults.cpp)
endif()

add_executable(vorlix ${VORLIX_LINUX_ENTRY} ${VORLIX_LEAK_CHECK_DEFAULTS})
vorlix_forward_headers(vorlix app ${VORLIX_LINUX_ENTRY})
target_link_libraries(vorlix PRIVATE vorlix_app vorlix_gtk vorlix_posix vorlix_options)
# Only the libraries the program calls into are recorded as needed.
target_link_options(vorlix PRIVATE -Wl,--as-needed)
set_target_properties(vorlix PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

# The back end's tests need an X display (xvfb-run gives one) but no network.
add_executable(vorlix_gtk_tests
  tests/gtk/BackendTest.cpp
  tests/gtk/CaptionsTest.cpp
  tests/gtk/ControlsTest.cpp
  tests/gtk/FramesTest.cpp
  tests/gtk/GtkFixture.h
  tests/gtk/ScaleTest.cpp
  tests/gtk/TerminationSignalsTest.cpp
  tests/gtk/WindowsTest.cpp
  ${VORLIX_GTK_STARTUP_ERROR}
  ${VORLIX_LEAK_CHECK_DEFAULTS}
)
vorlix_forward_headers(vorlix_gtk_tests app ${VORLIX_GTK_STARTUP_ERROR})
target_include_directories(vorlix_gtk_tests PRIVATE tests/gtk)
# The icon test compares the built-in pixels with res/icons.
target_compile_definitions(vorlix_gtk_tests PRIVATE VORLIX_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
# The scale tests read the windows' sizes from the X server itself.
pkg_check_modules(X11 REQUIRED IMPORTED_TARGET x11)
target_link_libraries(vorlix_gtk_tests PRIVATE vorlix_gtk vorlix_options GTest::gtest_main
  PkgConfig::X11)
# They need a display of their own, and no accessibility bus (whose library the leak check
# would blame).
add_test(NAME gtk.backend COMMAND env -u DBUS_SESSION_BUS_ADDRESS NO_AT_BRIDGE=1
  xvfb-run -a $<TARGET_FILE:vorlix_gtk_tests>)
set_tests_properties(gtk.backend PROPERTIES TIMEOUT 120)
