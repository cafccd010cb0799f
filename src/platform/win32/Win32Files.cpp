// Reads and writes of the settings file, keeping the file what the user made it.
// rand_s comes from the system's C runtime, which declares it on this request.
#define _CRT_RAND_S  // NOLINT(bugprone-reserved-identifier)
#include "platform/win32/Win32Files.h"

#include <cstdlib>

#include <vector>

#include "framework/PlatformError.h"
#include "platform/win32/Utf.h"
#include "platform/win32/Win32.h"

namespace win32 {

namespace {

constexpr DWORD kBlockSize = 64 * 1024;
constexpr int kAttempts = 100;

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

// Throws the failure of an operation on a file, raised where this was called.
[[noreturn]] VORLIX_NOINLINE void Fail(const std::string& what, const std::wstring& name,
                                       DWORD code = GetLastError()) {
  throw fw::EFileError(what, Narrow(name), "error " + std::to_string(code),
                       VORLIX_CALLER_ADDRESS());
}

bool WriteAll(HANDLE file, const std::string& content) {
  DWORD written = 0;
  return ::WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr) &&
         written == content.size() && FlushFileBuffers(file);
}

// The file the handle's name led to, links followed: "\\?\C:\...".
std::wstring FinalPath(HANDLE file, const std::wstring& name) {
  std::vector<wchar_t> path(MAX_PATH);
  for (;;) {
    const DWORD length =
        GetFinalPathNameByHandleW(file, path.data(), static_cast<DWORD>(path.size()), 0);
    if (length == 0) {
      Fail("finding the file of", name);
    }
    if (length < path.size()) {
      return {path.data(), length};
    }
    path.resize(length + 1);
  }
}

std::wstring RandomSuffix() {
  std::wstring suffix;
  for (int i = 0; i < 2; ++i) {
    unsigned int value = 0;
    if (rand_s(&value) != 0) {
      value = GetTickCount() ^ GetCurrentProcessId();  // the creation is exclusive all the same
    }
    wchar_t digits[9];
    swprintf(digits, 9, L"%08X", value);
    suffix += digits;
  }
  return suffix;
}

// A fresh file of an unpredictable name beside target ("<target>.<random>"), created exclusively
// (never through a link), removed again unless it is kept.
class TemporaryFile {
 public:
  explicit TemporaryFile(const std::wstring& target) {
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
      path_ = target + L"." + RandomSuffix();
      file_.Reset(CreateFileW(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
      if (file_.Valid()) {
        return;
      }
      if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) {
        Fail("creating", path_);
      }
    }
    Fail("creating a new file beside", target, ERROR_FILE_EXISTS);
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  ~TemporaryFile() {
    file_.Close();
    if (!kept_) {
      DeleteFileW(path_.c_str());
    }
  }
  void Write(const std::string& content) {
    const bool wrote = WriteAll(file_.Get(), content);
    const DWORD code = GetLastError();
    if (!file_.Close() || !wrote) {
      Fail("writing", path_, code);
    }
  }
  const std::wstring& Path() const { return path_; }
  void Keep() { kept_ = true; }

 private:
  std::wstring path_;
  FileHandle file_;
  bool kept_ = false;
};

// Over the old content, then cut to the new length and flushed.
void WriteInPlace(HANDLE file, const std::wstring& name, const std::string& content) {
  if (SetFilePointer(file, 0, nullptr, FILE_BEGIN) != 0 || !WriteAll(file, content) ||
      !SetEndOfFile(file)) {
    Fail("writing", name);
  }
}

}  // namespace

bool Win32Files::FileExists(const std::string& name) {
  const DWORD attributes = GetFileAttributesW(Widen(name).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

void Win32Files::ReadFile(const std::string& name, const fw::TakeBlock& take) {
  const std::wstring wide = Widen(name);
  // Others may read the file meanwhile, but not write it.
  const FileHandle file(CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) {
    Fail("opening", wide);
  }
  if (GetFileType(file.Get()) != FILE_TYPE_DISK) {
    Fail("reading", wide, ERROR_INVALID_FUNCTION);
  }
  std::vector<char> buffer(kBlockSize);
  for (;;) {
    DWORD read = 0;
    if (!::ReadFile(file.Get(), buffer.data(), kBlockSize, &read, nullptr)) {
      Fail("reading", wide);
    }
    if (read == 0 || !take(std::string_view(buffer.data(), read))) {
      return;
    }
  }
}

void Win32Files::WriteFile(const std::string& name, const std::string& content) {
  const std::wstring wide = Widen(name);
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    if (GetLastError() != ERROR_FILE_NOT_FOUND) {
      Fail("looking at", wide);
    }
    TemporaryFile fresh(wide);
    fresh.Write(content);
    if (!MoveFileExW(fresh.Path().c_str(), wide.c_str(), MOVEFILE_WRITE_THROUGH)) {
      Fail("creating", wide);
    }
    fresh.Keep();
    return;
  }
  // Held for this process alone while it is looked at, so a save fails while another process
  // holds the file open, as a write over it would.
  FileHandle old(CreateFileW(wide.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!old.Valid()) {
    Fail("opening", wide);
  }
  BY_HANDLE_FILE_INFORMATION information{};
  if (GetFileType(old.Get()) != FILE_TYPE_DISK ||
      !GetFileInformationByHandle(old.Get(), &information)) {
    Fail("writing", wide, ERROR_INVALID_FUNCTION);
  }
  // Wine lets the superuser open a read-only file for writing; the attribute still says no.
  if ((information.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0) {
    Fail("writing", wide, ERROR_ACCESS_DENIED);
  }
  if (information.nNumberOfLinks > 1) {
    WriteInPlace(old.Get(), wide, content);
    return;
  }
  const std::wstring target = FinalPath(old.Get(), wide);
  old.Close();  // ReplaceFileW opens it itself
  TemporaryFile fresh(target);
  fresh.Write(content);
  if (!ReplaceFileW(target.c_str(), fresh.Path().c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS,
                    nullptr, nullptr)) {
    Fail("replacing", target);
  }
  fresh.Keep();
}

}  // namespace win32
