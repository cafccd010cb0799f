# The same sources give the same bytes in any folder. No folder of the checkout or of the build
# tree is compiled in (file names in assertions and in debug information are made relative to
# them), and the Windows program's header carries no link time. The packages take their times
# from the commit (cmake/cpack/).
if(NOT MSVC)
  # GCC tries the map given last first: the checkout's, which also covers a build tree inside
  # it; the build tree's own applies to a tree kept elsewhere.
  target_compile_options(vorlix_options INTERFACE
    "-ffile-prefix-map=${CMAKE_BINARY_DIR}=./build" "-ffile-prefix-map=${CMAKE_SOURCE_DIR}=.")
endif()
if(MINGW)
  # GNU ld and lld both write 0 for the time stamp of the PE header.
  target_link_options(vorlix_options INTERFACE -Wl,--no-insert-timestamp)
endif()
