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

std::string TControl::Caption() const { return peer_ ? peer_->Text() : caption_; }

void TControl::SetCaption(const std::string& caption) {
  caption_ = caption;
  if (peer_) {
    peer_->SetText(caption);
  }
}

const TFont& TControl::Font() const { return font_ ? *font_ : form_->Font(); }

void TControl::SetFont(const TFont& font) { font_ = std::make_unique<TFont>(font); }

void TControl::SetFontColor(TColor color) {
  if (!font_) {
    font_ = std::make_unique<TFont>(form_->Font());
  }
  font_->Color = color;
  if (peer_) {
    peer_->SetFontColor(color);
  }
}

void TControl::CreatePeer(Backend& backend, FormPeer& form) {
  ControlParams params;
  params.Kind = kind_;
  params.Text = caption_;
  params.Bounds = bounds_;
  params.Color = color_;
  params.Font = Font();
  params.TabStop = tabStop_;
  peer_ = backend.CreateControl(form, params, *this);
}

void TControl::DestroyPeer() {
  if (peer_) {
    caption_ = peer_->Text();
    peer_.reset();
  }
}

void TControl::PlatformClick() {
  Application->Guard([this] {
    if (OnClick) {
      OnClick(this);
    }
  });
}

}  // namespace fw
