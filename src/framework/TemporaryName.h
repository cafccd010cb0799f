// The names of the temporary files that a save makes beside the file it replaces, shared by the
// platforms, so that a later save can tell its own leftovers from everything else in the folder.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace fw {

// How many random bytes a temporary name takes: each gives one letter or digit.
inline constexpr std::size_t kTemporaryRandomBytes = 10;

// The temporary file beside base: "." + base + "." + ten letters and digits, one for each of the
// first kTemporaryRandomBytes bytes of random (which must hold that many). The leading dot keeps
// it out of a Linux folder listing, and out of the way of any name a user gives a copy.
std::string TemporaryName(std::string_view base, std::string_view random);

// Whether name is one that TemporaryName makes for base, or one that the Windows build made
// before it took this form: base + "." + sixteen upper-case hexadecimal digits. Nothing else
// counts, so a user's own copy ("Vorlix.ini.bak", "Vorlix.ini.2024") is never taken for one.
bool IsTemporaryName(std::string_view name, std::string_view base);

}  // namespace fw
