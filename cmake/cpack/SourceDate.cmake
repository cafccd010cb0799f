# Read by cpack before it makes each package: SOURCE_DATE_EPOCH, unless it is set already, is
# the time of the commit the package is made from. cpack gives every entry of the package that
# time, so two builds of one commit give the same bytes. Outside a git checkout the entries keep
# their files' times.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
  find_package(Git QUIET)
  if(GIT_EXECUTABLE)
    execute_process(COMMAND "${GIT_EXECUTABLE}" -C "${CPACK_VORLIX_SOURCE_DIR}" log -1
      --format=%ct OUTPUT_VARIABLE vorlix_epoch RESULT_VARIABLE vorlix_git_failed
      OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  endif()
  if(NOT vorlix_git_failed AND vorlix_epoch MATCHES "^[0-9]+$")
    set(ENV{SOURCE_DATE_EPOCH} "${vorlix_epoch}")
  else()
    message(STATUS "No commit to take the time from: the package's times are the files'")
  endif()
endif()
