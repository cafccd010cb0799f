// A top-level tool window.
#include "platform/win32/Win32Form.h"

#include <algorithm>
#include <set>
#include <stdexcept>

#include "platform/win32/Utf.h"

namespace win32 {

namespace {

// A control peer that tells its form when it goes.
class FormControl : public fw::ControlPeer {
 public:
  FormControl(Win32Form& form, std::unique_ptr<Win32Control> control)
      : form_(form), control_(std::move(control)) {}
  ~FormControl() override { form_.ForgetControl(control_.get()); }
  std::string Text() const override { return control_->Text(); }
  void SetText(const std::string& text) override { control_->SetText(text); }
  void SetFontColor(fw::TColor color) override { control_->SetFontColor(color); }
  bool Checked() const override { return control_->Checked(); }
  void SetChecked(bool checked) override { control_->SetChecked(checked); }

 private:
  Win32Form& form_;
  std::unique_ptr<Win32Control> control_;
};

std::set<HWND>& LiveForms() {
  static std::set<HWND> forms;
  return forms;
}

bool RunningUnderWine() {
  static const bool wine =
      GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
  return wine;
}

}  // namespace

bool Win32Form::IsForm(HWND hwnd) {
  return LiveForms().count(hwnd) != 0;
}

void Win32Form::RegisterFormClass(const std::wstring& name) {
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof existing;
  HINSTANCE instance = GetModuleHandleW(nullptr);
  if (GetClassInfoExW(instance, name.c_str(), &existing)) {
    return;
  }
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = name.c_str();
  if (RegisterClassExW(&wc) == 0) {
    throw std::runtime_error("RegisterClassExW failed");
  }
}

Win32Form::Win32Form(HWND owner, const fw::FormParams& params, fw::FormEvents& events)
    : params_(params), events_(events) {
  const std::wstring className = Widen(params.ClassName);
  RegisterFormClass(className);
  background_ = (params.Color & fw::clSystemColor) != 0
                    ? GetSysColorBrush(static_cast<int>(params.Color & 0xFF))
                    : nullptr;
  dpi_ = GetDpiForSystem();
  RECT frame{0, 0, MulDiv(params.Client.Width, static_cast<int>(dpi_), 96),
             MulDiv(params.Client.Height, static_cast<int>(dpi_), 96)};
  AdjustWindowRectExForDpi(&frame, Style(), FALSE, ExStyle(), dpi_);
  const int x = params.DefaultPosition ? CW_USEDEFAULT : params.Client.Left;
  const int y = params.DefaultPosition ? CW_USEDEFAULT : params.Client.Top;
  hwnd_ = CreateWindowExW(ExStyle(), className.c_str(), Widen(params.Caption).c_str(), Style(), x,
                          y, frame.right - frame.left, frame.bottom - frame.top, owner, nullptr,
                          GetModuleHandleW(nullptr), this);
  if (hwnd_ == nullptr) {
    throw std::runtime_error("CreateWindowExW failed for a form");
  }
  LiveForms().insert(hwnd_);
  const UINT actual = GetDpiForWindow(hwnd_);
  if (actual != 0 && actual != dpi_) {
    Rescale(actual, nullptr);
  }
}

Win32Form::~Win32Form() {
  LiveForms().erase(hwnd_);
  SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
  DestroyWindow(hwnd_);
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
  int command = SW_SHOWNOACTIVATE;
  if (activate) {
    command = state == fw::TWindowState::Maximized ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL;
  }
  ShowWindow(hwnd_, command);
  if (params_.Style == fw::TFormStyle::StayOnTop) {
    SetWindowPos(hwnd_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
}

void Win32Form::Hide() {
  ShowWindow(hwnd_, SW_HIDE);
}

void Win32Form::BringToFront() {
  SetWindowPos(hwnd_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  if (!RunningUnderWine()) {
    return;
  }
  // Wine without a window manager draws a newly raised window above the topmost ones on
  // screen, although it keeps them in front in its own order. Taking each topmost form out of
  // the topmost band and back makes Wine restack it in front on screen too.
  for (HWND form : LiveForms()) {
    if (form != hwnd_ && (GetWindowLongPtrW(form, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0 &&
        IsWindowVisible(form)) {
      const UINT flags = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE;
      SetWindowPos(form, HWND_NOTOPMOST, 0, 0, 0, 0, flags);
      SetWindowPos(form, HWND_TOPMOST, 0, 0, 0, 0, flags);
    }
  }
}

std::unique_ptr<fw::ControlPeer> Win32Form::CreateControl(const fw::ControlParams& params,
                                                          fw::ControlEvents& events) {
  auto control = CreateWin32Control(hwnd_, nextId_++, dpi_, params, events);
  controls_.push_back(control.get());
  // A new child goes to the bottom of the z-order, below the group boxes and frames made
  // before it; they are put back underneath, so that they never paint over what they surround.
  // The tab order, which follows the z-order, only counts controls that take the focus.
  for (Win32Control* existing : controls_) {
    if (existing->Underlay()) {
      SetWindowPos(existing->Handle(), HWND_BOTTOM, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
  }
  return std::make_unique<FormControl>(*this, std::move(control));
}

void Win32Form::ForgetControl(Win32Control* control) {
  controls_.erase(std::remove(controls_.begin(), controls_.end(), control), controls_.end());
  if (lastFocus_ == control->Handle()) {
    lastFocus_ = nullptr;
  }
}

void Win32Form::Rescale(UINT dpi, const RECT* suggested) {
  dpi_ = dpi;
  if (suggested != nullptr) {
    SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top,
                 suggested->right - suggested->left, suggested->bottom - suggested->top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  } else {
    RECT frame{0, 0, MulDiv(params_.Client.Width, static_cast<int>(dpi), 96),
               MulDiv(params_.Client.Height, static_cast<int>(dpi), 96)};
    AdjustWindowRectExForDpi(&frame, Style(), FALSE, ExStyle(), dpi);
    SetWindowPos(hwnd_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  for (Win32Control* control : controls_) {
    control->Scale(dpi);
  }
}

void Win32Form::FocusFirstControl() {
  if (lastFocus_ != nullptr && IsWindow(lastFocus_)) {
    SetFocus(lastFocus_);
    return;
  }
  for (Win32Control* control : controls_) {
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
