// The toolbar: the button template read as plain data, and real toolbars under the platform:
// button records, checked states, tooltips as the tooltip control asks for them, click routing
// through the parent, drop-downs, bitmaps and the process-wide command ids.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/support/poll.h"
#include "winobj/application.h"
#include "winobj/control.h"
#include "winobj/text.h"
#include "winobj/toolbar.h"

namespace {

const std::vector<const char*> kSample = {" ", " ", "-", "-!", "-!", "+x"};
constexpr uint8_t kButton = TBSTYLE_AUTOSIZE;
constexpr uint8_t kCheck = TBSTYLE_AUTOSIZE | TBSTYLE_CHECK;
constexpr uint8_t kCheckGroup = TBSTYLE_AUTOSIZE | TBSTYLE_CHECK | TBSTYLE_GROUP;
constexpr uint32_t kProgramOptions = ToolbarOption::ListStyle | ToolbarOption::Flat;

// ---- The template as plain data ----

TEST(ButtonTemplate, SampleGivesFiveButtonsAndOneSeparator) {
  const auto r = ParseButtonTemplate(kSample, {}, 200);
  ASSERT_EQ(r.size(), 6u);
  const int ids[] = {200, 201, 0, 202, 203, 204};
  const int images[] = {0, 1, -1, 2, 3, 4};
  for (size_t i = 0; i < r.size(); ++i) {
    EXPECT_EQ(r[i].id, ids[i]) << i;
    EXPECT_EQ(r[i].image, images[i]) << i;
    EXPECT_EQ(r[i].isSeparator, i == 2) << i;
  }
  EXPECT_EQ(r[2].style, TBSTYLE_SEP);
  EXPECT_EQ(r[2].state, 0);
  EXPECT_EQ(r[0].style, kButton);
  EXPECT_FALSE(r[0].hasText);  // " " means no text
  EXPECT_EQ(r[3].style, kCheckGroup);
  EXPECT_EQ(r[4].style, kCheckGroup);
  EXPECT_EQ(r[3].state, TBSTATE_ENABLED);  // the group starts up
  EXPECT_EQ(r[4].state, TBSTATE_ENABLED);
  EXPECT_EQ(r[5].style, kCheck);
  EXPECT_EQ(r[5].state, TBSTATE_ENABLED | TBSTATE_CHECKED);
  EXPECT_TRUE(r[5].hasText);
  EXPECT_EQ(r[5].text, "x");
}

TEST(ButtonTemplate, MarksAreReadInOrderAndOnlyAtTheFront) {
  const auto r = ParseButtonTemplate({"^", "- ", "^+!Go", "!x", "+-", "x^", ""}, {}, 1);
  ASSERT_EQ(r.size(), 7u);
  EXPECT_EQ(r[0].style, kButton | TBSTYLE_DROPDOWN);  // a drop-down without text
  EXPECT_FALSE(r[0].hasText);
  EXPECT_EQ(r[1].style, kCheck);  // "- " is a check button, not a separator
  EXPECT_FALSE(r[1].hasText);
  EXPECT_EQ(r[2].style, kCheckGroup | TBSTYLE_DROPDOWN);
  EXPECT_EQ(r[2].state, TBSTATE_ENABLED | TBSTATE_CHECKED);
  EXPECT_EQ(r[2].text, "Go");
  EXPECT_EQ(r[3].style, kButton);  // "!" counts only after "-" or "+"
  EXPECT_EQ(r[3].text, "!x");
  EXPECT_EQ(r[4].style, kCheck);  // one check mark; the second is text
  EXPECT_EQ(r[4].text, "-");
  EXPECT_EQ(r[5].text, "x^");
  EXPECT_FALSE(r[6].isSeparator);  // an empty text is a button without text
  EXPECT_FALSE(r[6].hasText);
  for (size_t i = 0; i < r.size(); ++i) EXPECT_EQ(r[i].id, static_cast<int>(i) + 1);
}

TEST(ButtonTemplate, EndsAtTheArrayEndOrTheFirstNull) {
  EXPECT_TRUE(ParseButtonTemplate({}, {}, 1).empty());
  EXPECT_TRUE(ParseButtonTemplate({nullptr, "a"}, {}, 1).empty());
  const auto r = ParseButtonTemplate({"a", nullptr, "b"}, {}, 1);
  ASSERT_EQ(r.size(), 1u);
  EXPECT_EQ(r[0].text, "a");
}

TEST(ButtonTemplate, ImagesComeFromTheArrayThenARunningCounter) {
  // The array is indexed by template position (separators counted); the counter starts one
  // below the first array value and moves for every button, also those the array served.
  const auto r = ParseButtonTemplate({"a", "-", "b", "c"}, {5, 7}, 1);
  ASSERT_EQ(r.size(), 4u);
  EXPECT_EQ(r[0].image, 5);
  EXPECT_EQ(r[1].image, -1);
  EXPECT_EQ(r[2].image, 6);
  EXPECT_EQ(r[3].image, 7);
  const auto t = ParseButtonTemplate({"a", "b"}, {9, 3}, 1);
  EXPECT_EQ(t[0].image, 9);
  EXPECT_EQ(t[1].image, 3);
}

TEST(ButtonTemplate, ProgramToolbarTemplate) {
  std::vector<const char*> entries(19, " ");
  entries[3] = entries[4] = entries[17] = "-!";
  entries[18] = "";
  const auto r = ParseButtonTemplate(entries, {}, 100);
  ASSERT_EQ(r.size(), 19u);
  for (int k = 0; k < 19; ++k) {
    EXPECT_EQ(r[k].id, 100 + k);
    EXPECT_EQ(r[k].image, k);
    EXPECT_FALSE(r[k].hasText);
    EXPECT_EQ(r[k].style, (k == 3 || k == 4 || k == 17) ? kCheckGroup : kButton) << k;
  }
}

TEST(ButtonTemplate, StylesFromOptionsAndAlignment) {
  EXPECT_EQ(ToolbarStyle(kAlignTop, kProgramOptions), 0x50001901u);
  // Every toolbar ends up with TBSTYLE_LIST, whatever members 0 and 1 say.
  EXPECT_TRUE(ToolbarStyle(kAlignTop, 0) & TBSTYLE_LIST);
  EXPECT_TRUE(ToolbarStyle(kAlignTop, ToolbarOption::NoListStyle) & TBSTYLE_LIST);
  EXPECT_EQ(NormaliseToolbarOptions(ToolbarOption::NoListStyle), ToolbarOption::ListStyle);
  EXPECT_EQ(ToolbarStyle(kAlignNone, 0) & 0xFF, CCS_NOPARENTALIGN | CCS_NODIVIDER);
  EXPECT_EQ(ToolbarStyle(kAlignLeft, 0) & 0xFF, CCS_LEFT);
  EXPECT_EQ(ToolbarStyle(kAlignRight, 0) & 0xFF, CCS_RIGHT);
  EXPECT_EQ(ToolbarStyle(kAlignBottom, 0) & 0xFF, CCS_BOTTOM);
  EXPECT_EQ(ToolbarStyle(kAlignClient, 0) & 0xFF, CCS_TOP);
  const uint32_t all =
      ToolbarStyle(kAlignTop, ToolbarOption::TransparentStyle | ToolbarOption::Wrapable |
                                  ToolbarOption::NoDivider);
  EXPECT_EQ(all & (TBSTYLE_TRANSPARENT | TBSTYLE_WRAPABLE | CCS_NODIVIDER),
            static_cast<uint32_t>(TBSTYLE_TRANSPARENT | TBSTYLE_WRAPABLE | CCS_NODIVIDER));
}

TEST(ButtonTemplate, BoundsFromTheDefaults) {
  const RECT defaults{2, 2, 66, 66};
  const RECT top = ToolbarBounds(defaults, kAlignTop);
  EXPECT_EQ(top.right, 66 + 936);
  EXPECT_EQ(top.bottom - top.top, 22);
  const RECT left = ToolbarBounds(defaults, kAlignLeft);
  EXPECT_EQ(left.right - left.left, 24);
  EXPECT_EQ(left.bottom, 66 - 38);
  const RECT none = ToolbarBounds(defaults, kAlignNone);
  EXPECT_EQ(none.left | none.top | none.right | none.bottom, 0);
}

// ---- Real toolbars ----

struct ClickLog {
  int clicks = 0;
  int lastId = -2;
  int lastIndex = -2;
  int dropDowns = 0;
};

void OnClick(void* receiver, Control* sender) {
  auto* log = static_cast<ClickLog*>(receiver);
  ++log->clicks;
  log->lastId = sender->toolbar.clickedButtonId;
  log->lastIndex = sender->toolbar.clickedButtonIndex;
}

void OnDropDown(void* receiver, Control* sender) {
  auto* log = static_cast<ClickLog*>(receiver);
  ++log->dropDowns;
  log->lastId = sender->toolbar.clickedButtonId;
  log->lastIndex = sender->toolbar.clickedButtonIndex;
}

class ToolbarTest : public ::testing::Test {
 protected:
  void SetUp() override {
    form_ = CreateForm(nullptr, "Toolbar test");
    ASSERT_NE(HandleOf(form_), nullptr);
  }
  void TearDown() override { Free(form_); }

