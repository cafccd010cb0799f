// A group box or a bevel.
#include "platform/gtk/FrameBox.h"

#include <algorithm>

namespace gtk {

namespace {

// A bevel has no caption, and an empty caption leaves no gap in the top edge.
const char* Caption(const std::string& text) {
  return text.empty() ? nullptr : text.c_str();
}

// A group box's caption starts this far from its left edge (at 96 dpi), with a short stretch
// of the top line before it.
constexpr int kCaptionIndent = 6;

// GTK places the caption at a fraction of the room its frame leaves beside it (the width less
// the two side lines and the caption), so the fraction is worked out from the caption's width.
// A caption too wide for the whole indent is centred, so that it touches neither side line
// (a font whose katakana are all full-width fills most of the timeout box).
void IndentCaption(GtkWidget* frame, int width, const Scale& scale) {
  GtkWidget* label = gtk_frame_get_label_widget(GTK_FRAME(frame));
  if (label == nullptr) {
    return;
  }
  gtk_label_set_xalign(GTK_LABEL(label), 0.0f);
  int natural = 0;
  gtk_widget_get_preferred_width(label, nullptr, &natural);
  const int room = scale.Px(width) - 2 - natural;
  const int indent = std::min(scale.Px(kCaptionIndent), room / 2);
  gtk_frame_set_label_align(GTK_FRAME(frame),
                            room > 0 ? static_cast<float>(indent) / static_cast<float>(room) : 0.0f,
                            0.5f);
}

}  // namespace

FrameBox::FrameBox(Form& form, const fw::ControlParams& params, fw::ControlEvents& events)
    : Control(form, params, events) {
  const bool group = params.Kind == fw::TControlKind::GroupBox;
  GtkWidget* frame = gtk_frame_new(group ? Caption(params.Text) : nullptr);
  gtk_frame_set_shadow_type(GTK_FRAME(frame), GTK_SHADOW_ETCHED_IN);
  Attach(frame, group ? ATK_ROLE_GROUPING : ATK_ROLE_PANEL);
  IndentCaption(frame, params.Bounds.Width, CurrentScale());
}

void FrameBox::SetText(const std::string& text) {
  params_.Text = text;
  if (widget_ != nullptr && params_.Kind == fw::TControlKind::GroupBox) {
    gtk_frame_set_label(GTK_FRAME(widget_), Caption(text));
    IndentCaption(widget_, params_.Bounds.Width, CurrentScale());
  }
}

// The caption's font has changed size with the scale.
void FrameBox::Rescaled() {
  if (widget_ != nullptr) {
    IndentCaption(widget_, params_.Bounds.Width, CurrentScale());
  }
}

}  // namespace gtk
