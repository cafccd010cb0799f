// Fuzz target for the settings layer: whole settings files read as the program loads them (in
// blocks of several sizes), the file the program would then save, number texts and dotted
// addresses, each compared with a second reading written apart from the real one.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Reference.h"
#include "settings/FieldRules.h"
#include "settings/NumberText.h"
#include "settings/SettingsFile.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsReader.h"
#include "settings/Utility.h"

namespace {

void Check(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
  }
}

// The settings file's keys, in the order the program reads and writes them.
const char* const kKeys[] = {"MainFormPosX",   "MainFormPosY", "ConfigFormPosX",
                             "ConfigFormPosY", "IP",           "TimeOut",
                             "AutoPing",       "PingTime",     "StayOnTop"};

// The most a kept value can hold: four parts of at most 64 bytes and a "Z", and four dots.
constexpr std::size_t kLongestKeptValue = 4 * (settings::BoundedValue::kLongestPart + 1) + 4;

// A reader that has taken the content in blocks of blockSize bytes, until it wanted no more.
settings::SettingsReader Read(const std::string& content, std::size_t blockSize) {
  // ASCII letters folded, as the reference compares keys.
  settings::SettingsReader reader([](std::string_view text) {
    std::string key(text);
    for (char& c : key) {
      c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
    }
    return key;
  });
  for (std::size_t at = 0; at < content.size(); at += blockSize) {
    if (!reader.Take(std::string_view(content).substr(at, blockSize))) {
      break;
    }
  }
  return reader;
}

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

// The settings window's load with the settings layer's own routines: the values read, as far
// as the load got, then the fields' own rules over them.
Loaded LoadWithTheSettingsLayer(const std::string& content, std::size_t blockSize) {
  Loaded loaded;
  const settings::LoadedSettings read = settings::ReadSettings(Read(content, blockSize));
  const settings::SettingsRecord& r = read.Record;
  auto field = [](const std::string& text, const settings::FieldRange& range) {
    return settings::IntToText(settings::FieldValue(text, range));
  };
  loaded.Read = read.Read;
  std::int32_t* positions[] = {&loaded.MainLeft, &loaded.MainTop, &loaded.ConfigLeft,
                               &loaded.ConfigTop};
  const std::int32_t stored[] = {r.MainFormPosX, r.MainFormPosY, r.ConfigFormPosX,
                                 r.ConfigFormPosY};
  for (int i = 0; i < 4 && i < read.Read; ++i) {
    *positions[i] = stored[i];
  }
  if (read.Read > 4) {
    for (std::size_t i = 0; i < r.Octets.size(); ++i) {
      loaded.Octets[i] = field(r.Octets[i], settings::kOctetRange);
    }
  }
  if (read.Read > 5) {
    loaded.TimeOut = field(r.TimeOut, settings::kTimeOutRange);
  }
  if (read.Read > 6) {
    loaded.AutoPing = r.AutoPing;
  }
  if (read.Read > 7) {
    loaded.Minutes = field(r.PingTime, settings::kMinutesRange);
  }
  if (read.Read > 8) {
    loaded.StayOnTop = r.StayOnTop;
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

// The record the settings window saves after such a load.
settings::SettingsRecord SavedRecord(const Loaded& l) {
  settings::SettingsRecord record;
  record.MainFormPosX = l.MainLeft;
  record.MainFormPosY = l.MainTop;
  record.ConfigFormPosX = l.ConfigLeft;
  record.ConfigFormPosY = l.ConfigTop;
  record.Octets = l.Octets;
  record.TimeOut = l.TimeOut;
  record.AutoPing = l.AutoPing;
  record.PingTime = l.Minutes;
  record.StayOnTop = l.StayOnTop;
  return record;
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

// Every key's value as the reader keeps it against the whole value that the reference finds:
// bounded, and read as the same number and the same address.
void FuzzReader(const std::string& content, std::size_t blockSize) {
  const settings::SettingsReader reader = Read(content, blockSize);
  const std::vector<std::string> lines = reference::SplitLines(content);
  for (std::size_t k = 0; k < std::size(kKeys); ++k) {
    const std::string whole = reference::FindValue(lines, kKeys[k]).value_or("");
    const std::string& kept = reader.Value(static_cast<settings::SettingsKey>(k));
    Check(kept.size() <= kLongestKeptValue, "a kept value is longer than the bound");
    Check(reference::TextToInt(kept) == reference::TextToInt(whole),
          "a kept value reads as another number than the whole one");
    Check(reference::StrToIP(kept) == reference::StrToIP(whole),
          "a kept value reads as another address than the whole one");
    FuzzTextToInt(kept);
  }
}

// The load against the reference, then the save that would follow and a load of what it wrote.
void FuzzLoadAndSave(const std::string& content, std::size_t blockSize) {
  const Loaded loaded = LoadWithTheSettingsLayer(content, blockSize);
  Check(loaded == LoadWithTheReference(content), "the load and the reference disagree");

  const std::string saved = settings::FormatSettings(SavedRecord(loaded));
  std::string expected;
  for (const std::string& line : SavedLines(loaded)) {
    expected += line + "\r\n";
  }
  Check(saved == expected, "the saved file is not the nine lines, each ended by CR LF");
  Loaded reloaded = LoadWithTheSettingsLayer(saved, blockSize);
  Check(reloaded.Read == 9, "a saved file does not load in full");
  reloaded.Read = loaded.Read;
  Check(reloaded == loaded, "a saved file loads differently");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  FuzzTextToInt(input);
  FuzzStrToIP(input);
  // Blocks of one byte up to the whole input, so that lines, keys and values cross every
  // boundary.
  const std::size_t blockSize = 1 + size % 13;
  for (const std::size_t block : {blockSize, std::max<std::size_t>(size, 1)}) {
    FuzzReader(input, block);
    FuzzLoadAndSave(input, block);
  }
  return 0;
}