  Control* Make(const std::vector<const char*>& buttons, HBITMAP bitmap = nullptr) {
    firstId_ = nextButtonId;
    Control* tb = CreateToolbar(form_, kAlignTop, kProgramOptions, bitmap, buttons, {});
    EXPECT_NE(tb, nullptr);
    EXPECT_NE(tb->handle, nullptr);  // the toolbar is set up through its window
    return tb;
  }

  TBBUTTON Button(Control* tb, int index) {
    TBBUTTON b{};
    EXPECT_TRUE(SendMessageA(tb->handle, TB_GETBUTTON, index, reinterpret_cast<LPARAM>(&b)));
    return b;
  }

  LRESULT NotifyThroughParent(Control* tb, NMHDR& hdr) {
    hdr.hwndFrom = tb->handle;
    hdr.idFrom = tb->menuOrId;
    return SendMessageA(form_->handle, WM_NOTIFY, hdr.idFrom, reinterpret_cast<LPARAM>(&hdr));
  }

  Control* form_ = nullptr;
  int firstId_ = 0;
};

TEST_F(ToolbarTest, SampleTemplateOnARealToolbar) {
  Control* tb = Make(kSample);
  ASSERT_EQ(ButtonCount(tb), 6);
  const int images[] = {0, 1, -1, 2, 3, 4};
  int expectedId = firstId_;
  for (int i = 0; i < 6; ++i) {
    const TBBUTTON b = Button(tb, i);
    if (i == 2) {
      EXPECT_EQ(b.fsStyle & TBSTYLE_SEP, TBSTYLE_SEP);
      EXPECT_EQ(b.idCommand, 0);
      EXPECT_EQ(b.dwData, 0u);
      continue;
    }
    EXPECT_EQ(b.idCommand, expectedId++);
    EXPECT_EQ(b.iBitmap, images[i]);
    EXPECT_EQ(b.dwData, reinterpret_cast<DWORD_PTR>(tb));
  }
  EXPECT_EQ(nextButtonId, firstId_ + 5);
  EXPECT_EQ(Button(tb, 3).fsStyle & (TBSTYLE_CHECK | TBSTYLE_GROUP), TBSTYLE_CHECK | TBSTYLE_GROUP);
  EXPECT_FALSE(SendMessageA(tb->handle, TB_ISBUTTONCHECKED, firstId_ + 2, 0));
  EXPECT_FALSE(SendMessageA(tb->handle, TB_ISBUTTONCHECKED, firstId_ + 3, 0));
  EXPECT_TRUE(SendMessageA(tb->handle, TB_ISBUTTONCHECKED, firstId_ + 4, 0));
  char text[16] = {};
  SendMessageA(tb->handle, TB_GETBUTTONTEXTA, firstId_ + 4, reinterpret_cast<LPARAM>(text));
  EXPECT_STREQ(text, "x");
  EXPECT_EQ(Button(tb, 0).iString, -1);

  // Checking one of the group releases the other: a radio pair.
  SendMessageA(tb->handle, TB_CHECKBUTTON, firstId_ + 2, TRUE);
  SendMessageA(tb->handle, TB_CHECKBUTTON, firstId_ + 3, TRUE);
  EXPECT_FALSE(SendMessageA(tb->handle, TB_ISBUTTONCHECKED, firstId_ + 2, 0));
  EXPECT_TRUE(SendMessageA(tb->handle, TB_ISBUTTONCHECKED, firstId_ + 3, 0));
}

TEST_F(ToolbarTest, CreationStylesAndSize) {
  Control* tb = Make({" "});
  const DWORD style = GetWindowLongA(tb->handle, GWL_STYLE);
  EXPECT_EQ(style & 0xFFFF,
            static_cast<DWORD>(TBSTYLE_TOOLTIPS | TBSTYLE_LIST | TBSTYLE_FLAT | CCS_TOP));
  EXPECT_TRUE(style & WS_CHILD);
  EXPECT_TRUE(SendMessageA(tb->handle, TB_GETEXTENDEDSTYLE, 0, 0) & TBSTYLE_EX_DRAWDDARROWS);
  EXPECT_TRUE(IsProcAttached(tb, ToolbarProc));
  EXPECT_NE(SendMessageA(tb->handle, TB_GETTOOLTIPS, 0, 0), 0);
}

TEST_F(ToolbarTest, AddButtonsReturnsTheFirstIdOrMinusOne) {
  Control* tb = Make({});
  EXPECT_EQ(ButtonCount(tb), 0);
  const int before = nextButtonId;
  EXPECT_EQ(AddButtons(tb, {}, {}), -1);
  EXPECT_EQ(AddButtons(tb, {"-"}, {}), -1);  // a separator takes no id
  EXPECT_EQ(nextButtonId, before);
  EXPECT_EQ(ButtonCount(tb), 1);
  EXPECT_EQ(AddButtons(tb, {"One"}, {}), before);
  EXPECT_EQ(ButtonCount(tb), 2);
  EXPECT_EQ(AddButtons(tb, {"-", "a", "b"}, {}), before + 1);
  EXPECT_EQ(ButtonIdAt(tb, 4), before + 2);
  EXPECT_EQ(ButtonIdAt(tb, 5), -1);
  EXPECT_EQ(ButtonIdAt(tb, -1), -1);
  // Ids are process-wide: a second toolbar goes on from there.
  Control* other = Make({" "});
  EXPECT_EQ(ButtonIdAt(other, 0), before + 3);
}

TEST_F(ToolbarTest, InsertButtonsPlacesEveryEntry) {
  Control* tb = Make({"a", "b"});
  const int first = InsertButtons(tb, 1, {"c", "d", "e"}, {});
  EXPECT_EQ(first, firstId_ + 2);
  ASSERT_EQ(ButtonCount(tb), 5);
  const int order[] = {firstId_, firstId_ + 2, firstId_ + 3, firstId_ + 4, firstId_ + 1};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(ButtonIdAt(tb, i), order[i]) << i;
}

TEST_F(ToolbarTest, ButtonOperations) {
  Control* tb = Make({" ", "-", " ", " "});
  const int a = firstId_;
  const int b = firstId_ + 1;
  const int c = firstId_ + 2;
  EXPECT_EQ(ButtonIndex(tb, c), 3);
  EXPECT_EQ(ButtonIndex(tb, 9999), -1);
  ShowButton(tb, b, false);
  EXPECT_TRUE(SendMessageA(tb->handle, TB_ISBUTTONHIDDEN, b, 0));
  ShowButton(tb, b, true);
  EXPECT_FALSE(SendMessageA(tb->handle, TB_ISBUTTONHIDDEN, b, 0));
  SendButtonMessage(tb, a, TB_ENABLEBUTTON, 0);
  EXPECT_FALSE(SendMessageA(tb->handle, TB_ISBUTTONENABLED, a, 0));
  SendButtonMessage(tb, a, TB_ENABLEBUTTON, 1);
  EXPECT_TRUE(SendMessageA(tb->handle, TB_ISBUTTONENABLED, a, 0));
  DeleteButton(tb, b);
  EXPECT_EQ(ButtonCount(tb), 3);
  EXPECT_EQ(ButtonIndex(tb, b), -1);
  // Clear removes everything, separators included.
  ASSERT_NE(tb->classCommands.clear, nullptr);
  tb->classCommands.clear(tb);
  EXPECT_EQ(ButtonCount(tb), 0);
}

TEST_F(ToolbarTest, BitmapStripGivesOneImagePerSquare) {
  HBITMAP strip = CreateBitmap(304, 16, 1, 32, nullptr);
  Control* tb = Make({" "}, strip);
  auto images = reinterpret_cast<HIMAGELIST>(SendMessageA(tb->handle, TB_GETIMAGELIST, 0, 0));
  ASSERT_NE(images, nullptr);
  EXPECT_EQ(ImageList_GetImageCount(images), 19);
  int cx = 0, cy = 0;
  ImageList_GetIconSize(images, &cx, &cy);
  EXPECT_EQ(cx, 16);
  EXPECT_EQ(cy, 16);
  // A handle that is no bitmap adds nothing.
  SetToolbarBitmap(tb, 12345);
  EXPECT_EQ(ImageList_GetImageCount(images), 19);
  Free(tb);
  DeleteObject(strip);
}

TEST_F(ToolbarTest, ProgramStripFromTheResource) {
  HBITMAP strip = LoadBitmapA(GetModuleHandleA(nullptr), "TOOLBARBMP");
  ASSERT_NE(strip, nullptr);
  Control* tb = Make({" "}, strip);
  auto images = reinterpret_cast<HIMAGELIST>(SendMessageA(tb->handle, TB_GETIMAGELIST, 0, 0));
  ASSERT_NE(images, nullptr);
  EXPECT_EQ(ImageList_GetImageCount(images), 19);
  Free(tb);
  DeleteObject(strip);
}

// ---- Tooltips ----

// Asks the toolbar's own tooltip control for a button's text, as it does before it shows a tip.
std::string TipShown(Control* tb, int id) {
  HWND tip = reinterpret_cast<HWND>(SendMessageA(tb->handle, TB_GETTOOLTIPS, 0, 0));
  char buffer[512] = "unchanged";
  TTTOOLINFOA info{};
  info.cbSize = sizeof(info);
  info.hwnd = tb->handle;
  info.uId = id;
  info.lpszText = buffer;
  SendMessageA(tip, TTM_GETTEXTA, sizeof(buffer), reinterpret_cast<LPARAM>(&info));
  return info.lpszText ? info.lpszText : "";
}

TEST_F(ToolbarTest, TooltipsKeepOneEntryPerId) {
  Control* tb = Make({" ", " "});
  SetTooltips(tb, firstId_, {"Refresh", "Connect"});
  SetTooltips(tb, firstId_ + 1, {"Disconnect", ""});
  ASSERT_NE(tb->toolbar.tooltipIds, nullptr);
  ASSERT_NE(tb->toolbar.tooltipTexts, nullptr);
  EXPECT_EQ(tb->toolbar.tooltipIds->count, 3);
  EXPECT_EQ(tb->toolbar.tooltipTexts->Count(), 3);
  EXPECT_EQ(tb->toolbar.tooltipTexts->ItemText(1), "Disconnect");
  EXPECT_EQ(tb->toolbar.tooltipTexts->ItemText(2), "");
  EXPECT_EQ(TipShown(tb, firstId_), "Refresh");
  EXPECT_EQ(TipShown(tb, firstId_ + 1), "Disconnect");
}

TEST_F(ToolbarTest, LongTooltipIsCutTo79Characters) {
  Control* tb = Make({" "});
  const std::string hundred(100, 'T');
  SetTooltips(tb, firstId_, {hundred});
  EXPECT_EQ(TipShown(tb, firstId_), hundred.substr(0, 79));

  // The notification itself, as the tooltip sends it to the toolbar.
  NMTTDISPINFOA info{};
  std::memset(info.szText, 'z', sizeof(info.szText));
  info.hdr.hwndFrom = reinterpret_cast<HWND>(SendMessageA(tb->handle, TB_GETTOOLTIPS, 0, 0));
  info.hdr.idFrom = firstId_;
  info.hdr.code = TTN_NEEDTEXTA;
  info.lpszText = info.szText;
  SendMessageA(tb->handle, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&info));
  EXPECT_EQ(std::string(info.szText), hundred.substr(0, 79));
  // An id without a text gets the empty text, not what the buffer held.
  std::memset(info.szText, 'z', sizeof(info.szText));
  info.hdr.idFrom = firstId_ + 50;
  SendMessageA(tb->handle, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&info));
  EXPECT_STREQ(info.szText, "");
}

