// What assistive technology reads of a window beyond what its class gives: an accessible name,
// and a polite live region. Set through oleacc's annotation service (IAccPropServices).
#pragma once

#include <string>

#include "platform/win32/SystemLibrary.h"

struct IAccPropServices;

namespace win32 {

class Annotations {
 public:
  // The process's annotations, made on first use. Where the system lacks oleacc or its
  // annotation service, nothing fails: every call does nothing and says so.
  static Annotations& Shared();

  Annotations(const Annotations&) = delete;
  Annotations& operator=(const Annotations&) = delete;

  // The name assistive technology reads for the window; false when it is not kept.
  bool SetName(HWND hwnd, const std::string& name);
  // The keys that act on the window, as accKeyboardShortcut gives them ("Ctrl+Comma", say);
  // false when they are not kept.
  bool SetKeyboardShortcut(HWND hwnd, const std::string& keys);
  // A polite live region: a screen reader reads the window's text out, without moving the
  // focus, after each EVENT_OBJECT_LIVEREGIONCHANGED on it. False when it is not kept.
  bool SetPoliteLiveRegion(HWND hwnd);
  // Drops what was set for the window, before the window goes.
  void Clear(HWND hwnd);

  // Puts another service in the system's place (a test's stand-in, so that what is set can be
  // read back where the system's service keeps it to itself) and gives back the one it
  // replaced; the caller holds a reference to each.
  IAccPropServices* Replace(IAccPropServices* services);

 private:
  Annotations();
  ~Annotations();

  SystemLibrary library_{"OLEACC.DLL"};
  IAccPropServices* services_ = nullptr;
};

}  // namespace win32
