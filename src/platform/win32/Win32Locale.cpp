// The user's locale by Windows' rules: letter case ignored as CompareStringW ignores it.
#include "platform/win32/Win32Locale.h"

#include <string>

#include "platform/win32/Utf.h"
#include "platform/win32/Win32.h"

namespace win32 {

bool Win32Locale::SameTextIgnoringCase(std::string_view a, std::string_view b) {
  const std::wstring left = Widen(std::string(a));
  const std::wstring right = Widen(std::string(b));
  return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, left.data(),
                        static_cast<int>(left.size()), right.data(),
                        static_cast<int>(right.size())) == CSTR_EQUAL;
}

}  // namespace win32
