// Where a name leads once its symbolic links are followed, and the parts of a path.
#include "platform/posix/LinkTarget.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "platform/posix/FileDescriptor.h"

namespace posix {

namespace {

// As the kernel's own limit on links followed in one lookup.
constexpr int kMostLinks = 40;

std::string ReadLink(const std::string& path, off_t size) {
  std::vector<char> target(static_cast<std::size_t>(size) + 2);
  for (;;) {
    const ssize_t length = readlink(path.c_str(), target.data(), target.size());
    if (length < 0) {
      FailOnFile("reading the link", path, errno);
    }
    if (static_cast<std::size_t>(length) < target.size()) {
      return {target.data(), static_cast<std::size_t>(length)};
    }
    target.resize(target.size() * 2);  // the link changed meanwhile
  }
}

}  // namespace

std::string FollowLinks(const std::string& name) {
  std::string path = name;
  for (int links = 0; links <= kMostLinks; ++links) {
    struct stat status {};
    if (lstat(path.c_str(), &status) != 0) {
      if (errno == ENOENT) {
        return path;
      }
      FailOnFile("looking at", path, errno);
    }
    if (!S_ISLNK(status.st_mode)) {
      return path;
    }
    const std::string target = ReadLink(path, status.st_size);
    const std::size_t slash = path.rfind('/');
    if (target.front() == '/' || slash == std::string::npos) {
      path = target;
    } else {
      path.erase(slash + 1);
      path += target;
    }
  }
  FailOnFile("following the links of", name, ELOOP);
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) {
    return ".";
  }
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string BaseNameOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace posix
