// Text routines every layer shares.
#pragma once

#include <string>

namespace base {

// Removes every byte of code 32 or less (blanks and control characters) from both ends.
std::string TrimText(const std::string& text);

}  // namespace base
