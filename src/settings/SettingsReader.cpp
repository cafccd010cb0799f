// Picks the nine settings out of a settings file's text, block by block as the file is read.
#include "settings/SettingsReader.h"

#include <algorithm>
#include <array>

namespace settings {

namespace {

// Bytes a scan stops at: every line end, and in a key its end, the first "=".
using Stops = std::array<bool, 256>;

constexpr Stops MakeStops(std::string_view bytes) {
  Stops stops = {};
  for (const char c : bytes) {
    stops[static_cast<unsigned char>(c)] = true;
  }
  return stops;
}

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

constexpr Stops kKeyStops = MakeStops("=\r\n");
constexpr Stops kLineStops = MakeStops("\r\n");

// The position of the first stop at or after from, or the text's size. A plain loop over the
// bytes: a settings file's lines are short, too short for a call per line end to pay.
std::size_t FindStop(std::string_view text, std::size_t from, const Stops& stops) {
  while (from < text.size() && !stops[static_cast<unsigned char>(text[from])]) {
    ++from;
  }
  return from;
}

}  // namespace

bool SettingsReader::Take(std::string_view block) {
  if (atStart_) {
    while (markTaken_ < kByteOrderMark.size() && !block.empty() &&
           block.front() == kByteOrderMark[markTaken_]) {
      ++markTaken_;
      block.remove_prefix(1);
    }
    if (markTaken_ < kByteOrderMark.size() && block.empty()) {
      return true;  // the mark may go on in the next block
    }
    atStart_ = false;
    // Bytes that began like a mark but were none belong to the content.
    if (markTaken_ < kByteOrderMark.size() && !Scan(kByteOrderMark.substr(0, markTaken_))) {
      return false;
    }
  }
  return Scan(block);
}

bool SettingsReader::Scan(std::string_view block) {
  if (ended_) {
    return false;
  }
  const std::size_t nul = block.find('\0');
  if (nul != std::string_view::npos) {
    block = block.substr(0, nul);
    ended_ = true;
  }
  std::size_t i = 0;
  while (i < block.size()) {
    if (state_ == State::Key) {
      const std::size_t stop = FindStop(block, i, kKeyStops);
      const std::string_view part = block.substr(i, stop - i);
      if (stop == block.size()) {
        AddToKey(part);  // the line goes on in the next block
        break;
      }
      i = stop + 1;
      if (block[stop] != '=') {
        EndLine();
      } else if (key_.empty() && !keyTooLong_) {
        StartValue(part);  // the whole key is in this block
      } else {
        AddToKey(part);
        StartValue(key_);
      }
      continue;
    }
    const std::size_t end = FindStop(block, i, kLineStops);
    if (state_ == State::Value) {
      values_[target_].Append(block.substr(i, end - i));
    }
    if (end == block.size()) {
      break;
    }
    i = end + 1;
    EndLine();
  }
  return !ended_ && !(AllFound() && state_ != State::Value);
}

void SettingsReader::AddToKey(std::string_view part) {
  if (key_.size() + part.size() > kLongestKey) {
    keyTooLong_ = true;
  } else {
    key_.append(part);
  }
}

void SettingsReader::StartValue(std::string_view key) {
  state_ = State::Skip;
  if (keyTooLong_ || key.size() > kLongestKey) {
    return;
  }
  // The keys asked for are ASCII, so as KeysMatch has it an ASCII line key matches by its
  // letters alone and one that is no UTF-8 matches none; nor does one of more characters than
  // the longest key. Any other is folded once, however many keys it is compared with: a file
  // may hold millions of them.
  const bool ascii = IsAscii(key);
  if (!ascii && (!IsUtf8(key) || CharacterCount(key) > kLongestKeyLength)) {
    return;
  }
  std::string folded;
  if (!ascii) {
    folded = locale_(key);
    if (!haveCaseKeys_) {
      for (std::size_t k = 0; k < kSettingsKeyCount; ++k) {
        caseKeys_[k] = locale_(kSettingsKeyNames[k]);
      }
      haveCaseKeys_ = true;
    }
  }
  for (std::size_t k = 0; k < kSettingsKeyCount; ++k) {
    if (!found_[k] &&
        (ascii ? SameIgnoringAsciiCase(key, kSettingsKeyNames[k]) : folded == caseKeys_[k])) {
      found_[k] = true;
      target_ = k;
      state_ = State::Value;
      return;
    }
  }
}

void SettingsReader::EndLine() {
  key_.clear();
  keyTooLong_ = false;
  state_ = State::Key;
}

bool SettingsReader::AllFound() const {
  return std::all_of(found_.begin(), found_.end(), [](bool found) { return found; });
}

}  // namespace settings
