// What the framework needs of a windowing platform; one implementation per platform.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "framework/Types.h"

namespace fw {

// Events that a platform window reports. The framework's implementations never throw.
class FormEvents {
 public:
  virtual void PlatformCloseRequest() = 0;

 protected:
  ~FormEvents() = default;
};

class ControlEvents {
 public:
  virtual void PlatformClick() = 0;
  // Keyboard focus moved from this control to another control of the same form.
  virtual void PlatformFocusLeave() = 0;

 protected:
  ~ControlEvents() = default;
};

class TimerEvents {
 public:
  virtual void PlatformTimer() = 0;

 protected:
  ~TimerEvents() = default;
};

class ApplicationEvents {
 public:
  // The close command of the taskbar button.
  virtual void PlatformCloseMainForm() = 0;
  // The user logs off or the system shuts down, and the end is confirmed.
  virtual void PlatformEndSession() = 0;
  // The program is restored from its taskbar button.
  virtual void PlatformRestore() = 0;

 protected:
  ~ApplicationEvents() = default;
};

struct FormParams {
  std::string ClassName;
  std::string Caption;
  TBounds
      Client;  // Left and Top are the window's screen position; Width and Height the client area
  bool DefaultPosition = false;
  // The application's main window: the one the program's taskbar entry brings back.
  bool MainForm = false;
  TBorderIcons BorderIcons = TBorderIcons::Close;
  TFormStyle Style = TFormStyle::Normal;
  // The window is made in this state; a rebuilt window keeps being maximized.
  TWindowState WindowState = TWindowState::Normal;
  TColor Color = clBtnFace;
  TFont Font;
};

struct ControlParams {
  TControlKind Kind = TControlKind::Panel;
  std::string Text;
  TBounds Bounds;  // relative to the form's client area
  TColor Color = clBtnFace;
  TFont Font;
  bool TabStop = false;
  bool Checked = false;
  int MaxLength = 0;  // 0: no limit
  TImeMode ImeMode = TImeMode::DontCare;
  // What assistive technology reads as the control's name; empty: the platform's own (a check
  // box's or a button's caption, say).
  std::string AccessibleName;
  TShortCut ShortCut = TShortCut::None;
  // The tooltip; empty: none.
  std::string Hint;
};

// A child control of a form; destroying the peer destroys the control.
class ControlPeer {
 public:
  virtual ~ControlPeer() = default;
  virtual std::string Text() const = 0;
  virtual void SetText(const std::string& text) = 0;
  virtual void SetFontColor(TColor color) = 0;
  virtual bool Checked() const = 0;
  virtual void SetChecked(bool checked) = 0;
  // Has a running screen reader read the control's text out once, politely, without moving the
  // focus. Only the panel does; with no screen reader running nothing is read.
  virtual void Announce() = 0;
  // The tooltip shown while the pointer rests on the control; empty: none.
  virtual void SetHint(const std::string& hint) = 0;
};

// A top-level platform window; destroying the peer destroys the window.
class FormPeer {
 public:
  virtual ~FormPeer() = default;
  virtual void SetCaption(const std::string& caption) = 0;
  virtual TPoint Position() const = 0;
  virtual void SetPosition(TPoint position) = 0;
  // Shows the window in `state`; a window not activated keeps the state it was made in.
  virtual void Show(TWindowState state, bool activate) = 0;
  virtual void Hide() = 0;
  // The state the window is in now (the user may have restored a maximized window).
  virtual TWindowState WindowState() const = 0;
  virtual void BringToFront() = 0;
  // Makes a child control of this form; destroying the peer destroys the control.
  virtual std::unique_ptr<ControlPeer> CreateControl(const ControlParams& params,
                                                     ControlEvents& events) = 0;
};

class TimerPeer {
 public:
  virtual ~TimerPeer() = default;
};

class Backend {
 public:
  virtual ~Backend() = default;

  // The hidden application window: title, taskbar button, owner of every form.
  virtual void CreateApplicationWindow(ApplicationEvents& events) = 0;
  virtual void SetTitle(const std::string& title) = 0;
  virtual void ShowApplicationWindow(bool minimized) = 0;
  virtual void HideOwnedPopups() = 0;
  virtual TWindowState StartupShowCommand() = 0;

  virtual std::unique_ptr<FormPeer> CreateForm(const FormParams& params, FormEvents& events) = 0;
  virtual std::unique_ptr<TimerPeer> CreateTimer(unsigned intervalMs, TimerEvents& events) = 0;

  enum class MessageResult { None, Quit, Dispatched };
  // Takes the next message off the queue and dispatches it, unless it is the quit message.
  virtual MessageResult ProcessOneMessage() = 0;
  virtual void WaitMessage() = 0;
  virtual void PostQuit() = 0;

  // The handler error display: a stop box owned by the application window.
  virtual void CancelMouseCapture() = 0;
  virtual void ShowHandlerErrorBox(const std::string& text, const std::string& caption) = 0;
};

}  // namespace fw
