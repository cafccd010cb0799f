// A file descriptor that closes itself, and the errors of file operations.
#pragma once

#include <unistd.h>

#include <string>

#include "base/Exception.h"

namespace posix {

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd = -1) : fd_(fd) {}
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  ~FileDescriptor() {
    if (Valid()) {
      close(fd_);
    }
  }
  int Get() const { return fd_; }
  bool Valid() const { return fd_ >= 0; }
  // Hands the descriptor over: it is no longer closed here.
  int Release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }
  void Reset(int fd) {
    if (Valid()) {
      close(fd_);
    }
    fd_ = fd;
  }

 private:
  int fd_;
};

// Throws the failure of an operation on a file (fw::EFileError, raised where this was called),
// with the system's text for the error number.
[[noreturn]] VORLIX_NOINLINE void FailOnFile(const std::string& what, const std::string& name,
                                             int error);

}  // namespace posix
