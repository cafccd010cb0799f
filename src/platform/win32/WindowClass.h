// Registering the program's own window classes.
#pragma once

#include "platform/win32/Win32.h"

namespace win32 {

// Registers a window class of this module, unless it is registered already; a failure raises
// an error.
void RegisterWindowClass(const wchar_t* name, WNDPROC proc, UINT style = 0, HICON icon = nullptr);

}  // namespace win32
