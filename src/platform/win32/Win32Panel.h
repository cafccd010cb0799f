// The result panel: a STATIC that its form paints (SS_OWNERDRAW), so that its window text stays
// readable from outside. A click is a press and a release over the panel; the second press of a
// double click is no click. It is a polite live region, which screen readers read out when it
// announces its text.
#pragma once

#include "platform/win32/Win32Control.h"

namespace win32 {

class Win32Panel : public Win32Control {
 public:
  Win32Panel(const fw::ControlParams& params, fw::ControlEvents& events);

  void DrawItem(const DRAWITEMSTRUCT& item) override;
  void Announce() override;

 protected:
  const wchar_t* WindowClass() const override { return L"STATIC"; }
  DWORD Style() const override { return SS_OWNERDRAW | SS_NOTIFY; }
  void Prepare() override;
  bool Subclassed(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 private:
  Brush background_;
  bool pressed_ = false;
};

}  // namespace win32
