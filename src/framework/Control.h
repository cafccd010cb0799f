// The base of every child control: it keeps the control's state and its platform peer.
#pragma once

#include <memory>
#include <string>

#include "framework/Backend.h"
#include "framework/Component.h"
#include "framework/Types.h"

namespace fw {

class TForm;

class TControl : public TComponent, private ControlEvents {
 public:
  ~TControl() override;

  TForm* Form() const { return form_; }
  TControlKind Kind() const { return kind_; }

  const TBounds& Bounds() const { return bounds_; }
  void SetBounds(int left, int top, int width, int height);

  std::string Caption() const;
  void SetCaption(const std::string& caption);

  TColor Color() const { return color_; }
  void SetColor(TColor color) { color_ = color; }

  // The control's own font; when none is set, it uses its form's.
  const TFont& Font() const;
  void SetFont(const TFont& font);
  void SetFontColor(TColor color);

  bool TabStop() const { return tabStop_; }

  // The name assistive technology reads for the control; the layout sets it before the control's
  // window is made.
  const std::string& AccessibleName() const { return accessibleName_; }
  void SetAccessibleName(const std::string& name) { accessibleName_ = name; }
  // Has a running screen reader read the caption out, without moving the focus (see
  // ControlPeer::Announce).
  void Announce();

  // The keys that click the control while its form is active; set before the control's window
  // is made.
  TShortCut ShortCut() const { return shortCut_; }
  void SetShortCut(TShortCut shortCut) { shortCut_ = shortCut; }
  const std::string& Hint() const { return hint_; }
  void SetHint(const std::string& hint);

  // The control that holds this one (a group box); positions are relative to it.
  TControl* ParentControl() const { return parent_; }
  void SetParentControl(TControl* parent) { parent_ = parent; }

  TNotifyEvent OnClick;
  TNotifyEvent OnExit;

 protected:
  TControl(TForm* form, TControlKind kind, bool tabStop);

  bool CheckedState() const;
  void SetCheckedState(bool checked);
  int maxLength_ = 0;
  TImeMode imeMode_ = TImeMode::DontCare;

 private:
  friend class TForm;
  void CreatePeer(FormPeer& form);
  // Keeps what the user may have changed on screen, then drops the peer.
  void DestroyPeer();
  void PlatformClick() override;
  void PlatformFocusLeave() override;
  // The bounds relative to the form's client area.
  TBounds FormBounds() const;

  TForm* form_;
  TControl* parent_ = nullptr;
  bool checked_ = false;
  TControlKind kind_;
  TBounds bounds_;
  std::string caption_;
  std::string accessibleName_;
  std::string hint_;
  TShortCut shortCut_ = TShortCut::None;
  TColor color_ = clBtnFace;
  std::unique_ptr<TFont> font_;
  bool tabStop_;
  std::unique_ptr<ControlPeer> peer_;
};

}  // namespace fw
