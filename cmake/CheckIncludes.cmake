# Fails when a source of the project includes a file by a path that climbs out of its folder
# ("../"): such an include would reach a layer's headers past the include roots that keep each
# layer to the layers it may use. Run as a test of the native tree:
#   cmake -DROOT=<source folder> -P cmake/CheckIncludes.cmake
file(GLOB_RECURSE sources "${ROOT}/src/*.h" "${ROOT}/src/*.cpp" "${ROOT}/tests/*.h"
  "${ROOT}/tests/*.cpp")
set(climbing "")
foreach(source IN LISTS sources)
  file(STRINGS "${source}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<][^\">]*\\.\\./")
  foreach(line IN LISTS lines)
    file(RELATIVE_PATH name "${ROOT}" "${source}")
    string(APPEND climbing "\n  ${name}: ${line}")
  endforeach()
endforeach()
if(climbing)
  message(FATAL_ERROR "Includes that climb out of their folder:${climbing}")
endif()
