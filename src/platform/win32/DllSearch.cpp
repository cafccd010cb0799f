// Restricting the process's DLL search to the system folder.
#include "platform/win32/DllSearch.h"

#include "platform/win32/SystemLibrary.h"
#include "platform/win32/Win32.h"

namespace win32 {

bool RestrictDllSearch() {
#ifndef VORLIX_UNRESTRICTED_DLL_SEARCH  // defined in the planted-DLL tests' unprotected build
  if (!SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32)) {
    return false;
  }
#endif
  // The visual styles, which the common controls load on demand, and the drawing library that
  // they in turn load on demand. Wine 8 looks for such on-demand imports of its system DLLs
  // beside the program whatever the restriction says; loaded from the system folder now, they
  // are found among the loaded modules instead. They stay loaded for the life of the process.
  static const SystemLibrary visualStyles("UXTHEME.DLL");
  static const SystemLibrary drawing("MSIMG32.DLL");
  return true;
}

}  // namespace win32
