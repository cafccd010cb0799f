// Restricting the process's DLL search to the system folder.
#pragma once

namespace win32 {

// Makes every later DLL load of the process, the program's own and those that the system's
// DLLs make on its behalf, look in the system folder alone, never in the program's folder.
// False when the system refuses.
bool RestrictDllSearch();

}  // namespace win32
