// A new file of a fresh, unpredictable name beside another, removed again unless it is kept.
#pragma once

#include <string>

#include "platform/posix/FileDescriptor.h"

namespace posix {

// fw::kTemporaryRandomBytes bytes from the kernel's randomness.
std::string RandomBytes();

class TemporaryFile {
 public:
  // Where the random bytes of a name come from: the kernel, or a test that needs to know them.
  using RandomSource = std::string (*)();

  // Creates "." + base + "." + ten random letters and digits (fw::TemporaryName) in the folder,
  // exclusively and never through a link, with the mode given (less the process's umask), and
  // holds it locked (flock) so that no other save takes it for a leftover. Throws on failure,
  // unless the folder refused a new file.
  TemporaryFile(const std::string& folder, const std::string& base, int mode,
                RandomSource random = RandomBytes);
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  ~TemporaryFile() { Discard(); }

  // The folder refused a new file: no right to add one (a folder the user may not write, or an
  // immutable one), or a name too long for it. Nothing was created; a save writes in place.
  bool Refused() const { return refused_; }

  int Get() const { return file_.Get(); }
  const std::string& Path() const { return path_; }
  // The file has been renamed into place: it is no longer removed.
  void Keep() { kept_ = true; }
  // Removes the file now, unless it is kept.
  void Discard();

 private:
  std::string path_;
  FileDescriptor file_;
  bool refused_ = false;
  bool kept_ = false;
};

}  // namespace posix
