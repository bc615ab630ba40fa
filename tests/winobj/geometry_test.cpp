// Alignment arithmetic on plain rectangles, then geometry, alignment, fitting, centring and
// non-resizable forms on real windows.
#include <gtest/gtest.h>
#include <windows.h>

#include <ostream>
#include <vector>

#include "winobj/align_math.h"
#include "winobj/application.h"
#include "winobj/control.h"
#include "winobj/geometry.h"

bool operator==(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

void PrintTo(const RECT& r, std::ostream* os) {
  *os << "{" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << "}";
}

namespace {

RECT Rect(int left, int top, int right, int bottom) { return RECT{left, top, right, bottom}; }

AlignItem Item(uint8_t align, RECT bounds, bool participates = true) {
  AlignItem item;
  item.align = align;
  item.participates = participates;
  item.bounds = bounds;
  return item;
}

// ---- Pure arithmetic ----

TEST(AlignMath, TopAndBottomSpanTheWidthFromTheOutsideIn) {
  std::vector<AlignItem> items = {
      Item(kAlignTop, Rect(5, 5, 20, 15)),     // height 10
      Item(kAlignBottom, Rect(0, 0, 30, 20)),  // height 20
      Item(kAlignTop, Rect(40, 40, 41, 45)),   // height 5
      Item(kAlignBottom, Rect(9, 9, 19, 16)),  // height 7
  };
  const RECT rest = ComputeAlignment(Rect(0, 0, 200, 100), items);
  EXPECT_EQ(items[0].bounds, Rect(0, 0, 200, 10));
  EXPECT_EQ(items[1].bounds, Rect(0, 80, 200, 100));
  EXPECT_EQ(items[2].bounds, Rect(0, 10, 200, 15));
  EXPECT_EQ(items[3].bounds, Rect(0, 73, 200, 80));
  EXPECT_EQ(rest, Rect(0, 15, 200, 73));
}

TEST(AlignMath, SidesTakeTheRemainingHeightAndClientFillsTheRest) {
  // Creation order mixes the kinds on purpose: the passes, not the order, decide who is outside.
  std::vector<AlignItem> items = {
      Item(kAlignClient, Rect(0, 0, 1, 1)),   Item(kAlignLeft, Rect(0, 0, 30, 5)),
      Item(kAlignTop, Rect(0, 0, 10, 20)),    Item(kAlignRight, Rect(0, 0, 40, 5)),
      Item(kAlignBottom, Rect(0, 0, 10, 10)), Item(kAlignClient, Rect(3, 3, 4, 4)),
  };
  ComputeAlignment(Rect(0, 0, 300, 200), items);
  EXPECT_EQ(items[2].bounds, Rect(0, 0, 300, 20));
  EXPECT_EQ(items[4].bounds, Rect(0, 190, 300, 200));
  EXPECT_EQ(items[1].bounds, Rect(0, 20, 30, 190));
  EXPECT_EQ(items[3].bounds, Rect(260, 20, 300, 190));
  // Client children share the rest and overlap.
  EXPECT_EQ(items[0].bounds, Rect(30, 20, 260, 190));
  EXPECT_EQ(items[5].bounds, Rect(30, 20, 260, 190));
}

TEST(AlignMath, RightAlignedChildrenStackFromTheRightEdge) {
  std::vector<AlignItem> items = {
      Item(kAlignRight, Rect(2, 2, 66, 24)),  // created first: at the edge
      Item(kAlignRight, Rect(2, 2, 66, 24)),  // second: to its left
      Item(kAlignLeft, Rect(2, 2, 66, 24)),
      Item(kAlignLeft, Rect(2, 2, 66, 24)),
  };
  ComputeAlignment(Rect(0, 0, 400, 30), items);
  EXPECT_EQ(items[0].bounds, Rect(336, 0, 400, 30));
  EXPECT_EQ(items[1].bounds, Rect(272, 0, 336, 30));
  EXPECT_EQ(items[2].bounds, Rect(0, 0, 64, 30));
  EXPECT_EQ(items[3].bounds, Rect(64, 0, 128, 30));
}

TEST(AlignMath, ExhaustedSpaceNeverGivesNegativeSizes) {
  std::vector<AlignItem> items = {
      Item(kAlignTop, Rect(0, 0, 10, 40)),
      Item(kAlignBottom, Rect(0, 0, 10, 30)),  // overlaps the top child: only 50 high
      Item(kAlignLeft, Rect(0, 0, 80, 10)),
      Item(kAlignRight, Rect(0, 0, 50, 10)),  // only 100 wide
      Item(kAlignClient, Rect(0, 0, 10, 10)),
  };
  ComputeAlignment(Rect(0, 0, 100, 50), items);
  // Top and bottom keep their own heights even when they overlap.
  EXPECT_EQ(items[0].bounds, Rect(0, 0, 100, 40));
  EXPECT_EQ(items[1].bounds, Rect(0, 20, 100, 50));
  // The rest is now top 40, bottom 20: the sides collapse to height 0 at its top.
  EXPECT_EQ(items[2].bounds, Rect(0, 40, 80, 40));
  EXPECT_EQ(items[3].bounds, Rect(50, 40, 100, 40));
  // Rest left 80, right 50: the client child collapses at the left edge of the rest.
  EXPECT_EQ(items[4].bounds, Rect(80, 40, 80, 40));
  for (const AlignItem& item : items) {
    EXPECT_GE(item.bounds.right, item.bounds.left);
    EXPECT_GE(item.bounds.bottom, item.bounds.top);
  }
}

TEST(AlignMath, OnlyParticipatingAlignedItemsAreTouched) {
  const RECT hiddenPlace = Rect(7, 8, 57, 38);
  std::vector<AlignItem> items = {
      Item(kAlignTop, hiddenPlace, false),  // hidden: keeps its place and takes no space
      Item(kAlignTop, Rect(0, 0, 10, 10)), Item(kAlignNone, Rect(1, 2, 3, 4)),
      Item(6, Rect(1, 2, 3, 4)),           Item(8, Rect(1, 2, 3, 4)),
  };
  ComputeAlignment(Rect(0, 0, 100, 100), items);
  EXPECT_EQ(items[0].bounds, hiddenPlace);
  EXPECT_FALSE(items[0].moved || items[0].resized);
  EXPECT_EQ(items[1].bounds, Rect(0, 0, 100, 10));
  for (size_t i = 2; i < items.size(); ++i) {
    EXPECT_EQ(items[i].bounds, Rect(1, 2, 3, 4)) << "item " << i;
    EXPECT_FALSE(items[i].moved || items[i].resized) << "item " << i;
  }
}

TEST(AlignMath, ReportsMovedAndResizedSeparately) {
  std::vector<AlignItem> items = {
      Item(kAlignTop, Rect(0, 0, 100, 10)),   // already in place
      Item(kAlignTop, Rect(0, 0, 100, 10)),   // same size, must move down
      Item(kAlignLeft, Rect(0, 20, 30, 25)),  // same origin, must grow in height
  };
  ComputeAlignment(Rect(0, 0, 100, 60), items);
  EXPECT_FALSE(items[0].moved);
  EXPECT_FALSE(items[0].resized);
  EXPECT_TRUE(items[1].moved);
  EXPECT_FALSE(items[1].resized);
  EXPECT_EQ(items[2].bounds, Rect(0, 20, 30, 60));
  EXPECT_FALSE(items[2].moved);
  EXPECT_TRUE(items[2].resized);
}

TEST(AlignMath, StartsFromTheClientOrigin) {
  // A client area with a top margin starts below 0.
  std::vector<AlignItem> items = {Item(kAlignTop, Rect(0, 0, 5, 12)),
                                  Item(kAlignClient, Rect(0, 0, 5, 5))};
  ComputeAlignment(Rect(0, 10, 80, 60), items);
  EXPECT_EQ(items[0].bounds, Rect(0, 10, 80, 22));
  EXPECT_EQ(items[1].bounds, Rect(0, 22, 80, 60));
}

TEST(AlignMath, CentringTruncatesTowardZero) {
  EXPECT_EQ(CenterOrigin(Rect(0, 0, 300, 200), 101, 50).x, 99);
  EXPECT_EQ(CenterOrigin(Rect(0, 0, 300, 200), 101, 50).y, 75);
  EXPECT_EQ(CenterOrigin(Rect(0, 0, 100, 100), 101, 101).x, 0);   // -1 / 2
  EXPECT_EQ(CenterOrigin(Rect(0, 0, 100, 100), 103, 103).y, -1);  // -3 / 2
  // Only the extent of the outer rectangle counts.
  EXPECT_EQ(CenterOrigin(Rect(0, 10, 100, 60), 20, 20).y, 15);
}

// ---- Real windows ----

class Geometry : public ::testing::Test {
 protected:
  void SetUp() override { app = CreateApplication("Geometry"); }
  void TearDown() override { Free(app); }

  Control* NewForm(int w, int h) {
    Control* form = CreateForm(app, "Geometry form");
    SetSize(form, w, h);
    return form;
  }

  // A plain child window; with a client edge its client area is smaller than its bounds.
  Control* NewChild(Control* parent, bool clientEdge = false) {
    return CreateChildControl(parent, "STATIC", WS_CHILD | WS_VISIBLE, clientEdge, nullptr);
  }

  Control* NewAligned(Control* parent, uint8_t align, int w, int h) {
    Control* c = NewChild(parent);
    SetSize(c, w, h);
    SetAlign(c, align);
    return c;
  }

  // What the message loop does first: create every window not yet made and show the ones that
  // were created hidden because something needed them early.
  void ShowLikeRun() { CreateHandle(app); }

  Control* app = nullptr;
};

TEST_F(Geometry, BoundsSetBeforeAndAfterTheWindowReadBackUnchanged) {
  Control* form = NewForm(400, 300);
  Control* child = NewChild(form);
  SetBoundsRect(child, Rect(5, 7, 105, 57));
  ASSERT_NE(HandleOf(child), nullptr);
  // The form has a caption and a border: the child's bounds are relative to its client area.
  EXPECT_EQ(BoundsRect(child), Rect(5, 7, 105, 57));
  SetBoundsRect(child, Rect(20, 30, 70, 90));
  EXPECT_EQ(BoundsRect(child), Rect(20, 30, 70, 90));
  SetLeft(child, -4);
  SetTop(child, 11);
  EXPECT_EQ(BoundsRect(child), Rect(-4, 11, 46, 71));
  SetSize(child, 0, -1);  // non-positive extents are ignored
  EXPECT_EQ(Width(child), 50);
  EXPECT_EQ(Height(child), 60);

  SetBoundsRect(form, Rect(100, 120, 500, 420));
  EXPECT_EQ(BoundsRect(form), Rect(100, 120, 500, 420));  // screen co-ordinates
}

TEST_F(Geometry, OnlyChangedCoordinatesCountAsSet) {
  // A form whose left or top was never set is created at the platform's default position.
  Control* form = CreateForm(app, "Flags");
  const RECT start = form->boundsRect;
  SetSize(form, 300, 200);
  EXPECT_EQ(form->boundsFlags & (kLeftSet | kTopSet), 0);
  SetLeft(form, start.left + 10);
  EXPECT_EQ(form->boundsFlags & (kLeftSet | kTopSet), kLeftSet);
  SetTop(form, start.top + 10);
  EXPECT_EQ(form->boundsFlags & (kLeftSet | kTopSet), kLeftSet | kTopSet);
  EXPECT_EQ(form->handle, nullptr);
}

TEST_F(Geometry, ClientRectLeavesOutTheMargins) {
  Control* form = NewForm(400, 300);
  Control* panel = NewChild(form);
  SetBoundsRect(panel, Rect(0, 0, 200, 100));
  panel->clientTopMargin = 10;
  panel->clientBottomMargin = 20;
  EXPECT_EQ(ClientRect(panel), Rect(0, 10, 200, 80));
  EXPECT_EQ(ClientHeight(panel), 70);
  Control* top = NewAligned(panel, kAlignTop, 30, 15);
  Control* client = NewAligned(panel, kAlignClient, 30, 15);
  EXPECT_EQ(BoundsRect(top), Rect(0, 10, 200, 25));
  EXPECT_EQ(BoundsRect(client), Rect(0, 25, 200, 80));
}

TEST_F(Geometry, ClientRectWithoutAWindowIsTheStoredBounds) {
  // A child style without a parent window cannot be created.
  Control* orphan = NewChild(nullptr);
  SetBoundsRect(orphan, Rect(3, 4, 53, 44));
  orphan->clientBottomMargin = 4;
  EXPECT_EQ(ClientRect(orphan), Rect(3, 4, 53, 40));
  EXPECT_EQ(orphan->handle, nullptr);
  Free(orphan);
}

TEST_F(Geometry, ResizeParentFitsExactlyOnceThenOnlyGrows) {
  Control* form = NewForm(500, 400);
  Control* panel = NewChild(form, true);  // client edge: client smaller than bounds
  SetBoundsRect(panel, Rect(0, 0, 300, 200));
  Control* child = NewChild(panel);
  SetBoundsRect(child, Rect(10, 10, 110, 60));

  ResizeParent(child);  // the first fit may shrink
  EXPECT_EQ(ClientWidth(panel), 110 + panel->margin);
  EXPECT_EQ(ClientHeight(panel), 60 + panel->margin);
  EXPECT_EQ(panel->boundsFlags & (kWidthFitted | kHeightFitted), kWidthFitted | kHeightFitted);

  SetBoundsRect(child, Rect(10, 10, 50, 30));
  ResizeParent(child);  // smaller child: the parent stays
  EXPECT_EQ(ClientWidth(panel), 112);
  EXPECT_EQ(ClientHeight(panel), 62);

  SetBoundsRect(child, Rect(10, 10, 200, 40));
  ResizeParent(child);  // wider child: only the width grows
  EXPECT_EQ(ClientWidth(panel), 202);
  EXPECT_EQ(ClientHeight(panel), 62);

  SetBoundsRect(child, Rect(10, 10, 20, 100));
  ResizeParent(child);
  EXPECT_EQ(ClientWidth(panel), 202);
  EXPECT_EQ(ClientHeight(panel), 102);
}

TEST_F(Geometry, FormIsCentredOnTheScreenNotInTheApplication) {
  SetBoundsRect(app, Rect(10, 10, 210, 110));
  Control* form = NewForm(301, 201);
  CenterOnParent(form);
  const int x = (GetSystemMetrics(SM_CXSCREEN) - 301) / 2;
  const int y = (GetSystemMetrics(SM_CYSCREEN) - 201) / 2;
  EXPECT_EQ(BoundsRect(form), Rect(x, y, x + 301, y + 201));
  ASSERT_NE(HandleOf(form), nullptr);
  RECT window;
  GetWindowRect(form->handle, &window);
  EXPECT_EQ(window, Rect(x, y, x + 301, y + 201));
}

TEST_F(Geometry, ChildIsCentredInItsParentsClientArea) {
  Control* form = NewForm(500, 400);
  Control* panel = NewChild(form);
  SetBoundsRect(panel, Rect(0, 0, 300, 100));
  Control* narrow = NewChild(panel);
  SetSize(narrow, 101, 50);
  CenterOnParent(narrow);
  EXPECT_EQ(BoundsRect(narrow), Rect(99, 25, 200, 75));
  Control* wide = NewChild(panel);
  SetSize(wide, 303, 103);
  CenterOnParent(wide);
  EXPECT_EQ(BoundsRect(wide), Rect(-1, -1, 302, 102));
}

TEST_F(Geometry, ChildrenFollowTheEdgesWhenTheFormIsResized) {
  Control* form = NewForm(400, 300);
  Control* top = NewAligned(form, kAlignTop, 10, 30);
  Control* bottom = NewAligned(form, kAlignBottom, 10, 20);
  Control* left = NewAligned(form, kAlignLeft, 50, 10);
  Control* right = NewAligned(form, kAlignRight, 60, 10);
  Control* right2 = NewAligned(form, kAlignRight, 40, 10);
  Control* client = NewAligned(form, kAlignClient, 10, 10);
  // The status bar's kind: excluded children place themselves.
  Control* excluded = NewChild(form);
  SetBoundsRect(excluded, Rect(1, 2, 3, 4));
  excluded->align = kAlignBottom;
  excluded->excludedFromAlign = 1;
  SetAlign(excluded, kAlignTop);
  EXPECT_EQ(excluded->align, kAlignBottom);

  auto check = [&](const char* when) {
    SCOPED_TRACE(when);
    const int w = ClientWidth(form);
    const int h = ClientHeight(form);
    EXPECT_EQ(BoundsRect(top), Rect(0, 0, w, 30));
    EXPECT_EQ(BoundsRect(bottom), Rect(0, h - 20, w, h));
    EXPECT_EQ(BoundsRect(left), Rect(0, 30, 50, h - 20));
    EXPECT_EQ(BoundsRect(right), Rect(w - 60, 30, w, h - 20));
    EXPECT_EQ(BoundsRect(right2), Rect(w - 100, 30, w - 60, h - 20));
    EXPECT_EQ(BoundsRect(client), Rect(50, 30, w - 100, h - 20));
    EXPECT_EQ(BoundsRect(excluded), Rect(1, 2, 3, 4));
  };
  check("built");
  ShowLikeRun();
  check("shown");
  SetSize(form, 520, 360);  // WM_SIZE realigns
  EXPECT_GT(ClientWidth(form), 400);
  check("resized");
}

TEST_F(Geometry, ChildrenOfAHiddenFormAreAligned) {
  Control* form = NewForm(400, 300);
  Control* top = NewAligned(form, kAlignTop, 10, 25);
  Control* hidden = NewChild(form);
  SetSize(hidden, 20, 20);
  Hide(hidden);
  SetAlign(hidden, kAlignLeft);
  Control* client = NewAligned(form, kAlignClient, 10, 10);
  // Alignment needed the form's client area, so the form window exists, but nobody showed it.
  ASSERT_NE(form->handle, nullptr);
  ASSERT_FALSE(IsWindowVisible(form->handle));

  SetSize(form, 450, 320);  // resized while hidden: its children must follow all the same
  int w = ClientWidth(form);
  int h = ClientHeight(form);
  EXPECT_EQ(BoundsRect(top), Rect(0, 0, w, 25));
  EXPECT_EQ(BoundsRect(client), Rect(0, 25, w, h));
  EXPECT_EQ(Width(hidden), 20);  // takes no space

  ShowLikeRun();
  ASSERT_TRUE(IsWindowVisible(form->handle));
  EXPECT_TRUE(IsWindowVisible(HandleOf(top)));
  EXPECT_TRUE(IsWindowVisible(HandleOf(client)));
  EXPECT_FALSE(IsWindowVisible(HandleOf(hidden)));
  EXPECT_EQ(BoundsRect(top), Rect(0, 0, w, 25));
  EXPECT_EQ(BoundsRect(client), Rect(0, 25, w, h));

  // A child added after the form is on screen joins the layout.
  Control* bottom = NewAligned(form, kAlignBottom, 10, 15);
  EXPECT_EQ(BoundsRect(bottom), Rect(0, h - 15, w, h));
  EXPECT_EQ(BoundsRect(client), Rect(0, 25, w, h - 15));
}

TEST_F(Geometry, HiddenChildKeepsItsPlaceAndShowingItRealigns) {
  Control* form = NewForm(400, 300);
  Control* first = NewAligned(form, kAlignTop, 10, 20);
  Control* second = NewAligned(form, kAlignTop, 10, 30);
  Control* client = NewAligned(form, kAlignClient, 10, 10);
  ShowLikeRun();
  ASSERT_TRUE(IsWindowVisible(HandleOf(first)));
  const int w = ClientWidth(form);
  const int h = ClientHeight(form);
  EXPECT_EQ(BoundsRect(second), Rect(0, 20, w, 50));

  SetVisible(first, false);
  SetWidth(form, Width(form) + 40);  // realigns without the hidden child
  const int w2 = ClientWidth(form);
  ASSERT_EQ(w2, w + 40);
  EXPECT_EQ(BoundsRect(first), Rect(0, 0, w, 20));
  EXPECT_EQ(BoundsRect(second), Rect(0, 0, w2, 30));
  EXPECT_EQ(BoundsRect(client), Rect(0, 30, w2, h));

  SetVisible(first, true);  // showing realigns the parent at once
  EXPECT_EQ(BoundsRect(first), Rect(0, 0, w2, 20));
  EXPECT_EQ(BoundsRect(second), Rect(0, 20, w2, 50));
  EXPECT_EQ(BoundsRect(client), Rect(0, 50, w2, h));
}

TEST_F(Geometry, ResizedAlignedChildRealignsItsOwnChildren) {
  Control* form = NewForm(400, 300);
  Control* panel = NewAligned(form, kAlignTop, 10, 40);
  Control* inner = NewAligned(panel, kAlignClient, 5, 5);
  EXPECT_EQ(BoundsRect(inner), Rect(0, 0, ClientWidth(form), 40));
  SetHeight(panel, 60);  // the panel's own WM_SIZE
  EXPECT_EQ(BoundsRect(inner), Rect(0, 0, ClientWidth(form), 60));
}

// A handler that resizes a later sibling while the parent aligns: the sibling is placed with
// the size the handler gave it.
Control* resizeTarget = nullptr;
int resizeTo = 0;
bool ResizeSiblingOnSize(void*, MessageRecord& msg, LRESULT&) {
  if (msg.message == WM_SIZE && resizeTarget) {
    Control* target = resizeTarget;
    resizeTarget = nullptr;
    SetHeight(target, resizeTo);
  }
  return false;
}

TEST_F(Geometry, EachChildIsReadWhenItsTurnComes) {
  Control* form = NewForm(400, 300);
  Control* first = NewAligned(form, kAlignTop, 10, 20);
  Control* second = NewAligned(form, kAlignTop, 10, 30);
  Control* client = NewAligned(form, kAlignClient, 10, 10);
  ShowLikeRun();
  first->messageEvent = {ResizeSiblingOnSize, nullptr};
  resizeTarget = second;
  resizeTo = 55;
  SetWidth(form, Width(form) + 40);  // the first child's new width runs its handler
  first->messageEvent = {};
  ASSERT_EQ(resizeTarget, nullptr);
  const int w = ClientWidth(form);
  EXPECT_EQ(BoundsRect(first), Rect(0, 0, w, 20));
  EXPECT_EQ(BoundsRect(second), Rect(0, 20, w, 75));
  EXPECT_EQ(BoundsRect(client), Rect(0, 75, w, ClientHeight(form)));
}

// A window made early by HandleOf is shown with its parent only when nobody showed or hid it;
// showing or hiding it by hand ends that, for creation, painting and alignment alike.
TEST_F(Geometry, ShowingOrHidingByHandCancelsTheDeferredShow) {
  struct Case {
    const char* name;
    void (*act)(Control*);
  };
  const Case cases[] = {
      {"hidden", [](Control* c) { Hide(c); }},
      {"shown, then made invisible",
       [](Control* c) {
         Show(c);
         SetVisible(c, false);
       }},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.name);
    Control* form = NewForm(400, 300);
    Control* top = NewChild(form);
    SetSize(top, 10, 30);
    ASSERT_NE(HandleOf(top), nullptr);  // creates the form and the child hidden
    ASSERT_TRUE(top->showAfterCreate);
    test.act(top);
    EXPECT_FALSE(top->showAfterCreate);
    SetAlign(top, kAlignTop);
    Control* client = NewAligned(form, kAlignClient, 10, 10);

    ShowLikeRun();
    ASSERT_TRUE(IsWindowVisible(form->handle));
    EXPECT_FALSE(IsWindowVisible(top->handle));
    EXPECT_EQ(BoundsRect(client), Rect(0, 0, ClientWidth(form), ClientHeight(form)));
    // Every paint of the form creates its missing child windows again.
    SendMessageA(form->handle, WM_PAINT, 0, 0);
    EXPECT_FALSE(IsWindowVisible(top->handle));
    SetWidth(form, Width(form) + 10);
    EXPECT_EQ(BoundsRect(client), Rect(0, 0, ClientWidth(form), ClientHeight(form)));
    Free(form);
  }
}

// Right border point of a window, in screen co-ordinates.
LPARAM RightBorderPoint(HWND hwnd) {
  RECT r;
  GetWindowRect(hwnd, &r);
  return MAKELPARAM(r.right - 1, (r.top + r.bottom) / 2);
}

TEST_F(Geometry, FormThatCannotBeResizedKeepsItsSize) {
  Control* form = NewForm(300, 200);
  ASSERT_NE(HandleOf(form), nullptr);
  ShowLikeRun();
  ASSERT_EQ(SendMessageA(form->handle, WM_NCHITTEST, 0, RightBorderPoint(form->handle)), HTRIGHT);

  SetCanResize(form, false);
  EXPECT_FALSE(CanResize(form));
  EXPECT_EQ(GetWindowLongA(form->handle, GWL_STYLE) & WS_THICKFRAME, 0);
  EXPECT_EQ(SendMessageA(form->handle, WM_NCHITTEST, 0, RightBorderPoint(form->handle)), HTBORDER);
  // Where the frame still offers sizing, the procedure answers plain border.
  SetWindowLongA(form->handle, GWL_STYLE, GetWindowLongA(form->handle, GWL_STYLE) | WS_THICKFRAME);
  EXPECT_EQ(SendMessageA(form->handle, WM_NCHITTEST, 0, RightBorderPoint(form->handle)), HTBORDER);

  MINMAXINFO info{};
  SendMessageA(form->handle, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
  EXPECT_EQ(info.ptMinTrackSize.x, 300);
  EXPECT_EQ(info.ptMinTrackSize.y, 200);
  EXPECT_EQ(info.ptMaxTrackSize.x, 300);
  EXPECT_EQ(info.ptMaxTrackSize.y, 200);
  // The tracking limits are what stop a drag: the platform clamps every size change to them.
  SetWindowPos(form->handle, nullptr, 0, 0, 500, 400, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_EQ(Width(form), 300);
  EXPECT_EQ(Height(form), 200);

  SetCanResize(form, true);
  EXPECT_NE(GetWindowLongA(form->handle, GWL_STYLE) & WS_THICKFRAME, 0);
  EXPECT_EQ(SendMessageA(form->handle, WM_NCHITTEST, 0, RightBorderPoint(form->handle)), HTRIGHT);
  SetSize(form, 500, 400);
  EXPECT_EQ(Width(form), 500);
}

}  // namespace
