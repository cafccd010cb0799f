// Reading and writing files in the current directory.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace fw {

// Takes the next block of a file's content; returns false when it wants no more.
using TakeBlock = std::function<bool(std::string_view block)>;

class FileAccess {
 public:
  virtual ~FileAccess() = default;

  // True for a file of that name; a directory does not count.
  virtual bool FileExists(const std::string& name) = 0;
  // Hands the content of a regular file to take, block by block in order, until take wants no
  // more or the content ends; others may read the file meanwhile, but not write it. Anything
  // but a regular file (a pipe, a device) is not opened for long and is a failure. Throws on
  // failure.
  virtual void ReadFile(const std::string& name, const TakeBlock& take) = 0;
  // Gives the file the content: the old content stays whole if the write fails, and the file
  // keeps what it is (a link stays a link, its mode and owner stay). Throws on failure.
  virtual void WriteFile(const std::string& name, const std::string& content) = 0;
};

}  // namespace fw
