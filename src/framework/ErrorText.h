// The texts of the two error displays.
#pragma once

#include <cstdint>
#include <string>

namespace fw {

// The message, with "." appended when its last character sorts after ".".
std::string HandlerErrorText(const std::string& message);

// Two lines: where the error was raised, then its message with "." unless it ends in one.
std::string StartupErrorText(const std::string& className, const std::string& moduleName,
                             std::uintptr_t offset, const std::string& message);

}  // namespace fw
