// The program's face, with the UTF-8 code page, draws a glyph for each script rather than the
// box of a missing one: "MS Sans Serif" drew boxes for every script but Latin.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/ftp/ftp_client.h"
#include "app/startup.h"
#include "tests/app/app_harness.h"
#include "tests/app/temp_folder.h"
#include "winobj/font.h"

namespace {

// The pixels `text` leaves in a white bitmap, drawn with `font`.
std::vector<COLORREF> Drawn(HFONT font, const std::wstring& text) {
  constexpr int kSize = 48;
  HDC dc = CreateCompatibleDC(nullptr);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), kSize, kSize, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
  HGDIOBJ oldFont = SelectObject(dc, font);
  RECT all{0, 0, kSize, kSize};
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  ExtTextOutW(dc, 2, 2, 0, nullptr, text.c_str(), static_cast<UINT>(text.size()), nullptr);
  GdiFlush();
  const auto* pixels = static_cast<const COLORREF*>(bits);
  std::vector<COLORREF> copy(pixels, pixels + kSize * kSize);
  SelectObject(dc, oldFont);
  SelectObject(dc, oldBitmap);
  DeleteObject(bitmap);
  DeleteDC(dc);
  return copy;
}

TEST(ScriptGlyphs, TheProgramsFaceDrawsEveryScript) {
  if (GetACP() != CP_UTF8) GTEST_SKIP() << "names in every script need the UTF-8 code page";
  TempFolder folder(true);
  AppHarness app;
  HFONT font = FontHandle(FontOf(appState.remoteList));
  ASSERT_NE(font, nullptr);
  // A private-use character no font has: what a missing glyph looks like.
  const std::vector<COLORREF> missing = Drawn(font, L"\ue000");
  for (const wchar_t* character : {L"\u00e9", L"\u03a9", L"\u041f", L"\u65e5"}) {
    EXPECT_NE(Drawn(font, character), missing) << static_cast<unsigned>(character[0]);
  }
  // Wine 8's GDI takes each half of a surrogate pair for a character of its own, so it draws no
  // character past U+FFFF, whatever face holds it (DejaVu Sans holds this one); Windows links
  // its symbol fonts.
  EXPECT_EQ(Drawn(font, L"\U0001F600") != Drawn(font, L"\ue000\ue000"), !RunningUnderWine());
}

}  // namespace
