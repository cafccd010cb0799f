// Child controls over the standard window classes.
#include "platform/win32/Win32Controls.h"

#include <commctrl.h>
#include <imm.h>
#include <windowsx.h>

#include <algorithm>
#include <stdexcept>

#include "platform/win32/Utf.h"

namespace win32 {

namespace {

constexpr UINT_PTR kSubclassId = 1;

int Scaled(int value, UINT dpi) {
  return MulDiv(value, static_cast<int>(dpi), 96);
}

// The result panel: a STATIC that the parent paints (SS_OWNERDRAW), so its window text stays
// readable from outside. A click is a press and a release over the panel; the second press of a
// double click is no click.
class Win32Panel : public Win32Control {
 public:
  Win32Panel(HWND parent, int id, UINT dpi, const fw::ControlParams& params,
             fw::ControlEvents& events)
      : Win32Control(params, events), background_(CreateSolidBrush(ColorRef(params.Color))) {
    Create(parent, id, L"STATIC", SS_OWNERDRAW | SS_NOTIFY, dpi);
  }

  void DrawItem(const DRAWITEMSTRUCT& item) override {
    RECT area = item.rcItem;
    FillRect(item.hDC, &area, background_.Get());
    HGDIOBJ oldFont = SelectObject(item.hDC, font_.Get());
    SetBkMode(item.hDC, TRANSPARENT);
    SetTextColor(item.hDC, ColorRef(params_.Font.Color));
    SIZE sample{};
    GetTextExtentPoint32W(item.hDC, L"W", 1, &sample);
    // The line's top lies at half the free height, the fraction dropped.
    RECT line = area;
    line.top = (area.bottom - area.top - sample.cy) / 2;
    line.bottom = line.top + sample.cy;
    std::wstring text = Widen(Text());
    DrawTextW(item.hDC, text.c_str(), static_cast<int>(text.size()), &line,
              DT_SINGLELINE | DT_CENTER | DT_NOPREFIX | DT_EXPANDTABS);
    SelectObject(item.hDC, oldFont);
  }

 protected:
  bool Subclassed(UINT message, WPARAM, LPARAM lParam, LRESULT& result) override {
    switch (message) {
      case WM_LBUTTONDOWN:
        pressed_ = true;
        SetCapture(hwnd_);
        result = 0;
        return true;
      case WM_LBUTTONDBLCLK:
        pressed_ = false;
        result = 0;
        return true;
      case WM_LBUTTONUP: {
        const bool wasPressed = pressed_;
        pressed_ = false;
        if (GetCapture() == hwnd_) {
          ReleaseCapture();
        }
        RECT client;
        GetClientRect(hwnd_, &client);
        POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        if (wasPressed && PtInRect(&client, at)) {
          events_.PlatformClick();
        }
        result = 0;
        return true;
      }
      case WM_CAPTURECHANGED:
      case WM_CANCELMODE:
        pressed_ = false;
        return false;
      default:
        return false;
    }
  }

 private:
  Brush background_;
  bool pressed_ = false;
};

class Win32Button : public Win32Control {
 public:
  Win32Button(HWND parent, int id, UINT dpi, const fw::ControlParams& params,
              fw::ControlEvents& events)
      : Win32Control(params, events) {
    Create(parent, id, L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP, dpi);
  }

  void Command(WORD code) override {
    if (code == BN_CLICKED) {
      events_.PlatformClick();
    }
  }

