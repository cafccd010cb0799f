# The program's icon built into the Linux program: res/icons/SIZE.png as byte arrays in one
# generated source (VORLIX_BUILT_IN_ICONS) for the GTK back end, which shows it where the icon
# theme lacks "vorlix". The generated file holds the bytes alone: no date, no path.
set(VORLIX_ICON_SIZES 16 24 32 48 64 128 256)

if(CMAKE_SCRIPT_MODE_FILE)
  # cmake -DSOURCE_DIR=... -DOUTPUT=... -P cmake/BuiltInIcons.cmake
  set(text "// Generated from res/icons by cmake/BuiltInIcons.cmake; do not edit.\n")
  string(APPEND text "#include \"platform/gtk/BuiltInIcons.h\"\n\nnamespace gtk {\n\nnamespace {\n\n")
  set(table "")
  foreach(size IN LISTS VORLIX_ICON_SIZES)
    file(READ "${SOURCE_DIR}/res/icons/${size}.png" hex HEX)
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
    string(REGEX REPLACE "((0x..,){16})" "\\1\n  " bytes "${bytes}")
    string(APPEND text "const unsigned char kIcon${size}[] = {\n  ${bytes}\n};\n\n")
    string(APPEND table "    {${size}, kIcon${size}, sizeof kIcon${size}},\n")
  endforeach()
  string(APPEND text "const IconImage kIcons[] = {\n${table}};\n\n}  // namespace\n\n")
  string(APPEND text "std::span<const IconImage> BuiltInIcons() {\n  return kIcons;\n}\n\n")
  string(APPEND text "}  // namespace gtk\n")
  file(WRITE "${OUTPUT}.tmp" "${text}")
  file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
  return()
endif()

set(VORLIX_BUILT_IN_ICONS "${CMAKE_BINARY_DIR}/generated/BuiltInIcons.cpp")
set(icon_files "")
foreach(size IN LISTS VORLIX_ICON_SIZES)
  list(APPEND icon_files "${CMAKE_SOURCE_DIR}/res/icons/${size}.png")
endforeach()
add_custom_command(
  OUTPUT "${VORLIX_BUILT_IN_ICONS}"
  COMMAND "${CMAKE_COMMAND}" "-DSOURCE_DIR=${CMAKE_SOURCE_DIR}"
          "-DOUTPUT=${VORLIX_BUILT_IN_ICONS}" -P "${CMAKE_SOURCE_DIR}/cmake/BuiltInIcons.cmake"
  DEPENDS ${icon_files} "${CMAKE_SOURCE_DIR}/cmake/BuiltInIcons.cmake"
  COMMENT "Building the icon into the program"
  VERBATIM)
