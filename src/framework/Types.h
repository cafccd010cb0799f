// Plain value types shared by the framework and its back ends.
#pragma once

#include <cstdint>
#include <string>

namespace fw {

// A colour with red in the low byte, green in the middle byte and blue in the high byte.
// Values with the top bit set name a system colour by its index instead.
using TColor = std::uint32_t;

constexpr TColor clBlack = 0x000000;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clSystemColor = 0x80000000;
constexpr TColor clWindowText = clSystemColor | 8;
constexpr TColor clBtnFace = clSystemColor | 15;

constexpr int SHIFTJIS_CHARSET = 128;

struct TFont {
  std::string Face;
  int Height = 0;  // negative: character height in pixels without internal leading
  bool Bold = false;
  int Charset = SHIFTJIS_CHARSET;
  TColor Color = clWindowText;
};

// Positions and sizes in pixels at 96 dots per inch.
struct TBounds {
  int Left = 0;
  int Top = 0;
  int Width = 0;
  int Height = 0;
};

struct TPoint {
  int X = 0;
  int Y = 0;
};

enum class TWindowState { Normal, Minimized, Maximized };

enum class TFormStyle { Normal, StayOnTop };

// The frame of a tool window: with a close button only, or with no caption-bar button at all.
enum class TBorderIcons { Close, None };

enum class TControlKind { Panel, Button, Edit, CheckBox, GroupBox, Label, Bevel };

// The keys that click a control while its form is active. Properties: Ctrl+Comma and Alt+Enter,
// the keys that open a program's settings on the Linux desktops and on Windows.
enum class TShortCut { None, Properties };

// Whether entering a field switches the input method editor off.
enum class TImeMode { DontCare, Close };

}  // namespace fw
