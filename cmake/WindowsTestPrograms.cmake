# The Windows programs of the end-to-end tests (tests/e2e/run.sh builds them):
# - wininspect.exe, which lists, reads and drives the program's windows under Wine;
# - the unprotected program, built from the same sources with the DLL search left as a plain
#   LoadLibrary has it (the program's folder first), for the planted-DLL scenarios to show that
#   they catch a planted DLL. Its copies of the two files that restrict the search take the place
#   of the back end's own at the link; it has no load configuration of its own.

add_executable(vorlix_wininspect tests/e2e/wininspect.cpp)
set_target_properties(vorlix_wininspect PROPERTIES OUTPUT_NAME wininspect
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
target_compile_definitions(vorlix_wininspect PRIVATE UNICODE _UNICODE)
target_link_libraries(vorlix_wininspect PRIVATE vorlix_options user32 gdi32 psapi ntdll oleacc
  ole32 oleaut32)

set(VORLIX_UNRESTRICTED_SEARCH src/platform/win32/DllSearch.cpp
  src/platform/win32/SystemLibrary.cpp)
add_executable(vorlix_unprotected WIN32 src/app/WinMain.cpp src/app/Win32StartupError.cpp
  src/app/Win32StartupError.h ${VORLIX_UNRESTRICTED_SEARCH} res/vorlix.rc)
vorlix_forward_headers(vorlix_unprotected app src/app/Win32StartupError.h)
target_include_directories(vorlix_unprotected PRIVATE "${VORLIX_GENERATED_DIR}")
target_compile_definitions(vorlix_unprotected PRIVATE VORLIX_UNRESTRICTED_DLL_SEARCH)
target_link_libraries(vorlix_unprotected PRIVATE vorlix_app vorlix_win32 vorlix_options)
set_target_properties(vorlix_unprotected PROPERTIES RUNTIME_OUTPUT_DIRECTORY
  ${CMAKE_BINARY_DIR}/unprotected OUTPUT_NAME vorlix)

if(MINGW)
  foreach(program vorlix_wininspect vorlix_unprotected)
    target_link_options(${program} PRIVATE -municode -static -static-libgcc -static-libstdc++)
  endforeach()
endif()
