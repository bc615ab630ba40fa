// Transparent controls on real windows: what the screen shows behind them (read back from the
// window with GetPixel), the process-wide hooks staying at their defaults until the first
// transparent control, labels hidden around a text change, and scroll and move messages that
// repaint. Under Wine every window draws into a client-side surface, so GetPixel on a window DC
// reads what was painted even on Xvfb, where no window manager composes anything.
#include "winobj/transparent.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include "tests/support/poll.h"
#include "winobj/application.h"
#include "winobj/control.h"
#include "winobj/geometry.h"

namespace {

constexpr COLORREF kFormColor = RGB(120, 140, 160);
constexpr COLORREF kOwnColor = RGB(255, 0, 255);  // must never show through a transparent control
constexpr COLORREF kQuadrant[4] = {RGB(200, 30, 40), RGB(20, 180, 60), RGB(40, 60, 210),
                                   RGB(230, 200, 20)};
constexpr DWORD kPaintTimeoutMs = 2000;

Control* NewForm() {
  Control* form = CreateForm(nullptr, "Transparent");
  form->color = kFormColor;
  form->boundsRect = RECT{50, 50, 450, 350};
  form->boundsFlags |= kLeftSet | kTopSet;
  return form;
}

// A static with an empty text: it paints nothing but its background.
Control* NewStatic(Control* parent, const RECT& bounds) {
  Control* c = CreateChildControl(parent, "STATIC", WS_CHILD | WS_VISIBLE, false, nullptr);
  c->boundsRect = bounds;
  return c;
}

// A picture of four coloured quadrants (the four COLORREFs `data` points to), painted into
// whatever device context it is given.
bool PaintQuadrantsOf(void* data, MessageRecord& msg, LRESULT& result) {
  if (msg.message == WM_ERASEBKGND) {
    result = 1;
    return true;
  }
  if (msg.message != WM_PAINT) return false;
  const COLORREF* colors = static_cast<const COLORREF*>(data);
  PAINTSTRUCT paint;
  HDC dc = msg.wParam ? reinterpret_cast<HDC>(msg.wParam) : BeginPaint(msg.hwnd, &paint);
  RECT client;
  GetClientRect(msg.hwnd, &client);
  const int mx = client.right / 2, my = client.bottom / 2;
  const RECT parts[4] = {{0, 0, mx, my},
                         {mx, 0, client.right, my},
                         {0, my, mx, client.bottom},
                         {mx, my, client.right, client.bottom}};
  for (int i = 0; i < 4; ++i) {
    HBRUSH brush = CreateSolidBrush(colors[i]);
    FillRect(dc, &parts[i], brush);
    DeleteObject(brush);
  }
  if (!msg.wParam) EndPaint(msg.hwnd, &paint);
  result = 0;
  return true;
}

bool PaintQuadrants(void*, MessageRecord& msg, LRESULT& result) {
  return PaintQuadrantsOf(const_cast<COLORREF*>(kQuadrant), msg, result);
}

void ShowAndPaint(Control* form) {
  Show(form);
  RedrawWindow(form->handle, nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  PumpMessages();
}

COLORREF PixelOf(Control* c, int x, int y) {
  HDC dc = GetDC(c->handle);
  const COLORREF value = GetPixel(dc, x, y);
  ReleaseDC(c->handle, dc);
  return value;
}

// Polls, since the surface may be flushed after the paint returns.
::testing::AssertionResult ShowsColor(Control* c, int x, int y, COLORREF expected) {
  if (PollUntil([&] { return PixelOf(c, x, y) == expected; }, kPaintTimeoutMs)) {
    return ::testing::AssertionSuccess();
  }
  char text[96];
  wsprintfA(text, "pixel (%d,%d) is %06lX, expected %06lX", x, y,
            static_cast<unsigned long>(PixelOf(c, x, y)), static_cast<unsigned long>(expected));
  return ::testing::AssertionFailure() << text;
}

TEST(TransparentHooks, DefaultsStayUntilTheFirstTransparentControl) {
  const HookProc defaultGlobal = globalMessageHook;
  const auto defaultBackground = paintBackgroundHook;
  const auto defaultInvalidate = afterInvalidateHook;
  EXPECT_NE(defaultGlobal, TransparencyHook);
  EXPECT_NE(defaultBackground, PaintTransparentBackground);
  EXPECT_NE(defaultInvalidate, InvalidateAncestors);

  Control* form = NewForm();
  Control* plain = NewStatic(form, RECT{10, 10, 60, 60});
  ShowAndPaint(form);
  SetTransparent(plain, false);  // no change: nothing is installed
  EXPECT_EQ(globalMessageHook, defaultGlobal);
  EXPECT_EQ(paintBackgroundHook, defaultBackground);
  EXPECT_EQ(afterInvalidateHook, defaultInvalidate);

  // A blocked control is marked transparent, but the message hook is not installed for it.
  Control* blocked = NewStatic(form, RECT{70, 10, 120, 60});
  blocked->transparencyBlocked = 1;
  SetTransparent(blocked, true);
  EXPECT_EQ(blocked->transparent, 1);
  EXPECT_EQ(blocked->transparentHooked, 0);
  EXPECT_EQ(globalMessageHook, defaultGlobal);
  EXPECT_EQ(paintBackgroundHook, PaintTransparentBackground);
  EXPECT_EQ(afterInvalidateHook, InvalidateAncestors);

  Control* clear = NewStatic(form, RECT{130, 10, 180, 60});
  SetTransparent(clear, true);
  EXPECT_EQ(clear->transparentHooked, 1);
  EXPECT_EQ(plain->transparentHooked, 0);
  EXPECT_EQ(globalMessageHook, TransparencyHook);
  // Turning it off again keeps the hooks: they only act for hooked controls.
  SetTransparent(clear, false);
  EXPECT_EQ(clear->transparent, 0);
  EXPECT_EQ(globalMessageHook, TransparencyHook);
  Free(form);
}

TEST(TransparentPaint, OverAFormShowsTheFormColour) {
  Control* form = NewForm();
  Control* see = NewStatic(form, RECT{20, 20, 120, 80});  // inherits the form's colour
  Control* opaque = NewStatic(form, RECT{140, 20, 240, 80});
  opaque->color = kOwnColor;
  SetTransparent(see, true);
  ShowAndPaint(form);
  EXPECT_TRUE(ShowsColor(see, 5, 5, kFormColor));
  EXPECT_TRUE(ShowsColor(see, 95, 55, kFormColor));
  // Controls never made transparent paint as before, and so does the form itself.
  EXPECT_TRUE(ShowsColor(opaque, 50, 30, kOwnColor));
  EXPECT_TRUE(ShowsColor(form, 300, 200, kFormColor));
  Free(form);
}

TEST(TransparentPaint, OverAControlShowsThePictureUnderIt) {
  Control* form = NewForm();
  Control* panel = NewStatic(form, RECT{20, 20, 220, 220});
  panel->messageEvent.proc = PaintQuadrants;
  // Straddles the panel's centre (100, 100), so each of its quadrants sees another colour.
  Control* see = NewStatic(panel, RECT{60, 60, 140, 140});
  see->color = kOwnColor;
  SetTransparent(see, true);
  Control* opaque = NewStatic(panel, RECT{150, 150, 190, 190});
  opaque->color = kOwnColor;
  ShowAndPaint(form);

  EXPECT_TRUE(ShowsColor(see, 10, 10, kQuadrant[0]));
  EXPECT_TRUE(ShowsColor(see, 70, 10, kQuadrant[1]));
  EXPECT_TRUE(ShowsColor(see, 10, 70, kQuadrant[2]));
  EXPECT_TRUE(ShowsColor(see, 70, 70, kQuadrant[3]));
  // The boundary lies exactly where the panel has it: panel x 100 is the transparent
  // control's x 40.
  EXPECT_TRUE(ShowsColor(see, 39, 5, kQuadrant[0]));
  EXPECT_TRUE(ShowsColor(see, 40, 5, kQuadrant[1]));
  EXPECT_TRUE(ShowsColor(opaque, 20, 20, kOwnColor));
  EXPECT_TRUE(ShowsColor(panel, 10, 10, kQuadrant[0]));

  // Painted again after an invalidation, it still shows the panel and not itself.
  InvalidateRect(see->handle, nullptr, TRUE);
  UpdateWindow(see->handle);
  EXPECT_TRUE(ShowsColor(see, 70, 70, kQuadrant[3]));
  EXPECT_EQ(see->paintDC, nullptr);
  Free(form);
}

// The program's use: a flat toolbar made transparent on a panel shows the panel between its
// buttons (here it has none, so everywhere).
TEST(TransparentPaint, ToolbarShowsThePanelBehindIt) {
  Control* form = NewForm();
  Control* panel = NewStatic(form, RECT{0, 0, 300, 40});
  panel->messageEvent.proc = PaintQuadrants;
  Control* toolbar = CreateCommonControl(
      panel, TOOLBARCLASSNAMEA,
      WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | CCS_NORESIZE | CCS_NOPARENTALIGN | CCS_NODIVIDER,
      false, nullptr);
  toolbar->boundsRect = RECT{10, 4, 290, 36};
  SetTransparent(toolbar, true);
  ShowAndPaint(form);
  // Toolbar (5, 5) is panel (15, 9), the top-left quadrant; (270, 30) is panel (280, 34).
  EXPECT_TRUE(ShowsColor(toolbar, 5, 5, kQuadrant[0]));
  EXPECT_TRUE(ShowsColor(toolbar, 270, 30, kQuadrant[3]));
  Free(form);
}

// The buffers live on from paint to paint: one that grows for a larger control, a part
// invalidated alone drawn alone, and nothing of that partial paint (its clipping) left for the
// next one, which draws the whole control again.
TEST(TransparentPaint, KeptBuffersDrawEachPaintWholeWhateverCameBefore) {
  COLORREF colors[4] = {kQuadrant[0], kQuadrant[1], kQuadrant[2], kQuadrant[3]};
  Control* form = NewForm();
  Control* panel = NewStatic(form, RECT{0, 0, 300, 260});
  panel->messageEvent = {&PaintQuadrantsOf, colors};
  Control* see = NewStatic(panel, RECT{130, 110, 170, 150});
  see->color = kOwnColor;
  SetTransparent(see, true);
  ShowAndPaint(form);
  EXPECT_TRUE(ShowsColor(see, 35, 35, kQuadrant[3]));

  // Panel (50, 30) to (250, 230): the far corner lies past any buffer drawn so far.
  SetBoundsRect(see, RECT{50, 30, 250, 230});
  RedrawWindow(see->handle, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  EXPECT_TRUE(ShowsColor(see, 195, 195, kQuadrant[3]));
  EXPECT_TRUE(ShowsColor(see, 5, 5, kQuadrant[0]));

  const COLORREF repainted[4] = {RGB(10, 10, 10), RGB(60, 60, 60), RGB(110, 110, 110),
                                 RGB(160, 160, 160)};
  std::copy(std::begin(repainted), std::end(repainted), std::begin(colors));
  const RECT corner{0, 0, 50, 50};
  RedrawWindow(see->handle, &corner, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  EXPECT_TRUE(ShowsColor(see, 5, 5, repainted[0]));
  EXPECT_TRUE(ShowsColor(see, 195, 195, kQuadrant[3]));  // not invalid, not drawn

  RedrawWindow(see->handle, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  EXPECT_TRUE(ShowsColor(see, 195, 195, repainted[3]));
  EXPECT_TRUE(ShowsColor(see, 195, 5, repainted[1]));
  Free(form);
}

std::vector<WPARAM> shows;

bool RecordShowWindow(void*, MessageRecord& msg, LRESULT&) {
  if (msg.message == WM_SHOWWINDOW) shows.push_back(msg.wParam);
  return false;
}

std::string WindowText(HWND window) {
  char text[64] = {};
  GetWindowTextA(window, text, sizeof(text));
  return text;
}

TEST(TransparentLabel, TextChangeHidesAndShowsTheLabel) {
  Control* form = NewForm();
  Control* label = NewStatic(form, RECT{20, 20, 200, 40});
  label->labelMarker = 1;
  label->messageEvent.proc = RecordShowWindow;
  Control* other = NewStatic(form, RECT{20, 60, 200, 80});
  other->messageEvent.proc = RecordShowWindow;
  SetTransparent(label, true);
  SetTransparent(other, true);
  ShowAndPaint(form);
  shows.clear();

  EXPECT_TRUE(SetWindowTextA(label->handle, "Host Address:"));
  EXPECT_EQ(shows, (std::vector<WPARAM>{FALSE, TRUE}));
  EXPECT_EQ(WindowText(label->handle), "Host Address:");
  EXPECT_TRUE(IsWindowVisible(label->handle));

  // Only labels are hidden around the change.
  shows.clear();
  SetWindowTextA(other->handle, "x");
  EXPECT_TRUE(shows.empty());
  EXPECT_EQ(WindowText(other->handle), "x");

  // A hidden label takes the text and stays hidden.
  Hide(label);
  shows.clear();
  EXPECT_TRUE(SetWindowTextA(label->handle, "Port:"));
  EXPECT_EQ(WindowText(label->handle), "Port:");
  EXPECT_FALSE(IsWindowVisible(label->handle));
  EXPECT_TRUE(shows.empty());
  Free(form);
}

bool HasUpdate(Control* c) {
  RECT r;
  return GetUpdateRect(c->handle, &r, FALSE) != 0;
}

void ValidateAll(Control* form) {
  RedrawWindow(form->handle, nullptr, nullptr, RDW_VALIDATE | RDW_ALLCHILDREN);
}

TEST(TransparentRepaint, ScrollAndMoveMessagesRepaintTheControlAndWhatIsBehindIt) {
  applicationRunning = 1;  // Invalidate acts only while the message loop runs
  Control* form = NewForm();
  Control* panel = NewStatic(form, RECT{20, 20, 220, 220});
  Control* see = NewStatic(panel, RECT{60, 60, 140, 140});
  Control* opaque = NewStatic(panel, RECT{150, 150, 190, 190});
  SetTransparent(see, true);
  ShowAndPaint(form);

  WINDOWPOS pos{see->handle,
                nullptr,
                60,
                60,
                80,
                80,
                SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE};
  const struct {
    UINT message;
    LPARAM lParam;
  } cases[] = {{WM_HSCROLL, 0},
               {WM_VSCROLL, 0},
               {WM_WINDOWPOSCHANGED, reinterpret_cast<LPARAM>(&pos)},
               {kInvalidateMessage, 0}};
  for (const auto& c : cases) {
    ValidateAll(form);
    ASSERT_FALSE(HasUpdate(see));
    SendMessageA(see->handle, c.message, 0, c.lParam);
    EXPECT_TRUE(HasUpdate(see)) << std::hex << c.message;
    // The parent is asked to repaint the area too (its picture is the control's background).
    RECT area;
    EXPECT_TRUE(GetUpdateRect(panel->handle, &area, FALSE)) << std::hex << c.message;
  }

  // A control that was never made transparent is left alone.
  ValidateAll(form);
  SendMessageA(opaque->handle, WM_HSCROLL, 0, 0);
  EXPECT_FALSE(HasUpdate(opaque));
  EXPECT_FALSE(HasUpdate(panel));
  applicationRunning = 0;
  Free(form);
}

}  // namespace
