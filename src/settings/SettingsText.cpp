// The settings file's text as the program writes it.
#include "settings/SettingsText.h"

namespace settings {

std::string JoinLines(const std::vector<std::string>& lines) {
  std::string content;
  for (const std::string& line : lines) {
    content += line;
    content += "\r\n";
  }
  return content;
}

}  // namespace settings
