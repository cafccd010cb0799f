// The settings file's format: the nine values a file holds, read in the order a load takes
// them, and the nine lines a save writes.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "settings/SettingsReader.h"

namespace settings {

struct SettingsRecord {
  std::int32_t MainFormPosX = 0;
  std::int32_t MainFormPosY = 0;
  std::int32_t ConfigFormPosX = 0;
  std::int32_t ConfigFormPosY = 0;
  std::array<std::string, 4> Octets;  // the four numbers of the address, as texts
  std::string TimeOut;                // as stored: the timeout field's own rule reads it
  bool AutoPing = false;
  std::string PingTime;  // as stored: the minutes field's own rule reads it
  bool StayOnTop = false;
};

// What a load took: the values, and how many of the nine it read before the first that is no
// number (9: all). A TimeOut or PingTime that is no number does not stop it.
struct LoadedSettings {
  SettingsRecord Record;
  int Read = 0;
};

LoadedSettings ReadSettings(const SettingsReader& reader);

// The nine lines, keys in the file's order, each followed by CR LF; texts byte for byte.
std::string FormatSettings(const SettingsRecord& record);

}  // namespace settings
