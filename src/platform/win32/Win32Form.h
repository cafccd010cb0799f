// A top-level tool window, owned by the application window, with its child controls.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "framework/Backend.h"
#include "platform/win32/Win32.h"
#include "platform/win32/Win32Controls.h"

namespace win32 {

class Win32Form : public fw::FormPeer {
 public:
  Win32Form(HWND owner, const fw::FormParams& params, fw::FormEvents& events);
  ~Win32Form() override;

  void SetCaption(const std::string& caption) override;
  fw::TPoint Position() const override;
  void SetPosition(fw::TPoint position) override;
  void Show(fw::TWindowState state, bool activate) override;
  void Hide() override;
  void BringToFront() override;

  std::unique_ptr<fw::ControlPeer> CreateControl(const fw::ControlParams& params,
                                                 fw::ControlEvents& events) override;
  void ForgetControl(Win32Control* control);
  HWND Handle() const { return hwnd_; }
  // True for the top-level window of a live form.
  static bool IsForm(HWND hwnd);

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
  static void RegisterFormClass(const std::wstring& name);
  DWORD Style() const;
  DWORD ExStyle() const;
  void Rescale(UINT dpi, const RECT* suggested);
  void FocusFirstControl();

  fw::FormParams params_;
  fw::FormEvents& events_;
  HWND hwnd_ = nullptr;
  UINT dpi_ = 96;
  HBRUSH background_ = nullptr;
  HWND lastFocus_ = nullptr;
  int nextId_ = 100;
  std::vector<Win32Control*> controls_;
};

}  // namespace win32
