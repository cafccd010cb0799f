// The Win32 back end under Wine: the comparison of the settings-file keys, finding the form and
// the control behind a window handle, and the input method switched off on entering a field.
#include "platform/win32/Win32Backend.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <imm.h>

#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win32/Dpi.h"
#include "platform/win32/Utf.h"
#include "platform/win32/Win32.h"
#include "platform/win32/Win32Control.h"
#include "platform/win32/Win32Form.h"
#include "platform/win32/Win32Locale.h"
#include "settings/KeyMatch.h"

namespace {

TEST(Backend, TextsAreTheSameButForLetterCaseByTheUsersLocale) {
  struct Case {
    const char* a;
    const char* b;
    bool same;
  };
  const Case cases[] = {
      {"TimeOut", "TimeOut", true},
      {"TimeOut", "timeout", true},
      {"stayontop", "STAYONTOP", true},
      {"", "", true},
      {"", "IP", false},
      {"IP", "IPX", false},
      {"TimeOut", "Time Out", false},
      {"TimeOut ", "TimeOut", false},
      {"\xEF\xBC\xA9\xEF\xBC\xB0", "\xEF\xBD\x89\xEF\xBD\x90", true},  // full-width IP, ip
      {"IP", "\xEF\xBC\xA9\xEF\xBC\xB0", false},                       // IP, full-width IP
      {"\xC3\x84rger", "\xC3\xA4RGER", true},  // letters beyond ASCII fold by the locale's rule
      {"Time\xC2\xADOut", "TimeOut", true},    // a soft hyphen has no weight for CompareStringW
      // ASCII keys compare by their letters alone: nothing is passed over.
      {"TimeOut\x01", "TimeOut", false},
      {"\x1FTimeOut", "TimeOut", false},
      {"Time-Out", "TimeOut", false},
      {"Time'Out", "TimeOut", false},
      {"TimeOut\x7F", "TimeOut", false},
      // Bytes that are no UTF-8 are no characters, and never the replacement character.
      {"TimeOut\xFF", "TimeOut", false},
      {"TIMEOUT\xFF", "timeout\xFF", true},
      {"\xC3TimeOut", "TimeOut", false},
  };
  win32::Win32Locale locale;
  const auto byLocale = [&locale](std::string_view text) { return locale.CaseKey(text); };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::string(c.a)) + " / " +
                 testing::PrintToString(std::string(c.b)));
    EXPECT_EQ(settings::KeysMatch(c.a, c.b, byLocale), c.same);
  }
}

struct NoFormEvents : fw::FormEvents {
  void PlatformCloseRequest() override {}
};

struct ClickCount : fw::ControlEvents {
  int Clicks = 0;
  void PlatformClick() override { ++Clicks; }
  void PlatformFocusLeave() override {}
};

// A form's parameters: its window class and a client area of 120 x 40 unless another is given.
fw::FormParams Form(const char* className, fw::TBounds client = fw::TBounds{10, 10, 120, 40}) {
  fw::FormParams params;
  params.ClassName = className;
  params.Client = client;
  return params;
}

HWND Handle(const std::unique_ptr<fw::ControlPeer>& peer) {
  return dynamic_cast<win32::Win32Control&>(*peer).Handle();
}

// The keys as the message loop meets them: the modifiers in the thread's key state, the key's
// message with its previous state in bit 30 of lParam.
bool Translate(win32::Win32Form& form, HWND to, BYTE modifier, UINT message, WPARAM key,
               bool repeat) {
  BYTE state[256] = {};
  state[modifier] = 0x80;
  SetKeyboardState(state);
  MSG msg{to, message, key, LPARAM{1} | (repeat ? LPARAM{1} << 30 : 0), 0, {}};
  const bool translated = form.TranslateShortCut(msg);
  BYTE none[256] = {};
  SetKeyboardState(none);
  return translated;
}

