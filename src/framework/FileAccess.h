// Reading and writing whole files in the current directory.
#pragma once

#include <string>

namespace fw {

class FileAccess {
 public:
  virtual ~FileAccess() = default;

  // True for a file of that name; a directory does not count.
  virtual bool FileExists(const std::string& name) = 0;
  // The whole content, read while others may read the file but not write it. Throws on failure.
  virtual std::string ReadFile(const std::string& name) = 0;
  // Replaces the file's content in one step: the old content stays whole if the write fails.
  // Throws on failure.
  virtual void WriteFile(const std::string& name, const std::string& content) = 0;
};

}  // namespace fw
