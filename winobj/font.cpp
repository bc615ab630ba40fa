#include "winobj/font.h"

#include <cstring>

#include "winobj/text.h"

namespace {

constexpr LONG kWeightNormal = FW_NORMAL;  // 400
constexpr LONG kWeightBold = FW_BOLD;      // 700

bool SameData(const FontTool& a, const FontTool& b) {
  return a.height == b.height && a.width == b.width && a.orientation == b.orientation &&
         a.weight == b.weight && a.pitch == b.pitch && a.style == b.style && a.charSet == b.charSet;
}

template <typename T>
void SetField(FontTool* font, T& field, T value) {
  if (!font || field == value) return;
  field = value;
  FontChanged(font);
}

}  // namespace

FontTool::~FontTool() {
  if (platformFont) DeleteObject(platformFont);
}

FontTool* CreateFontTool() { return new FontTool(); }

void FontChanged(FontTool* font) {
  if (font->platformFont) {
    DeleteObject(font->platformFont);
    font->platformFont = nullptr;
  }
  if (font->changeEvent) font->changeEvent.proc(font->changeEvent.receiver, font);
}

void SetFontHeight(FontTool* font, int32_t value) { SetField(font, font->height, value); }
void SetFontWidth(FontTool* font, int32_t value) { SetField(font, font->width, value); }
void SetFontOrientation(FontTool* font, int32_t value) { SetField(font, font->orientation, value); }
void SetFontWeight(FontTool* font, int32_t value) { SetField(font, font->weight, value); }
void SetFontPitch(FontTool* font, uint8_t value) { SetField(font, font->pitch, value); }
void SetFontStyle(FontTool* font, uint8_t value) { SetField(font, font->style, value); }
void SetFontCharSet(FontTool* font, uint8_t value) { SetField(font, font->charSet, value); }
void SetFontColor(FontTool* font, uint32_t value) { SetField(font, font->color, value); }

void SetFontName(FontTool* font, const std::string& value) {
  if (!font) return;
  char cut[kFontNameMax + 1];
  TextToCBuffer(cut, value);
  if (std::strcmp(cut, font->name) == 0) return;
  std::memcpy(font->name, cut, sizeof cut);
  FontChanged(font);
}

void AssignFont(FontTool* font, const FontTool& source) {
  if (!font || font == &source) return;
  if (SameData(*font, source) && font->color == source.color &&
      std::strcmp(font->name, source.name) == 0) {
    return;
  }
  font->height = source.height;
  font->width = source.width;
  font->orientation = source.orientation;
  font->weight = source.weight;
  font->pitch = source.pitch;
  font->style = source.style;
  font->charSet = source.charSet;
  font->color = source.color;
  std::memcpy(font->name, source.name, sizeof font->name);
  FontChanged(font);
}

LOGFONTA BuildLogFont(const FontTool& font) {
  LOGFONTA lf{};
  lf.lfHeight = font.height;
  lf.lfWidth = font.width;
  lf.lfEscapement = font.orientation;
  lf.lfOrientation = font.orientation;
  lf.lfWeight = font.weight;
  if (lf.lfWeight == 0) lf.lfWeight = (font.style & kFontBold) ? kWeightBold : kWeightNormal;
  lf.lfItalic = (font.style & kFontItalic) ? 1 : 0;
  lf.lfUnderline = (font.style & kFontUnderline) ? 1 : 0;
  lf.lfStrikeOut = (font.style & kFontStrikeOut) ? 1 : 0;
  lf.lfCharSet = font.charSet;
  lf.lfOutPrecision = 0;
  lf.lfClipPrecision = 0;
  lf.lfQuality = 0;
  lf.lfPitchAndFamily = font.pitch;
  // Only the exact name "Default" stands for the layer's standard face.
  const char* face = std::strcmp(font.name, "Default") == 0 ? "MS Sans Serif" : font.name;
  TextToCBuffer(lf.lfFaceName, face);
  return lf;
}

HFONT FontHandle(FontTool* font) {
  if (!font) return nullptr;
  if (!font->platformFont) {
    const LOGFONTA lf = BuildLogFont(*font);
    font->platformFont = CreateFontIndirectA(&lf);
  }
  return font->platformFont;
}
