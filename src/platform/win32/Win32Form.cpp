// A top-level tool window with its child controls.
#include "platform/win32/Win32Form.h"

#include "framework/PlatformError.h"
#include "platform/win32/ControlFactory.h"
#include "platform/win32/Dpi.h"
#include "platform/win32/Utf.h"
#include "platform/win32/Win32InView.h"
#include "platform/win32/WindowClass.h"

namespace win32 {

namespace {

bool RunningUnderWine() {
  static const bool wine =
      GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
  return wine;
}

// The visible topmost forms of this thread, but for the one given.
BOOL CALLBACK CollectTopmostForms(HWND hwnd, LPARAM found) {
  auto& list = *reinterpret_cast<std::vector<HWND>*>(found);
  if (hwnd != list.front() && Win32Form::FromHandle(hwnd) != nullptr && IsWindowVisible(hwnd) &&
      (GetWindowLongPtrW(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0) {
    list.push_back(hwnd);
  }
  return TRUE;
}

}  // namespace

Win32Form::Win32Form(HWND owner, const fw::FormParams& params, fw::FormEvents& events)
    : params_(params), events_(events) {
  const std::wstring className = Widen(params.ClassName);
  RegisterWindowClass(className.c_str(), WindowProc, CS_DBLCLKS);
  background_ = (params.Color & fw::clSystemColor) != 0
                    ? GetSysColorBrush(static_cast<int>(params.Color & 0xFF))
                    : nullptr;
  dpi_ = GetDpiForSystem();
  const SIZE frame = FrameSize(dpi_);
  const int x = params.DefaultPosition ? CW_USEDEFAULT : params.Client.Left;
  const int y = params.DefaultPosition ? CW_USEDEFAULT : params.Client.Top;
  // Made maximized, a window takes the maximized place without being activated, and keeps the
  // given one as its restored place.
  const DWORD state = params.WindowState == fw::TWindowState::Maximized ? WS_MAXIMIZE : 0;
  hwnd_ =
      CreateWindowExW(ExStyle(), className.c_str(), Widen(params.Caption).c_str(), Style() | state,
                      x, y, frame.cx, frame.cy, owner, nullptr, GetModuleHandleW(nullptr), this);
  if (hwnd_ == nullptr) {
    throw fw::EPlatformError("CreateWindowExW failed for a form");
  }
  const UINT actual = GetDpiForWindow(hwnd_);
  if (actual != 0 && actual != dpi_) {
    Rescale(actual, nullptr);
  }
  if (params.DefaultPosition && !params.MainForm) {
    // The default place is the top left of the work area, or cascaded from it: where the
    // status window often is, kept above, over the settings window's fields.
    KeepInView(hwnd_);
  }
}

Win32Form::~Win32Form() {
  SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
  DestroyWindow(hwnd_);
  if (shortCuts_ != nullptr) {
    DestroyAcceleratorTable(shortCuts_);
  }
}

Win32Form* Win32Form::FromHandle(HWND hwnd) {
  if (hwnd == nullptr ||
      GetClassLongPtrW(hwnd, GCLP_WNDPROC) != reinterpret_cast<ULONG_PTR>(&WindowProc)) {
    return nullptr;
  }
  return reinterpret_cast<Win32Form*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

DWORD Win32Form::Style() const {
  DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_CLIPSIBLINGS;
  if (params_.BorderIcons == fw::TBorderIcons::Close) {
    style |= WS_SYSMENU;  // a tool window shows just the close box for it
  }
  return style;
}

DWORD Win32Form::ExStyle() const {
  DWORD style = WS_EX_TOOLWINDOW;
  if (params_.Style == fw::TFormStyle::StayOnTop) {
    style |= WS_EX_TOPMOST;
  }
  return style;
}

SIZE Win32Form::FrameSize(UINT dpi) const {
  RECT frame{0, 0, Scaled(params_.Client.Width, dpi), Scaled(params_.Client.Height, dpi)};
  AdjustWindowRectExForDpi(&frame, Style(), FALSE, ExStyle(), dpi);
  return SIZE{frame.right - frame.left, frame.bottom - frame.top};
}

void Win32Form::SetCaption(const std::string& caption) {
  SetWindowTextW(hwnd_, Widen(caption).c_str());
}

fw::TPoint Win32Form::Position() const {
  RECT rect;
  GetWindowRect(hwnd_, &rect);
  return fw::TPoint{rect.left, rect.top};
}

void Win32Form::SetPosition(fw::TPoint position) {
  SetWindowPos(hwnd_, nullptr, position.X, position.Y, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32Form::Show(fw::TWindowState state, bool activate) {
  const bool maximized = state == fw::TWindowState::Maximized;
  int command = maximized ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL;
  if (!activate) {
    // There is no command that maximizes without activating; a window made maximized shows
    // in that state with SW_SHOWNA, where SW_SHOWNOACTIVATE would restore it.
    command = maximized ? SW_SHOWNA : SW_SHOWNOACTIVATE;
  }
  ShowWindow(hwnd_, command);
  if (params_.Style == fw::TFormStyle::StayOnTop) {
    SetWindowPos(hwnd_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
}

void Win32Form::Hide() {
  ShowWindow(hwnd_, SW_HIDE);
}

fw::TWindowState Win32Form::WindowState() const {
  if (IsZoomed(hwnd_)) {
    return fw::TWindowState::Maximized;
  }
  return IsIconic(hwnd_) ? fw::TWindowState::Minimized : fw::TWindowState::Normal;
}

void Win32Form::BringToFront() {
  SetWindowPos(hwnd_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  if (!RunningUnderWine()) {
    return;
  }
  // Wine without a window manager draws a newly raised window above the topmost ones on
  // screen, although it keeps them in front in its own order. Taking each topmost form out of
  // the topmost band and back makes Wine restack it in front on screen too.
  std::vector<HWND> topmost{hwnd_};
  EnumThreadWindows(GetCurrentThreadId(), CollectTopmostForms, reinterpret_cast<LPARAM>(&topmost));
  for (std::size_t i = 1; i < topmost.size(); ++i) {
    const UINT flags = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE;
    SetWindowPos(topmost[i], HWND_NOTOPMOST, 0, 0, 0, 0, flags);
    SetWindowPos(topmost[i], HWND_TOPMOST, 0, 0, 0, 0, flags);
  }
}

std::unique_ptr<fw::ControlPeer> Win32Form::CreateControl(const fw::ControlParams& params,
                                                          fw::ControlEvents& events) {
  AddShortCut(params);
  std::unique_ptr<Win32Control> control = MakeControl(params, events);
  control->Create(hwnd_, nextId_++, dpi_);
  KeepUnderlaysBelow();
  return control;
}

std::vector<Win32Control*> Win32Form::Controls() const {
  std::vector<Win32Control*> controls;
  for (HWND child = GetWindow(hwnd_, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    if (Win32Control* control = Win32Control::FromHandle(child)) {
      controls.push_back(control);
    }
  }
  return controls;
}

void Win32Form::KeepUnderlaysBelow() {
  // A new child goes to the bottom of the z-order, below the group boxes and frames made
  // before it; they are put back underneath, so that they never paint over what they surround.
  // The tab order, which follows the z-order, only counts controls that take the focus.
  for (Win32Control* control : Controls()) {
    if (control->Underlay()) {
      SetWindowPos(control->Handle(), HWND_BOTTOM, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
  }
}

void Win32Form::Rescale(UINT dpi, const RECT* suggested) {
  dpi_ = dpi;
  if (suggested != nullptr) {
    SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top,
                 suggested->right - suggested->left, suggested->bottom - suggested->top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  } else {
    const SIZE frame = FrameSize(dpi);
    SetWindowPos(hwnd_, nullptr, 0, 0, frame.cx, frame.cy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  for (Win32Control* control : Controls()) {
    control->Scale(dpi);
  }
}

void Win32Form::FocusFirstControl() {
  // The control that had the focus when the form was last deactivated gets it back.
  if (lastFocus_ != nullptr && IsWindow(lastFocus_) && IsChild(hwnd_, lastFocus_)) {
    SetFocus(lastFocus_);
    return;
  }
  for (Win32Control* control : Controls()) {
    if (control->TabStop()) {
      SetFocus(control->Handle());
      return;
    }
  }
}

LRESULT CALLBACK Win32Form::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  // The form finds itself from the window's user data, stored as the window is made.
  if (message == WM_NCCREATE) {
    auto* creating =
        static_cast<Win32Form*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    creating->hwnd_ = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(creating));
  }
  auto* self = reinterpret_cast<Win32Form*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (self == nullptr) {
    return DefWindowProcW(hwnd, message, wParam, lParam);
  }
  return self->OnMessage(message, wParam, lParam);
}

LRESULT Win32Form::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CLOSE:
      events_.PlatformCloseRequest();
      return 0;
    case WM_ERASEBKGND:
      if (background_ != nullptr) {
        RECT client;
        GetClientRect(hwnd_, &client);
        FillRect(reinterpret_cast<HDC>(wParam), &client, background_);
        return 1;
      }
      break;
    case WM_COMMAND:
      if (OnShortCutCommand(wParam, lParam)) {
        return 0;
      }
      if (lParam != 0) {
        if (Win32Control* control = Win32Control::FromHandle(reinterpret_cast<HWND>(lParam))) {
          control->Command(HIWORD(wParam));
        }
        return 0;
      }
      break;
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (Win32Control* control = Win32Control::FromHandle(item->hwndItem)) {
        control->DrawItem(*item);
        return TRUE;
      }
      break;
    }
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus != nullptr && IsChild(hwnd_, focus)) {
          lastFocus_ = focus;
        }
      } else {
        FocusFirstControl();
      }
      return 0;
    case WM_SETFOCUS:
      FocusFirstControl();
      return 0;
    case WM_DPICHANGED:
      Rescale(HIWORD(wParam), reinterpret_cast<const RECT*>(lParam));
      return 0;
    default:
      break;
  }
  return DefWindowProcW(hwnd_, message, wParam, lParam);
}

}  // namespace win32
