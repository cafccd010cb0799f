// Fuzz target for the settings layer: whole settings files read as the program loads them, the
// file the program would then save, number texts and dotted addresses, each compared with a
// second reading written apart from the real one.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Reference.h"
#include "settings/FieldRules.h"
#include "settings/NumberText.h"
#include "settings/SettingsText.h"
#include "settings/Utility.h"

namespace {

void Check(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
  }
}

constexpr std::string_view kLineEndOrNul("\r\n\0", 3);

// The settings file's keys, in the order the program reads and writes them.
const char* const kKeys[] = {"MainFormPosX",   "MainFormPosY", "ConfigFormPosX",
                             "ConfigFormPosY", "IP",           "TimeOut",
                             "AutoPing",       "PingTime",     "StayOnTop"};

// What a load leaves in the windows and fields, starting from their layout state.
struct Loaded {
  std::int32_t MainLeft = -255;
  std::int32_t MainTop = -255;
  std::int32_t ConfigLeft = 201;
  std::int32_t ConfigTop = 107;
  std::array<std::string, 4> Octets = {"1", "1", "1", "1"};
  std::string TimeOut = "5000";
  bool AutoPing = true;
  std::string Minutes = "1";
  bool StayOnTop = true;
  int Read = 0;  // how many of the nine settings the load took before it stopped

  bool operator==(const Loaded&) const = default;
};

// The status window is never left off the top or left edge of the screen.
void CorrectMainPosition(Loaded& loaded) {
  loaded.MainLeft = std::max(loaded.MainLeft, 0);
  loaded.MainTop = std::max(loaded.MainTop, 0);
}

// The settings window's load, step by step, with the settings layer's own routines: the first
// value that is no number ends it, and whatever was taken stays.
Loaded LoadWithTheSettingsLayer(const std::string& content) {
  Loaded loaded;
  const std::vector<std::string> lines = settings::SplitLines(content);
  auto value = [&lines](const char* key) {
    return settings::FindValue(lines, key, reference::SameIgnoringAsciiCase);
  };
  try {
    loaded.MainLeft = settings::TextToInt(value("MainFormPosX"));
    ++loaded.Read;
    loaded.MainTop = settings::TextToInt(value("MainFormPosY"));
    ++loaded.Read;
    loaded.ConfigLeft = settings::TextToInt(value("ConfigFormPosX"));
    ++loaded.Read;
    loaded.ConfigTop = settings::TextToInt(value("ConfigFormPosY"));
    ++loaded.Read;
    std::array<std::int32_t, 4> ip = {};
    settings::StrToIP(value("IP"), ip[0], ip[1], ip[2], ip[3]);
    for (std::size_t i = 0; i < ip.size(); ++i) {
      loaded.Octets[i] = settings::IntToText(
          settings::FieldValue(settings::IntToText(ip[i]), settings::kOctetRange));
    }
    ++loaded.Read;
    loaded.TimeOut =
        settings::IntToText(settings::FieldValue(value("TimeOut"), settings::kTimeOutRange));
    ++loaded.Read;
    loaded.AutoPing = settings::SwitchOn(value("AutoPing"));
    ++loaded.Read;
    loaded.Minutes =
        settings::IntToText(settings::FieldValue(value("PingTime"), settings::kMinutesRange));
    ++loaded.Read;
    loaded.StayOnTop = settings::SwitchOn(value("StayOnTop"));
    ++loaded.Read;
  } catch (const settings::EConvertError&) {
    // The load stops here.
  }
  CorrectMainPosition(loaded);
  return loaded;
}

// The same load written a second time, over the reference routines.
Loaded LoadWithTheReference(const std::string& content) {
  Loaded loaded;
  const std::vector<std::string> lines = reference::SplitLines(content);
  auto number = [&lines](const char* key) {
    return reference::TextToInt(reference::FindValue(lines, key).value_or(""));
  };
  auto field = [&lines](const char* key, std::int32_t low, std::int32_t high,
                        std::int32_t fallback) {
    const std::int32_t value =
        reference::TextToInt(reference::FindValue(lines, key).value_or("")).value_or(fallback);
    return std::to_string(value < low ? low : value > high ? high : value);
  };
  std::int32_t* positions[] = {&loaded.MainLeft, &loaded.MainTop, &loaded.ConfigLeft,
                               &loaded.ConfigTop};
  for (int i = 0; i < 4; ++i) {
    const std::optional<std::int32_t> position = number(kKeys[i]);
    if (!position) {
      CorrectMainPosition(loaded);
      return loaded;
    }
    *positions[i] = *position;
    ++loaded.Read;
  }
  const auto ip = reference::StrToIP(reference::FindValue(lines, "IP").value_or(""));
  if (ip) {
    for (std::size_t i = 0; i < 4; ++i) {
      loaded.Octets[i] = std::to_string(std::clamp((*ip)[i], 0, 255));
    }
    ++loaded.Read;
    loaded.TimeOut = field("TimeOut", 0, 9999, 0);
    ++loaded.Read;
    const auto autoPing = number("AutoPing");
    if (autoPing) {
      loaded.AutoPing = static_cast<std::uint8_t>(*autoPing) != 0;
      ++loaded.Read;
      loaded.Minutes = field("PingTime", 1, 99, 1);
      ++loaded.Read;
      const auto stayOnTop = number("StayOnTop");
      if (stayOnTop) {
        loaded.StayOnTop = static_cast<std::uint8_t>(*stayOnTop) != 0;
        ++loaded.Read;
      }
    }
  }
  CorrectMainPosition(loaded);
  return loaded;
}

