# Run by cpack after it has made the packages: writes SHA256SUMS beside them, a line
# "<sha256>  <file name>" for each, as sha256sum -c reads it.
set(vorlix_sums "")
foreach(package IN LISTS CPACK_PACKAGE_FILES)
  file(SHA256 "${package}" vorlix_hash)
  get_filename_component(vorlix_name "${package}" NAME)
  string(APPEND vorlix_sums "${vorlix_hash}  ${vorlix_name}\n")
endforeach()
file(WRITE "${CPACK_PACKAGE_DIRECTORY}/SHA256SUMS" "${vorlix_sums}")
