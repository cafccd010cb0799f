// A drawing area that assistive technology can click.
#include "platform/gtk/ClickableArea.h"

#include <gtk/gtk-a11y.h>

namespace gtk {

namespace {

constexpr const char kClickKey[] = "vorlix-click";

struct Click {
  ClickFunction Function;
  gpointer Data;
  const char* KeyBinding;  // a constant text, or null
};

struct AreaAccessible {
  GtkWidgetAccessible Parent;
};
struct AreaAccessibleClass {
  GtkWidgetAccessibleClass Parent;
};
struct Area {
  GtkDrawingArea Parent;
};
struct AreaClass {
  GtkDrawingAreaClass Parent;
};

const Click* ClickOf(AtkAction* action) {
  GtkWidget* widget = gtk_accessible_get_widget(GTK_ACCESSIBLE(action));
  return widget != nullptr
             ? static_cast<const Click*>(g_object_get_data(G_OBJECT(widget), kClickKey))
             : nullptr;
}

// The click runs from the main loop, as a button's does: the request that asked for it is
// answered first, and a click that opens a window or runs a check does not hold it up.
gboolean RunClick(gpointer widget) {
  if (const auto* click =
          static_cast<const Click*>(g_object_get_data(G_OBJECT(widget), kClickKey))) {
    click->Function(click->Data);
  }
  g_object_unref(widget);
  return G_SOURCE_REMOVE;
}

gboolean DoAction(AtkAction* action, gint index) {
  GtkWidget* widget = gtk_accessible_get_widget(GTK_ACCESSIBLE(action));
  if (index != 0 || widget == nullptr || !gtk_widget_is_sensitive(widget)) {
    return FALSE;
  }
  g_idle_add(RunClick, g_object_ref(widget));
  return TRUE;
}

gint ActionCount(AtkAction*) {
  return 1;
}

const gchar* ActionName(AtkAction*, gint index) {
  return index == 0 ? "click" : nullptr;
}

const gchar* KeyBinding(AtkAction* action, gint index) {
  const Click* click = ClickOf(action);
  return index == 0 && click != nullptr ? click->KeyBinding : nullptr;
}

void InitAction(gpointer iface, gpointer) {
  auto* action = static_cast<AtkActionIface*>(iface);
  action->do_action = DoAction;
  action->get_n_actions = ActionCount;
  action->get_name = ActionName;
  action->get_keybinding = KeyBinding;
}

GType AreaAccessibleType() {
  static const GType type = [] {
    const GType made = g_type_register_static_simple(
        GTK_TYPE_WIDGET_ACCESSIBLE, "VorlixClickableAreaAccessible", sizeof(AreaAccessibleClass),
        nullptr, sizeof(AreaAccessible), nullptr, static_cast<GTypeFlags>(0));
    const GInterfaceInfo action{InitAction, nullptr, nullptr};
    g_type_add_interface_static(made, ATK_TYPE_ACTION, &action);
    return made;
  }();
  return type;
}

void InitAreaClass(gpointer klass, gpointer) {
  gtk_widget_class_set_accessible_type(GTK_WIDGET_CLASS(klass), AreaAccessibleType());
}

GType AreaType() {
  static const GType type = g_type_register_static_simple(
      GTK_TYPE_DRAWING_AREA, "VorlixClickableArea", sizeof(AreaClass), InitAreaClass, sizeof(Area),
      nullptr, static_cast<GTypeFlags>(0));
  return type;
}

void FreeClick(gpointer click) {
  delete static_cast<Click*>(click);
}

// A click still to run when the area goes finds nothing to call.
void Forget(GtkWidget* area, gpointer) {
  g_object_set_data(G_OBJECT(area), kClickKey, nullptr);
}

}  // namespace

GtkWidget* NewClickableArea(const char* keyBinding, ClickFunction click, gpointer data) {
  GtkWidget* area = GTK_WIDGET(g_object_new(AreaType(), nullptr));
  g_object_set_data_full(G_OBJECT(area), kClickKey, new Click{click, data, keyBinding}, FreeClick);
  g_signal_connect(area, "destroy", G_CALLBACK(Forget), nullptr);
  return area;
}

}  // namespace gtk
