// The keys of the framework's shortcuts on GTK, and the name ATK gives them.
#pragma once

#include <gdk/gdk.h>

#include "framework/Types.h"

namespace gtk {

// The shortcut that a key pressed with these modifiers is, or None. Lock keys (Caps Lock,
// Num Lock) do not count.
fw::TShortCut ShortCutOf(guint keyval, GdkModifierType state);

// The shortcut as an ATK action's key binding gives it (mnemonic, sequence and accelerator,
// split by ";"), or nullptr for none.
const char* KeyBindingOf(fw::TShortCut shortCut);

}  // namespace gtk
