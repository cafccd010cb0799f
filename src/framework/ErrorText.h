// The texts of the two error displays.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <string>

namespace fw {

// The message, with "." appended when its last character sorts after ".".
std::string HandlerErrorText(const std::string& message);

// Two lines: where the error was raised, then its message with "." unless it ends in one.
std::string StartupErrorText(const std::string& className, const std::string& moduleName,
                             std::uintptr_t offset, const std::string& message);

// The platform's name for the module that holds an address, and the address counted from the
// module's start; a null address names the program's own module, at offset 0.
using ModuleAt = std::function<std::string(const void* address, std::uintptr_t& offset)>;

// The same two lines for any error that start-up met: the program's own errors name their
// class and where they were raised; any other is an "Exception" of the program's module.
std::string StartupErrorText(const std::exception& error, const ModuleAt& moduleAt);

}  // namespace fw
