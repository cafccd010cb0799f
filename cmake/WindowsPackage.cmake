# The Windows tree's packages (cpack --preset windows, or windows-i686): the zip to download,
# vorlix-<version>-win64.zip or -win32.zip, holding vorlix.exe, LICENSE and a short README.txt
# with Windows line ends, with no folder around them; and beside it a Windows Installer package
# of the same files, vorlix-<version>-win64.msi or -win32.msi (res/windows/vorlix.wxs, made by
# cmake/cpack/MakeMsi.cmake). Included by cmake/Package.cmake.
if(VORLIX_ARCH STREQUAL "i686")
  set(VORLIX_WINDOWS_BITS 32)
else()
  set(VORLIX_WINDOWS_BITS 64)
endif()
configure_file("${CMAKE_SOURCE_DIR}/res/windows/README.txt.in"
  "${CMAKE_BINARY_DIR}/package/README.txt" @ONLY NEWLINE_STYLE CRLF)

install(TARGETS vorlix RUNTIME DESTINATION .)
install(FILES "${CMAKE_SOURCE_DIR}/LICENSE" "${CMAKE_BINARY_DIR}/package/README.txt"
  DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_FILE_NAME "vorlix-${PROJECT_VERSION}-win${VORLIX_WINDOWS_BITS}")
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)

find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(CPACK_VORLIX_PYTHON "${Python3_EXECUTABLE}")
set(CPACK_VORLIX_EXE "${CMAKE_BINARY_DIR}/vorlix.exe")
set(CPACK_VORLIX_README "${CMAKE_BINARY_DIR}/package/README.txt")
set(CPACK_VORLIX_ARCH "${VORLIX_ARCH}")
set(CPACK_VORLIX_FILE_VERSION "${VORLIX_VERSION_DOTTED}")
set(CPACK_POST_BUILD_SCRIPTS "${CMAKE_SOURCE_DIR}/cmake/cpack/MakeMsi.cmake"
  ${CPACK_POST_BUILD_SCRIPTS})
