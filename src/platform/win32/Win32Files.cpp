// Reads and writes of the settings file, keeping the file what the user made it.
#include "platform/win32/Win32Files.h"

#include <vector>

#include "framework/PlatformError.h"
#include "platform/win32/FileHandle.h"
#include "platform/win32/FileSecurity.h"
#include "platform/win32/Leftovers.h"
#include "platform/win32/TemporaryFile.h"
#include "platform/win32/Utf.h"
#include "platform/win32/Win32.h"

namespace win32 {

namespace {

constexpr DWORD kBlockSize = 64 * 1024;
// How long a read waits for another process to let go of the file: another instance's save
// holds it for about a millisecond.
constexpr ULONGLONG kLockWaitMs = 2000;
constexpr DWORD kRetryMs = 10;
// The attributes that a replacing file takes over; a read-only file is never replaced.
constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                  FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

// Throws the failure of an operation on a file, raised where this was called.
[[noreturn]] VORLIX_NOINLINE void Fail(const std::string& what, const std::wstring& name,
                                       DWORD code = GetLastError()) {
  throw fw::EFileError(what, Narrow(name), "error " + std::to_string(code),
                       VORLIX_CALLER_ADDRESS());
}

// Opened for reading while others may read it too, waiting while another process holds it.
HANDLE OpenForReading(const std::wstring& name) {
  const ULONGLONG start = GetTickCount64();
  for (;;) {
    HANDLE file = CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    const DWORD code = GetLastError();
    if (file != INVALID_HANDLE_VALUE ||
        (code != ERROR_SHARING_VIOLATION && code != ERROR_LOCK_VIOLATION) ||
        GetTickCount64() - start >= kLockWaitMs) {
      SetLastError(code);
      return file;
    }
    Sleep(kRetryMs);
  }
}

// The file the handle's name led to, links followed: "\\?\C:\...". False when the system
// cannot tell: Wine says ERROR_MORE_DATA for a path longer than MAX_PATH, however large the
// buffer.
bool FinalPath(HANDLE file, std::wstring& path) {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD length =
        GetFinalPathNameByHandleW(file, buffer.data(), static_cast<DWORD>(buffer.size()), 0);
    if (length == 0) {
      return false;
    }
    if (length < buffer.size()) {
      path.assign(buffer.data(), length);
      return true;
    }
    buffer.resize(length + 1);
  }
}

// Where a file of that name, which does not exist yet, is to be: its folder's final path (as
// FinalPath gives it) and the name's last part.
std::wstring NewPath(const std::wstring& name) {
  const std::size_t slash = name.find_last_of(L"\\/");
  const std::wstring folder = slash == std::wstring::npos ? L"." : name.substr(0, slash + 1);
  const FileHandle handle(CreateFileW(folder.c_str(), 0,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!handle.Valid()) {
    Fail("opening the folder of", name);
  }
  std::wstring path;
  if (!FinalPath(handle.Get(), path)) {
    Fail("finding the folder of", name);
  }
  if (path.back() != L'\\') {
    path += L'\\';
  }
  return path + (slash == std::wstring::npos ? name : name.substr(slash + 1));
}

bool MoveTo(HANDLE file, LONGLONG position) {
  LARGE_INTEGER at{};
  at.QuadPart = position;
  return SetFilePointerEx(file, at, nullptr, FILE_BEGIN) != FALSE;
}

// Over the old content, then cut to the new length and flushed. A longer content first takes
// its room on the disk, so that a full disk leaves the old content as it was.
void WriteInPlace(HANDLE file, const std::wstring& name, const std::string& content) {
  LARGE_INTEGER size{};
  const auto length = static_cast<LONGLONG>(content.size());
  DWORD written = 0;
  if (!GetFileSizeEx(file, &size) ||
      (length > size.QuadPart && (!MoveTo(file, length) || !SetEndOfFile(file))) ||
      !MoveTo(file, 0) ||
      !::WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr) ||
      written != content.size() || !SetEndOfFile(file) || !FlushFileBuffers(file)) {
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
  const FileHandle file(OpenForReading(wide));
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
    // A first save: the new file takes the name only while no other has taken it meanwhile.
    const std::wstring target = NewPath(wide);
    ClearLeftovers(target);
    TemporaryFile fresh(steps_, target);
    if (fresh.Refused()) {
      Fail("creating", wide, ERROR_ACCESS_DENIED);
    }
    fresh.Write(content);
    fresh.Place(false);
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
  std::wstring target;
  std::vector<char> accessList;
  if (!FinalPath(old.Get(), target)) {
    WriteInPlace(old.Get(), wide, content);  // no fresh file can be put beside an unknown one
    return;
  }
  ClearLeftovers(target);
  if (information.nNumberOfLinks > 1 || !ReadAccessList(old.Get(), accessList)) {
    WriteInPlace(old.Get(), wide, content);
    return;
  }
  TemporaryFile fresh(steps_, target);
  if (fresh.Refused()) {
    WriteInPlace(old.Get(), wide, content);
    return;
  }
  fresh.Write(content);
  const DWORD kept = information.dwFileAttributes & kKeptAttributes;
  if (!fresh.TakeOver(kept != 0 ? kept : FILE_ATTRIBUTE_NORMAL, accessList)) {
    fresh.Discard();
    WriteInPlace(old.Get(), wide, content);
    return;
  }
  old.Close();  // a file that anyone holds open cannot be renamed over
  fresh.Place(true);
}

}  // namespace win32
