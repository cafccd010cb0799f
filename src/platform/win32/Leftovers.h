// Clearing away what interrupted saves left beside the settings file.
#pragma once

#include <string>

namespace win32 {

// Removes from the folder of target (a full path) the files that saves of the program left there
// when they were interrupted: its own temporary files for target (fw::IsTemporaryName), and what
// the system's ReplaceFileW, which earlier versions of the program called, left under Wine: a
// "rfXXXX.tmp" that is empty or holds a settings file. Only a regular file with one name, owned
// by the user and held open by nobody, is removed; anything that cannot be is left as it is.
void ClearLeftovers(const std::wstring& target);

}  // namespace win32
