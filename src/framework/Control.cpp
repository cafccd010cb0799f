// The base of every child control.
#include "framework/Control.h"

#include "framework/Application.h"
#include "framework/Form.h"

namespace fw {

TControl::TControl(TForm* form, TControlKind kind, bool tabStop)
    : TComponent(form), form_(form), kind_(kind), tabStop_(tabStop) {
  form_->AddControl(this);
}

TControl::~TControl() {
  peer_.reset();
  form_->RemoveControl(this);
}

void TControl::SetBounds(int left, int top, int width, int height) {
  bounds_ = TBounds{left, top, width, height};
}

std::string TControl::Caption() const {
  return peer_ ? peer_->Text() : caption_;
}

void TControl::SetCaption(const std::string& caption) {
  caption_ = caption;
  if (peer_) {
    peer_->SetText(caption);
  }
}

const TFont& TControl::Font() const {
  return font_ ? *font_ : form_->Font();
}

void TControl::SetFont(const TFont& font) {
  font_ = std::make_unique<TFont>(font);
}

void TControl::SetFontColor(TColor color) {
  if (!font_) {
    font_ = std::make_unique<TFont>(form_->Font());
  }
  font_->Color = color;
  if (peer_) {
    peer_->SetFontColor(color);
  }
}

void TControl::Announce() {
  if (peer_) {
    peer_->Announce();
  }
}

void TControl::SetHint(const std::string& hint) {
  hint_ = hint;
  if (peer_) {
    peer_->SetHint(hint);
  }
}

bool TControl::CheckedState() const {
  return peer_ ? peer_->Checked() : checked_;
}

void TControl::SetCheckedState(bool checked) {
  checked_ = checked;
  if (peer_) {
    peer_->SetChecked(checked);
  }
}

TBounds TControl::FormBounds() const {
  TBounds bounds = bounds_;
  for (const TControl* parent = parent_; parent != nullptr; parent = parent->parent_) {
    bounds.Left += parent->bounds_.Left;
    bounds.Top += parent->bounds_.Top;
  }
  return bounds;
}

void TControl::CreatePeer(FormPeer& form) {
  ControlParams params;
  params.Kind = kind_;
  params.Text = caption_;
  params.Bounds = FormBounds();
  params.Color = color_;
  params.Font = Font();
  params.TabStop = tabStop_;
  params.Checked = checked_;
  params.MaxLength = maxLength_;
  params.ImeMode = imeMode_;
  params.AccessibleName = accessibleName_;
  params.ShortCut = shortCut_;
  params.Hint = hint_;
  peer_ = form.CreateControl(params, *this);
}

void TControl::DestroyPeer() {
  if (peer_) {
    caption_ = peer_->Text();
    checked_ = peer_->Checked();
    peer_.reset();
  }
}

void TControl::PlatformFocusLeave() {
  Application->Fire(OnExit, this);
}

void TControl::PlatformClick() {
  Application->Fire(OnClick, this);
}

}  // namespace fw
