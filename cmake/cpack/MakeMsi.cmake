# Run by cpack after it has made the zip of a Windows tree: makes the Windows Installer package
# beside it (vorlix-<version>-win64.msi or -win32.msi) from the same files with
# cmake/make_msi.py, and adds it to the packages that SHA256SUMS lists. Its codes come from the
# commit and its times from SOURCE_DATE_EPOCH (cmake/cpack/SourceDate.cmake).
find_program(vorlix_wixl wixl)
find_program(vorlix_msibuild msibuild)
if(NOT vorlix_wixl OR NOT vorlix_msibuild)
  message(FATAL_ERROR "The Windows Installer package needs wixl and msibuild (Debian's wixl and "
    "msitools packages)")
endif()
set(vorlix_commit "")
find_package(Git QUIET)
if(GIT_EXECUTABLE)
  execute_process(COMMAND "${GIT_EXECUTABLE}" -C "${CPACK_VORLIX_SOURCE_DIR}" rev-parse HEAD
    OUTPUT_VARIABLE vorlix_commit OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
endif()
set(vorlix_epoch "")
if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(vorlix_epoch --epoch "$ENV{SOURCE_DATE_EPOCH}")
endif()
set(vorlix_msi "${CPACK_PACKAGE_DIRECTORY}/${CPACK_PACKAGE_FILE_NAME}.msi")
execute_process(COMMAND "${CPACK_VORLIX_PYTHON}" "${CPACK_VORLIX_SOURCE_DIR}/cmake/make_msi.py"
    --wxs "${CPACK_VORLIX_SOURCE_DIR}/res/windows/vorlix.wxs"
    --exe "${CPACK_VORLIX_EXE}" --license "${CPACK_VORLIX_SOURCE_DIR}/LICENSE"
    --readme "${CPACK_VORLIX_README}" --icon "${CPACK_VORLIX_SOURCE_DIR}/res/vorlix.ico"
    --version "${CPACK_PACKAGE_VERSION}" --file-version "${CPACK_VORLIX_FILE_VERSION}"
    --arch "${CPACK_VORLIX_ARCH}"
    --publisher "${CPACK_PACKAGE_VENDOR}" --commit "${vorlix_commit}" ${vorlix_epoch}
    -o "${vorlix_msi}"
  RESULT_VARIABLE vorlix_failed)
if(vorlix_failed)
  message(FATAL_ERROR "make_msi.py failed: ${vorlix_failed}")
endif()
list(APPEND CPACK_PACKAGE_FILES "${vorlix_msi}")
