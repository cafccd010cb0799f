// The annotations of a window, through oleacc's IAccPropServices.
#include "platform/win32/Annotations.h"

// After windows.h, which it needs.
#include <oleacc.h>

#include <iterator>

#include "platform/win32/Utf.h"

namespace win32 {

namespace {

// The identifiers are written out here, so that no import library or COM registration is
// needed: the service comes from oleacc's own class factory.
constexpr GUID kAccPropServicesClass = {
    0xb5f8350b, 0x0548, 0x48b1, {0xa6, 0xee, 0x88, 0xbd, 0x00, 0xb4, 0xa5, 0xe7}};
constexpr GUID kAccPropServicesInterface = {
    0x6e26e776, 0x04f0, 0x495d, {0x80, 0xe4, 0x33, 0x30, 0x35, 0x2e, 0x31, 0x69}};
constexpr GUID kClassFactoryInterface = {
    0x00000001, 0x0000, 0x0000, {0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
// PROPID_ACC_NAME, PROPID_ACC_KEYBOARDSHORTCUT, and UI Automation's LiveSetting_Property_GUID.
constexpr GUID kNameProperty = {
    0x608d3df8, 0x8128, 0x4aa7, {0xa4, 0x28, 0xf5, 0x5e, 0x49, 0x26, 0x72, 0x91}};
constexpr GUID kKeyboardShortcutProperty = {
    0x7d9bceee, 0x7d1e, 0x4979, {0x93, 0x82, 0x51, 0x80, 0xf4, 0x17, 0x2c, 0x34}};
constexpr GUID kLiveSettingProperty = {
    0xc12bcd8e, 0x2a8e, 0x4950, {0x8a, 0xe7, 0x36, 0x25, 0x11, 0x1d, 0x58, 0xeb}};
constexpr LONG kPolite = 1;  // AutomationLiveSetting's Polite

// The window itself, as assistive technology addresses it.
constexpr DWORD kClient = static_cast<DWORD>(OBJID_CLIENT);
constexpr DWORD kSelf = CHILDID_SELF;

using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);

}  // namespace

Annotations& Annotations::Shared() {
  static Annotations shared;
  return shared;
}

Annotations::Annotations() {
  GetClassObject getClassObject = nullptr;
  if (!library_.Find(getClassObject, "DllGetClassObject")) {
    return;
  }
  IClassFactory* factory = nullptr;
  if (FAILED(getClassObject(kAccPropServicesClass, kClassFactoryInterface,
                            reinterpret_cast<void**>(&factory)))) {
    return;
  }
  if (FAILED(factory->CreateInstance(nullptr, kAccPropServicesInterface,
                                     reinterpret_cast<void**>(&services_)))) {
    services_ = nullptr;
  }
  factory->Release();
}

Annotations::~Annotations() {
  if (services_ != nullptr) {
    services_->Release();
  }
}

bool Annotations::SetName(HWND hwnd, const std::string& name) {
  return services_ != nullptr && SUCCEEDED(services_->SetHwndPropStr(
                                     hwnd, kClient, kSelf, kNameProperty, Widen(name).c_str()));
}

bool Annotations::SetKeyboardShortcut(HWND hwnd, const std::string& keys) {
  return services_ != nullptr &&
         SUCCEEDED(services_->SetHwndPropStr(hwnd, kClient, kSelf, kKeyboardShortcutProperty,
                                             Widen(keys).c_str()));
}

bool Annotations::SetPoliteLiveRegion(HWND hwnd) {
  if (services_ == nullptr) {
    return false;
  }
  VARIANT setting{};  // set by hand: VariantInit would import oleaut32
  setting.vt = VT_I4;
  setting.lVal = kPolite;
  return SUCCEEDED(services_->SetHwndProp(hwnd, kClient, kSelf, kLiveSettingProperty, setting));
}

IAccPropServices* Annotations::Replace(IAccPropServices* services) {
  IAccPropServices* replaced = services_;
  services_ = services;
  return replaced;
}

void Annotations::Clear(HWND hwnd) {
  if (services_ != nullptr) {
    MSAAPROPID properties[] = {kNameProperty, kKeyboardShortcutProperty, kLiveSettingProperty};
    services_->ClearHwndProps(hwnd, kClient, kSelf, properties,
                              static_cast<int>(std::size(properties)));
  }
}

}  // namespace win32
