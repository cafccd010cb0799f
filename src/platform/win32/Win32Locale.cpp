// The user's locale by Windows' rules: letter case ignored as CompareStringW ignores it.
#include "platform/win32/Win32Locale.h"

#include <vector>

#include "platform/win32/Utf.h"
#include "platform/win32/Win32.h"

namespace win32 {

namespace {

constexpr DWORD kFlags = LCMAP_SORTKEY | NORM_IGNORECASE;
// Room for the sort key of any text a settings key may match, so that one call makes it.
constexpr int kShortKey = 512;

}  // namespace

std::string Win32Locale::CaseKey(std::string_view text) {
  const std::wstring wide = Widen(std::string(text));
  const int length = static_cast<int>(wide.size());
  char shortKey[kShortKey];
  // The sort key is bytes, written through the call's wide pointer.
  int size = LCMapStringEx(LOCALE_NAME_USER_DEFAULT, kFlags, wide.data(), length,
                           reinterpret_cast<LPWSTR>(shortKey), kShortKey, nullptr, nullptr, 0);
  if (size > 0) {
    return {shortKey, static_cast<std::size_t>(size)};
  }
  size = LCMapStringEx(LOCALE_NAME_USER_DEFAULT, kFlags, wide.data(), length, nullptr, 0, nullptr,
                       nullptr, 0);
  std::vector<char> key(static_cast<std::size_t>(size > 0 ? size : 0));
  if (size > 0 && LCMapStringEx(LOCALE_NAME_USER_DEFAULT, kFlags, wide.data(), length,
                                reinterpret_cast<LPWSTR>(key.data()), size, nullptr, nullptr,
                                0) == size) {
    return {key.data(), key.size()};
  }
  return std::string(text);  // no sort key: the text itself, which matches no key but itself
}

}  // namespace win32
