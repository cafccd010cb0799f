# The options every target of the project's own takes, and the layers as library targets.

# Warnings and source character set.
add_library(vorlix_options INTERFACE)
if(MSVC)
  target_compile_options(vorlix_options INTERFACE /W4 /WX /permissive- /utf-8)
else()
  target_compile_options(vorlix_options INTERFACE -Wall -Wextra -Wpedantic -Wshadow -Wconversion
    -Werror -finput-charset=UTF-8 -fexec-charset=UTF-8)
endif()

# vorlix_forward_headers(<target> <folder> <sources...>)
# Gives the target an include root of its own in the build tree, <build>/layers/<target>, that
# holds, under <folder>, one forwarding header for each header among the sources. Including
# "<folder>/<name>.h" finds it only where that root is on the include path.
function(vorlix_forward_headers target folder)
  set(root "${CMAKE_BINARY_DIR}/layers/${target}")
  foreach(source IN LISTS ARGN)
    if(source MATCHES "\\.h$")
      get_filename_component(name "${source}" NAME)
      file(CONFIGURE OUTPUT "${root}/${folder}/${name}"
        CONTENT "#include \"${CMAKE_SOURCE_DIR}/${source}\"\n")
    endif()
  endforeach()
  target_include_directories(${target} PUBLIC "${root}")
endfunction()

# vorlix_layer(<target> <folder> <sources...> [USES <layer targets...>])
# One static library per layer, linked only to the layers it may use. src/ is on no include
# path: a layer reaches its own headers and those of the layers it uses through their roots,
# and no others, so a wrong include fails to compile.
function(vorlix_layer target folder)
  cmake_parse_arguments(PARSE_ARGV 2 layer "" "" "USES")
  add_library(${target} STATIC ${layer_UNPARSED_ARGUMENTS})
  vorlix_forward_headers(${target} ${folder} ${layer_UNPARSED_ARGUMENTS})
  target_link_libraries(${target} PUBLIC ${layer_USES} PRIVATE vorlix_options)
endfunction()
