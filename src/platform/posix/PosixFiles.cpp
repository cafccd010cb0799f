// Whole-file reads and replacing writes with advisory locks.
#include "platform/posix/PosixFiles.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace posix {

namespace {

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  ~FileDescriptor() {
    if (Valid()) {
      close(fd_);
    }
  }
  int Get() const { return fd_; }
  bool Valid() const { return fd_ >= 0; }

 private:
  int fd_;
};

[[noreturn]] void Fail(const std::string& what, const std::string& name, int error) {
  throw std::runtime_error(what + " " + name + " failed: " + std::strerror(error));
}

bool Lock(int fd, int operation) {
  int result;
  do {
    result = flock(fd, operation | LOCK_NB);
  } while (result != 0 && errno == EINTR);
  return result == 0;
}

bool WriteAll(int fd, const std::string& content) {
  std::size_t done = 0;
  while (done < content.size()) {
    const ssize_t written = write(fd, content.data() + done, content.size() - done);
    if (written < 0) {
      if (errno == EINTR) {
        continue;
      }
      return false;
    }
    done += static_cast<std::size_t>(written);
  }
  return true;
}

}  // namespace

bool PosixFiles::FileExists(const std::string& name) {
  struct stat status {};
  return stat(name.c_str(), &status) == 0 && !S_ISDIR(status.st_mode);
}

std::string PosixFiles::ReadFile(const std::string& name) {
  FileDescriptor file(open(name.c_str(), O_RDONLY | O_CLOEXEC));
  if (!file.Valid()) {
    Fail("opening", name, errno);
  }
  // Others may read the file meanwhile, but not write it.
  if (!Lock(file.Get(), LOCK_SH)) {
    Fail("locking", name, errno);
  }
  std::string content;
  char buffer[4096];
  for (;;) {
    const ssize_t size = read(file.Get(), buffer, sizeof buffer);
    if (size < 0) {
      if (errno == EINTR) {
        continue;
      }
      Fail("reading", name, errno);
    }
    if (size == 0) {
      return content;
    }
    content.append(buffer, static_cast<std::size_t>(size));
  }
}

void PosixFiles::WriteFile(const std::string& name, const std::string& content) {
  // The old file, when there is one, is held exclusively until it has been replaced.
  FileDescriptor old(open(name.c_str(), O_RDONLY | O_CLOEXEC));
  if (!old.Valid() && errno != ENOENT) {
    Fail("opening", name, errno);
  }
  if (old.Valid() && !Lock(old.Get(), LOCK_EX)) {
    Fail("locking", name, errno);
  }
  // The new content goes into a file beside the old one, which it then replaces in one step,
  // so a failed write never leaves the file cut short. The file is cut only once it is ours.
  const std::string fresh = name + ".new";
  FileDescriptor file(open(fresh.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666));
  if (!file.Valid()) {
    Fail("creating", fresh, errno);
  }
  if (!Lock(file.Get(), LOCK_EX)) {
    Fail("locking", fresh, errno);
  }
  const bool wrote =
      ftruncate(file.Get(), 0) == 0 && WriteAll(file.Get(), content) && fsync(file.Get()) == 0;
  const int writeError = errno;
  if (!wrote) {
    unlink(fresh.c_str());
    Fail("writing", fresh, writeError);
  }
  if (rename(fresh.c_str(), name.c_str()) != 0) {
    const int error = errno;
    unlink(fresh.c_str());
    Fail("replacing", name, error);
  }
}

}  // namespace posix
