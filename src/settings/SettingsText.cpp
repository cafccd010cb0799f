// The settings file's text: splitting it into lines, finding a key's value, joining lines.
#include "settings/SettingsText.h"

#include <algorithm>
#include <string_view>

namespace settings {

namespace {

char FoldAsciiCase(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool EqualIgnoringAsciiCase(std::string_view left, std::string_view right) {
  return std::equal(left.begin(), left.end(), right.begin(), right.end(),
                    [](char l, char r) { return FoldAsciiCase(l) == FoldAsciiCase(r); });
}

}  // namespace

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

std::string FindValue(const std::vector<std::string>& lines, const std::string& key) {
  for (const std::string& line : lines) {
    const std::size_t equals = line.find('=');
    if (equals != std::string::npos &&
        EqualIgnoringAsciiCase(std::string_view(line).substr(0, equals), key)) {
      return line.substr(equals + 1);
    }
  }
  return std::string();
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
