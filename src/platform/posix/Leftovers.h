// Clearing away what interrupted saves left beside the settings file.
#pragma once

#include <string>

namespace posix {

// Removes from the folder of target the temporary files that saves of the program left there
// when they were interrupted (fw::IsTemporaryName for target's name). Only a regular file with
// one name, owned by the user and locked by nobody (a save under way holds its own) is removed;
// anything that cannot be is left as it is.
void ClearLeftovers(const std::string& target);

}  // namespace posix
