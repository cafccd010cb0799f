// The start-up error display on Windows.
#include "app/Win32StartupError.h"

#include <cstdint>
#include <string>

#include "framework/ErrorText.h"
#include "platform/win32/Utf.h"
#include "platform/win32/Win32.h"

namespace app {

namespace {

// The file name, without its folder, of the module that holds the address, and the address
// counted from the module's start.
std::string ModuleAt(const void* address, std::uintptr_t& offset) {
  MEMORY_BASIC_INFORMATION region{};
  HMODULE module = nullptr;
  if (address != nullptr && VirtualQuery(address, &region, sizeof region) != 0) {
    module = static_cast<HMODULE>(region.AllocationBase);
  }
  offset = module != nullptr ? reinterpret_cast<std::uintptr_t>(address) -
                                   reinterpret_cast<std::uintptr_t>(module)
                             : 0;
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(module, path, MAX_PATH);
  std::wstring name(path);
  const std::size_t slash = name.find_last_of(L"\\/");
  if (slash != std::wstring::npos) {
    name.erase(0, slash + 1);
  }
  return win32::Narrow(name);
}

}  // namespace

void ShowStartupError(const std::exception& error) {
  const std::string text = fw::StartupErrorText(error, ModuleAt);
  MessageBoxW(nullptr, win32::Widen(text).c_str(), L"アプリケーション エラー",
              MB_OK | MB_ICONSTOP | MB_TASKMODAL);
}

}  // namespace app
