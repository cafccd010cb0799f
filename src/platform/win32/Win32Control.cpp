// The base of every child control over a standard window class.
#include "platform/win32/Win32Control.h"

#include "framework/PlatformError.h"
#include "platform/win32/Annotations.h"
#include "platform/win32/CommonControls.h"
#include "platform/win32/Dpi.h"
#include "platform/win32/Utf.h"

namespace win32 {

namespace {

constexpr UINT_PTR kSubclassId = 1;

// Keyboard focus leaving for another control of the same top-level window is reported; focus
// going to another window (deactivation, hiding, a message box) is not.
bool FocusStaysInWindow(HWND from, HWND to) {
  return to != nullptr && GetAncestor(from, GA_ROOT) == GetAncestor(to, GA_ROOT);
}

// What assistive technology reads as the keys of a shortcut (accKeyboardShortcut).
const char* ShortCutText(fw::TShortCut shortCut) {
  return shortCut == fw::TShortCut::Properties ? "Ctrl+Comma, Alt+Enter" : nullptr;
}

}  // namespace

Win32Control::~Win32Control() {
  tooltip_.reset();
  if (hwnd_ != nullptr) {
    if (annotated_) {
      Annotations::Shared().Clear(hwnd_);
    }
    CommonControls::Bound().RemoveWindowSubclass(hwnd_, SubclassProc, kSubclassId);
    DestroyWindow(hwnd_);
  }
}

void Win32Control::Create(HWND parent, int id, UINT dpi) {
  // Bound before the window exists, so that a failure leaves nothing to undo.
  const CommonControls& controls = CommonControls::Bound();
  const fw::TBounds& b = params_.Bounds;
  hwnd_ = CreateWindowExW(ExStyle(), WindowClass(), Widen(params_.Text).c_str(),
                          WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | Style(), Scaled(b.Left, dpi),
                          Scaled(b.Top, dpi), Scaled(b.Width, dpi), Scaled(b.Height, dpi), parent,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                          GetModuleHandleW(nullptr), nullptr);
  if (hwnd_ == nullptr) {
    throw fw::EPlatformError("CreateWindowExW failed for a control");
  }
  if (!controls.SetWindowSubclass(hwnd_, SubclassProc, kSubclassId,
                                  reinterpret_cast<DWORD_PTR>(this))) {
    DestroyWindow(hwnd_);
    hwnd_ = nullptr;
    throw fw::EPlatformError("SetWindowSubclass failed for a control");
  }
  if (!params_.AccessibleName.empty()) {
    annotated_ = true;
    Annotations::Shared().SetName(hwnd_, params_.AccessibleName);
  }
  if (const char* keys = ShortCutText(params_.ShortCut)) {
    annotated_ = true;
    Annotations::Shared().SetKeyboardShortcut(hwnd_, keys);
  }
  Prepare();
  Scale(dpi);
  SetHint(params_.Hint);
}

void Win32Control::SetHint(const std::string& hint) {
  params_.Hint = hint;
  if (tooltip_) {
    tooltip_->SetText(hint);
  } else if (!hint.empty()) {
    tooltip_ = std::make_unique<Win32Tooltip>(hwnd_, hint);
  }
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
  DWORD_PTR self = 0;
  if (hwnd == nullptr ||
      !CommonControls::Bound().GetWindowSubclass(hwnd, SubclassProc, kSubclassId, &self)) {
    return nullptr;
  }
  return reinterpret_cast<Win32Control*>(self);
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
  return CommonControls::Bound().DefSubclassProc(hwnd, message, wParam, lParam);
}

}  // namespace win32
