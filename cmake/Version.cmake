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

set(VORLIX_GENERATED_DIR "${CMAKE_BINARY_DIR}/generated")
configure_file("${CMAKE_SOURCE_DIR}/cmake/VorlixVersion.h.in"
  "${VORLIX_GENERATED_DIR}/VorlixVersion.h" @ONLY)
configure_file("${CMAKE_SOURCE_DIR}/res/vorlix.manifest.in"
  "${VORLIX_GENERATED_DIR}/vorlix.manifest" @ONLY)
