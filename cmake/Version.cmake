# The version is the project's, written once in CMakeLists.txt as MAJOR.NN. A generated header
# gives it to the settings window's caption and to the resource file, and the manifest is made
# with it.
if(NOT PROJECT_VERSION_MINOR MATCHES "^[0-9][0-9]$")
  message(FATAL_ERROR "The version is MAJOR.NN, with a minor version of two digits")
endif()
# As four numbers, the two digits of the minor version are the second and the third: 1.01 is
# 1.0.1.0.
string(SUBSTRING "${PROJECT_VERSION_MINOR}" 0 1 VORLIX_VERSION_TENTHS)
string(SUBSTRING "${PROJECT_VERSION_MINOR}" 1 1 VORLIX_VERSION_HUNDREDTHS)
set(VORLIX_VERSION_NUMBERS
  "${PROJECT_VERSION_MAJOR},${VORLIX_VERSION_TENTHS},${VORLIX_VERSION_HUNDREDTHS},0")
set(VORLIX_VERSION_DOTTED
  "${PROJECT_VERSION_MAJOR}.${VORLIX_VERSION_TENTHS}.${VORLIX_VERSION_HUNDREDTHS}.0")

# The copyright line of LICENSE ("Copyright (c) YEAR HOLDER"): the version resource's
# LegalCopyright, and the holder of the Debian package's copyright file and the Windows
# Installer package.
file(STRINGS "${CMAKE_SOURCE_DIR}/LICENSE" VORLIX_COPYRIGHT_LINE REGEX "^Copyright \\(c\\) ")
if(NOT VORLIX_COPYRIGHT_LINE MATCHES "^Copyright \\(c\\) [0-9]+ (.+)$")
  message(FATAL_ERROR "LICENSE has no line \"Copyright (c) YEAR HOLDER\"")
endif()
set(VORLIX_COPYRIGHT_HOLDER "${CMAKE_MATCH_1}")
string(REGEX REPLACE "^Copyright \\(c\\) " "" VORLIX_COPYRIGHT "${VORLIX_COPYRIGHT_LINE}")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${CMAKE_SOURCE_DIR}/LICENSE")

set(VORLIX_GENERATED_DIR "${CMAKE_BINARY_DIR}/generated")
configure_file("${CMAKE_SOURCE_DIR}/cmake/VorlixVersion.h.in"
  "${VORLIX_GENERATED_DIR}/VorlixVersion.h" @ONLY)
configure_file("${CMAKE_SOURCE_DIR}/res/vorlix.manifest.in"
  "${VORLIX_GENERATED_DIR}/vorlix.manifest" @ONLY)
