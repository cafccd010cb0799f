// The settings file's text as the program writes it.
#pragma once

#include <string>
#include <vector>

namespace settings {

// Each line followed by CR LF, the last one too.
std::string JoinLines(const std::vector<std::string>& lines);

}  // namespace settings
