// A file handle that closes itself.
#pragma once

#include "platform/win32/Win32.h"

namespace win32 {

class FileHandle {
 public:
  explicit FileHandle(HANDLE handle = INVALID_HANDLE_VALUE) : handle_(handle) {}
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  ~FileHandle() { Close(); }
  HANDLE Get() const { return handle_; }
  bool Valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  bool Close() {
    bool closed = true;
    if (Valid()) {
      closed = CloseHandle(handle_) != FALSE;
      handle_ = INVALID_HANDLE_VALUE;
    }
    return closed;
  }
  void Reset(HANDLE handle) {
    Close();
    handle_ = handle;
  }

 private:
  HANDLE handle_;
};

}  // namespace win32
