// When a settings line's key is the key asked for: letter case is ignored by the user's locale.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace settings {

// The platform's case key of a UTF-8 text by the user's locale (fw::Locale::CaseKey): two texts
// are the same, letter case ignored, exactly when their keys are equal. It is asked only about
// texts that are UTF-8 and not ASCII, and about the keys they are compared with.
using LocaleCaseKey = std::function<std::string(std::string_view)>;

// Two ASCII texts compare by their ASCII letters alone (a locale's rule may pass over control
// characters). A text that is no UTF-8 has no characters for a locale to compare: it compares
// byte for byte with ASCII letters folded. Everything else compares by the locale's case keys.
bool KeysMatch(std::string_view lineKey, std::string_view key, const LocaleCaseKey& locale);

// Whether the text is valid UTF-8: no overlong forms, no surrogates, nothing beyond U+10FFFF.
bool IsUtf8(std::string_view text);

bool IsAscii(std::string_view text);

// The number of characters of a UTF-8 text.
std::size_t CharacterCount(std::string_view utf8);

// The same bytes, ASCII letters in either case: how two ASCII texts match.
bool SameIgnoringAsciiCase(std::string_view a, std::string_view b);

}  // namespace settings
