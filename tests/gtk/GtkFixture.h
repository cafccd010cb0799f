// A GTK back end on the test's display, with forms and controls made straight from their
// parameters, and recorders for the events they report.
#pragma once

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/gtk/Control.h"
#include "platform/gtk/Form.h"
#include "platform/gtk/GtkBackend.h"

namespace gtktest {

struct FormLog final : fw::FormEvents {
  int CloseRequests = 0;
  void PlatformCloseRequest() override { ++CloseRequests; }
};

struct ControlLog final : fw::ControlEvents {
  int Clicks = 0;
  int Leaves = 0;
  void PlatformClick() override { ++Clicks; }
  void PlatformFocusLeave() override { ++Leaves; }
};

constexpr const char* kLayoutFace = "ＭＳ Ｐゴシック";

// Where GTK placed the widget, in its window's coordinates.
inline fw::TBounds Allocation(GtkWidget* widget) {
  GtkAllocation a{};
  gtk_widget_get_allocation(widget, &a);
  return fw::TBounds{a.x, a.y, a.width, a.height};
}

// An event of that type for the widget's window.
inline GdkEvent* NewEvent(GdkEventType type, GtkWidget* widget) {
  GdkEvent* event = gdk_event_new(type);
  event->any.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(widget)));
  return event;
}

// Hands the event to the widget as coming from the keyboard or the pointer, then frees it.
inline void Deliver(GdkEvent* event, GtkWidget* widget, bool keyboard) {
  GdkSeat* seat = gdk_display_get_default_seat(gdk_display_get_default());
  gdk_event_set_device(event, keyboard ? gdk_seat_get_keyboard(seat) : gdk_seat_get_pointer(seat));
  gtk_widget_event(widget, event);
  gdk_event_free(event);
}

class GtkFixture : public ::testing::Test {
 protected:
  gtk::Form& MakeForm(fw::TBorderIcons icons = fw::TBorderIcons::Close,
                      fw::TFormStyle style = fw::TFormStyle::Normal, bool main = false,
                      fw::TBounds client = fw::TBounds{40, 50, 249, 101}) {
    fw::FormParams params;
    params.ClassName = "TForm_Test";
    params.Caption = "Test form";
    params.Client = client;
    params.BorderIcons = icons;
    params.Style = style;
    params.MainForm = main;
    params.Font.Face = kLayoutFace;
    params.Font.Height = -12;
    forms.push_back(backend.CreateForm(params, formLog));
    return static_cast<gtk::Form&>(*forms.back());
  }

  // A control in the layout's font, or in another face, height (negative: the em height in
  // pixels at 96 dpi) and weight.
  gtk::Control& MakeControl(gtk::Form& form, fw::TControlKind kind, fw::TBounds bounds,
                            const std::string& text = {}, int maxLength = 0,
                            const std::string& face = kLayoutFace, int height = -12,
                            bool bold = false) {
    fw::ControlParams params;
    params.Kind = kind;
    params.Text = text;
    params.Bounds = bounds;
    params.MaxLength = maxLength;
    params.TabStop = kind == fw::TControlKind::Edit || kind == fw::TControlKind::Button ||
                     kind == fw::TControlKind::CheckBox;
    params.Font.Face = face;
    params.Font.Height = height;
    params.Font.Bold = bold;
    logs.push_back(std::make_unique<ControlLog>());
    controls.push_back(form.CreateControl(params, *logs.back()));
    return static_cast<gtk::Control&>(*controls.back());
  }

  ControlLog& LogOf(std::size_t index) { return *logs[index]; }

  // Handles what is pending, as the framework's message processing does.
  void Pump() {
    while (backend.ProcessOneMessage() != fw::Backend::MessageResult::None) {
    }
  }

  // Pumps until the condition holds (the window manager's and GTK's own work takes a few
  // turns of the loop), for at most five seconds; returns whether it held.
  template <class Condition>
  bool PumpUntil(Condition condition) {
    const gint64 deadline = g_get_monotonic_time() + gint64{5} * G_USEC_PER_SEC;
    while (!condition()) {
      if (g_get_monotonic_time() > deadline) {
        return false;
      }
      Pump();
      g_usleep(5000);
    }
    return true;
  }

  void TearDown() override {
    controls.clear();
    forms.clear();
  }

  gtk::GtkBackend backend;
  FormLog formLog;
  std::vector<std::unique_ptr<fw::FormPeer>> forms;
  std::vector<std::unique_ptr<ControlLog>> logs;
  std::vector<std::unique_ptr<fw::ControlPeer>> controls;
};

}  // namespace gtktest
