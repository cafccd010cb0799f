// A tooltip over one control: a tooltip window of the common controls that shows a text while
// the pointer rests on the control, its form active or not.
#pragma once

#include <string>

#include "platform/win32/Win32.h"

namespace win32 {

class Win32Tooltip {
 public:
  // Makes the tooltip window for the control; a failure raises an error.
  Win32Tooltip(HWND control, const std::string& text);
  ~Win32Tooltip();
  Win32Tooltip(const Win32Tooltip&) = delete;
  Win32Tooltip& operator=(const Win32Tooltip&) = delete;

  void SetText(const std::string& text);

 private:
  HWND control_;
  HWND tooltip_ = nullptr;
  std::wstring text_;  // the tool's text, kept while the tooltip may read it
};

}  // namespace win32
