// Whole-file reads and replacing writes in the current directory, with advisory locks in place
// of the share modes the settings file asks for.
#pragma once

#include "framework/FileAccess.h"

namespace posix {

// A read holds a shared lock (flock) on the file, so it fails while a writer holds the file; a
// write holds an exclusive lock on the old file, so it fails while anyone reads or writes it, as
// on Windows, where a file that another process holds open cannot be replaced. The new content
// goes to "<name>.new" (locked too), is flushed to disk and renamed over the old file.
class PosixFiles : public fw::FileAccess {
 public:
  bool FileExists(const std::string& name) override;
  std::string ReadFile(const std::string& name) override;
  void WriteFile(const std::string& name, const std::string& content) override;
};

}  // namespace posix
