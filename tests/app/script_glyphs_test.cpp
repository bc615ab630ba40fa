// Names in every script as the user sees them: each control of the program takes the program's
// text (UTF-8 under its manifest) as the characters it stands for, and the program's face draws
// a glyph for each script rather than the box of a missing one.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/ftp/ftp_client.h"
#include "app/startup.h"
#include "tests/app/app_harness.h"
#include "tests/app/temp_folder.h"
#include "tests/support/msgbox_watch.h"
#include "tests/support/program_text.h"
#include "winobj/application.h"
#include "winobj/controls.h"
#include "winobj/font.h"
#include "winobj/statusbar.h"

namespace {

const std::wstring kText =
    L"caf\u00e9 \u03a9mega \u041f\u0440\u0438\u0432\u0435\u0442 \u65e5\u672c\u8a9e emoji\U0001F600";

std::wstring ListViewText(HWND list, int row) {
  wchar_t buffer[256] = {};
  LVITEMW item{};
  item.pszText = buffer;
  item.cchTextMax = 256;
  SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
  return buffer;
}

std::wstring WindowTextOf(HWND window) {
  wchar_t buffer[256] = {};
  GetWindowTextW(window, buffer, 256);
  return buffer;
}

// The pixels `text` leaves in a white bitmap, drawn with `font`.
std::vector<COLORREF> Drawn(HFONT font, const std::wstring& text) {
  constexpr int kSize = 48;
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, kSize, kSize);
  ReleaseDC(nullptr, screen);
  HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
  HGDIOBJ oldFont = SelectObject(dc, font);
  RECT all{0, 0, kSize, kSize};
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  ExtTextOutW(dc, 2, 2, 0, nullptr, text.c_str(), static_cast<UINT>(text.size()), nullptr);
  std::vector<COLORREF> pixels;
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) pixels.push_back(GetPixel(dc, x, y));
  }
  SelectObject(dc, oldFont);
  SelectObject(dc, oldBitmap);
  DeleteObject(bitmap);
  DeleteDC(dc);
  return pixels;
}

class ScriptGlyphs : public ::testing::Test {
 protected:
  void SetUp() override {
    if (GetACP() != CP_UTF8) GTEST_SKIP() << "names in every script need the UTF-8 code page";
  }
  TempFolder folder_{true};
};

TEST_F(ScriptGlyphs, EveryControlTakesTheProgramsTextExactly) {
  AppHarness app;
  const std::string text = ProgramText(kText);
  const int local = AppendListItem(appState.localList, text, 0, 0, 0, 0, 1000);
  const int remote = AppendListItem(appState.remoteList, text, 0, 0, 0, 0, 1000);
  AddItem(appState.siteList, text);
  SetCaption(appState.logEdit, std::string());
  AddItem(appState.logEdit, text);
  SetCaption(appState.siteNameEdit, text);
  SetStatusText(appState.mainWindow, 0, text);
  EXPECT_EQ(ListViewText(appState.localList->handle, local), kText);
  EXPECT_EQ(ListViewText(appState.remoteList->handle, remote), kText);
  wchar_t item[256] = {};
  SendMessageW(appState.siteList->handle, LB_GETTEXT, Count(appState.siteList) - 1,
               reinterpret_cast<LPARAM>(item));
  EXPECT_EQ(std::wstring(item), kText);
  EXPECT_EQ(WindowTextOf(appState.logEdit->handle), kText);
  EXPECT_EQ(WindowTextOf(appState.siteNameEdit->handle), kText);
  wchar_t part[256] = {};
  SendMessageW(appState.mainWindow->form.statusBarWindow, SB_GETTEXTW, 0,
               reinterpret_cast<LPARAM>(part));
  EXPECT_EQ(std::wstring(part), kText);
  MessageBoxWatcher boxes;
  ShowMessage(text);
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.Last().wideText, kText);
}

// "MS Sans Serif", the layer's face, drew boxes for every script but Latin: with the UTF-8 code
// page the program asks for "MS Shell Dlg", which font linking completes (under Wine the prefix
// links Tahoma's stand-ins to WenQuanYi Micro Hei for CJK).
TEST_F(ScriptGlyphs, TheProgramsFaceDrawsEveryScript) {
  EXPECT_STREQ(ProgramFontFor(CP_UTF8).name, "MS Shell Dlg");
  EXPECT_STREQ(ProgramFontFor(1252).name, "MS Sans Serif");
  AppHarness app;
  HFONT font = FontHandle(FontOf(appState.remoteList));
  ASSERT_NE(font, nullptr);
  // A private-use character no font has: what a missing glyph looks like.
  const std::vector<COLORREF> missing = Drawn(font, L"\ue000");
  for (const wchar_t* character : {L"\u00e9", L"\u03a9", L"\u041f", L"\u65e5"}) {
    EXPECT_NE(Drawn(font, character), missing) << static_cast<unsigned>(character[0]);
  }
  const bool emojiDrawn = Drawn(font, L"\U0001F600") != Drawn(font, L"\ue000\ue000");
  if (RunningUnderWine()) {
    // Wine 8's GDI takes each half of a surrogate pair for a character of its own, so no
    // character past U+FFFF is drawn, whatever face holds it (DejaVu Sans holds this one).
    EXPECT_FALSE(emojiDrawn);
  } else {
    // Windows links its symbol and emoji fonts (monochrome through GDI).
    EXPECT_TRUE(emojiDrawn);
  }
}

}  // namespace
