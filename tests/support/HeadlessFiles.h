// The headless back end's files, kept in memory; a test can make the folder read-only or put a
// directory in the way.
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
  int Writes = 0;
  // A read hands the content over in blocks this long, so that readers meet every boundary.
  static constexpr std::size_t kBlockSize = 7;

  bool FileExists(const std::string& name) override { return Files.count(name) != 0; }
  void ReadFile(const std::string& name, const fw::TakeBlock& take) override;
  void WriteFile(const std::string& name, const std::string& content) override;
};

}  // namespace headless