 protected:
  // Enter presses the focused button, as Space does.
  bool Subclassed(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
    if (message == WM_GETDLGCODE) {
      const auto* pending = reinterpret_cast<const MSG*>(lParam);
      result = DefSubclassProc(hwnd_, message, wParam, lParam);
      if (pending != nullptr && pending->message == WM_KEYDOWN && pending->wParam == VK_RETURN) {
        result |= DLGC_WANTMESSAGE;
      }
      return true;
    }
    if (message == WM_KEYDOWN && wParam == VK_RETURN) {
      events_.PlatformClick();
      result = 0;
      return true;
    }
    return false;
  }
};

// Keyboard focus leaving for another control of the same top-level window is reported; focus
// going to another window (deactivation, hiding, a message box) is not.
bool FocusStaysInWindow(HWND from, HWND to) {
  return to != nullptr && GetAncestor(from, GA_ROOT) == GetAncestor(to, GA_ROOT);
}

class Win32Edit : public Win32Control {
 public:
  Win32Edit(HWND parent, int id, UINT dpi, const fw::ControlParams& params,
            fw::ControlEvents& events)
      : Win32Control(params, events) {
    Create(parent, id, L"EDIT", ES_AUTOHSCROLL | WS_TABSTOP, dpi, WS_EX_CLIENTEDGE);
    if (params.MaxLength > 0) {
      // Limits typing and pasting; text the program sets is not cut.
      SendMessageW(hwnd_, EM_SETLIMITTEXT, static_cast<WPARAM>(params.MaxLength), 0);
    }
  }

  void Scale(UINT dpi) override {
    Win32Control::Scale(dpi);
    // Narrow margins, so that the short fields show all their digits in wide fonts too.
    SendMessageW(hwnd_, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(1, 1));
  }

 protected:
  bool Subclassed(UINT message, WPARAM, LPARAM, LRESULT&) override {
    if (message == WM_SETFOCUS && params_.ImeMode == fw::TImeMode::Close) {
      if (HIMC context = ImmGetContext(hwnd_)) {
        ImmSetOpenStatus(context, FALSE);
        ImmReleaseContext(hwnd_, context);
      }
    }
    return false;
  }
};

class Win32CheckBox : public Win32Control {
 public:
  Win32CheckBox(HWND parent, int id, UINT dpi, const fw::ControlParams& params,
                fw::ControlEvents& events)
      : Win32Control(params, events) {
    Create(parent, id, L"BUTTON", BS_AUTOCHECKBOX | WS_TABSTOP, dpi);
    SetChecked(params.Checked);
  }

  void Command(WORD code) override {
    if (code == BN_CLICKED) {
      events_.PlatformClick();
    }
  }
};

class Win32Static : public Win32Control {
 public:
  Win32Static(HWND parent, int id, UINT dpi, const fw::ControlParams& params,
              fw::ControlEvents& events, const wchar_t* windowClass, DWORD style)
      : Win32Control(params, events) {
    Create(parent, id, windowClass, style, dpi);
  }
};

// A label grows to fit its caption, so a font wider than the layout's never cuts it.
class Win32Label : public Win32Static {
 public:
  Win32Label(HWND parent, int id, UINT dpi, const fw::ControlParams& params,
             fw::ControlEvents& events)
      : Win32Static(parent, id, dpi, params, events, L"STATIC", SS_LEFT | SS_NOPREFIX) {
    Scale(dpi);
  }