// The nine lines the program writes when the settings window is hidden after such a load.
std::vector<std::string> SavedLines(const Loaded& loaded) {
  const Loaded& l = loaded;
  return {"MainFormPosX=" + settings::IntToText(l.MainLeft),
          "MainFormPosY=" + settings::IntToText(l.MainTop),
          "ConfigFormPosX=" + settings::IntToText(l.ConfigLeft),
          "ConfigFormPosY=" + settings::IntToText(l.ConfigTop),
          "IP=" + l.Octets[0] + "." + l.Octets[1] + "." + l.Octets[2] + "." + l.Octets[3],
          "TimeOut=" + l.TimeOut,
          std::string("AutoPing=") + (l.AutoPing ? "1" : "0"),
          "PingTime=" + l.Minutes,
          std::string("StayOnTop=") + (l.StayOnTop ? "1" : "0")};
}

void FuzzTextToInt(const std::string& text) {
  const std::string_view readable(text.c_str());
  const std::optional<std::int32_t> expected = reference::TextToInt(readable);
  try {
    const std::int32_t value = settings::TextToInt(text);
    Check(expected.has_value(), "TextToInt accepted a text the reference rejects");
    Check(value == *expected, "TextToInt and the reference disagree");
    Check(settings::TextToInt(settings::IntToText(value)) == value, "IntToText does not read back");
  } catch (const settings::EConvertError& e) {
    Check(!expected.has_value(), "TextToInt rejected a text the reference accepts");
    const std::string quoted = "'" + std::string(readable) + "'";
    Check(e.Message().rfind(quoted, 0) == 0, "the message does not quote the text");
  }
}

void FuzzStrToIP(const std::string& text) {
  constexpr std::int32_t kUntouched = 0x5A5A5A5A;
  std::array<std::int32_t, 4> out = {kUntouched, kUntouched, kUntouched, kUntouched};
  const auto expected = reference::StrToIP(text);
  try {
    settings::StrToIP(text, out[0], out[1], out[2], out[3]);
    Check(expected.has_value() && out == *expected, "StrToIP and the reference disagree");
  } catch (const settings::EConvertError&) {
    Check(!expected.has_value(), "StrToIP rejected a text the reference accepts");
    // Passes store in order: once one is untouched, so are all later ones.
    for (std::size_t i = 1; i < out.size(); ++i) {
      Check(out[i - 1] != kUntouched || out[i] == kUntouched, "StrToIP stored out of order");
    }
  }
  // Four values written with IPToStr split back into the same four when the last fits three
  // bytes.
  if (text.size() >= 4) {
    std::array<std::int32_t, 4> in = {};
    for (std::size_t i = 0; i < 4; ++i) {
      in[i] = static_cast<std::int8_t>(text[i]) * 7;  // -896 to 889
    }
    in[3] = in[3] / 10;
    std::array<std::int32_t, 4> back = {};
    settings::StrToIP(settings::IPToStr(in[0], in[1], in[2], in[3]), back[0], back[1], back[2],
                      back[3]);
    Check(in == back, "StrToIP does not read back IPToStr");
  }
}

// The lines, and every key's value, against the reference; any key a line holds too.
void FuzzLookup(const std::string& content) {
  const std::vector<std::string> lines = settings::SplitLines(content);
  Check(lines == reference::SplitLines(content), "SplitLines and the reference disagree");
  for (const std::string& line : lines) {
    Check(line.find_first_of(kLineEndOrNul) == std::string::npos,
          "a line holds a line end or a NUL");
  }
  Check(settings::SplitLines(settings::JoinLines(lines)) == lines,
        "joined lines split differently");
  std::vector<std::string> keys(std::begin(kKeys), std::end(kKeys));
  for (std::size_t i = 0; i < lines.size() && i < 8; ++i) {
    keys.push_back(lines[i].substr(0, lines[i].find('=')));
  }
  for (const std::string& key : keys) {
    const std::string value = settings::FindValue(lines, key, reference::SameIgnoringAsciiCase);
    Check(value == reference::FindValue(lines, key).value_or(""),
          "FindValue and the reference disagree");
    FuzzTextToInt(value);
  }
}

// The load against the reference, then the save that would follow and a load of what it wrote.
void FuzzLoadAndSave(const std::string& content) {
  const Loaded loaded = LoadWithTheSettingsLayer(content);
  Check(loaded == LoadWithTheReference(content), "the load and the reference disagree");

  const std::vector<std::string> lines = SavedLines(loaded);
  const std::string saved = settings::JoinLines(lines);
  std::string expected;
  for (const std::string& line : lines) {
    expected += line + "\r\n";
  }
  Check(saved == expected, "JoinLines does not end each line with CR LF");
  Check(settings::SplitLines(saved) == lines, "the saved lines split differently");
  Loaded reloaded = LoadWithTheSettingsLayer(saved);
  Check(reloaded.Read == 9, "a saved file does not load in full");
  reloaded.Read = loaded.Read;
  Check(reloaded == loaded, "a saved file loads differently");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  FuzzTextToInt(input);
  FuzzStrToIP(input);
  FuzzLookup(input);
  FuzzLoadAndSave(input);
  return 0;
}
