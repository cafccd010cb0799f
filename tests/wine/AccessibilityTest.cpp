// What assistive technology is told of the controls under Wine: the names and the panel's polite
// live region set through a stand-in annotation service (Wine's oleacc keeps no names), and the
// live-region event of an announcement.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

// The framework's types before the Windows headers, which define some of their names as macros.
#include "framework/Types.h"
#include "platform/win32/Annotations.h"
#include "platform/win32/Win32.h"
#include "platform/win32/Win32Control.h"
#include "platform/win32/Win32Form.h"

// After windows.h, which it needs.
#include <oleacc.h>

namespace {

// PROPID_ACC_NAME, PROPID_ACC_KEYBOARDSHORTCUT and UI Automation's LiveSetting_Property_GUID,
// written as the system has them.
constexpr GUID kName = {
    0x608d3df8, 0x8128, 0x4aa7, {0xa4, 0x28, 0xf5, 0x5e, 0x49, 0x26, 0x72, 0x91}};
constexpr GUID kKeyboardShortcut = {
    0x7d9bceee, 0x7d1e, 0x4979, {0x93, 0x82, 0x51, 0x80, 0xf4, 0x17, 0x2c, 0x34}};
constexpr GUID kLiveSetting = {
    0xc12bcd8e, 0x2a8e, 0x4950, {0x8a, 0xe7, 0x36, 0x25, 0x11, 0x1d, 0x58, 0xeb}};

// One property set on a window, or cleared (cleared holds how many were named).
struct Set {
  HWND hwnd;
  DWORD object;
  DWORD child;
  GUID property;
  std::wstring text;
  VARTYPE type = VT_EMPTY;
  LONG value = 0;
  int cleared = 0;
};

// Keeps what the program sets; every other call is refused.
class StandInServices : public IAccPropServices {
 public:
  std::vector<Set> sets;

  HRESULT WINAPI QueryInterface(REFIID, void** out) override {
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG WINAPI AddRef() override { return 1; }
  ULONG WINAPI Release() override { return 1; }
  HRESULT WINAPI SetHwndProp(HWND hwnd, DWORD object, DWORD child, MSAAPROPID property,
                             VARIANT value) override {
    sets.push_back(Set{hwnd, object, child, property, L"", value.vt, value.lVal});
    return S_OK;
  }
  HRESULT WINAPI SetHwndPropStr(HWND hwnd, DWORD object, DWORD child, MSAAPROPID property,
                                LPCWSTR text) override {
    sets.push_back(Set{hwnd, object, child, property, text});
    return S_OK;
  }
  HRESULT WINAPI ClearHwndProps(HWND hwnd, DWORD object, DWORD child, const MSAAPROPID* properties,
                                int count) override {
    for (int i = 0; i < count; ++i) {
      sets.push_back(Set{hwnd, object, child, properties[i], L"", VT_EMPTY, 0, count});
    }
    return S_OK;
  }
  HRESULT WINAPI SetPropValue(const BYTE*, DWORD, MSAAPROPID, VARIANT) override { return E_FAIL; }
  HRESULT WINAPI SetPropServer(const BYTE*, DWORD, const MSAAPROPID*, int, IAccPropServer*,
                               AnnoScope) override {
    return E_FAIL;
  }
  HRESULT WINAPI ClearProps(const BYTE*, DWORD, const MSAAPROPID*, int) override { return E_FAIL; }
  HRESULT WINAPI SetHwndPropServer(HWND, DWORD, DWORD, const MSAAPROPID*, int, IAccPropServer*,
                                   AnnoScope) override {
    return E_FAIL;
  }
  HRESULT WINAPI ComposeHwndIdentityString(HWND, DWORD, DWORD, BYTE**, DWORD*) override {
    return E_FAIL;
  }
  HRESULT WINAPI DecomposeHwndIdentityString(const BYTE*, DWORD, HWND*, DWORD*, DWORD*) override {
    return E_FAIL;
  }
  HRESULT WINAPI SetHmenuProp(HMENU, DWORD, MSAAPROPID, VARIANT) override { return E_FAIL; }
  HRESULT WINAPI SetHmenuPropStr(HMENU, DWORD, MSAAPROPID, LPCWSTR) override { return E_FAIL; }
  HRESULT WINAPI SetHmenuPropServer(HMENU, DWORD, const MSAAPROPID*, int, IAccPropServer*,
                                    AnnoScope) override {
    return E_FAIL;
  }
  HRESULT WINAPI ClearHmenuProps(HMENU, DWORD, const MSAAPROPID*, int) override { return E_FAIL; }
  HRESULT WINAPI ComposeHmenuIdentityString(HMENU, DWORD, BYTE**, DWORD*) override {
    return E_FAIL;
  }
  HRESULT WINAPI DecomposeHmenuIdentityString(const BYTE*, DWORD, HMENU*, DWORD*) override {
    return E_FAIL;
  }
};

struct NoFormEvents : fw::FormEvents {
  void PlatformCloseRequest() override {}
};

struct NoControlEvents : fw::ControlEvents {
  void PlatformClick() override {}
  void PlatformFocusLeave() override {}
};

// A form with the stand-in in the system service's place for the test's time.
class Annotated : public ::testing::Test {
 protected:
  void SetUp() override {
    system_ = win32::Annotations::Shared().Replace(&services_);
    params_.ClassName = "TForm_Annotated";
    params_.Client = fw::TBounds{10, 10, 200, 60};
    form_ = std::make_unique<win32::Win32Form>(nullptr, params_, formEvents_);
  }
  void TearDown() override {
    form_.reset();
    win32::Annotations::Shared().Replace(system_);
  }
  std::unique_ptr<fw::ControlPeer> Make(fw::TControlKind kind, const std::string& name,
                                        fw::TShortCut shortCut = fw::TShortCut::None) {
    fw::ControlParams params;
    params.Kind = kind;
    params.ShortCut = shortCut;
    params.Text = "Check";
    params.Bounds = fw::TBounds{0, 0, 49, 25};
    params.AccessibleName = name;
    return form_->CreateControl(params, controlEvents_);
  }
  static HWND Handle(const std::unique_ptr<fw::ControlPeer>& peer) {
    return dynamic_cast<win32::Win32Control&>(*peer).Handle();
  }

