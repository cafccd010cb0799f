// The control factory: the Win32 control class of each kind.
#include "platform/win32/ControlFactory.h"

#include <stdexcept>

#include "platform/win32/Win32Bevel.h"
#include "platform/win32/Win32Button.h"
#include "platform/win32/Win32CheckBox.h"
#include "platform/win32/Win32Edit.h"
#include "platform/win32/Win32GroupBox.h"
#include "platform/win32/Win32Label.h"
#include "platform/win32/Win32Panel.h"

namespace win32 {

std::unique_ptr<Win32Control> MakeControl(const fw::ControlParams& params,
                                          fw::ControlEvents& events) {
  switch (params.Kind) {
    case fw::TControlKind::Panel:
      return std::make_unique<Win32Panel>(params, events);
    case fw::TControlKind::Button:
      return std::make_unique<Win32Button>(params, events);
    case fw::TControlKind::Edit:
      return std::make_unique<Win32Edit>(params, events);
    case fw::TControlKind::CheckBox:
      return std::make_unique<Win32CheckBox>(params, events);
    case fw::TControlKind::GroupBox:
      return std::make_unique<Win32GroupBox>(params, events);
    case fw::TControlKind::Label:
      return std::make_unique<Win32Label>(params, events);
    case fw::TControlKind::Bevel:
      return std::make_unique<Win32Bevel>(params, events);
  }
  throw std::logic_error("unknown control kind");
}

}  // namespace win32
