// TEMPORARY stand-in until the posix work lands (dropped at its merge): files in the working
// folder with locks and the replacing save.
#pragma once

#include "framework/FileAccess.h"

namespace posix {

class PosixFiles : public fw::FileAccess {
 public:
  bool FileExists(const std::string& name) override;
  std::string ReadFile(const std::string& name) override;
  void WriteFile(const std::string& name, const std::string& content) override;
};

}  // namespace posix
