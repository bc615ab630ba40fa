// The font tool: the LOGFONTA it builds, change signalling and copying.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>

#include "winobj/control.h"
#include "winobj/font.h"

namespace {

bool SameLogFont(const LOGFONTA& a, const LOGFONTA& b) {
  return a.lfHeight == b.lfHeight && a.lfWidth == b.lfWidth && a.lfEscapement == b.lfEscapement &&
         a.lfOrientation == b.lfOrientation && a.lfWeight == b.lfWeight &&
         a.lfItalic == b.lfItalic && a.lfUnderline == b.lfUnderline &&
         a.lfStrikeOut == b.lfStrikeOut && a.lfCharSet == b.lfCharSet &&
         a.lfOutPrecision == b.lfOutPrecision && a.lfClipPrecision == b.lfClipPrecision &&
         a.lfQuality == b.lfQuality && a.lfPitchAndFamily == b.lfPitchAndFamily &&
         std::strcmp(a.lfFaceName, b.lfFaceName) == 0;
}

TEST(FontLogFont, DefaultNameMeansMsSansSerifExactly) {
  FontTool standard;
  standard.height = 11;
  FontTool named;
  named.height = 11;
  std::strcpy(named.name, "Default");
  EXPECT_TRUE(SameLogFont(BuildLogFont(standard), BuildLogFont(named)));
  EXPECT_STREQ(BuildLogFont(named).lfFaceName, "MS Sans Serif");
  std::strcpy(named.name, "default");  // only the exact spelling is special
  EXPECT_STREQ(BuildLogFont(named).lfFaceName, "default");
}

TEST(FontLogFont, WeightFromTheBoldBitOnlyWhenZero) {
  FontTool f;
  EXPECT_EQ(BuildLogFont(f).lfWeight, 400);
  f.style = kFontBold;
  EXPECT_EQ(BuildLogFont(f).lfWeight, 700);
  f.weight = 600;
  EXPECT_EQ(BuildLogFont(f).lfWeight, 600);
  f.style = 0;
  EXPECT_EQ(BuildLogFont(f).lfWeight, 600);
  f.weight = 400;
  f.style = kFontBold;
  EXPECT_EQ(BuildLogFont(f).lfWeight, 400);
}

TEST(FontLogFont, FieldsMapOneToOne) {
  FontTool f;
  f.height = -13;
  f.width = 5;
  f.orientation = 900;
  f.pitch = FIXED_PITCH | FF_MODERN;
  f.charSet = GREEK_CHARSET;
  f.style = kFontItalic | kFontStrikeOut;
  const LOGFONTA lf = BuildLogFont(f);
  EXPECT_EQ(lf.lfHeight, -13);
  EXPECT_EQ(lf.lfWidth, 5);
  EXPECT_EQ(lf.lfEscapement, 900);
  EXPECT_EQ(lf.lfOrientation, 900);
  EXPECT_EQ(lf.lfPitchAndFamily, FIXED_PITCH | FF_MODERN);
  EXPECT_EQ(lf.lfCharSet, GREEK_CHARSET);
  EXPECT_EQ(lf.lfItalic, 1);
  EXPECT_EQ(lf.lfUnderline, 0);
  EXPECT_EQ(lf.lfStrikeOut, 1);
  EXPECT_EQ(lf.lfOutPrecision, 0);
  EXPECT_EQ(lf.lfQuality, 0);
}

int changes = 0;
void CountChange(void*, FontTool*) { ++changes; }

TEST(FontTool, ChangesAreSignalledOnlyForDifferentValues) {
  FontTool* f = CreateFontTool();
  f->changeEvent = {CountChange, nullptr};
  changes = 0;
  EXPECT_EQ(std::string(f->name), "MS Sans Serif");
  EXPECT_EQ(f->color, kColorWindowText);
  HFONT first = FontHandle(f);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(FontHandle(f), first);  // made once
  SetFontHeight(f, 0);
  EXPECT_EQ(changes, 0);
  SetFontHeight(f, 20);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(f->platformFont, nullptr);  // dropped on the change
  LOGFONTA lf{};
  GetObjectA(FontHandle(f), sizeof lf, &lf);
  EXPECT_EQ(lf.lfHeight, 20);
  SetFontStyle(f, kFontBold);
  SetFontName(f, "Courier New");
  SetFontName(f, "Courier New");
  EXPECT_EQ(changes, 3);
  SetFontName(f, std::string(40, 'x'));  // cut to 31 characters
  EXPECT_EQ(std::strlen(f->name), 31u);
  Free(f);
}

TEST(FontTool, AssignCopiesDataColourAndNameWhenAnyDiffers) {
  FontTool* a = CreateFontTool();
  FontTool* b = CreateFontTool();
  b->changeEvent = {CountChange, nullptr};
  changes = 0;
  AssignFont(b, *a);
  EXPECT_EQ(changes, 0);
  a->weight = 600;
  a->charSet = 2;
  a->color = RGB(1, 2, 3);
  std::strcpy(a->name, "Arial");
  AssignFont(b, *a);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(b->weight, 600);
  EXPECT_EQ(b->charSet, 2);
  EXPECT_EQ(b->color, RGB(1, 2, 3));
  EXPECT_STREQ(b->name, "Arial");
  Free(a);
  Free(b);
}

TEST(FontOfControl, MadeOnFirstUseAndFollowedByTheControl) {
  Control* form = CreateControlBase(nullptr, "Form", true);
  form->textColor = RGB(7, 8, 9);
  FontTool* font = FontOf(form);
  EXPECT_EQ(FontOf(form), font);
  EXPECT_EQ(font->color, RGB(7, 8, 9));
  SetFontColor(font, RGB(1, 1, 1));
  EXPECT_EQ(form->textColor, RGB(1, 1, 1));
  Free(form);
}

}  // namespace
