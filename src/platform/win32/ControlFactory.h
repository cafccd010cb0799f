// The control factory: the Win32 control class of each kind.
#pragma once

#include <memory>

#include "framework/Backend.h"
#include "platform/win32/Win32Control.h"

namespace win32 {

// A control of the kind the parameters name, not yet made on screen (see Win32Control::Create).
std::unique_ptr<Win32Control> MakeControl(const fw::ControlParams& params,
                                          fw::ControlEvents& events);

}  // namespace win32
