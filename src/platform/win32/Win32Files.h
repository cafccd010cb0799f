// Reads and writes of the settings file in the current directory, with the share modes it asks
// for, keeping the file what the user made it.
#pragma once

#include "framework/FileAccess.h"

namespace win32 {

// A read takes only a disk file (a pipe or a device under Wine is refused at once). A write
// holds the old file exclusively while it looks at it; the new content goes into a fresh file
// beside the file that the name leads to (through a link, Wine's Unix links included) and
// replaces it with ReplaceFileW, which keeps its attributes and security. A file of several
// names (hard links) is written in place instead, so that every name keeps seeing it; a
// read-only file is left as it is.
class Win32Files : public fw::FileAccess {
 public:
  bool FileExists(const std::string& name) override;
  void ReadFile(const std::string& name, const fw::TakeBlock& take) override;
  void WriteFile(const std::string& name, const std::string& content) override;
};

}  // namespace win32
