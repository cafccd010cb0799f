// The settings file's text: splitting it into lines, finding a key's value, joining lines.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace settings {

// Splits at CR LF, a lone CR and a lone LF. A NUL byte ends the content; a last line without a
// line end counts, but a final line end starts no further line, so empty content gives no lines.
std::vector<std::string> SplitLines(const std::string& content);

// Whether a line's key, the text before its first "=", is the key asked for; the caller chooses
// the rule for letter case.
using SameKey = std::function<bool(const std::string& lineKey, const std::string& key)>;

// The value of the first line whose text before its first "=" is key by sameKey, trimming
// nothing: the rest of that line after the "=", as it stands. No such line gives the empty text.
std::string FindValue(const std::vector<std::string>& lines, const std::string& key,
                      const SameKey& sameKey);

// Each line followed by CR LF, the last one too.
std::string JoinLines(const std::vector<std::string>& lines);

}  // namespace settings