// ---- Clicks ----

TEST_F(ToolbarTest, CommandFromAButtonFiresClickOnce) {
  Control* tb = Make({" ", "-", " "});
  ClickLog log;
  tb->clickEvent = {OnClick, &log};
  const int id = firstId_ + 1;
  SendMessageA(form_->handle, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(tb->handle));
  EXPECT_EQ(log.clicks, 1);
  EXPECT_EQ(log.lastId, id);
  EXPECT_EQ(log.lastIndex, 2);

  // The platform's NM_CLICK for a button is swallowed: the command above is the click.
  NMMOUSE mouse{};
  mouse.hdr.code = NM_CLICK;
  mouse.dwItemSpec = id;
  NotifyThroughParent(tb, mouse.hdr);
  EXPECT_EQ(log.clicks, 1);
  EXPECT_EQ(tb->toolbar.clickedButtonId, -1);

  // A click beside the buttons is a click with no button.
  mouse.dwItemSpec = static_cast<DWORD_PTR>(-1);
  NotifyThroughParent(tb, mouse.hdr);
  EXPECT_EQ(log.clicks, 2);
  EXPECT_EQ(log.lastId, -1);
  EXPECT_EQ(log.lastIndex, -1);

  mouse.hdr.code = NM_RCLICK;
  mouse.dwItemSpec = id;
  NotifyThroughParent(tb, mouse.hdr);
  EXPECT_EQ(log.clicks, 3);
  EXPECT_EQ(log.lastId, -1);
}

