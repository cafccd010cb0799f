// Picks the nine settings out of a settings file's text, block by block as the file is read.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "settings/BoundedValue.h"
#include "settings/KeyMatch.h"
#include "settings/SettingsKeys.h"

namespace settings {

// A key's value is the rest of the first line whose key, the text before its first "=", matches
// it (KeysMatch); untrimmed; empty when no line has the key. Lines end at CR, LF or CR LF; a NUL
// byte ends the content; a last line without a line end counts.
//
// Memory stays bounded whatever the file holds: only the current line's key is kept, up to
// kLongestKey bytes (a longer one matches no key: even folded by a locale, no key of the file
// is that long), and each value as a BoundedValue.
class SettingsReader {
 public:
  static constexpr std::size_t kLongestKey = 4096;

  explicit SettingsReader(LocaleSameText locale) : locale_(std::move(locale)) {}

  // Takes the next block of the content. False once nothing further can change a value: a NUL
  // byte ended the content, or every key has its line.
  bool Take(std::string_view block);

  // The value as far as the content has been taken.
  const std::string& Value(SettingsKey key) const {
    return values_[static_cast<std::size_t>(key)].Text();
  }

 private:
  enum class State { Key, Value, Skip };

  void AddToKey(std::string_view part);
  void StartValue(std::string_view key);
  void EndLine();
  bool AllFound() const;

  LocaleSameText locale_;
  std::array<BoundedValue, kSettingsKeyCount> values_;
  std::array<bool, kSettingsKeyCount> found_ = {};
  std::string key_;
  bool keyTooLong_ = false;
  State state_ = State::Key;
  std::size_t target_ = 0;
  bool ended_ = false;
};

}  // namespace settings
