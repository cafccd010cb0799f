// The Win32 back end of the framework.
#include "platform/win32/Win32Backend.h"

#include <algorithm>
#include <vector>

#include "framework/PlatformError.h"
#include "platform/win32/CommonControls.h"
#include "platform/win32/Utf.h"
#include "platform/win32/Win32Form.h"
#include "platform/win32/Win32Timer.h"
#include "platform/win32/WindowClass.h"

namespace win32 {

namespace {

const wchar_t kApplicationClass[] = L"TApplication";

// The enabled top-level windows of this thread, but for the one given.
BOOL CALLBACK CollectEnabled(HWND hwnd, LPARAM found) {
  auto& list = *reinterpret_cast<std::vector<HWND>*>(found);
  if (hwnd != list.front() && IsWindowVisible(hwnd) && IsWindowEnabled(hwnd)) {
    list.push_back(hwnd);
  }
  return TRUE;
}

}  // namespace

// The common controls are bound here, so that a missing system DLL ends start-up before any
// window is made.
Win32Backend::Win32Backend() {
  CommonControls::Bound();
}

Win32Backend::~Win32Backend() {
  if (application_ != nullptr) {
    DestroyWindow(application_);
  }
}

void Win32Backend::CreateApplicationWindow(fw::ApplicationEvents& events) {
  events_ = &events;
  HICON icon = LoadIconW(GetModuleHandleW(nullptr), L"MAINICON");
  RegisterWindowClass(kApplicationClass, ApplicationProc, 0, icon);
  // A window of no size: it is never seen, but it carries the title and the taskbar button.
  const int x = GetSystemMetrics(SM_CXSCREEN) / 2;
  const int y = GetSystemMetrics(SM_CYSCREEN) / 2;
  application_ =
      CreateWindowExW(0, kApplicationClass, L"",
                      WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX, x, y,
                      0, 0, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (application_ == nullptr) {
    throw fw::EPlatformError("CreateWindowExW failed for the application window");
  }
  SetWindowLongPtrW(application_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

void Win32Backend::SetTitle(const std::string& title) {
  SetWindowTextW(application_, Widen(title).c_str());
}

void Win32Backend::ShowApplicationWindow(bool minimized) {
  if (minimized) {
    ShowWindow(application_, SW_SHOWMINNOACTIVE);
    ShowOwnedPopups(application_, FALSE);
  } else {
    ShowWindow(application_, SW_SHOWNOACTIVATE);
  }
}

void Win32Backend::HideOwnedPopups() {
  ShowOwnedPopups(application_, FALSE);
}

fw::TWindowState Win32Backend::StartupShowCommand() {
  STARTUPINFOW info{};
  info.cb = sizeof info;
  GetStartupInfoW(&info);
  if ((info.dwFlags & STARTF_USESHOWWINDOW) != 0) {
    if (info.wShowWindow == SW_SHOWMINNOACTIVE) {
      return fw::TWindowState::Minimized;
    }
    if (info.wShowWindow == SW_SHOWMAXIMIZED) {
      return fw::TWindowState::Maximized;
    }
  }
  return fw::TWindowState::Normal;
}

std::unique_ptr<fw::FormPeer> Win32Backend::CreateForm(const fw::FormParams& params,
                                                       fw::FormEvents& events) {
  return std::make_unique<Win32Form>(application_, params, events);
}

std::unique_ptr<fw::TimerPeer> Win32Backend::CreateTimer(unsigned intervalMs,
                                                         fw::TimerEvents& events) {
  return std::make_unique<Win32Timer>(intervalMs, events);
}

fw::Backend::MessageResult Win32Backend::ProcessOneMessage() {
  MSG msg;
  if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    return MessageResult::None;
  }
  if (msg.message == WM_QUIT) {
    return MessageResult::Quit;
  }
  // A form's shortcuts come first; the dialog manager's keyboard handling then gives the forms
  // Tab navigation between controls.
  HWND root = msg.hwnd != nullptr ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
  if (Win32Form* form = Win32Form::FromHandle(root)) {
    if (form->TranslateShortCut(msg) || IsDialogMessageW(root, &msg)) {
      return MessageResult::Dispatched;
    }
  }
  TranslateMessage(&msg);
  DispatchMessageW(&msg);
  return MessageResult::Dispatched;
}

void Win32Backend::WaitMessage() {
  ::WaitMessage();
}

void Win32Backend::PostQuit() {
  PostQuitMessage(0);
}

void Win32Backend::CancelMouseCapture() {
  if (HWND holder = GetCapture()) {
    SendMessageW(holder, WM_CANCELMODE, 0, 0);
  }
}

void Win32Backend::ShowHandlerErrorBox(const std::string& text, const std::string& caption) {
  HWND active = GetActiveWindow();
  HWND focus = GetFocus();
  // The box is owned by the application window; the program's other windows wait behind it.
  std::vector<HWND> disabled{application_};
  EnumThreadWindows(GetCurrentThreadId(), CollectEnabled, reinterpret_cast<LPARAM>(&disabled));
  for (std::size_t i = 1; i < disabled.size(); ++i) {
    EnableWindow(disabled[i], FALSE);
  }
  MessageBoxW(application_, Widen(text).c_str(), Widen(caption).c_str(), MB_OK | MB_ICONSTOP);
  for (std::size_t i = 1; i < disabled.size(); ++i) {
    EnableWindow(disabled[i], TRUE);
  }
  if (active != nullptr && IsWindow(active)) {
    SetActiveWindow(active);
  }
  if (focus != nullptr && IsWindow(focus)) {
    SetFocus(focus);
  }
}

LRESULT CALLBACK Win32Backend::ApplicationProc(HWND hwnd, UINT message, WPARAM wParam,
                                               LPARAM lParam) {
  auto* self = reinterpret_cast<Win32Backend*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (self == nullptr || self->events_ == nullptr) {
    return DefWindowProcW(hwnd, message, wParam, lParam);
  }
  switch (message) {
    case WM_CLOSE:
      // The taskbar button's close command closes the main form.
      self->events_->PlatformCloseMainForm();
      return 0;
    case WM_SYSCOMMAND:
      switch (wParam & 0xFFF0) {
        case SC_MINIMIZE:
          ShowOwnedPopups(hwnd, FALSE);
          break;
        case SC_RESTORE: {
          LRESULT result = DefWindowProcW(hwnd, message, wParam, lParam);
          ShowOwnedPopups(hwnd, TRUE);
          self->events_->PlatformRestore();
          return result;
        }
        default:
          break;
      }
      break;
    case WM_QUERYENDSESSION:
      return TRUE;
    case WM_ENDSESSION:
      if (wParam != 0) {
        self->events_->PlatformEndSession();
      }
      return 0;
    default:
      break;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace win32
