// Status bar: the part edges on plain numbers, then a form's bar made by its first text, its
// parts kept or re-divided by later texts, the simple-mode text, and the room the form makes.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "tests/support/pixels.h"
#include "tests/support/poll.h"
#include "winobj/application.h"
#include "winobj/control.h"
#include "winobj/geometry.h"
#include "winobj/statusbar.h"

namespace {

std::vector<int> Parts(HWND bar) {
  const int count = static_cast<int>(SendMessageA(bar, SB_GETPARTS, 0, 0));
  std::vector<int> edges(static_cast<size_t>(count > 0 ? count : 0));
  if (count > 0) SendMessageA(bar, SB_GETPARTS, count, reinterpret_cast<LPARAM>(edges.data()));
  return edges;
}

std::string PartText(HWND bar, int index) {
  const LRESULT info = SendMessageA(bar, SB_GETTEXTLENGTHA, index, 0);
  const size_t length = LOWORD(info);
  std::string text(length + 1, '\0');
  SendMessageA(bar, SB_GETTEXTA, index, reinterpret_cast<LPARAM>(&text[0]));
  text.resize(length);
  return text;
}

Control* NewForm(int width, int height) {
  Control* form = CreateForm(nullptr, "Status");
  SetBoundsRect(form, RECT{40, 40, 40 + width, 40 + height});
  return form;
}

TEST(StatusBarParts, EdgesDivideTheWidthEvenly) {
  EXPECT_EQ(StatusPartEdges(800, 4), (std::vector<int>{160, 320, 480, 640, -1}));
  EXPECT_EQ(StatusPartEdges(700, 6), (std::vector<int>{100, 200, 300, 400, 500, 600, -1}));
  // The division truncates; the last part takes what is left.
  EXPECT_EQ(StatusPartEdges(803, 3), (std::vector<int>{200, 400, 600, -1}));
  EXPECT_EQ(StatusPartEdges(800, 0), (std::vector<int>{-1}));
  // The platform takes at most 255 parts.
  const std::vector<int> most = StatusPartEdges(2550, 254);
  ASSERT_EQ(most.size(), 255u);
  EXPECT_EQ(most[253], 2540);
  EXPECT_EQ(most[254], -1);
  EXPECT_TRUE(StatusPartEdges(800, -1).empty());
}

TEST(StatusBar, FirstTextMakesFivePartsAndTheFormGrowsByTheBar) {
  Control* form = NewForm(800, 500);
  const int clientHeight = ClientHeight(form);
  RECT before{};
  GetClientRect(form->handle, &before);

  SetStatusText(form, 4, "");
  ASSERT_NE(form->form.statusBar, nullptr);
  HWND bar = form->form.statusBarWindow;
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(bar, form->form.statusBar->handle);
  char className[64] = {};
  GetClassNameA(bar, className, sizeof className);
  EXPECT_STREQ(className, "obj_msctls_statusbar32");
  EXPECT_EQ(Parts(bar), (std::vector<int>{160, 320, 480, 640, -1}));
  EXPECT_FALSE(SendMessageA(bar, SB_ISSIMPLE, 0, 0));
  EXPECT_NE(GetWindowLongA(bar, GWL_STYLE) & SBARS_SIZEGRIP, 0);

  // The bar's height comes off the bottom of the client area the children are aligned in, and
  // the form grew by as much, so that area kept its height.
  RECT barRect{};
  GetWindowRect(bar, &barRect);
  EXPECT_GT(form->clientBottomMargin, 0);
  EXPECT_EQ(form->clientBottomMargin, barRect.bottom - barRect.top);
  EXPECT_EQ(ClientHeight(form), clientHeight);
  RECT after{};
  GetClientRect(form->handle, &after);
  EXPECT_EQ(after.bottom - after.top, (before.bottom - before.top) + form->clientBottomMargin);

  // Once shown, the platform control sits along the bottom of the form's client area.
  CreateHandle(form);
  EXPECT_TRUE(IsWindowVisible(bar));
  POINT bottomLeft{0, after.bottom};
  ClientToScreen(form->handle, &bottomLeft);
  GetWindowRect(bar, &barRect);
  EXPECT_EQ(barRect.bottom, bottomLeft.y);
  EXPECT_EQ(barRect.left, bottomLeft.x);
  Free(form);
}

TEST(StatusBar, LaterTextsKeepEnoughPartsOrReDivide) {
  Control* form = NewForm(800, 400);
  SetStatusText(form, 4, "");
  HWND bar = form->form.statusBarWindow;
  SetStatusText(form, 2, "Connected");
  SetStatusText(form, 0, "Sending Request");
  EXPECT_EQ(Parts(bar), (std::vector<int>{160, 320, 480, 640, -1}));
  EXPECT_EQ(PartText(bar, 2), "Connected");
  EXPECT_EQ(PartText(bar, 0), "Sending Request");

  // More parts than the bar has: seven equal parts of the form's width at this moment.
  SetWidth(form, 700);
  SetStatusText(form, 6, "six");
  EXPECT_EQ(Parts(bar), (std::vector<int>{100, 200, 300, 400, 500, 600, -1}));
  EXPECT_EQ(PartText(bar, 6), "six");
  EXPECT_EQ(PartText(bar, 2), "Connected");
  // Fewer again: nothing is taken away.
  SetStatusText(form, 1, "one");
  EXPECT_EQ(Parts(bar).size(), 7u);
  Free(form);
}

TEST(StatusBar, SimpleTextLeavesThePartsShowing) {
  Control* form = NewForm(800, 400);
  SetStatusText(form, 4, "");
  SetStatusText(form, 0, "Connected");
  HWND bar = form->form.statusBarWindow;
  SetStatusText(form, 255, "simple");
  EXPECT_FALSE(SendMessageA(bar, SB_ISSIMPLE, 0, 0));
  EXPECT_EQ(Parts(bar).size(), 5u);
  EXPECT_EQ(PartText(bar, 0), "Connected");
  // Indexes past 255 name the simple text too, never part 0.
  SetStatusText(form, 300, "past");
  EXPECT_EQ(PartText(bar, 0), "Connected");
  // Wine keeps the simple text apart from the parts but reads it back only in simple mode, and
  // then under index 0 (SB_GETTEXT with 255 answers nothing while the bar has fewer parts).
  EXPECT_EQ(PartText(bar, 255), "");
  SendMessageA(bar, SB_SIMPLE, TRUE, 0);
  EXPECT_EQ(PartText(bar, 0), "past");
  SendMessageA(bar, SB_SIMPLE, FALSE, 0);
  EXPECT_EQ(PartText(bar, 0), "Connected");
  Free(form);
}

TEST(StatusBar, FirstSimpleTextMakesASimpleBarWithoutGripOnAFixedForm) {
  Control* form = NewForm(600, 300);
  SetCanResize(form, false);
  SetStatusText(form, 255, "Ready");
  HWND bar = form->form.statusBarWindow;
  ASSERT_NE(bar, nullptr);
  EXPECT_TRUE(SendMessageA(bar, SB_ISSIMPLE, 0, 0));
  EXPECT_EQ(PartText(bar, 0), "Ready");  // in simple mode Wine reads the simple text as part 0
  EXPECT_EQ(GetWindowLongA(bar, GWL_STYLE) & SBARS_SIZEGRIP, 0);
  // A part index later leaves simple mode.
  SetStatusText(form, 1, "part");
  EXPECT_FALSE(SendMessageA(bar, SB_ISSIMPLE, 0, 0));
  EXPECT_EQ(Parts(bar), (std::vector<int>{300, -1}));
  Free(form);
}

bool CountPaint(void* count, MessageRecord& msg, LRESULT&) {
  if (msg.message == WM_PAINT) ++*static_cast<int*>(count);
  return false;
}

// The platform's own bar, behind the layer: the texts it is handed.
WNDPROC platformBar = nullptr;
int platformTexts = 0;
LRESULT CALLBACK CountingBar(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == SB_SETTEXTA) ++platformTexts;
  return CallWindowProcA(platformBar, window, message, wParam, lParam);
}

