// The layer's colour form: a 32-bit colour whose top bit is set names a system colour (its
// index in the low byte, resolved with GetSysColor); any other value is an RGB colour.
#pragma once

#include <windows.h>

#include <cstdint>

constexpr uint32_t kSystemColor = 0x80000000;
constexpr uint32_t kColorBtnFace = kSystemColor | COLOR_BTNFACE;
constexpr uint32_t kColorWindowText = kSystemColor | COLOR_WINDOWTEXT;
constexpr uint32_t kColorWindow = kSystemColor | COLOR_WINDOW;
static_assert(kColorBtnFace == 0x8000000F && kColorWindowText == 0x80000008 &&
                  kColorWindow == 0x80000005,
              "colours are stored in this form");

inline COLORREF ColorToRGB(uint32_t color) {
  return (color & kSystemColor) ? GetSysColor(static_cast<int>(color & 0xFF)) : color;
}
