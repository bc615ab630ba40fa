// The font tool: a font described by plain fields (height, weight, style bits, face name,
// colour), the platform font made from them on demand, and the LOGFONTA it is built from.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "winobj/color.h"
#include "winobj/object.h"

class FontTool;

using FontChangeProc = void (*)(void* receiver, FontTool* font);

// Style bits.
constexpr uint8_t kFontBold = 1;
constexpr uint8_t kFontItalic = 2;
constexpr uint8_t kFontUnderline = 4;
constexpr uint8_t kFontStrikeOut = 8;

// Longest face name kept; longer names are cut.
constexpr size_t kFontNameMax = 31;

class FontTool : public Object {
 public:
  ~FontTool() override;

  HFONT platformFont = nullptr;
  uint32_t color = kColorWindowText;
  EventSlot<FontChangeProc> changeEvent;
  // The data block: compared and copied as a whole by AssignFont.
  int32_t height = 0;
  int32_t width = 0;
  int32_t orientation = 0;  // tenths of a degree; escapement and orientation alike
  int32_t weight = 0;       // 0: taken from the bold bit
  uint8_t pitch = 0;
  uint8_t style = 0;
  uint8_t charSet = 0;
  char name[kFontNameMax + 1] = "MS Sans Serif";
};

FontTool* CreateFontTool();

// Each setter stores a different value and signals a change; an equal value changes nothing.
void SetFontHeight(FontTool* font, int32_t value);
void SetFontWidth(FontTool* font, int32_t value);
void SetFontOrientation(FontTool* font, int32_t value);
void SetFontWeight(FontTool* font, int32_t value);
void SetFontPitch(FontTool* font, uint8_t value);
void SetFontStyle(FontTool* font, uint8_t value);
void SetFontCharSet(FontTool* font, uint8_t value);
void SetFontName(FontTool* font, const std::string& value);
void SetFontColor(FontTool* font, uint32_t value);

// Drops the platform font and calls the change event.
void FontChanged(FontTool* font);
// Copies data block, colour and name from `source` when any of them differs.
void AssignFont(FontTool* font, const FontTool& source);
// The platform font, made on first need.
HFONT FontHandle(FontTool* font);
// What FontHandle passes to CreateFontIndirectA.
LOGFONTA BuildLogFont(const FontTool& font);
