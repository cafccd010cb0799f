// The calls on the file system by which a save replaces the settings file.
#include "platform/win32/FileSteps.h"

#include <cstring>

namespace win32 {

HANDLE FileSteps::CreateNew(const std::wstring& path) {
  return CreateFileW(path.c_str(), GENERIC_WRITE | DELETE | READ_CONTROL | WRITE_DAC, 0, nullptr,
                     CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool FileSteps::Write(HANDLE file, const std::string& content) {
  DWORD written = 0;
  return ::WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr) &&
         written == content.size() && FlushFileBuffers(file);
}

bool FileSteps::SetAttributes(HANDLE file, DWORD attributes) {
  FILE_BASIC_INFO basic{};  // times of zero stay as they are
  basic.FileAttributes = attributes;
  return SetFileInformationByHandle(file, FileBasicInfo, &basic, sizeof basic) != FALSE;
}

bool FileSteps::SetAccessList(HANDLE file, const std::vector<char>& descriptor) {
  // The descriptor is only read; the call's type is not const.
  auto* security =
      const_cast<char*>(descriptor.data());  // NOLINT(cppcoreguidelines-pro-type-const-cast)
  return SetKernelObjectSecurity(file, DACL_SECURITY_INFORMATION, security) != FALSE;
}

// Renamed through the handle that created the file, which nobody else may open: no other save
// can take it away meanwhile, as the next save's clearing of leftovers would.
bool FileSteps::Rename(HANDLE file, const std::wstring& target, bool replace) {
  const std::size_t nameBytes = target.size() * sizeof(wchar_t);
  std::vector<char> buffer(sizeof(FILE_RENAME_INFO) + nameBytes);
  auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
  rename->ReplaceIfExists = replace ? TRUE : FALSE;
  rename->RootDirectory = nullptr;
  rename->FileNameLength = static_cast<DWORD>(nameBytes);
  std::memcpy(rename->FileName, target.data(), nameBytes);
  if (!SetFileInformationByHandle(file, FileRenameInfo, rename,
                                  static_cast<DWORD>(buffer.size()))) {
    return false;
  }
  FlushFileBuffers(file);  // the new name, as far as the file system keeps it with the file
  return true;
}

bool FileSteps::Delete(HANDLE file) {
  FILE_DISPOSITION_INFO disposition{};
  disposition.DeleteFile = TRUE;
  return SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition) !=
         FALSE;
}

FileSteps& SystemFileSteps() {
  static FileSteps steps;
  return steps;
}

}  // namespace win32
