// The keys of the framework's shortcuts on GTK.
#include "platform/gtk/ShortCutKeys.h"

namespace gtk {

namespace {

// The modifiers that make one key combination differ from another.
constexpr guint kModifiers = GDK_SHIFT_MASK | GDK_CONTROL_MASK | GDK_MOD1_MASK | GDK_SUPER_MASK |
                             GDK_HYPER_MASK | GDK_META_MASK;

bool IsEnter(guint keyval) {
  return keyval == GDK_KEY_Return || keyval == GDK_KEY_KP_Enter || keyval == GDK_KEY_ISO_Enter;
}

}  // namespace

// Ctrl+Comma opens a program's preferences on GNOME, Alt+Enter an object's properties on
// Windows; both do here.
fw::TShortCut ShortCutOf(guint keyval, GdkModifierType state) {
  const guint modifiers = static_cast<guint>(state) & kModifiers;
  if ((modifiers == GDK_CONTROL_MASK && keyval == GDK_KEY_comma) ||
      (modifiers == GDK_MOD1_MASK && IsEnter(keyval))) {
    return fw::TShortCut::Properties;
  }
  return fw::TShortCut::None;
}

const char* KeyBindingOf(fw::TShortCut shortCut) {
  return shortCut == fw::TShortCut::Properties ? ";;<Control>comma" : nullptr;
}

}  // namespace gtk
