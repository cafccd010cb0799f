// The user's locale by Windows' rules: letter case ignored as CompareStringW ignores it.
#include "platform/win32/Win32Locale.h"

#include "platform/win32/Utf.h"
#include "platform/win32/Win32.h"

namespace win32 {

std::string Win32Locale::CaseKey(std::string_view text) {
  const std::wstring wide = Widen(std::string(text));
  constexpr DWORD kFlags = LCMAP_SORTKEY | NORM_IGNORECASE;
  const int length = static_cast<int>(wide.size());
  const int size = LCMapStringEx(LOCALE_NAME_USER_DEFAULT, kFlags, wide.data(), length, nullptr, 0,
                                 nullptr, nullptr, 0);
  std::string key(static_cast<std::size_t>(size), '\0');
  // The sort key is bytes, written through the call's wide pointer.
  if (size > 0 &&
      LCMapStringEx(LOCALE_NAME_USER_DEFAULT, kFlags, wide.data(), length,
                    reinterpret_cast<LPWSTR>(key.data()), size, nullptr, nullptr, 0) == size) {
    return key;
  }
  return std::string(text);  // no sort key: the text itself, which matches no key but itself
}

}  // namespace win32