TEST(Backend, TheSettingsKeysClickTheirControlOnceWhileHeld) {
  NoFormEvents formEvents;
  ClickCount panelEvents;
  win32::Win32Form form(nullptr, Form("TForm_KeyTest", fw::TBounds{10, 10, 129, 25}), formEvents);
  fw::ControlParams params;
  params.Kind = fw::TControlKind::Panel;
  params.Bounds = fw::TBounds{0, 0, 79, 25};
  params.ShortCut = fw::TShortCut::Properties;
  params.Hint = "IP: 192.168.100.200";
  const std::unique_ptr<fw::ControlPeer> panel = form.CreateControl(params, panelEvents);
  HWND formWindow = GetParent(Handle(panel));
  struct Case {
    BYTE Modifier;
    UINT Message;
    WPARAM Key;
    bool Repeat;
    bool Translated;
    int Clicks;  // after the case
  };
  const Case cases[] = {
      {VK_CONTROL, WM_KEYDOWN, VK_OEM_COMMA, false, true, 1},
      {VK_CONTROL, WM_KEYDOWN, VK_OEM_COMMA, true, true, 1},  // held: its repeat
      {VK_MENU, WM_SYSKEYDOWN, VK_RETURN, false, true, 2},
      {VK_MENU, WM_SYSKEYDOWN, VK_RETURN, true, true, 2},
      {VK_SHIFT, WM_KEYDOWN, VK_OEM_COMMA, false, false, 2},
      {VK_CONTROL, WM_KEYDOWN, VK_RETURN, false, false, 2},
      {0, WM_KEYDOWN, VK_RETURN, false, false, 2},
  };
  int index = 0;
  for (const Case& c : cases) {
    EXPECT_EQ(Translate(form, formWindow, c.Modifier, c.Message, c.Key, c.Repeat), c.Translated)
        << "case " << index;
    EXPECT_EQ(panelEvents.Clicks, c.Clicks) << "case " << index++;
  }

  // The panel's tooltip is a tooltip window of the form, with the hint as its text.
  const auto tipText = [formWindow] {
    HWND tip = nullptr;
    while ((tip = FindWindowExW(nullptr, tip, TOOLTIPS_CLASSW, nullptr)) != nullptr &&
           GetWindow(tip, GW_OWNER) != formWindow) {
    }
    wchar_t text[80] = {};
    if (tip != nullptr) {
      TOOLINFOW tool{};
      tool.cbSize = sizeof tool;
      SendMessageW(tip, TTM_ENUMTOOLSW, 0, reinterpret_cast<LPARAM>(&tool));
      tool.lpszText = text;
      SendMessageW(tip, TTM_GETTEXTW, std::size(text), reinterpret_cast<LPARAM>(&tool));
    }
    return tip != nullptr ? win32::Narrow(text) : std::string("(no tooltip)");
  };
  EXPECT_EQ(tipText(), "IP: 192.168.100.200");
  panel->SetHint("IP: 10.0.0.1");
  EXPECT_EQ(tipText(), "IP: 10.0.0.1");
}

