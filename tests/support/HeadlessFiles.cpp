// The headless back end's files, kept in memory.
#include "HeadlessFiles.h"

#include <stdexcept>

namespace headless {

std::string HeadlessFiles::ReadFile(const std::string& name) {
  auto found = Files.find(name);
  if (found == Files.end() || LockedByOthers.count(name) != 0) {
    throw std::runtime_error("cannot open " + name);
  }
  return found->second;
}

void HeadlessFiles::WriteFile(const std::string& name, const std::string& content) {
  if (ReadOnlyFolder || Directories.count(name) != 0 || LockedByOthers.count(name) != 0) {
    throw std::runtime_error("cannot write " + name);
  }
  Files[name] = content;
  ++Writes;
}

}  // namespace headless
