# The Windows tree's zip to download (cpack --preset windows, or windows-i686):
# vorlix-<version>-win64.zip or -win32.zip, holding vorlix.exe, LICENSE and a short README.txt
# with Windows line ends, with no folder around them. Included by cmake/Package.cmake.
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
