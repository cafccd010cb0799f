// The headless back end's files, kept in memory; a test can make the folder read-only, put a
// directory in the way or hold a file open.
#pragma once

#include <cstddef>
#include <map>
#include <set>
#include <string>

#include "framework/FileAccess.h"

namespace headless {

class HeadlessFiles : public fw::FileAccess {
 public:
  std::map<std::string, std::string> Files;
  std::set<std::string> Directories;
  bool ReadOnlyFolder = false;
  std::set<std::string> LockedByOthers;
  int Writes = 0;
  // A read hands the content over in blocks this long, so that readers meet every boundary.
  std::size_t BlockSize = 7;
  std::size_t BlocksRead = 0;

  bool FileExists(const std::string& name) override { return Files.count(name) != 0; }
  void ReadFile(const std::string& name, const fw::TakeBlock& take) override;
  void WriteFile(const std::string& name, const std::string& content) override;
};

}  // namespace headless
