// The texts of the two error displays.
#include "framework/ErrorText.h"

#include <cstdio>

#include "base/Exception.h"

namespace fw {

std::string HandlerErrorText(const std::string& message) {
  // Bytes of a multi-byte character are all above ".", so any such character gets the dot.
  if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') {
    return message + ".";
  }
  return message;
}

std::string StartupErrorText(const std::string& className, const std::string& moduleName,
                             std::uintptr_t offset, const std::string& message) {
  char address[16];
  std::snprintf(address, sizeof address, "%08X", static_cast<unsigned>(offset & 0xFFFFFFFFu));
  std::string dot = (!message.empty() && message.back() != '.') ? "." : "";
  return className + "がモジュール " + moduleName + " の " + address + " で発生しました。\n" +
         message + dot;
}

std::string StartupErrorText(const std::exception& error, const ModuleAt& moduleAt) {
  const auto* own = dynamic_cast<const base::Exception*>(&error);
  std::uintptr_t offset = 0;
  const std::string module = moduleAt(own != nullptr ? own->RaiseAddress() : nullptr, offset);
  return StartupErrorText(own != nullptr ? own->ClassName() : "Exception", module, offset,
                          own != nullptr ? own->Message() : std::string(error.what()));
}

}  // namespace fw
