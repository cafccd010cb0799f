// Reads and writes of the settings file in the current directory, with advisory locks in place
// of the share modes it asks for, keeping the file what the user made it.
#pragma once

#include <mutex>

#include "framework/FileAccess.h"

namespace posix {

// Flushes a folder's entries to the disk: after a rename in it, so that the new name outlasts a
// crash. A file system that cannot flush a folder has kept the rename all the same.
void FlushFolder(const std::string& folder);

// A read takes only a regular file, opened without waiting (a pipe or a device is refused at
// once), and holds a shared lock (flock); while a writer holds the file, it tries again for up
// to 2 s, then fails. A write
// holds an exclusive lock on the old file, so it fails while anyone reads or writes it, as on
// Windows, where a file that another process holds open cannot be replaced.
//
// A write follows symbolic links and replaces the file they lead to: the new content goes into a
// fresh file beside it, which takes the old file's owner, group, extended attributes (its POSIX
// access list among them) and mode, is flushed to disk and renamed over it, and the folder is
// flushed after. The old file is written in place instead, under its lock, wherever no such
// file can be made and the old one can be written: a file of several names (hard links), so
// that every name keeps seeing it; a folder the user may not write, or an immutable one; a
// name too long for a temporary name beside it; an owner, group or attribute the fresh file
// may not take. A file that nobody may write is left as it is, even for the superuser, and so
// is anything but a regular file. Each save first clears away what interrupted saves left
// beside the file.
class PosixFiles : public fw::FileAccess {
 public:
  // A test passes a flush of its own to see it called: a flush is not seen from outside.
  using FolderFlush = void (*)(const std::string& folder);
  explicit PosixFiles(FolderFlush flushFolder = FlushFolder) : flushFolder_(flushFolder) {}

  bool FileExists(const std::string& name) override;
  void ReadFile(const std::string& name, const fw::TakeBlock& take) override;
  void WriteFile(const std::string& name, const std::string& content) override;

  // For the process's end from another thread: waits up to half a second for a write under
  // way to finish, and lets no other begin, so that the end never cuts a file short.
  void HoldWrites();

 private:
  FolderFlush flushFolder_;
  std::timed_mutex writing_;
};

}  // namespace posix
