// The settings file's nine keys, in the order the file holds them.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace settings {

enum class SettingsKey : std::size_t {
  MainFormPosX,
  MainFormPosY,
  ConfigFormPosX,
  ConfigFormPosY,
  IP,
  TimeOut,
  AutoPing,
  PingTime,
  StayOnTop,
};

inline constexpr std::size_t kSettingsKeyCount = 9;

inline constexpr std::array<std::string_view, kSettingsKeyCount> kSettingsKeyNames = {
    "MainFormPosX", "MainFormPosY", "ConfigFormPosX", "ConfigFormPosY", "IP",
    "TimeOut",      "AutoPing",     "PingTime",       "StayOnTop"};

// The length of the longest key, in characters (all are ASCII).
inline constexpr std::size_t kLongestKeyLength = [] {
  std::size_t longest = 0;
  for (const std::string_view name : kSettingsKeyNames) {
    longest = name.size() > longest ? name.size() : longest;
  }
  return longest;
}();

inline constexpr std::string_view KeyName(SettingsKey key) {
  return kSettingsKeyNames[static_cast<std::size_t>(key)];
}

}  // namespace settings