// A transfer puts thousands of texts into the bar with no message loop between, and each one
// used to redraw the bar at once. Every text still reaches its part, in order; the bar is drawn
// when the loop next runs, and every half second while texts keep coming.
TEST(StatusBar, TextsAreDrawnWhenTheLoopRunsNotEachAtOnce) {
  Control* form = NewForm(800, 400);
  SetStatusText(form, 4, "");
  CreateHandle(form);
  PumpMessages();
  Control* bar = form->form.statusBar;
  int paints = 0;
  bar->messageEvent = {&CountPaint, &paints};
  platformBar = bar->defaultWindowProc;
  bar->defaultWindowProc = CountingBar;
  platformTexts = 0;
  for (int i = 0; i < 30; ++i) SetStatusText(form, i % 4, std::to_string(i) + " bytes");
  EXPECT_EQ(paints, 0);
  EXPECT_EQ(PartText(bar->handle, 1), "29 bytes");
  EXPECT_EQ(PartText(bar->handle, 2), "26 bytes");
  // Each part's latest text, once, when the bar was first asked: a text handed to the platform's
  // bar costs it an update even undrawn.
  EXPECT_EQ(platformTexts, 4);
  bar->defaultWindowProc = platformBar;
  form->form.statusBarDrawnAt -= 1000;
  SetStatusText(form, 0, "Response Received");
  EXPECT_EQ(paints, 1);
  PumpMessages();
  EXPECT_EQ(paints, 2);
  EXPECT_TRUE(IsWindowVisible(bar->handle));
  Free(form);
}

