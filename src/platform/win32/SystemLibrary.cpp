// A DLL of the system folder, loaded from there alone.
#include "platform/win32/SystemLibrary.h"

#include <utility>

#include "platform/win32/Utf.h"

namespace win32 {

ELibraryError::ELibraryError(std::string message)
    : base::Exception(std::move(message), VORLIX_CALLER_ADDRESS()) {}

SystemLibrary::SystemLibrary(std::string name)
    : name_(std::move(name)),
      // The system folder alone: a DLL of the same name in the program's folder (a downloads
      // folder, say) is never taken. The DLLs this one imports are looked for there too.
      module_(LoadLibraryExW(Widen(name_).c_str(), nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) {}

SystemLibrary::~SystemLibrary() {
  if (module_ != nullptr) {
    FreeLibrary(module_);
  }
}

std::string SystemLibrary::MissingText() const {
  if (module_ == nullptr) {
    return "必要なファイル " + name_ + " が見つかりません。";
  }
  return name_ + " のプロセスを取得出来ません。";
}

}  // namespace win32
