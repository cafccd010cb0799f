// A top-level tool window with its child controls; its platform window is made when first needed.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "framework/Backend.h"
#include "framework/Component.h"
#include "framework/Control.h"
#include "framework/Types.h"

namespace fw {

class TForm : public TComponent, private FormEvents {
 public:
  explicit TForm(TComponent* owner);
  ~TForm() override;

  // Runs the creation handler; the application calls it once construction has completed.
  void AfterConstruction();
  // Hides the form if shown (running its hide handler), runs its destroy handler and drops
  // the platform window; its controls and components go afterwards, the last created first.
  void BeforeDestruction() override;

  const std::string& WindowClassName() const { return className_; }
  void SetWindowClassName(const std::string& name) { className_ = name; }

  const std::string& Caption() const { return caption_; }
  // Sets the caption, and the hint of the control that shows it (SetCaptionHint).
  void SetCaption(const std::string& caption);
  // The control whose tooltip shows the form's whole caption, for a frame that cuts it; none
  // by default.
  void SetCaptionHint(TControl* control);

  int ClientWidth() const { return clientWidth_; }
  int ClientHeight() const { return clientHeight_; }
  void SetClientSize(int width, int height);

  int Left() const;
  int Top() const;
  void SetLeft(int left);
  void SetTop(int top);

  // The platform chooses where the window first shows.
  void SetDefaultPosition(bool on) { defaultPosition_ = on; }
  void SetBorderIcons(TBorderIcons icons) { borderIcons_ = icons; }

  TFormStyle FormStyle() const { return style_; }
  // Rebuilds the platform window when the style changes; does nothing when it does not.
  void SetFormStyle(TFormStyle style);

  TColor Color() const { return color_; }
  void SetColor(TColor color) { color_ = color; }
  const TFont& Font() const { return font_; }
  void SetFont(const TFont& font) { font_ = font; }

  TWindowState WindowState() const { return windowState_; }
  void SetWindowState(TWindowState state) { windowState_ = state; }

  bool Visible() const { return visible_; }
  void Show();
  void Hide();
  bool Destroying() const { return destroying_; }

  bool HandleAllocated() const { return peer_ != nullptr; }
  void HandleNeeded();

  const std::vector<TControl*>& Controls() const { return controls_; }

  TNotifyEvent OnCreate;
  TNotifyEvent OnDestroy;
  TNotifyEvent OnHide;

 private:
  friend class TControl;
  void AddControl(TControl* control) { controls_.push_back(control); }
  void RemoveControl(TControl* control);
  void CreatePeer();
  void DestroyPeer();
  void PlatformCloseRequest() override;

  std::string className_ = "TForm";
  std::string caption_;
  int clientWidth_ = 0;
  int clientHeight_ = 0;
  TPoint position_;
  bool defaultPosition_ = false;
  TBorderIcons borderIcons_ = TBorderIcons::Close;
  TFormStyle style_ = TFormStyle::Normal;
  TColor color_ = clBtnFace;
  TFont font_;
  TWindowState windowState_ = TWindowState::Normal;
  bool visible_ = false;
  bool destroying_ = false;
  std::vector<TControl*> controls_;
  TControl* captionHint_ = nullptr;
  std::unique_ptr<FormPeer> peer_;
};

}  // namespace fw
