// Fonts and colours for the Win32 back end.
#include "platform/win32/GdiObject.h"

#include <map>

#include "platform/win32/Dpi.h"
#include "platform/win32/Utf.h"

namespace win32 {

namespace {

int CALLBACK NoteFamily(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}

bool FaceInstalled(const std::wstring& face) {
  LOGFONTW query{};
  query.lfCharSet = DEFAULT_CHARSET;
  face.copy(query.lfFaceName, LF_FACESIZE - 1);
  bool found = false;
  HDC screen = GetDC(nullptr);
  EnumFontFamiliesExW(screen, &query, NoteFamily, reinterpret_cast<LPARAM>(&found), 0);
  ReleaseDC(nullptr, screen);
  return found;
}

std::wstring InstalledFace(const std::string& wanted) {
  static std::map<std::string, std::wstring> resolved;
  auto known = resolved.find(wanted);
  if (known != resolved.end()) {
    return known->second;
  }
  // MS PGothic under its English name; then IPA Gothic, whose digits have the half-em width
  // the layout's short number fields are made for (IPA PGothic's are a third wider and do not
  // fit them); then IPA PGothic.
  const std::wstring candidates[] = {Widen(wanted), L"MS PGothic", L"IPAGothic", L"IPAPGothic"};
  std::wstring face = candidates[0];
  for (const std::wstring& candidate : candidates) {
    if (FaceInstalled(candidate)) {
      face = candidate;
      break;
    }
  }
  resolved[wanted] = face;
  return face;
}

}  // namespace

Font CreateLayoutFont(const fw::TFont& font, UINT dpi) {
  LOGFONTW lf{};
  lf.lfHeight = Scaled(font.Height, dpi);
  lf.lfWeight = font.Bold ? FW_BOLD : FW_NORMAL;
  lf.lfCharSet = static_cast<BYTE>(font.Charset);
  lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
  lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  lf.lfQuality = DEFAULT_QUALITY;
  lf.lfPitchAndFamily = DEFAULT_PITCH;
  InstalledFace(font.Face).copy(lf.lfFaceName, LF_FACESIZE - 1);
  return Font(CreateFontIndirectW(&lf));
}

COLORREF ColorRef(fw::TColor color) {
  if ((color & fw::clSystemColor) != 0) {
    return GetSysColor(static_cast<int>(color & 0xFF));
  }
  return static_cast<COLORREF>(color & 0xFFFFFF);
}

}  // namespace win32