  StandInServices services_;
  IAccPropServices* system_ = nullptr;
  fw::FormParams params_;
  NoFormEvents formEvents_;
  NoControlEvents controlEvents_;
  std::unique_ptr<win32::Win32Form> form_;
};

// Each control's own window (OBJID_CLIENT, CHILDID_SELF) is annotated: a given name, the panel's
// polite live setting; what was set is cleared as the control goes, and nothing else is set.
TEST_F(Annotated, NamesAndThePanelsPoliteLiveSettingAreSetAndClearedPerWindow) {
  struct Case {
    const char* what;
    fw::TControlKind kind;
    const char* name;
    std::vector<GUID> set;          // in the order they are set, then cleared
    const wchar_t* keys = nullptr;  // the keyboard shortcut's text, where it has one
  };
  const Case cases[] = {
      {"a named field", fw::TControlKind::Edit, "Time-out (ms)", {kName}},
      {"a button of its own caption", fw::TControlKind::Button, "", {}},
      {"the panel", fw::TControlKind::Panel, "", {kLiveSetting}},
      {"a named panel", fw::TControlKind::Panel, "Result", {kName, kLiveSetting}},
      {"the panel with its keys",
       fw::TControlKind::Panel,
       "",
       {kKeyboardShortcut, kLiveSetting},
       L"Ctrl+Comma, Alt+Enter"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    services_.sets.clear();
    std::unique_ptr<fw::ControlPeer> control =
        Make(c.kind, c.name, c.keys != nullptr ? fw::TShortCut::Properties : fw::TShortCut::None);
    const HWND hwnd = Handle(control);
    const std::size_t made = services_.sets.size();
    control.reset();
    ASSERT_EQ(made, c.set.size()) << "properties set";
    const GUID cleared[] = {kName, kKeyboardShortcut, kLiveSetting};
    ASSERT_EQ(services_.sets.size(), c.set.empty() ? 0 : made + 3) << "then all three cleared";
    for (std::size_t i = 0; i < services_.sets.size(); ++i) {
      const Set& s = services_.sets[i];
      EXPECT_EQ(s.hwnd, hwnd);
      EXPECT_EQ(s.object, static_cast<DWORD>(OBJID_CLIENT));
      EXPECT_EQ(s.child, static_cast<DWORD>(CHILDID_SELF));
      if (i >= made) {
        EXPECT_EQ(s.cleared, 3);
        EXPECT_EQ(s.property, cleared[i - made]);
        continue;
      }
      EXPECT_EQ(s.property, c.set[i]);
      if (s.property == kName) {
        EXPECT_EQ(s.text, std::wstring(c.name, c.name + std::string(c.name).size()));
      } else if (s.property == kKeyboardShortcut) {
        EXPECT_EQ(s.text, c.keys);
      } else {
        EXPECT_EQ(s.type, VT_I4);
        EXPECT_EQ(s.value, 1) << "polite (AutomationLiveSetting)";
      }
    }
  }
}

// The live-region events of this process, in the order they came.
std::vector<std::pair<HWND, std::pair<LONG, LONG>>> heard;

void CALLBACK Hear(HWINEVENTHOOK, DWORD, HWND hwnd, LONG object, LONG child, DWORD, DWORD) {
  heard.push_back({hwnd, {object, child}});
}

// An announcement is one live-region event for the panel's own window; other controls send none.
TEST_F(Annotated, AnAnnouncementIsOneLiveRegionEventForThePanelAlone) {
  const HWINEVENTHOOK hook =
      SetWinEventHook(EVENT_OBJECT_LIVEREGIONCHANGED, EVENT_OBJECT_LIVEREGIONCHANGED, nullptr, Hear,
                      GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT);
  ASSERT_NE(hook, nullptr);
  std::unique_ptr<fw::ControlPeer> panel = Make(fw::TControlKind::Panel, "");
  std::unique_ptr<fw::ControlPeer> label = Make(fw::TControlKind::Label, "");
  heard.clear();
  label->Announce();
  panel->Announce();
  label->Announce();
  MSG message;
  const DWORD start = GetTickCount();
  while (heard.empty() && GetTickCount() - start < 1000) {
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      DispatchMessageW(&message);
    }
    Sleep(5);
  }
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    DispatchMessageW(&message);
  }
  UnhookWinEvent(hook);
  const std::vector<std::pair<HWND, std::pair<LONG, LONG>>> expected = {
      {Handle(panel), {OBJID_CLIENT, CHILDID_SELF}}};
  EXPECT_EQ(heard, expected);
}

}  // namespace
