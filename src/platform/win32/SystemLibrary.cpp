// A DLL of the system folder, loaded from there alone.
#include "platform/win32/SystemLibrary.h"

#include <utility>

#include "platform/win32/Utf.h"

namespace win32 {

ELibraryError::ELibraryError(std::string message)
    : base::Exception(std::move(message), VORLIX_CALLER_ADDRESS()) {}

namespace {

#ifdef VORLIX_UNRESTRICTED_DLL_SEARCH
// Only in the test build that shows the planted-DLL tests at work: the search of a plain
// LoadLibrary, the program's folder first.
constexpr DWORD kSearch = 0;
#else
// The system folder alone: a DLL of the same name in the program's folder (a downloads folder,
// say) is never taken. The DLLs this one imports are looked for there too.
constexpr DWORD kSearch = LOAD_LIBRARY_SEARCH_SYSTEM32;
#endif

}  // namespace

SystemLibrary::SystemLibrary(std::string name)
    : name_(std::move(name)), module_(LoadLibraryExW(Widen(name_).c_str(), nullptr, kSearch)) {}

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
