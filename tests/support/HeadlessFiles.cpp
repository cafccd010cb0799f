// The headless back end's files, kept in memory.
#include "HeadlessFiles.h"

#include <stdexcept>
#include <string_view>

namespace headless {

void HeadlessFiles::ReadFile(const std::string& name, const fw::TakeBlock& take) {
  auto found = Files.find(name);
  if (found == Files.end()) {
    throw std::runtime_error("cannot open " + name);
  }
  const std::string_view content = found->second;
  for (std::size_t at = 0; at < content.size(); at += kBlockSize) {
    if (!take(content.substr(at, kBlockSize))) {
      return;
    }
  }
}

void HeadlessFiles::WriteFile(const std::string& name, const std::string& content) {
  if (ReadOnlyFolder || Directories.count(name) != 0) {
    throw std::runtime_error("cannot write " + name);
  }
  Files[name] = content;
  ++Writes;
}

}  // namespace headless
