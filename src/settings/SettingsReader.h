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
// byte ends the content; a last line without a line end counts. A UTF-8 byte-order mark at the
// start of the content (as Notepad writes one) is no part of the first key.
//
// A line key of more characters than the longest key matches no key. Under GLib's case folding
// every character folds to at least one, so such a key cannot match. Windows' CompareStringW
// gives some characters no weight at all (a soft hyphen, zero-width joiners, most control
// characters), so there a key padded with them would match however long it is: the program
// takes no such key on either build, as it passes over nothing in an ASCII key either. Both
// builds then read every file alike, and a line costs at most one fold of a few bytes, whatever
// its length or its script.
//
// Memory stays bounded whatever the file holds: only the current line's key is kept, up to
// kLongestKey bytes (a longer one has too many characters to match), and each value as a
// BoundedValue.
class SettingsReader {
 public:
  // The most bytes a key of kLongestKeyLength characters takes in UTF-8.
  static constexpr std::size_t kLongestKey = kLongestKeyLength * 4;

  explicit SettingsReader(LocaleCaseKey locale) : locale_(std::move(locale)) {}

  // Takes the next block of the content. False once nothing further can change a value: a NUL
  // byte ended the content, or every key has its line.
  bool Take(std::string_view block);

  // The value as far as the content has been taken.
  const std::string& Value(SettingsKey key) const {
    return values_[static_cast<std::size_t>(key)].Text();
  }

 private:
  enum class State { Key, Value, Skip };

  // Takes a block of the content after the byte-order mark.
  bool Scan(std::string_view block);
  void AddToKey(std::string_view part);
  void StartValue(std::string_view key);
  void EndLine();
  bool AllFound() const;

  LocaleCaseKey locale_;
  std::array<std::string, kSettingsKeyCount> caseKeys_;  // made when a key beyond ASCII comes
  bool haveCaseKeys_ = false;
  std::size_t markTaken_ = 0;  // bytes of a byte-order mark taken so far at the start
  bool atStart_ = true;
  std::array<BoundedValue, kSettingsKeyCount> values_;
  std::array<bool, kSettingsKeyCount> found_ = {};
  std::string key_;
  bool keyTooLong_ = false;
  State state_ = State::Key;
  std::size_t target_ = 0;
  bool ended_ = false;
};

}  // namespace settings