TEST_F(ToolbarTest, MouseClickOnAButtonFiresClickOnce) {
  Control* tb = Make({" ", " "});
  Show(form_);
  ClickLog log;
  tb->clickEvent = {OnClick, &log};
  RECT r{};
  ASSERT_TRUE(SendMessageA(tb->handle, TB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&r)));
  const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  SendMessageA(tb->handle, WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageA(tb->handle, WM_LBUTTONUP, 0, at);
  EXPECT_TRUE(PollUntil([&] { return log.clicks > 0; }, 2000));
  PumpMessages();
  EXPECT_EQ(log.clicks, 1);
  EXPECT_EQ(log.lastId, firstId_ + 1);
  EXPECT_EQ(log.lastIndex, 1);
}

TEST_F(ToolbarTest, DropDownReportsItsButton) {
  Control* tb = Make({" ", "^"});
  ClickLog log;
  tb->clickEvent = {OnClick, &log};
  tb->dropDownEvent = {OnDropDown, &log};
  EXPECT_EQ(Button(tb, 1).fsStyle & TBSTYLE_DROPDOWN, TBSTYLE_DROPDOWN);
  NMTOOLBARA info{};
  info.hdr.code = TBN_DROPDOWN;
  info.iItem = firstId_ + 1;
  NotifyThroughParent(tb, info.hdr);
  EXPECT_EQ(log.dropDowns, 1);
  EXPECT_EQ(log.clicks, 0);
  EXPECT_EQ(log.lastId, firstId_ + 1);
  EXPECT_EQ(log.lastIndex, 1);
}

}  // namespace
