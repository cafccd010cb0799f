# The Linux tree's install rules and its Debian package (cpack --preset linux): the program on
# the PATH, its desktop entry and its launcher, icons in the hicolor theme, AppStream metadata,
# the manual page, the copyright file and the changelog. Included by cmake/Package.cmake.
include(GNUInstallDirs)
include(cmake/Changelog.cmake)

set(VORLIX_APP_ID org.vorlix.Vorlix)
set(VORLIX_MAINTAINER "The Vorlix developers <developers@vorlix.org>")
set(VORLIX_DOCDIR "${CMAKE_INSTALL_DATADIR}/doc/vorlix")
set(VORLIX_PACKAGE_DIR "${CMAKE_BINARY_DIR}/package")

# Hardened as Debian builds its packages: fortified C library calls (they need the optimizer,
# and do not go with the sanitizers) and a read-only GOT.
if(NOT VORLIX_SANITIZE)
  target_compile_options(vorlix_options INTERFACE
    $<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:-D_FORTIFY_SOURCE=2>)
endif()
target_link_options(vorlix_options INTERFACE -Wl,-z,relro,-z,now)
find_program(VORLIX_GZIP gzip REQUIRED)

# The metadata and the manual page carry the version and the date of the latest release.
configure_file("${CMAKE_SOURCE_DIR}/res/linux/${VORLIX_APP_ID}.metainfo.xml.in"
  "${VORLIX_PACKAGE_DIR}/${VORLIX_APP_ID}.metainfo.xml" @ONLY)
configure_file("${CMAKE_SOURCE_DIR}/res/linux/vorlix.1.in" "${VORLIX_PACKAGE_DIR}/vorlix.1" @ONLY)

# The copyright file in Debian's machine-readable format, its licence text the one of LICENSE
# (its copyright line is read by cmake/Version.cmake).
file(READ "${CMAKE_SOURCE_DIR}/LICENSE" vorlix_license)
string(FIND "${vorlix_license}" "Permission is hereby granted" vorlix_body_at)
string(SUBSTRING "${vorlix_license}" ${vorlix_body_at} -1 vorlix_license)
string(STRIP "${vorlix_license}" vorlix_license)
# Each line of the text indented by one space, an empty line written as " .".
string(REGEX REPLACE "\n\n" "\n.\n" vorlix_license "${vorlix_license}")
string(REPLACE "\n" "\n " vorlix_license "${vorlix_license}")
set(VORLIX_LICENSE_BODY " ${vorlix_license}")
configure_file("${CMAKE_SOURCE_DIR}/res/linux/copyright.in" "${VORLIX_PACKAGE_DIR}/copyright"
  @ONLY)

# The manual page and the changelog compressed as Debian keeps them: gzip -9, no name or time.
add_custom_command(OUTPUT "${VORLIX_PACKAGE_DIR}/vorlix.1.gz"
  COMMAND "${VORLIX_GZIP}" -9nc vorlix.1 > vorlix.1.gz
  DEPENDS "${VORLIX_PACKAGE_DIR}/vorlix.1"
  WORKING_DIRECTORY "${VORLIX_PACKAGE_DIR}" VERBATIM)
add_custom_command(OUTPUT "${VORLIX_PACKAGE_DIR}/changelog.gz"
  COMMAND "${VORLIX_GZIP}" -9nc "${VORLIX_CHANGELOG}" > changelog.gz
  DEPENDS "${VORLIX_CHANGELOG}"
  WORKING_DIRECTORY "${VORLIX_PACKAGE_DIR}" VERBATIM)
add_custom_target(vorlix_package_files ALL
  DEPENDS "${VORLIX_PACKAGE_DIR}/vorlix.1.gz" "${VORLIX_PACKAGE_DIR}/changelog.gz")
add_dependencies(vorlix vorlix_package_files)

# The program is installed stripped, as Debian's dh_strip strips it, whether or not --strip is
# given.
install(TARGETS vorlix RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")
install(CODE "execute_process(COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment
  --remove-section=.note --strip-unneeded
  \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/vorlix\"
  COMMAND_ERROR_IS_FATAL ANY)")
# The desktop entry starts the program through a launcher that moves to its settings folder.
install(FILES "${CMAKE_SOURCE_DIR}/res/linux/${VORLIX_APP_ID}.desktop"
  DESTINATION "${CMAKE_INSTALL_DATADIR}/applications")
install(PROGRAMS "${CMAKE_SOURCE_DIR}/res/linux/menu-start"
  DESTINATION "${CMAKE_INSTALL_LIBEXECDIR}/vorlix")
foreach(size 16 24 32 48 64 128 256)
  install(FILES "${CMAKE_SOURCE_DIR}/res/icons/${size}.png"
    DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps" RENAME vorlix.png)
endforeach()
install(FILES "${CMAKE_SOURCE_DIR}/res/vorlix.svg"
  DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps")
install(FILES "${VORLIX_PACKAGE_DIR}/${VORLIX_APP_ID}.metainfo.xml"
  DESTINATION "${CMAKE_INSTALL_DATADIR}/metainfo")
install(FILES "${VORLIX_PACKAGE_DIR}/vorlix.1.gz" DESTINATION "${CMAKE_INSTALL_MANDIR}/man1")
install(FILES "${VORLIX_PACKAGE_DIR}/copyright" "${VORLIX_PACKAGE_DIR}/changelog.gz"
  DESTINATION "${VORLIX_DOCDIR}")

# The Debian package: vorlix_<version>_<architecture>.deb. Its version is the project's as it
# is (1.01): the packaging is the project's own, so there is no Debian revision, and dpkg orders
# MAJOR.NN versions as the project does (1.01 < 1.02 < 1.10).
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${VORLIX_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_PACKAGE_DESCRIPTION
  "Vorlix watches one IPv4 host. It sends an ICMP echo request and shows, in a
tiny window, how long the check took in milliseconds, or that it timed out,
on a black panel in the colour of its speed band. Checks run on demand and,
if wanted, every few minutes. The settings window's captions are Japanese.")
# The libraries the program links come from dpkg-shlibdeps; a Japanese font is needed for the
# settings window's captions and the messages.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-ipafont-gothic | fonts-noto-cjk")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
