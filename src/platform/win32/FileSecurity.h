// What a save reads of a file's security descriptor: the access list it carries over to the
// file that replaces it, and whether the user owns a file it may clear away.
#pragma once

#include <vector>

#include "platform/win32/Win32.h"

namespace win32 {

// The security descriptor of the file held open (with READ_CONTROL), holding its access list
// (DACL) and that list's protection from inheritance; false when it cannot be read.
bool ReadAccessList(HANDLE file, std::vector<char>& descriptor);

// Whether the file held open (with READ_CONTROL) is owned by the user the program runs as.
bool OwnedByUser(HANDLE file);

}  // namespace win32
