// Reads and writes of the settings file in the current directory, with the share modes it asks
// for, keeping the file what the user made it.
#pragma once

#include "framework/FileAccess.h"
#include "platform/win32/FileSteps.h"

namespace win32 {

// A read takes only a disk file (a pipe or a device under Wine is refused at once); while
// another process holds the file without sharing it, the read tries again for up to 2 s.
//
// A write holds the old file for this process alone while it looks at it and clears away what
// interrupted saves left beside it. The new content goes into a fresh file beside the file that
// the name leads to (through a link, Wine's Unix links included), which takes the old file's
// hidden, system and archive attributes and its access list and is then renamed over it in one
// step: at every moment the name holds either the old file or the new one. A file of several
// names (hard links) is written in place instead, so that every name keeps seeing it, and so is
// a file whose folder takes no new file or whose security cannot be carried over; a read-only
// file is left as it is.
class Win32Files : public fw::FileAccess {
 public:
  explicit Win32Files(FileSteps& steps = SystemFileSteps()) : steps_(steps) {}

  bool FileExists(const std::string& name) override;
  void ReadFile(const std::string& name, const fw::TakeBlock& take) override;
  void WriteFile(const std::string& name, const std::string& content) override;

 private:
  FileSteps& steps_;
};

}  // namespace win32
