// Reads and writes of the settings file in the current directory, with advisory locks in place
// of the share modes it asks for, keeping the file what the user made it.
#pragma once

#include "framework/FileAccess.h"

namespace posix {

// A read takes only a regular file, opened without waiting (a pipe or a device is refused at
// once), and holds a shared lock (flock); while a writer holds the file, it tries again for up
// to 2 s, then fails. A write
// holds an exclusive lock on the old file, so it fails while anyone reads or writes it, as on
// Windows, where a file that another process holds open cannot be replaced.
//
// A write follows symbolic links and replaces the file they lead to: the new content goes into a
// fresh file beside it, which takes the old file's mode, owner and group, is flushed to disk and
// renamed over it, and the folder is flushed after. A file of several names (hard links) is
// written in place instead, so that every name keeps seeing it. A file that nobody may write is
// left as it is, even for the superuser, and so is anything but a regular file.
class PosixFiles : public fw::FileAccess {
 public:
  bool FileExists(const std::string& name) override;
  void ReadFile(const std::string& name, const fw::TakeBlock& take) override;
  void WriteFile(const std::string& name, const std::string& content) override;
};

}  // namespace posix
