// A top-level tool window with its child controls.
#include "framework/Form.h"

#include <algorithm>

#include "framework/Application.h"

namespace fw {

TForm::TForm(TComponent* owner) : TComponent(owner) {}

TForm::~TForm() {
  // The controls leave the form's list as they go, so they go while the form is whole.
  DestroyComponents();
  peer_.reset();
}

void TForm::AfterConstruction() {
  Application->Fire(OnCreate, this);
}

void TForm::BeforeDestruction() {
  destroying_ = true;
  Hide();
  Application->Fire(OnDestroy, this);
  DestroyPeer();
}

void TForm::SetCaption(const std::string& caption) {
  caption_ = caption;
  if (peer_) {
    peer_->SetCaption(caption);
  }
  if (captionHint_ != nullptr) {
    captionHint_->SetHint(caption);
  }
}

void TForm::SetCaptionHint(TControl* control) {
  captionHint_ = control;
  if (control != nullptr) {
    control->SetHint(caption_);
  }
}

void TForm::SetClientSize(int width, int height) {
  clientWidth_ = width;
  clientHeight_ = height;
}

int TForm::Left() const {
  return peer_ ? peer_->Position().X : position_.X;
}

int TForm::Top() const {
  return peer_ ? peer_->Position().Y : position_.Y;
}

void TForm::SetLeft(int left) {
  position_ = TPoint{left, Top()};
  if (peer_) {
    peer_->SetPosition(position_);
  }
}

void TForm::SetTop(int top) {
  position_ = TPoint{Left(), top};
  if (peer_) {
    peer_->SetPosition(position_);
  }
}

void TForm::SetFormStyle(TFormStyle style) {
  if (style == style_) {
    return;
  }
  style_ = style;
  if (peer_) {
    DestroyPeer();
    CreatePeer();
    if (visible_) {
      peer_->Show(windowState_, false);
    }
  }
}

void TForm::Show() {
  HandleNeeded();
  visible_ = true;
  peer_->Show(windowState_, true);
  peer_->BringToFront();
}

void TForm::Hide() {
  if (!visible_) {
    return;
  }
  visible_ = false;
  if (peer_) {
    peer_->Hide();
  }
  Application->Fire(OnHide, this);
}

void TForm::HandleNeeded() {
  if (!peer_) {
    CreatePeer();
  }
}

void TForm::RemoveControl(TControl* control) {
  if (captionHint_ == control) {
    captionHint_ = nullptr;
  }
  controls_.erase(std::remove(controls_.begin(), controls_.end(), control), controls_.end());
}

void TForm::CreatePeer() {
  FormParams params;
  params.ClassName = className_;
  params.Caption = caption_;
  params.Client = TBounds{position_.X, position_.Y, clientWidth_, clientHeight_};
  params.DefaultPosition = defaultPosition_;
  params.MainForm = Application->MainForm() == this;
  params.BorderIcons = borderIcons_;
  params.Style = style_;
  params.WindowState = windowState_;
  params.Color = color_;
  params.Font = font_;
  peer_ = Application->GetBackend().CreateForm(params, *this);
  // Only the first placement is left to the platform; a rebuild keeps the window's place.
  defaultPosition_ = false;
  position_ = peer_->Position();
  for (TControl* control : controls_) {
    control->CreatePeer(*peer_);
  }
}

void TForm::DestroyPeer() {
  if (!peer_) {
    return;
  }
  position_ = peer_->Position();
  if (visible_) {
    windowState_ = peer_->WindowState();
  }
  for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
    (*it)->DestroyPeer();
  }
  peer_.reset();
}

void TForm::PlatformCloseRequest() {
  Application->Guard([this] {
    if (Application->MainForm() == this) {
      Application->Terminate();
    } else {
      Hide();
    }
  });
}

}  // namespace fw
