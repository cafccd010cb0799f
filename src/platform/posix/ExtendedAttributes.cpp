// The extended attributes of a file, carried over to the file that replaces it.
#include "platform/posix/ExtendedAttributes.h"

#include <sys/xattr.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

namespace posix {

namespace {

constexpr const char* kAccessList = "system.posix_acl_access";

// Fills out by the call (a size query first, then the read, again if the size changed
// meanwhile); false when there is nothing to read or the call fails.
template <class Call>
bool ReadSized(std::vector<char>& out, Call call) {
  for (;;) {
    const ssize_t size = call(nullptr, 0);
    if (size < 0) {
      return false;
    }
    out.resize(static_cast<std::size_t>(size));
    const ssize_t read = call(out.data(), out.size());
    if (read >= 0) {
      out.resize(static_cast<std::size_t>(read));
      return true;
    }
    if (errno != ERANGE) {
      return false;
    }
  }
}

bool Value(int fd, const char* name, std::vector<char>& value) {
  return ReadSized(value,
                   [&](char* data, std::size_t size) { return fgetxattr(fd, name, data, size); });
}

}  // namespace

bool CopyExtendedAttributes(int from, int to) {
  std::vector<char> names;
  if (!ReadSized(names,
                 [&](char* data, std::size_t size) { return flistxattr(from, data, size); })) {
    // A file system without extended attributes: there is nothing to carry over.
    return errno == ENOTSUP;
  }
  bool hasAccessList = false;
  for (std::size_t at = 0; at < names.size(); at += std::strlen(names.data() + at) + 1) {
    const char* name = names.data() + at;
    hasAccessList = hasAccessList || std::strcmp(name, kAccessList) == 0;
    std::vector<char> value;
    std::vector<char> present;
    if (!Value(from, name, value)) {
      return false;
    }
    // A value the new file has already (a security label of the folder's) is not set again.
    if ((Value(to, name, present) && present == value) ||
        fsetxattr(to, name, value.data(), value.size(), 0) == 0) {
      continue;
    }
    return false;
  }
  std::vector<char> handedDown;
  return hasAccessList || !Value(to, kAccessList, handedDown) || fremovexattr(to, kAccessList) == 0;
}

}  // namespace posix