// Held texts go in with only the parts they change invalidated (a whole bar is twice the time
// of a part to draw under Wine's theme); the screen then shows what a full redraw draws.
TEST(StatusBar, HeldTextsRedrawOnlyThePartsTheyChange) {
  Control* form = NewForm(800, 400);
  for (int part = 0; part < 5; ++part) SetStatusText(form, part, "part " + std::to_string(part));
  CreateHandle(form);
  Show(form);
  PumpMessages();
  Control* bar = form->form.statusBar;
  HWND window = bar->handle;

  SetStatusText(form, 1, "part 1");          // as shown
  SetStatusText(form, 2, "2 bytes");         // another text
  SetStatusText(form, 3, "part 3");          // the same text in another look
  SendMessageA(window, SB_SETTEXTA, 3 | SBT_POPOUT, reinterpret_cast<LPARAM>("part 3"));
  RECT updated{};
  EXPECT_FALSE(GetUpdateRect(window, &updated, FALSE));  // nothing handed over yet
  EXPECT_EQ(PartText(window, 2), "2 bytes");
  HRGN region = CreateRectRgn(0, 0, 0, 0);
  ASSERT_NE(GetUpdateRgn(window, region, FALSE), ERROR);
  for (int part = 0; part < 5; ++part) {
    RECT place{};
    SendMessageA(window, SB_GETRECT, part, reinterpret_cast<LPARAM>(&place));
    const POINT middle{(place.left + place.right) / 2, (place.top + place.bottom) / 2};
    EXPECT_EQ(PtInRegion(region, middle.x, middle.y) != FALSE, part == 2 || part == 3) << part;
  }
  DeleteObject(region);

  PumpMessages();
  const std::vector<uint32_t> shown = WindowPixels(window);
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
  EXPECT_TRUE(WindowPixels(window) == shown);
  EXPECT_EQ(PartText(window, 3), "part 3");
  EXPECT_EQ(HIWORD(SendMessageA(window, SB_GETTEXTLENGTHA, 3, 0)), SBT_POPOUT);

  // A text put in another way is not taken for the one last handed over.
  SendMessageA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("elsewhere"));
  SetStatusText(form, 0, "part 0");
  PumpMessages();
  EXPECT_EQ(PartText(window, 0), "part 0");
  Free(form);
}

}  // namespace
