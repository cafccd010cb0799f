// A top-level tool window, owned by the application window, with its child controls.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "framework/Backend.h"
#include "platform/win32/Win32.h"
#include "platform/win32/Win32Control.h"

namespace win32 {

class Win32Form : public fw::FormPeer {
 public:
  Win32Form(HWND owner, const fw::FormParams& params, fw::FormEvents& events);
  ~Win32Form() override;
  Win32Form(const Win32Form&) = delete;
  Win32Form& operator=(const Win32Form&) = delete;

  void SetCaption(const std::string& caption) override;
  fw::TPoint Position() const override;
  void SetPosition(fw::TPoint position) override;
  void Show(fw::TWindowState state, bool activate) override;
  void Hide() override;
  fw::TWindowState WindowState() const override;
  void BringToFront() override;
  std::unique_ptr<fw::ControlPeer> CreateControl(const fw::ControlParams& params,
                                                 fw::ControlEvents& events) override;

  // The form behind a top-level window, or none when the window is not a form: only forms
  // have the form window procedure as their class's.
  static Win32Form* FromHandle(HWND hwnd);
  bool IsMainForm() const { return params_.MainForm; }
  // Turns a key message of a control's shortcut into a click on the control; true when the
  // message was one.
  bool TranslateShortCut(MSG& msg);
  HWND Handle() const { return hwnd_; }

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
  DWORD Style() const;
  DWORD ExStyle() const;
  // The outer size of the window whose client area has the layout's size at this dpi.
  SIZE FrameSize(UINT dpi) const;
  void Rescale(UINT dpi, const RECT* suggested);
  // The child controls, top of the z-order first (which is the tab order).
  std::vector<Win32Control*> Controls() const;
  void KeepUnderlaysBelow();
  void FocusFirstControl();
  // The form's shortcut keys (Win32FormKeys.cpp): the table made for a control that has one,
  // and the command they send, which clicks that control; true when the command was theirs.
  void AddShortCut(const fw::ControlParams& params);
  bool OnShortCutCommand(WPARAM wParam, LPARAM lParam);

  fw::FormParams params_;
  fw::FormEvents& events_;
  HWND hwnd_ = nullptr;
  UINT dpi_ = 96;
  HBRUSH background_ = nullptr;
  HWND lastFocus_ = nullptr;
  int nextId_ = 100;
  HACCEL shortCuts_ = nullptr;   // made with the first control that has a shortcut
  bool shortCutRepeat_ = false;  // the key message being translated is a held key's repeat
};

}  // namespace win32
