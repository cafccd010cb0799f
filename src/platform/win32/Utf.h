// Conversions between the program's UTF-8 texts and the UTF-16 of the W functions.
#pragma once

#include <string>

namespace win32 {

std::wstring Widen(const std::string& text);
std::string Narrow(const std::wstring& text);

}  // namespace win32
