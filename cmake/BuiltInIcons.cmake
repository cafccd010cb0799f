# The program's icon built into the Linux program as raw RGBA pixels, decoded from
# res/icons/SIZE.png at build time by cmake/icon_pixels.py into one generated source
# (VORLIX_BUILT_IN_ICONS): the sizes that window managers, taskbars and task switchers use.
set(VORLIX_ICON_SIZES 16 24 32 48)

find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(VORLIX_BUILT_IN_ICONS "${CMAKE_BINARY_DIR}/generated/BuiltInIcons.cpp")
set(icon_files "")
foreach(size IN LISTS VORLIX_ICON_SIZES)
  list(APPEND icon_files "${CMAKE_SOURCE_DIR}/res/icons/${size}.png")
endforeach()
add_custom_command(
  OUTPUT "${VORLIX_BUILT_IN_ICONS}"
  COMMAND "${CMAKE_COMMAND}" -E make_directory "${CMAKE_BINARY_DIR}/generated"
  COMMAND Python3::Interpreter "${CMAKE_SOURCE_DIR}/cmake/icon_pixels.py"
          "${VORLIX_BUILT_IN_ICONS}" ${icon_files}
  DEPENDS ${icon_files} "${CMAKE_SOURCE_DIR}/cmake/icon_pixels.py"
  COMMENT "Building the icon's pixels into the program"
  VERBATIM)
