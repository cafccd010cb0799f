// A DLL of the system folder, loaded from there alone, and the functions bound from it.
#pragma once

#include <string>

#include "base/Exception.h"
#include "platform/win32/Win32.h"

namespace win32 {

// A system DLL that is missing, or lacks a function the program needs.
class ELibraryError : public base::Exception {
 public:
  VORLIX_NOINLINE explicit ELibraryError(std::string message);
  const char* ClassName() const override { return "ELibraryError"; }
};

class SystemLibrary {
 public:
  // Loads the DLL of that name from the system folder, never from the program's folder or the
  // search path; Loaded says whether it was found there.
  explicit SystemLibrary(std::string name);
  ~SystemLibrary();
  SystemLibrary(const SystemLibrary&) = delete;
  SystemLibrary& operator=(const SystemLibrary&) = delete;

  bool Loaded() const { return module_ != nullptr; }

  // Sets fn to the function of that name; false, with fn null, when the function or the whole
  // library is missing.
  template <class Fn>
  bool Find(Fn& fn, const char* function) const {
    const FARPROC found = module_ != nullptr ? GetProcAddress(module_, function) : nullptr;
    // Through a plain function pointer type: the caller's type is the function's real one.
    fn = reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(found));
    return fn != nullptr;
  }

  // What is missing, in the words of the program's other start-up errors: the file, or, when it
  // was found, one of its functions.
  std::string MissingText() const;

 private:
  std::string name_;
  HMODULE module_;
};

}  // namespace win32
