// Owners for the GDI objects a window keeps: fonts and brushes.
#pragma once

#include "framework/Types.h"
#include "platform/win32/Win32.h"

namespace win32 {

template <class Handle>
class GdiObject {
 public:
  GdiObject() = default;
  explicit GdiObject(Handle handle) : handle_(handle) {}
  GdiObject(const GdiObject&) = delete;
  GdiObject& operator=(const GdiObject&) = delete;
  GdiObject(GdiObject&& other) noexcept : handle_(other.handle_) { other.handle_ = nullptr; }
  GdiObject& operator=(GdiObject&& other) noexcept {
    if (this != &other) {
      Reset();
      handle_ = other.handle_;
      other.handle_ = nullptr;
    }
    return *this;
  }
  ~GdiObject() { Reset(); }

  Handle Get() const { return handle_; }
  void Reset() {
    if (handle_ != nullptr) {
      DeleteObject(handle_);
      handle_ = nullptr;
    }
  }

 private:
  Handle handle_ = nullptr;
};

using Font = GdiObject<HFONT>;
using Brush = GdiObject<HBRUSH>;

// A font of the layout at the given dots per inch. A face that is not installed is replaced by
// the first installed one of its metric twins.
Font CreateLayoutFont(const fw::TFont& font, UINT dpi);

// The colour as GDI takes it, with system colours looked up.
COLORREF ColorRef(fw::TColor color);

}  // namespace win32
