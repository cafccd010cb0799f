// Whole-file reads and replacing writes in the current directory, with the share modes the
// settings file asks for.
#pragma once

#include "framework/FileAccess.h"

namespace win32 {

class Win32Files : public fw::FileAccess {
 public:
  bool FileExists(const std::string& name) override;
  std::string ReadFile(const std::string& name) override;
  void WriteFile(const std::string& name, const std::string& content) override;
};

}  // namespace win32
