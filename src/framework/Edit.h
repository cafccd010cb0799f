// A single-line edit field; its maximum length limits what the user types, not what the
// program sets.
#pragma once

#include <string>

#include "framework/Control.h"

namespace fw {

class TEdit : public TControl {
 public:
  explicit TEdit(TForm* form) : TControl(form, TControlKind::Edit, true) {}

  std::string Text() const { return Caption(); }
  void SetText(const std::string& text) { SetCaption(text); }
  void SetMaxLength(int length) { maxLength_ = length; }
  void SetImeMode(TImeMode mode) { imeMode_ = mode; }
};

}  // namespace fw
