// The base of every child control over a standard window class: it owns the window handle, the
// text, the bounds, the font and the visibility, and finds the control behind a handle.
#pragma once

#include <memory>
#include <string>
#include <utility>

#include "framework/Backend.h"
#include "platform/win32/GdiObject.h"
#include "platform/win32/Win32.h"
#include "platform/win32/Win32Tooltip.h"

namespace win32 {

class Win32Control : public fw::ControlPeer {
 public:
  // Keeps what the window will be made from; Create makes it.
  Win32Control(fw::ControlParams params, fw::ControlEvents& events)
      : params_(std::move(params)), events_(events) {}
  ~Win32Control() override;
  Win32Control(const Win32Control&) = delete;
  Win32Control& operator=(const Win32Control&) = delete;

  // Makes the platform window, once the object is whole, and scales it for the parent's dots
  // per inch. A failure raises an error.
  void Create(HWND parent, int id, UINT dpi);

  std::string Text() const override;
  void SetText(const std::string& text) override;
  void SetFontColor(fw::TColor color) override;
  bool Checked() const override;
  void SetChecked(bool checked) override;
  void Announce() override {}
  void SetHint(const std::string& hint) override;

  HWND Handle() const { return hwnd_; }
  bool TabStop() const { return params_.TabStop; }
  fw::TShortCut ShortCut() const { return params_.ShortCut; }
  // The keys of the control's shortcut were pressed in its form.
  void ShortCutPressed() { events_.PlatformClick(); }
  // Group boxes and frames lie under the controls they surround.
  virtual bool Underlay() const { return false; }
  // Places the control and picks its font for the window's dots per inch.
  virtual void Scale(UINT dpi);

  // What the parent window passes on.
  virtual void Command(WORD) {}
  virtual void DrawItem(const DRAWITEMSTRUCT&) {}

  // The control behind a window handle, or none when the window is not one of ours: only our
  // controls carry our subclass, and its reference data is the control.
  static Win32Control* FromHandle(HWND hwnd);

 protected:
  // The kind's standard window class and styles.
  virtual const wchar_t* WindowClass() const = 0;
  virtual DWORD Style() const = 0;
  virtual DWORD ExStyle() const { return 0; }
  // Settings that need the window, made before it is first scaled.
  virtual void Prepare() {}
  // Messages of the control itself, before its class sees them; true when handled.
  virtual bool Subclassed(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

  fw::ControlParams params_;
  fw::ControlEvents& events_;
  HWND hwnd_ = nullptr;
  Font font_;
  bool annotated_ = false;  // annotations were asked for, to be dropped with the window
  std::unique_ptr<Win32Tooltip> tooltip_;  // made for the first hint

 private:
  static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                       UINT_PTR id, DWORD_PTR self);
};

}  // namespace win32
