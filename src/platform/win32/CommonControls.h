// Window subclassing and the tooltip class from the system's common controls (comctl32), bound
// at run time.
#pragma once

#include "platform/win32/SystemLibrary.h"

// After windows.h, which it needs.
#include <commctrl.h>

namespace win32 {

class CommonControls {
 public:
  // The functions, bound on first use for the life of the process, with the tooltip class
  // registered; raises ELibraryError when comctl32 or one of them is missing.
  static const CommonControls& Bound();

  decltype(&::SetWindowSubclass) SetWindowSubclass = nullptr;
  decltype(&::GetWindowSubclass) GetWindowSubclass = nullptr;
  decltype(&::DefSubclassProc) DefSubclassProc = nullptr;
  decltype(&::RemoveWindowSubclass) RemoveWindowSubclass = nullptr;
  decltype(&::InitCommonControlsEx) InitCommonControlsEx = nullptr;

 private:
  CommonControls();

  // The manifest asks for version 6, and the process's activation context gives it, from the
  // system's side-by-side store, for this name.
  SystemLibrary library_{"COMCTL32.DLL"};
};

}  // namespace win32
