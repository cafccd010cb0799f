// Clearing away what interrupted saves left beside the settings file.
#include "platform/win32/Leftovers.h"

#include <cwctype>
#include <string_view>

#include "framework/TemporaryName.h"
#include "platform/win32/FileHandle.h"
#include "platform/win32/FileSecurity.h"
#include "platform/win32/FileSteps.h"
#include "platform/win32/Utf.h"
#include "platform/win32/Win32.h"

namespace win32 {

namespace {

// What a settings file that the program wrote begins with.
constexpr std::string_view kSettingsStart = "MainFormPosX=";

// "rf", one to four hexadecimal digits, ".tmp", in any letter case: the name that Wine's
// ReplaceFileW gives the old file while it moves the new one in (GetTempFileNameW).
bool IsReplaceLeftover(const std::wstring& name) {
  if (name.size() < 7 || name.size() > 10) {
    return false;
  }
  const std::size_t digits = name.size() - 6;
  if (_wcsnicmp(name.c_str(), L"rf", 2) != 0 || _wcsicmp(name.c_str() + 2 + digits, L".tmp") != 0) {
    return false;
  }
  for (std::size_t i = 2; i < 2 + digits; ++i) {
    if (std::iswxdigit(name[i]) == 0) {
      return false;
    }
  }
  return true;
}

// Empty, or the start of a settings file as the program writes it.
bool HoldsSettingsOrNothing(HANDLE file) {
  char start[kSettingsStart.size()] = {};
  DWORD read = 0;
  if (!::ReadFile(file, start, sizeof start, &read, nullptr)) {
    return false;
  }
  return read == 0 || std::string_view(start, read) == kSettingsStart;
}

void RemoveIfLeftover(const std::wstring& path, bool checkContent) {
  // Held for this process alone while it is looked at, so a file that anyone has open stays.
  const FileHandle file(
      CreateFileW(path.c_str(),
                  DELETE | READ_CONTROL | FILE_READ_ATTRIBUTES | (checkContent ? GENERIC_READ : 0),
                  0, nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  BY_HANDLE_FILE_INFORMATION information{};
  if (!file.Valid() || GetFileType(file.Get()) != FILE_TYPE_DISK ||
      !GetFileInformationByHandle(file.Get(), &information) ||
      (information.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) !=
          0 ||
      information.nNumberOfLinks != 1 || !OwnedByUser(file.Get()) ||
      (checkContent && !HoldsSettingsOrNothing(file.Get()))) {
    return;
  }
  SystemFileSteps().Delete(file.Get());
}

}  // namespace

void ClearLeftovers(const std::wstring& target) {
  const std::size_t slash = target.find_last_of(L'\\');
  const std::wstring folder = target.substr(0, slash);
  const std::string base = Narrow(target.substr(slash + 1));
  WIN32_FIND_DATAW found{};
  HANDLE search = FindFirstFileExW((folder + L"\\*").c_str(), FindExInfoBasic, &found,
                                   FindExSearchNameMatch, nullptr, 0);
  if (search == INVALID_HANDLE_VALUE) {
    return;
  }
  do {
    const std::wstring name = found.cFileName;
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      continue;
    }
    const bool ours = fw::IsTemporaryName(Narrow(name), base);
    if (ours || IsReplaceLeftover(name)) {
      RemoveIfLeftover(folder + L"\\" + name, !ours);
    }
  } while (FindNextFileW(search, &found));
  FindClose(search);
}

}  // namespace win32
