// Whole-file reads and replacing writes.
#include "platform/win32/Win32Files.h"

#include <stdexcept>

#include "platform/win32/Utf.h"
#include "platform/win32/Win32.h"

namespace win32 {

namespace {

class FileHandle {
 public:
  explicit FileHandle(HANDLE handle) : handle_(handle) {}
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

 private:
  HANDLE handle_;
};

[[noreturn]] void Fail(const std::string& what, const std::string& name) {
  throw std::runtime_error(what + " " + name + " failed with code " +
                           std::to_string(GetLastError()));
}

}  // namespace

bool Win32Files::FileExists(const std::string& name) {
  const DWORD attributes = GetFileAttributesW(Widen(name).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::string Win32Files::ReadFile(const std::string& name) {
  // Others may read the file meanwhile, but not write it.
  FileHandle file(CreateFileW(Widen(name).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) {
    Fail("opening", name);
  }
  std::string content;
  char buffer[4096];
  for (;;) {
    DWORD read = 0;
    if (!::ReadFile(file.Get(), buffer, sizeof buffer, &read, nullptr)) {
      Fail("reading", name);
    }
    if (read == 0) {
      return content;
    }
    content.append(buffer, read);
  }
}

void Win32Files::WriteFile(const std::string& name, const std::string& content) {
  // The new content goes into a file beside the old one, which it then replaces in one step,
  // so a failed write never leaves the file cut short.
  const std::wstring target = Widen(name);
  const std::wstring fresh = target + L".new";
  FileHandle file(CreateFileW(fresh.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) {
    Fail("creating", name + ".new");
  }
  DWORD written = 0;
  const bool wrote = ::WriteFile(file.Get(), content.data(), static_cast<DWORD>(content.size()),
                                 &written, nullptr) &&
                     written == content.size() && FlushFileBuffers(file.Get());
  const bool closed = file.Close();
  if (!wrote || !closed) {
    DeleteFileW(fresh.c_str());
    Fail("writing", name + ".new");
  }
  if (!MoveFileExW(fresh.c_str(), target.c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    const DWORD code = GetLastError();
    DeleteFileW(fresh.c_str());
    SetLastError(code);
    Fail("replacing", name);
  }
}

}  // namespace win32