  void Scale(UINT dpi) override {
    Win32Control::Scale(dpi);
    HDC dc = GetDC(hwnd_);
    HGDIOBJ old = SelectObject(dc, font_.Get());
    const std::wstring text = Widen(Text());
    SIZE extent{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    SelectObject(dc, old);
    ReleaseDC(hwnd_, dc);
    RECT rect;
    GetClientRect(hwnd_, &rect);
    if (extent.cx > rect.right || extent.cy > rect.bottom) {
      SetWindowPos(hwnd_, nullptr, 0, 0, std::max<LONG>(extent.cx, rect.right),
                   std::max<LONG>(extent.cy, rect.bottom),
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
  }
};

}  // namespace

Win32Control::Win32Control(const fw::ControlParams& params, fw::ControlEvents& events)
    : params_(params), events_(events) {}

Win32Control::~Win32Control() {
  if (hwnd_ != nullptr) {
    RemoveWindowSubclass(hwnd_, SubclassProc, kSubclassId);
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);
  }
}

void Win32Control::Create(HWND parent, int id, const wchar_t* windowClass, DWORD style, UINT dpi,
                          DWORD exStyle) {
  const fw::TBounds& b = params_.Bounds;
  hwnd_ = CreateWindowExW(exStyle, windowClass, Widen(params_.Text).c_str(),
                          WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | style, Scaled(b.Left, dpi),
                          Scaled(b.Top, dpi), Scaled(b.Width, dpi), Scaled(b.Height, dpi), parent,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                          GetModuleHandleW(nullptr), nullptr);
  if (hwnd_ == nullptr) {
    throw std::runtime_error("CreateWindowExW failed for a control");
  }
  SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  SetWindowSubclass(hwnd_, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
  Scale(dpi);
}

bool Win32Control::Underlay() const {
  return params_.Kind == fw::TControlKind::GroupBox || params_.Kind == fw::TControlKind::Bevel;
}

bool Win32Control::Checked() const {
  return SendMessageW(hwnd_, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void Win32Control::SetChecked(bool checked) {
  SendMessageW(hwnd_, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void Win32Control::Scale(UINT dpi) {
  const fw::TBounds& b = params_.Bounds;
  SetWindowPos(hwnd_, nullptr, Scaled(b.Left, dpi), Scaled(b.Top, dpi), Scaled(b.Width, dpi),
               Scaled(b.Height, dpi), SWP_NOZORDER | SWP_NOACTIVATE);
  font_ = CreateLayoutFont(params_.Font, dpi);
  SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), TRUE);
}

std::string Win32Control::Text() const {
  const int length = GetWindowTextLengthW(hwnd_);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int copied = GetWindowTextW(hwnd_, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(copied));
  return Narrow(text);
}

void Win32Control::SetText(const std::string& text) {
  SetWindowTextW(hwnd_, Widen(text).c_str());
  InvalidateRect(hwnd_, nullptr, FALSE);
}

void Win32Control::SetFontColor(fw::TColor color) {
  params_.Font.Color = color;
  InvalidateRect(hwnd_, nullptr, FALSE);
}

Win32Control* Win32Control::FromHandle(HWND hwnd) {
  return reinterpret_cast<Win32Control*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

bool Win32Control::Subclassed(UINT, WPARAM, LPARAM, LRESULT&) {
  return false;
}

LRESULT CALLBACK Win32Control::SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                            UINT_PTR, DWORD_PTR self) {
  auto* control = reinterpret_cast<Win32Control*>(self);
  if (message == WM_KILLFOCUS && FocusStaysInWindow(hwnd, reinterpret_cast<HWND>(wParam))) {
    control->events_.PlatformFocusLeave();
  }
  LRESULT result = 0;
  if (control->Subclassed(message, wParam, lParam, result)) {
    return result;
  }
  return DefSubclassProc(hwnd, message, wParam, lParam);
}

std::unique_ptr<Win32Control> CreateWin32Control(HWND parent, int id, UINT dpi,
                                                 const fw::ControlParams& params,
                                                 fw::ControlEvents& events) {
  switch (params.Kind) {
    case fw::TControlKind::Panel:
      return std::make_unique<Win32Panel>(parent, id, dpi, params, events);
    case fw::TControlKind::Button:
      return std::make_unique<Win32Button>(parent, id, dpi, params, events);
    case fw::TControlKind::Edit:
      return std::make_unique<Win32Edit>(parent, id, dpi, params, events);
    case fw::TControlKind::CheckBox:
      return std::make_unique<Win32CheckBox>(parent, id, dpi, params, events);
    case fw::TControlKind::GroupBox:
      return std::make_unique<Win32Static>(parent, id, dpi, params, events, L"BUTTON", BS_GROUPBOX);
    case fw::TControlKind::Label:
      return std::make_unique<Win32Label>(parent, id, dpi, params, events);
    case fw::TControlKind::Bevel:
      return std::make_unique<Win32Static>(parent, id, dpi, params, events, L"STATIC",
                                           SS_ETCHEDFRAME);
  }
  throw std::logic_error("unknown control kind");
}

}  // namespace win32
