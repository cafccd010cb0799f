# Installing and packaging. The Linux tree installs the program as a desktop application and
# packs it as a Debian package (cpack --preset linux, cmake/LinuxPackage.cmake); a Windows tree
# packs a zip to download (cpack --preset windows or windows-i686, cmake/WindowsPackage.cmake).
# Each package goes into its build tree with a SHA256SUMS file beside it. The packages are
# reproducible: every entry's time is the commit's (cpack takes SOURCE_DATE_EPOCH for the entries
# of the zip and of the Debian package) and the files and folders have fixed modes.
if(NOT VORLIX_TARGET MATCHES "^(linux|windows)$")
  return()
endif()

# Packing needs the program built, not every test of the tree.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
  GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_PACKAGE_NAME vorlix)
set(CPACK_PACKAGE_VENDOR "The Vorlix developers")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "watch the response time of one host")
set(CPACK_PACKAGE_DIRECTORY "${CMAKE_BINARY_DIR}")
set(CPACK_VORLIX_SOURCE_DIR "${CMAKE_SOURCE_DIR}")
set(CPACK_PROJECT_CONFIG_FILE "${CMAKE_SOURCE_DIR}/cmake/cpack/SourceDate.cmake")
set(CPACK_POST_BUILD_SCRIPTS "${CMAKE_SOURCE_DIR}/cmake/cpack/WriteSums.cmake")

if(VORLIX_TARGET STREQUAL "linux")
  include(cmake/LinuxPackage.cmake)
else()
  include(cmake/WindowsPackage.cmake)
endif()
include(CPack)
