// A new file of a fresh, unpredictable name beside another, removed again unless it is kept.
#pragma once

#include <string>

#include "platform/posix/FileDescriptor.h"

namespace posix {

class TemporaryFile {
 public:
  // Creates "<base>.<random>" in the folder, exclusively and never through a link, with the
  // mode given (less the process's umask). Throws on failure.
  TemporaryFile(const std::string& folder, const std::string& base, int mode);
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  ~TemporaryFile();

  int Get() const { return file_.Get(); }
  const std::string& Path() const { return path_; }
  // The file has been renamed into place: it is no longer removed.
  void Keep() { kept_ = true; }

 private:
  std::string path_;
  FileDescriptor file_;
  bool kept_ = false;
};

}  // namespace posix
