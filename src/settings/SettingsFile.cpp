// The settings file's format: the values a load takes and the lines a save writes.
#include "settings/SettingsFile.h"

#include "settings/FieldRules.h"
#include "settings/NumberText.h"
#include "settings/Utility.h"

namespace settings {

namespace {

std::string Line(SettingsKey key, const std::string& value) {
  return std::string(KeyName(key)) + "=" + value + "\r\n";
}

}  // namespace

LoadedSettings ReadSettings(const SettingsReader& reader) {
  LoadedSettings loaded;
  SettingsRecord& r = loaded.Record;
  auto value = [&reader](SettingsKey key) { return reader.Value(key); };
  try {
    for (std::int32_t* position :
         {&r.MainFormPosX, &r.MainFormPosY, &r.ConfigFormPosX, &r.ConfigFormPosY}) {
      const auto key = static_cast<SettingsKey>(loaded.Read);
      *position = TextToInt(value(key));
      ++loaded.Read;
    }
    std::array<std::int32_t, 4> octets = {};
    StrToIP(value(SettingsKey::IP), octets[0], octets[1], octets[2], octets[3]);
    for (std::size_t i = 0; i < octets.size(); ++i) {
      r.Octets[i] = IntToText(octets[i]);
    }
    ++loaded.Read;
    r.TimeOut = value(SettingsKey::TimeOut);
    ++loaded.Read;
    r.AutoPing = SwitchOn(value(SettingsKey::AutoPing));
    ++loaded.Read;
    r.PingTime = value(SettingsKey::PingTime);
    ++loaded.Read;
    r.StayOnTop = SwitchOn(value(SettingsKey::StayOnTop));
    ++loaded.Read;
  } catch (const EConvertError&) {
    // The load stops at the first value that is no number.
  }
  return loaded;
}

std::string FormatSettings(const SettingsRecord& r) {
  return Line(SettingsKey::MainFormPosX, IntToText(r.MainFormPosX)) +
         Line(SettingsKey::MainFormPosY, IntToText(r.MainFormPosY)) +
         Line(SettingsKey::ConfigFormPosX, IntToText(r.ConfigFormPosX)) +
         Line(SettingsKey::ConfigFormPosY, IntToText(r.ConfigFormPosY)) +
         Line(SettingsKey::IP,
              r.Octets[0] + "." + r.Octets[1] + "." + r.Octets[2] + "." + r.Octets[3]) +
         Line(SettingsKey::TimeOut, r.TimeOut) +
         Line(SettingsKey::AutoPing, r.AutoPing ? "1" : "0") +
         Line(SettingsKey::PingTime, r.PingTime) +
         Line(SettingsKey::StayOnTop, r.StayOnTop ? "1" : "0");
}

}  // namespace settings
