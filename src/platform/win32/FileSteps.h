// The calls on the file system by which a save replaces the settings file, one function each.
#pragma once

#include <string>
#include <vector>

#include "platform/win32/Win32.h"

namespace win32 {

// The program uses these as they are. A test derives from them to make one step fail, or to
// end the save at one step as a kill would, and looks at the folder after each: that cannot be
// seen from outside, as a save lasts about a millisecond.
class FileSteps {
 public:
  virtual ~FileSteps() = default;

  // Creates a new file of that name, never through a link or over another, for writing,
  // renaming and setting its attributes and security; held for this process alone. Gives
  // INVALID_HANDLE_VALUE on failure, with the reason in GetLastError.
  virtual HANDLE CreateNew(const std::wstring& path);
  // Writes the whole content from the start and flushes it to the disk.
  virtual bool Write(HANDLE file, const std::string& content);
  virtual bool SetAttributes(HANDLE file, DWORD attributes);
  // Sets the access list (DACL) of the security descriptor, as it stands.
  virtual bool SetAccessList(HANDLE file, const std::vector<char>& descriptor);
  // Gives the file the full path target as its name, in one step; with replace, over the file
  // that has that name, which no other process may hold open meanwhile.
  virtual bool Rename(HANDLE file, const std::wstring& target, bool replace);
  // Deletes the file, as soon as it is closed.
  virtual bool Delete(HANDLE file);
};

// The steps as the system makes them, for the program's own saves.
FileSteps& SystemFileSteps();

}  // namespace win32
