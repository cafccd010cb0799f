// A top-level form.
#include "platform/gtk/Form.h"

#include <algorithm>

#include "framework/PlatformError.h"
#include "platform/gtk/CheckBox.h"
#include "platform/gtk/EditField.h"
#include "platform/gtk/FrameBox.h"
#include "platform/gtk/GtkBackend.h"
#include "platform/gtk/Label.h"
#include "platform/gtk/Panel.h"
#include "platform/gtk/PushButton.h"
#include "platform/gtk/Style.h"

namespace gtk {

namespace {

// The time of the event being handled, so that the window manager lets the window come to
// the front; none outside an event.
guint32 EventTime() {
  return gtk_get_current_event_time();
}

}  // namespace

Form::Form(GtkBackend& backend, const fw::FormParams& params, fw::FormEvents& events)
    : backend_(backend), params_(params), events_(events) {
  window_ = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  if (window_ == nullptr) {
    throw fw::EPlatformError("gtk_window_new failed for a form");
  }
  GtkWindow* window = Window();
  gtk_window_set_title(window, params.Caption.c_str());
  // The class name as the window role (WM_WINDOW_ROLE) and accessible id, so that tools find
  // each form as they find its class on Windows.
  gtk_window_set_role(window, params.ClassName.c_str());
  atk_object_set_accessible_id(gtk_widget_get_accessible(window_), params.ClassName.c_str());
  gtk_style_context_add_class(gtk_widget_get_style_context(window_), kFormClass);
  // Window managers give a utility window no taskbar or pager entry and leave it out of
  // Alt+Tab, so the main form is a normal window: it has the program's one entry, as the
  // application window gives the program its one taskbar button on Windows.
  const bool main = params.MainForm;
  gtk_window_set_type_hint(window,
                           main ? GDK_WINDOW_TYPE_HINT_NORMAL : GDK_WINDOW_TYPE_HINT_UTILITY);
  gtk_window_set_skip_taskbar_hint(window, main ? FALSE : TRUE);
  gtk_window_set_skip_pager_hint(window, main ? FALSE : TRUE);
  gtk_window_set_resizable(window, FALSE);
  gtk_window_set_deletable(window, params.BorderIcons == fw::TBorderIcons::Close);
  gtk_window_set_keep_above(window, params.Style == fw::TFormStyle::StayOnTop);

  fixed_ = gtk_fixed_new();
  gtk_container_add(GTK_CONTAINER(window_), fixed_);
  // A fixed layout draws its children in the order they were put, so the one holding the
  // frames goes first.
  underlay_ = gtk_fixed_new();
  gtk_fixed_put(GTK_FIXED(fixed_), underlay_, 0, 0);
  Relayout();
  gtk_widget_show(underlay_);
  gtk_widget_show(fixed_);

  g_signal_connect(window_, "delete-event", G_CALLBACK(OnDelete), this);
  g_signal_connect(window_, "set-focus", G_CALLBACK(OnSetFocus), this);
  g_signal_connect(window_, "key-press-event", G_CALLBACK(OnKeyPress), this);
  g_signal_connect(window_, "key-release-event", G_CALLBACK(OnKeyRelease), this);
  g_signal_connect(window_, "window-state-event", G_CALLBACK(OnWindowState), this);
  g_signal_connect_after(window_, "realize", G_CALLBACK(OnRealize), this);
  g_signal_connect(fixed_, "focus", G_CALLBACK(OnFocus), this);

  g_weak_ref_init(&disabledFocus_, nullptr);
  position_ = fw::TPoint{params.Client.Left, params.Client.Top};
  if (!params.DefaultPosition) {
    SetPosition(position_);
  }
  backend_.FormCreated(this);
}

Form::~Form() {
  backend_.FormDestroyed(this);
  g_signal_handlers_disconnect_by_data(window_, this);
  g_signal_handlers_disconnect_by_data(fixed_, this);
  gtk_widget_destroy(window_);
  g_weak_ref_clear(&disabledFocus_);
}

void Form::SetCaption(const std::string& caption) {
  gtk_window_set_title(Window(), caption.c_str());
}

fw::TPoint Form::Position() const {
  if (!gtk_widget_get_mapped(window_)) {
    return position_;
  }
  // With the default north-west gravity GTK reports the frame's top-left corner, and places
  // that corner where gtk_window_move asks.
  int x = 0;
  int y = 0;
  gtk_window_get_position(Window(), &x, &y);
  return fw::TPoint{x, y};
}

void Form::SetPosition(fw::TPoint position) {
  position_ = position;
  placed_ = true;
  gtk_window_move(Window(), position.X, position.Y);
}

// Linux gives no start-up show command, so a form only ever shows in the normal state.
void Form::Show(fw::TWindowState, bool activate) {
  if (placed_) {
    // A window shown again would be placed anew by the window manager; it keeps its place.
    gtk_window_move(Window(), position_.X, position_.Y);
  }
  if (!placed_ && !params_.MainForm && firstMap_ == 0) {
    firstMap_ = g_signal_connect(window_, "map-event", G_CALLBACK(OnFirstMap), this);
  }
  gtk_window_set_focus_on_map(Window(), activate ? TRUE : FALSE);
  if (!params_.MainForm) {
    // GTK maps a window that was iconified when it was hidden iconified again; a form other
    // than the main one is never left so.
    gtk_window_deiconify(Window());
  }
  if (activate) {
    gtk_window_present_with_time(Window(), EventTime());
  } else {
    gtk_widget_show(window_);
  }
}

void Form::Hide() {
  if (gtk_widget_get_visible(window_)) {
    position_ = Position();
    placed_ = true;
    gtk_widget_hide(window_);
  }
}

bool Form::OnScreen() const {
  GdkWindow* window = gtk_widget_get_window(window_);
  return Shown() && window != nullptr &&
         (gdk_window_get_state(window) & GDK_WINDOW_STATE_ICONIFIED) == 0;
}

void Form::BringToFront() {
  gtk_window_present_with_time(Window(), EventTime());
}

std::unique_ptr<fw::ControlPeer> Form::CreateControl(const fw::ControlParams& params,
                                                     fw::ControlEvents& events) {
  switch (params.Kind) {
    case fw::TControlKind::Panel:
      return std::make_unique<Panel>(*this, params, events);
    case fw::TControlKind::Button:
      return std::make_unique<PushButton>(*this, params, events);
    case fw::TControlKind::Edit:
      return std::make_unique<EditField>(*this, params, events);
    case fw::TControlKind::CheckBox:
      return std::make_unique<CheckBox>(*this, params, events);
    case fw::TControlKind::GroupBox:
    case fw::TControlKind::Bevel:
      return std::make_unique<FrameBox>(*this, params, events);
    case fw::TControlKind::Label:
      return std::make_unique<Label>(*this, params, events);
  }
  throw std::logic_error("unknown control kind");
}

void Form::CancelMouseCapture() {
  for (Control* control : controls_) {
    control->CancelMouseCapture();
  }
}

// An insensitive window loses its focus widget, so it is kept aside until the window is back.
bool Form::Disable() {
  if (!gtk_widget_get_sensitive(window_)) {
    return false;
  }
  g_weak_ref_set(&disabledFocus_, gtk_window_get_focus(Window()));
  gtk_widget_set_sensitive(window_, FALSE);
  return true;
}

void Form::Enable() {
  gtk_widget_set_sensitive(window_, TRUE);
  if (gpointer focus = g_weak_ref_get(&disabledFocus_)) {
    gtk_window_set_focus(Window(), GTK_WIDGET(focus));
    g_object_unref(focus);
  }
  g_weak_ref_set(&disabledFocus_, nullptr);
}

bool Form::MoveFocus(bool forward) {
  std::vector<GtkWidget*> chain;
  for (Control* control : controls_) {
    GtkWidget* widget = control->Widget();
    if (control->TabStop() && widget != nullptr && gtk_widget_is_visible(widget) &&
        gtk_widget_is_sensitive(widget)) {
      chain.push_back(widget);
    }
  }
  if (chain.empty()) {
    return false;
  }
  const auto found = std::find(chain.begin(), chain.end(), gtk_window_get_focus(Window()));
  std::size_t next = forward ? 0 : chain.size() - 1;
  if (found != chain.end()) {
    const auto at = static_cast<std::size_t>(found - chain.begin());
    next = forward ? (at + 1) % chain.size() : (at + chain.size() - 1) % chain.size();
  }
  gtk_widget_grab_focus(chain[next]);
  return true;
}

gboolean Form::OnDelete(GtkWidget*, GdkEvent*, gpointer self) {
  static_cast<Form*>(self)->events_.PlatformCloseRequest();
  return TRUE;  // the framework decides: the main form ends the program, others hide
}

// Runs before the focus moves; focus leaving the window (deactivation, hiding, a message box)
// changes no focus widget, so only a move to another control of this window gets here.
void Form::OnSetFocus(GtkWindow* window, GtkWidget* next, gpointer) {
  GtkWidget* previous = gtk_window_get_focus(window);
  if (next == nullptr || next == previous) {
    return;
  }
  if (Control* left = Control::FromWidget(previous)) {
    left->FocusLeft();
  }
}

// The tab order is the order in which the controls were made, as the layouts list them; other
// directions (the arrow keys) keep GTK's own handling.
gboolean Form::OnFocus(GtkWidget*, GtkDirectionType direction, gpointer self) {
  if (direction != GTK_DIR_TAB_FORWARD && direction != GTK_DIR_TAB_BACKWARD) {
    return FALSE;
  }
  return static_cast<Form*>(self)->MoveFocus(direction == GTK_DIR_TAB_FORWARD) ? TRUE : FALSE;
}

}  // namespace gtk
