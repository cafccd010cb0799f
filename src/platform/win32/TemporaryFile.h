// A new file of an unpredictable name beside the file a save replaces, which then takes that
// file's place in one step; cleared away again if it does not, but never while the file it was
// to replace is missing and it holds the whole new content.
#pragma once

#include <string>
#include <vector>

#include "platform/win32/FileHandle.h"
#include "platform/win32/FileSteps.h"
#include "platform/win32/Win32.h"

namespace win32 {

class TemporaryFile {
 public:
  // Creates "." + name + "." + ten random letters and digits beside target (a full path),
  // exclusively, through steps. Throws on failure, unless the folder refused a new file.
  TemporaryFile(FileSteps& steps, const std::wstring& target);
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  ~TemporaryFile() { Discard(); }

  // The folder refused a new file (no right to add one, or a name too long for it): nothing
  // was created, and a save writes in place instead.
  bool Refused() const { return refused_; }

  // Writes the whole content and flushes it; throws on failure.
  void Write(const std::string& content);
  // Takes what the old file carries besides its bytes: its attributes and its access list.
  // False when either cannot be set.
  bool TakeOver(DWORD attributes, const std::vector<char>& accessList);
  // Takes the target's name: over the file that has it with overExisting, else only while no
  // file has it. Throws on failure, after Discard.
  void Place(bool overExisting);
  // Removes the file now, unless it has been placed; when no file has the target's name, the
  // whole new content takes it instead, and when even that fails the file stays.
  void Discard();

 private:
  FileSteps& steps_;
  std::wstring target_;
  std::wstring path_;
  FileHandle file_;
  bool refused_ = false;
  bool written_ = false;
};

}  // namespace win32
