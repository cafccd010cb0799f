// The settings file's text: splitting it into lines, finding a key's value, joining lines.
#include "settings/SettingsText.h"

#include <algorithm>
#include <string_view>

namespace settings {

std::vector<std::string> SplitLines(const std::string& content) {
  const std::string_view text(content.c_str());
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = std::min(text.find_first_of("\r\n", start), text.size());
    lines.emplace_back(text.substr(start, end - start));
    start = end;
    if (start < text.size() && text[start] == '\r') {
      ++start;
    }
    if (start < text.size() && text[start] == '\n') {
      ++start;
    }
  }
  return lines;
}

std::string FindValue(const std::vector<std::string>& lines, const std::string& key,
                      const SameKey& sameKey) {
  for (const std::string& line : lines) {
    const std::size_t equals = line.find('=');
    if (equals != std::string::npos && sameKey(line.substr(0, equals), key)) {
      return line.substr(equals + 1);
    }
  }
  return {};
}

std::string JoinLines(const std::vector<std::string>& lines) {
  std::string content;
  for (const std::string& line : lines) {
    content += line;
    content += "\r\n";
  }
  return content;
}

}  // namespace settings
