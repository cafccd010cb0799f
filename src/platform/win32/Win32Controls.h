// Child controls over the standard window classes: the panel (an owner-drawn STATIC), push
// buttons, check boxes and group boxes (BUTTON), edit fields (EDIT), labels and frames (STATIC).
#pragma once

#include <memory>

#include "framework/Backend.h"
#include "platform/win32/GdiObject.h"
#include "platform/win32/Win32.h"

namespace win32 {

class Win32Control : public fw::ControlPeer {
 public:
  ~Win32Control() override;

  std::string Text() const override;
  void SetText(const std::string& text) override;
  void SetFontColor(fw::TColor color) override;
  bool Checked() const override;
  void SetChecked(bool checked) override;

  HWND Handle() const { return hwnd_; }
  bool TabStop() const { return params_.TabStop; }
  // Group boxes and frames lie under the controls they surround.
  bool Underlay() const;
  // Places the control and picks its font for the window's dots per inch.
  virtual void Scale(UINT dpi);

  // What the parent window passes on.
  virtual void Command(WORD) {}
  virtual void DrawItem(const DRAWITEMSTRUCT&) {}

  static Win32Control* FromHandle(HWND hwnd);

 protected:
  Win32Control(const fw::ControlParams& params, fw::ControlEvents& events);
  void Create(HWND parent, int id, const wchar_t* windowClass, DWORD style, UINT dpi,
              DWORD exStyle = 0);
  // Messages of the control itself, before its class sees them.
  virtual bool Subclassed(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

  fw::ControlParams params_;
  fw::ControlEvents& events_;
  HWND hwnd_ = nullptr;
  Font font_;

 private:
  static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                       UINT_PTR id, DWORD_PTR self);
};

std::unique_ptr<Win32Control> CreateWin32Control(HWND parent, int id, UINT dpi,
                                                 const fw::ControlParams& params,
                                                 fw::ControlEvents& events);

}  // namespace win32
