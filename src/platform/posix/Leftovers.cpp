// Clearing away what interrupted saves left beside the settings file.
#include "platform/posix/Leftovers.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "framework/TemporaryName.h"
#include "platform/posix/FileDescriptor.h"
#include "platform/posix/LinkTarget.h"

namespace posix {

namespace {

void RemoveIfLeftover(int folder, const char* name) {
  const FileDescriptor file(
      openat(folder, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  struct stat opened {};
  if (!file.Valid() || fstat(file.Get(), &opened) != 0 || !S_ISREG(opened.st_mode) ||
      opened.st_nlink != 1 || opened.st_uid != geteuid() ||
      flock(file.Get(), LOCK_EX | LOCK_NB) != 0) {
    return;
  }
  // Removed only while the name still leads to the file looked at.
  struct stat named {};
  if (fstatat(folder, name, &named, AT_SYMLINK_NOFOLLOW) == 0 && named.st_dev == opened.st_dev &&
      named.st_ino == opened.st_ino) {
    unlinkat(folder, name, 0);
  }
}

}  // namespace

void ClearLeftovers(const std::string& target) {
  const std::string base = BaseNameOf(target);
  DIR* listing = opendir(FolderOf(target).c_str());
  if (listing == nullptr) {
    return;
  }
  while (const dirent* entry = readdir(listing)) {
    if (fw::IsTemporaryName(entry->d_name, base)) {
      RemoveIfLeftover(dirfd(listing), entry->d_name);
    }
  }
  closedir(listing);
}

}  // namespace posix
