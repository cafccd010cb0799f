// A form that Windows has placed at its default place, moved beside the main form when that
// place is under the main form or not wholly on the monitor's work area.
#pragma once

// The framework's types before the Windows headers, which define some of their names as macros.
#include "framework/Types.h"
#include "platform/win32/Win32.h"

namespace win32 {

// The window is a form made at the default place (CW_USEDEFAULT); the main form is the shown
// form of this thread that has the program's taskbar button behind it, if any.
void KeepInView(HWND window);

}  // namespace win32