TEST(Backend, TheFormAndControlBehindAHandleAreFoundOnlyForOurWindows) {
  NoFormEvents formEvents;
  ClickCount controlEvents;
  win32::Win32Form form(nullptr, Form("TForm_Test"), formEvents);
  fw::ControlParams params;
  params.Kind = fw::TControlKind::Label;
  params.Text = "x";
  params.Bounds = fw::TBounds{0, 0, 20, 12};
  const std::unique_ptr<fw::ControlPeer> peer = form.CreateControl(params, controlEvents);
  auto* label = dynamic_cast<win32::Win32Control*>(peer.get());
  ASSERT_NE(label, nullptr);

  HWND formWindow = GetParent(label->Handle());
  EXPECT_EQ(win32::Win32Control::FromHandle(label->Handle()), label);
  EXPECT_EQ(win32::Win32Form::FromHandle(formWindow), &form);
  EXPECT_EQ(win32::Win32Control::FromHandle(formWindow), nullptr);
  EXPECT_EQ(win32::Win32Form::FromHandle(label->Handle()), nullptr);

  // A window of the same standard class that is not one of our controls.
  HWND stranger = CreateWindowExW(0, L"STATIC", L"y", WS_CHILD, 0, 0, 10, 10, formWindow, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(stranger, nullptr);
  EXPECT_EQ(win32::Win32Control::FromHandle(stranger), nullptr);
  EXPECT_EQ(win32::Win32Control::FromHandle(nullptr), nullptr);
  EXPECT_EQ(win32::Win32Form::FromHandle(nullptr), nullptr);
  DestroyWindow(stranger);
}

// Another process cannot read a window's input method state under Wine (it gets no input
// context and no input method window for it), so this is read in the program's own process.
TEST(Backend, EnteringAFieldThatClosesTheInputMethodSwitchesItOff) {
  NoFormEvents formEvents;
  ClickCount controlEvents;
  win32::Win32Form form(nullptr, Form("TForm_ImeTest"), formEvents);
  fw::ControlParams closing;
  closing.Kind = fw::TControlKind::Edit;
  closing.Bounds = fw::TBounds{0, 0, 30, 20};
  closing.TabStop = true;
  closing.ImeMode = fw::TImeMode::Close;
  fw::ControlParams plain = closing;
  plain.Bounds = fw::TBounds{40, 0, 30, 20};
  plain.ImeMode = fw::TImeMode::DontCare;
  const std::unique_ptr<fw::ControlPeer> first = form.CreateControl(closing, controlEvents);
  const std::unique_ptr<fw::ControlPeer> second = form.CreateControl(plain, controlEvents);
  HWND closingField = Handle(first);
  HWND plainField = Handle(second);
  form.Show(fw::TWindowState::Normal, true);

  SetFocus(plainField);
  HIMC context = ImmGetContext(plainField);
  ASSERT_NE(context, nullptr);
  ImmSetOpenStatus(context, TRUE);
  ASSERT_TRUE(ImmGetOpenStatus(context)) << "the input method could not be opened";
  SetFocus(closingField);
  EXPECT_FALSE(ImmGetOpenStatus(context)) << "entering the field left the input method open";
  ImmSetOpenStatus(context, TRUE);
  SetFocus(plainField);
  EXPECT_TRUE(ImmGetOpenStatus(context)) << "entering another field changed the input method";
  ImmReleaseContext(plainField, context);
}

// A click on the panel is a press and a release over it; the second press of a double click is
// none, and a release elsewhere or without a press is none either.
TEST(Backend, APanelClickIsAPressAndAReleaseOverIt) {
  NoFormEvents formEvents;
  win32::Win32Form form(nullptr, Form("TForm_PanelTest"), formEvents);
  fw::ControlParams params;
  params.Bounds = fw::TBounds{0, 0, 79, 25};
  struct Case {
    const char* what;
    std::vector<UINT> messages;  // each at the panel's centre but the last release's
    bool releasedOutside;
    int clicks;
  };
  const Case cases[] = {
      {"press and release", {WM_LBUTTONDOWN, WM_LBUTTONUP}, false, 1},
      {"a double click", {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP}, false, 1},
      {"released beside it", {WM_LBUTTONDOWN, WM_LBUTTONUP}, true, 0},
      {"a release alone", {WM_LBUTTONUP}, false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ClickCount events;
    const std::unique_ptr<fw::ControlPeer> panel = form.CreateControl(params, events);
    HWND hwnd = Handle(panel);
    for (std::size_t i = 0; i < c.messages.size(); ++i) {
      const bool outside = c.releasedOutside && i + 1 == c.messages.size();
      SendMessageW(hwnd, c.messages[i], 0, outside ? MAKELPARAM(90, 12) : MAKELPARAM(40, 12));
    }
    EXPECT_EQ(events.Clicks, c.clicks);
  }
}

// A form that stays on top is topmost; one with a close button has the system menu for it;
// every form is a tool window, with no taskbar button of its own.
TEST(Backend, TheFramesStylesFollowTheForm) {
  struct Case {
    fw::TFormStyle style;
    fw::TBorderIcons icons;
  };
  for (const Case& c : {Case{fw::TFormStyle::StayOnTop, fw::TBorderIcons::Close},
                        Case{fw::TFormStyle::Normal, fw::TBorderIcons::None}}) {
    NoFormEvents formEvents;
    fw::FormParams params = Form("TForm_TopTest");
    params.Style = c.style;
    params.BorderIcons = c.icons;
    win32::Win32Form form(nullptr, params, formEvents);
    form.Show(fw::TWindowState::Normal, false);
    const bool topmost = (GetWindowLongPtrW(form.Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    const bool menu = (GetWindowLongPtrW(form.Handle(), GWL_STYLE) & WS_SYSMENU) != 0;
    EXPECT_EQ(topmost, c.style == fw::TFormStyle::StayOnTop);
    EXPECT_EQ(menu, c.icons == fw::TBorderIcons::Close);
    EXPECT_NE(GetWindowLongPtrW(form.Handle(), GWL_EXSTYLE) & WS_EX_TOOLWINDOW, 0);
  }
}

// A new resolution (a move to another monitor) lays every control out again at its scale.
TEST(Backend, AResolutionChangeScalesTheControls) {
  NoFormEvents formEvents;
  ClickCount controlEvents;
  win32::Win32Form form(nullptr, Form("TForm_DpiTest"), formEvents);
  fw::ControlParams params;
  params.Kind = fw::TControlKind::Button;
  params.Bounds = fw::TBounds{10, 5, 49, 25};
  params.Font.Height = -12;
  const std::unique_ptr<fw::ControlPeer> button = form.CreateControl(params, controlEvents);
  RECT suggested{0, 0, 200, 100};
  SendMessageW(form.Handle(), WM_DPICHANGED, MAKEWPARAM(144, 144),
               reinterpret_cast<LPARAM>(&suggested));
  HWND hwnd = Handle(button);
  RECT bounds{};
  GetWindowRect(hwnd, &bounds);
  MapWindowPoints(nullptr, form.Handle(), reinterpret_cast<POINT*>(&bounds), 2);
  EXPECT_EQ(bounds.left, 15);
  EXPECT_EQ(bounds.top, 8);
  EXPECT_EQ(bounds.right - bounds.left, 74);
  EXPECT_EQ(bounds.bottom - bounds.top, 38);
  LOGFONTW font{};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0)), sizeof font, &font);
  EXPECT_EQ(font.lfHeight, -18) << "its font scaled too";
}

// A form made where the system's resolution is 144 dpi has the client area of its layout at
// that scale, inside a frame of the same scale. Wine reads the resolution once, as a process
// starts, so the test runs itself again as a second process with the resolution set for it.
TEST(Backend, AFormMadeAtASystemDpiOf144IsFramedForIt) {
  if (GetEnvironmentVariableW(L"VORLIX_SYSTEM_DPI_CHILD", nullptr, 0) != 0) {
    SetProcessDPIAware();
    ASSERT_EQ(GetDpiForSystem(), 144u);
    NoFormEvents formEvents;
    win32::Win32Form form(nullptr, Form("TForm_SystemDpiTest"), formEvents);
    RECT client{};
    GetClientRect(form.Handle(), &client);
    EXPECT_EQ(client.right, 180);
    EXPECT_EQ(client.bottom, 60);
    return;
  }
  HKEY desktop = nullptr;
  ASSERT_EQ(
      RegOpenKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, KEY_ALL_ACCESS, &desktop),
      ERROR_SUCCESS);
  DWORD before = 0, size = sizeof before;
  const bool had = RegQueryValueExW(desktop, L"LogPixels", nullptr, nullptr,
                                    reinterpret_cast<BYTE*>(&before), &size) == ERROR_SUCCESS;
  const DWORD dpi = 144;
  RegSetValueExW(desktop, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi),
                 sizeof dpi);
  // The second process writes no report of its own: this case reports for both.
  wchar_t output[MAX_PATH] = L"";
  const bool reported = GetEnvironmentVariableW(L"GTEST_OUTPUT", output, MAX_PATH) != 0;
  SetEnvironmentVariableW(L"GTEST_OUTPUT", nullptr);
  SetEnvironmentVariableW(L"VORLIX_SYSTEM_DPI_CHILD", L"1");
  wchar_t exe[MAX_PATH];
  GetModuleFileNameW(nullptr, exe, MAX_PATH);
  std::wstring command = L"\"" + std::wstring(exe) +
                         L"\" --gtest_filter=Backend.AFormMadeAtASystemDpiOf144IsFramedForIt";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION child{};
  const BOOL started = CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                      nullptr, &startup, &child);
  SetEnvironmentVariableW(L"VORLIX_SYSTEM_DPI_CHILD", nullptr);
  SetEnvironmentVariableW(L"GTEST_OUTPUT", reported ? output : nullptr);
  DWORD code = 1;
  if (started) {
    WaitForSingleObject(child.hProcess, 60000);
    GetExitCodeProcess(child.hProcess, &code);
    CloseHandle(child.hProcess);
    CloseHandle(child.hThread);
  }
  if (had) {
    RegSetValueExW(desktop, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&before),
                   sizeof before);
  } else {
    RegDeleteValueW(desktop, L"LogPixels");
  }
  RegCloseKey(desktop);
  ASSERT_TRUE(started);
  EXPECT_EQ(code, 0u) << "the form made at 144 dpi (its failures are in the output above)";
}

// Layout sizes scale to a window's dots per inch rounded to the nearest, halves up, as MulDiv.
TEST(Backend, ScaledSizesRoundToTheNearestPixel) {
  struct Case {
    int value;
    UINT dpi;
    int scaled;
  };
  for (const Case& c : {Case{25, 96, 25}, Case{25, 144, 38}, Case{3, 120, 4}, Case{1, 120, 1},
                        Case{249, 168, 436}, Case{-6, 120, -8}}) {
    EXPECT_EQ(win32::Scaled(c.value, c.dpi), c.scaled) << c.value << " at " << c.dpi;
  }
}

}  // namespace
