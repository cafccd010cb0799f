// When a settings line's key is the key asked for: letter case is ignored by the user's locale.
#pragma once

#include <functional>
#include <string_view>

namespace settings {

// The platform's comparison of two UTF-8 texts ignoring letter case by the user's locale; it is
// asked only about texts that are both UTF-8 and not both ASCII.
using LocaleSameText = std::function<bool(std::string_view, std::string_view)>;

// Two ASCII texts compare by their ASCII letters alone (a locale's rule may pass over control
// characters). A text that is no UTF-8 has no characters for a locale to compare: it compares
// byte for byte with ASCII letters folded. Everything else goes to the locale's rule.
bool KeysMatch(std::string_view lineKey, std::string_view key, const LocaleSameText& locale);

// Whether the text is valid UTF-8: no overlong forms, no surrogates, nothing beyond U+10FFFF.
bool IsUtf8(std::string_view text);

bool IsAscii(std::string_view text);

// The same bytes, ASCII letters in either case: how two ASCII texts match.
bool SameIgnoringAsciiCase(std::string_view a, std::string_view b);

}  // namespace settings
