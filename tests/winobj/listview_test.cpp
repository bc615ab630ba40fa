// The list view: option sets turned into styles (plain tables), and real list views: the panes'
// styles, columns, items and their texts, image changes that keep the rest, label editing, a
// header tall enough for its font.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "tests/support/poll.h"
#include "winobj/application.h"
#include "winobj/control.h"
#include "winobj/controls.h"
#include "winobj/font.h"
#include "winobj/imagelist.h"
#include "winobj/listview.h"

namespace {

constexpr uint32_t kPaneOptions = 33032;
constexpr uint32_t kCreationStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_SHAREIMAGELISTS;
// Every bit a list view's own styles may use.
constexpr uint32_t kListViewStyleBits = 0xFFFF;
// The program's own font height, and a larger one set after the columns exist.
constexpr int32_t kApplicationFontHeight = 11;
constexpr int32_t kLargerFontHeight = 24;
// A header item draws an edge of at least one pixel above and below its text.
constexpr int kHeaderEdges = 2;

// ---- Tables ----

TEST(ListViewStyles, PaneOptions) {
  EXPECT_EQ(ListViewWindowStyle(kCreationStyle | LVS_REPORT, ViewReport, kPaneOptions),
            static_cast<uint32_t>(WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_SHAREIMAGELISTS |
                                  LVS_REPORT | LVS_SHOWSELALWAYS | LVS_EDITLABELS));
  EXPECT_EQ(ListViewExtendedBits(kPaneOptions), static_cast<uint32_t>(LVS_EX_HEADERDRAGDROP));
}

TEST(ListViewStyles, InvertedMembersAndViews) {
  EXPECT_EQ(ListViewOptionStyleBits(0), static_cast<uint32_t>(LVS_SHOWSELALWAYS | LVS_SINGLESEL));
  EXPECT_EQ(ListViewOptionStyleBits(ListViewOption::HideSelection | ListViewOption::MultiSelect),
            0u);
  EXPECT_EQ(ListViewViewBits(ViewIcons), static_cast<uint32_t>(LVS_ICON));
  EXPECT_EQ(ListViewViewBits(ViewSmallIcons), static_cast<uint32_t>(LVS_SMALLICON));
  EXPECT_EQ(ListViewViewBits(ViewList), static_cast<uint32_t>(LVS_LIST));
  EXPECT_EQ(ListViewViewBits(ViewReportNoHeader),
            static_cast<uint32_t>(LVS_REPORT | LVS_NOCOLUMNHEADER));
  // Bits the options own are cleared from what the window had; the header bit comes back
  // only with the view that asks for it.
  const uint32_t had = kCreationStyle | LVS_REPORT | LVS_NOSORTHEADER | LVS_NOCOLUMNHEADER;
  EXPECT_EQ(ListViewWindowStyle(had, ViewReport,
                                ListViewOption::HideSelection | ListViewOption::MultiSelect),
            kCreationStyle | LVS_REPORT);
  EXPECT_TRUE(ListViewWindowStyle(had, ViewReportNoHeader, 0) & LVS_NOCOLUMNHEADER);
}

TEST(ListViewStyles, StyleAndExtendedMembersStayApart) {
  const uint32_t styleMembers = (1u << 11) - 1;
  const uint32_t extendedMembers = ((1u << 24) - 1) & ~styleMembers;
  EXPECT_EQ(ListViewExtendedBits(styleMembers), 0u);
  EXPECT_EQ(ListViewOptionStyleBits(extendedMembers),
            static_cast<uint32_t>(LVS_SHOWSELALWAYS | LVS_SINGLESEL));
  EXPECT_EQ(ListViewExtendedBits(ListViewOption::GridLines),
            static_cast<uint32_t>(LVS_EX_GRIDLINES));
  EXPECT_EQ(ListViewExtendedBits(ListViewOption::MultiWorkAreas),
            static_cast<uint32_t>(LVS_EX_MULTIWORKAREAS));
  EXPECT_EQ(ListViewOptionStyleBits(ListViewOption::SortDescending) & LVS_SORTDESCENDING,
            static_cast<uint32_t>(LVS_SORTDESCENDING));
}

TEST(ListViewStyles, ItemStates) {
  EXPECT_EQ(ItemStateBits(ItemState::StateSelected | ItemState::StateFocused),
            static_cast<uint32_t>(LVIS_SELECTED | LVIS_FOCUSED));
  EXPECT_EQ(ItemStateBits(ItemState::StateCut), static_cast<uint32_t>(LVIS_CUT));
  EXPECT_EQ(ItemStateBits(ItemState::StateDropHighlighted),
            static_cast<uint32_t>(LVIS_DROPHILITED));
}

// ---- Real list views ----

struct EditLog {
  int calls = 0;
  int item = -1;
  int subItem = -1;
  std::string text;
  bool answer = true;
};

bool OnEndEdit(void* receiver, Control*, int item, int subItem, const char* text) {
  auto* log = static_cast<EditLog*>(receiver);
  ++log->calls;
  log->item = item;
  log->subItem = subItem;
  log->text = text ? text : "";
  return log->answer;
}

class ListViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    form_ = CreateForm(nullptr, "List view test");
    ASSERT_NE(HandleOf(form_), nullptr);
  }
  void TearDown() override { Free(form_); }

  Control* MakePane() {
    images_ = CreateImageList(form_);
    Control* lv = CreateListView(form_, ViewReport, kPaneOptions, images_, nullptr, nullptr);
    EXPECT_NE(HandleOf(lv), nullptr);
    return lv;
  }

  DWORD WindowStyle(Control* c) { return static_cast<DWORD>(GetWindowLongA(c->handle, GWL_STYLE)); }

  Control* form_ = nullptr;
  ImageList* images_ = nullptr;
};

TEST_F(ListViewTest, PaneStylesAndImageList) {
  images_ = CreateImageList(form_);
  Control* lv = CreateListView(form_, ViewReport, kPaneOptions, images_, nullptr, nullptr);
  ASSERT_NE(HandleOf(lv), nullptr);
  RECT r{};
  GetWindowRect(lv->handle, &r);
  EXPECT_EQ(r.right - r.left, 200);
  EXPECT_EQ(r.bottom - r.top, 150);
  EXPECT_EQ(
      WindowStyle(lv) & kListViewStyleBits,
      static_cast<DWORD>(LVS_SHAREIMAGELISTS | LVS_REPORT | LVS_SHOWSELALWAYS | LVS_EDITLABELS));
  EXPECT_EQ(WindowStyle(lv) & (WS_CHILD | WS_TABSTOP), static_cast<DWORD>(WS_CHILD | WS_TABSTOP));
  EXPECT_EQ(SendMessageA(lv->handle, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0), LVS_EX_HEADERDRAGDROP);
  // The pane's list became a 16 x 16 list and was handed to the window as its small images.
  HIMAGELIST smallList =
      reinterpret_cast<HIMAGELIST>(SendMessageA(lv->handle, LVM_GETIMAGELIST, LVSIL_SMALL, 0));
  EXPECT_EQ(smallList, ImageListHandle(images_));
  int cx = 0;
  int cy = 0;
  ASSERT_TRUE(ImageList_GetIconSize(smallList, &cx, &cy));
  EXPECT_EQ(cx, 16);
  EXPECT_EQ(cy, 16);
  EXPECT_EQ(SendMessageA(lv->handle, LVM_GETIMAGELIST, LVSIL_NORMAL, 0), 0);
}

TEST_F(ListViewTest, NoHeaderViewAndHiddenSelection) {
  Control* bare = CreateListView(form_, ViewReportNoHeader, ListViewOption::HideSelection, nullptr,
                                 nullptr, nullptr);
  ASSERT_NE(HandleOf(bare), nullptr);
  EXPECT_TRUE(WindowStyle(bare) & LVS_NOCOLUMNHEADER);
  EXPECT_FALSE(WindowStyle(bare) & LVS_SHOWSELALWAYS);
  EXPECT_TRUE(WindowStyle(bare) & LVS_SINGLESEL);
  HWND header = reinterpret_cast<HWND>(SendMessageA(bare->handle, LVM_GETHEADER, 0, 0));
  EXPECT_TRUE(header == nullptr || !IsWindowVisible(header));
}

TEST_F(ListViewTest, Columns) {
  Control* lv = MakePane();
  EXPECT_EQ(AppendColumn(lv, "Filename", ColumnLeft, 180), 0);
  EXPECT_EQ(AppendColumn(lv, "FileSize", ColumnRight, 100), 1);
  EXPECT_EQ(AppendColumn(lv, "Filetype", ColumnLeft, 0), 2);
  HWND header = reinterpret_cast<HWND>(SendMessageA(lv->handle, LVM_GETHEADER, 0, 0));
  EXPECT_EQ(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0), 3);
  EXPECT_EQ(SendMessageA(lv->handle, LVM_GETCOLUMNWIDTH, 0, 0), 180);
  EXPECT_EQ(SendMessageA(lv->handle, LVM_GETCOLUMNWIDTH, 1, 0), 100);
  // No width asked for: the platform's default, never a column of width 0.
  EXPECT_GT(SendMessageA(lv->handle, LVM_GETCOLUMNWIDTH, 2, 0), 0);
  char text[32] = {};
  LVCOLUMNA column{};
  column.mask = LVCF_TEXT | LVCF_FMT;
  column.pszText = text;
  column.cchTextMax = sizeof(text);
  ASSERT_TRUE(SendMessageA(lv->handle, LVM_GETCOLUMNA, 1, reinterpret_cast<LPARAM>(&column)));
  EXPECT_STREQ(text, "FileSize");
  EXPECT_EQ(column.fmt & LVCFMT_JUSTIFYMASK, LVCFMT_RIGHT);
  // A column inserted in front moves the others on.
  EXPECT_EQ(InsertColumn(lv, 0, "First", 50, ColumnCenter), 0);
  EXPECT_EQ(SendMessageA(lv->handle, LVM_GETCOLUMNWIDTH, 1, 0), 180);
  // Appending still goes after the last column.
  EXPECT_EQ(AppendColumn(lv, "Last", ColumnLeft, 60), 4);
  EXPECT_EQ(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0), 5);
  EXPECT_EQ(SendMessageA(lv->handle, LVM_GETCOLUMNWIDTH, 4, 0), 60);
}

TEST_F(ListViewTest, ItemsAndTheirFields) {
  Control* lv = MakePane();
  AppendColumn(lv, "Filename", ColumnLeft, 180);
  AppendColumn(lv, "FileSize", ColumnRight, 100);
  EXPECT_EQ(AppendListItem(lv, "a.txt", 3, 0, 0, 0, 41), 0);
  EXPECT_EQ(AppendListItem(lv, "b.txt", 0, ItemState::StateSelected, 2, 1, 42), 1);
  EXPECT_EQ(InsertListItem(lv, 0, "first", 1, 0, 0, 0, 40), 0);
  EXPECT_EQ(Count(lv), 3);
  EXPECT_EQ(ListItemText(lv, 0, 0), "first");
  EXPECT_EQ(ListItemText(lv, 2, 0), "b.txt");
  EXPECT_EQ(ListItemImage(lv, 1), 3);

  LVITEMA item;
  ASSERT_TRUE(ReadListItem(lv, 2, 0, item, nullptr, 0));
  EXPECT_EQ(item.lParam, 42);
  EXPECT_EQ(item.state & LVIS_SELECTED, static_cast<UINT>(LVIS_SELECTED));
  EXPECT_EQ(item.state & LVIS_STATEIMAGEMASK, static_cast<UINT>(INDEXTOSTATEIMAGEMASK(2)));
  EXPECT_EQ(item.state & LVIS_OVERLAYMASK, static_cast<UINT>(INDEXTOOVERLAYMASK(1)));

  SetListItemText(lv, 1, 1, "12 KB");
  EXPECT_EQ(ListItemText(lv, 1, 1), "12 KB");
  EXPECT_EQ(ListItemText(lv, 1, 0), "a.txt");

  // Rows that are not there.
  EXPECT_EQ(ListItemText(lv, 7, 0), "");
  EXPECT_EQ(ListItemImage(lv, 7), -1);
  EXPECT_FALSE(ReadListItem(lv, 7, 0, item, nullptr, 0));

  Clear(lv);
  EXPECT_EQ(SendMessageA(lv->handle, LVM_GETITEMCOUNT, 0, 0), 0);
}

TEST_F(ListViewTest, TextReadsGrowTheBuffer) {
  Control* lv = MakePane();
  AppendColumn(lv, "Filename", ColumnLeft, 180);
  // A buffer of 100 bytes holds a text known whole up to 95 bytes: a longer one may have stopped
  // before a character of up to 4 bytes that did not fit.
  const std::string t95(95, 'a');
  const std::string t96(96, 'b');
  const std::string t500(500, 'c');
  // With the UTF-8 code page: "日" (3 bytes) does not fit after 98 bytes, and the list view
  // writes the 98 before it and a NUL, one byte short of the end.
  const std::string straddling = std::string(98, 'd') + "\xE6\x97\xA5";
  AppendListItem(lv, t95, 0, 0, 0, 0, 0);
  AppendListItem(lv, t96, 0, 0, 0, 0, 0);
  AppendListItem(lv, t500, 0, 0, 0, 0, 0);
  AppendListItem(lv, "", 0, 0, 0, 0, 0);
  AppendListItem(lv, straddling, 0, 0, 0, 0, 0);
  int reads = 0;
  EXPECT_EQ(ListItemText(lv, 0, 0, &reads), t95);
  EXPECT_EQ(reads, 1);
  EXPECT_EQ(ListItemText(lv, 1, 0, &reads), t96);
  EXPECT_EQ(reads, 2);  // 100, then 300
  EXPECT_EQ(ListItemText(lv, 2, 0, &reads), t500);
  EXPECT_EQ(reads, 3);  // 100, 300, 700
  EXPECT_EQ(ListItemText(lv, 3, 0, &reads), "");
  EXPECT_EQ(reads, 1);
  if (GetACP() == CP_UTF8) {
    EXPECT_EQ(ListItemText(lv, 4, 0), straddling);
  }
}

TEST_F(ListViewTest, SetListItemImageKeepsTheRest) {
  Control* lv = MakePane();
  AppendColumn(lv, "Filename", ColumnLeft, 180);
  AppendListItem(lv, "x", 0, 0, 0, 0, 5);
  AppendListItem(lv, "keep me", 0, ItemState::StateSelected | ItemState::StateCut, 0, 0, 77);
  SetListItemImage(lv, 1, 4);
  EXPECT_EQ(ListItemImage(lv, 1), 4);
  LVITEMA item;
  ASSERT_TRUE(ReadListItem(lv, 1, 0, item, nullptr, 0));
  EXPECT_EQ(item.lParam, 77);
  EXPECT_EQ(item.state & (LVIS_SELECTED | LVIS_CUT), static_cast<UINT>(LVIS_SELECTED | LVIS_CUT));
  EXPECT_EQ(ListItemText(lv, 1, 0), "keep me");
  EXPECT_EQ(ListItemImage(lv, 0), 0);
}

namespace {

// Item-change notifications that reach the form's procedures.
int itemChanges = 0;
bool CountItemChanges(Control*, MessageRecord& msg, LRESULT&) {
  if (msg.message == WM_NOTIFY && reinterpret_cast<const NMHDR*>(msg.lParam)->code == LVN_ITEMCHANGED)
    ++itemChanges;
  return false;
}

}  // namespace

// Writing over an item leaves it as a new one would be; while muted, the item-change
// notifications stop at the layer's door.
TEST_F(ListViewTest, RewrittenItemsAndMutedChanges) {
  Control* lv = MakePane();
  AppendColumn(lv, "Filename", ColumnLeft, 180);
  AppendListItem(lv, "old", 3, ItemState::StateSelected | ItemState::StateCut, 2, 1, 7);
  AppendListItem(lv, "other", 1, 0, 0, 0, 8);
  AttachProc(form_, &CountItemChanges);
  itemChanges = 0;
  {
    const auto quiet = MuteItemChanges(lv);
    ASSERT_TRUE(RewriteListItem(lv, 0, "new", 5, 0, 0, 0, 9));
    EXPECT_EQ(itemChanges, 0);
  }
  EXPECT_FALSE(RewriteListItem(lv, 4, "none", 0, 0, 0, 0, 0));
  LVITEMA item;
  ASSERT_TRUE(ReadListItem(lv, 0, 0, item, nullptr, 0));
  EXPECT_EQ(ListItemText(lv, 0, 0), "new");
  EXPECT_EQ(item.iImage, 5);
  EXPECT_EQ(item.lParam, 9);
  EXPECT_EQ(item.state & 0xFFFF, 0u);
  // Unmuted again: the next change is told.
  SetListItemImage(lv, 1, 2);
  EXPECT_GT(itemChanges, 0);
  AppendListItem(lv, "picked", 0, ItemState::StateSelected, 0, 0, 10);
  DeselectAllListItems(lv);
  EXPECT_EQ(SendMessageA(lv->handle, LVM_GETSELECTEDCOUNT, 0, 0), 0);
  EXPECT_TRUE(DeleteListItem(lv, 0));
  EXPECT_FALSE(DeleteListItem(lv, 5));
  EXPECT_EQ(ListItemText(lv, 0, 0), "other");
  DetachProc(form_, &CountItemChanges);
}

struct HeaderLook {
  HFONT listFont;
  HFONT headerFont;
  int height;      // the header window's height on screen
  int textHeight;  // the height of a line of the header's own font
  int firstRowTop;
};

HeaderLook LookAtHeader(Control* lv) {
  HeaderLook look{};
  HWND header = reinterpret_cast<HWND>(SendMessageA(lv->handle, LVM_GETHEADER, 0, 0));
  look.listFont = reinterpret_cast<HFONT>(SendMessageA(lv->handle, WM_GETFONT, 0, 0));
  look.headerFont = reinterpret_cast<HFONT>(SendMessageA(header, WM_GETFONT, 0, 0));
  RECT frame{};
  GetWindowRect(header, &frame);
  look.height = frame.bottom - frame.top;
  HDC dc = GetDC(header);
  HGDIOBJ old = SelectObject(dc, look.headerFont);
  TEXTMETRICA metrics{};
  GetTextMetricsA(dc, &metrics);
  SelectObject(dc, old);
  ReleaseDC(header, dc);
  look.textHeight = metrics.tmHeight;
  RECT row{};
  row.left = LVIR_BOUNDS;
  SendMessageA(lv->handle, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&row));
  look.firstRowTop = row.top;
  return look;
}

// The column captions must be readable whole: the font the layer gives the list view when its
// window is made, and a font changed later, both reach the header, which is laid out tall enough
// for that font, and the rows start below it.
TEST_F(ListViewTest, HeaderIsTallEnoughForTheLayerFont) {
  SetFontHeight(FontOf(form_), kApplicationFontHeight);
  Control* lv = MakePane();
  AppendColumn(lv, "Filename", ColumnLeft, 180);
  AppendColumn(lv, "FileSize", ColumnRight, 100);
  AppendColumn(lv, "Filetype", ColumnLeft, 0);
  AppendListItem(lv, "Program Files", 0, 0, 0, 0, 0);
  Show(form_);

  const HeaderLook look = LookAtHeader(lv);
  ASSERT_NE(look.listFont, nullptr);
  EXPECT_EQ(look.headerFont, look.listFont);
  EXPECT_EQ(look.listFont, FontHandle(lv->font));
  EXPECT_GE(look.height, look.textHeight + kHeaderEdges);
  EXPECT_GE(look.firstRowTop, look.height);

  SetFontHeight(lv->font, kLargerFontHeight);
  const HeaderLook larger = LookAtHeader(lv);
  EXPECT_EQ(larger.headerFont, FontHandle(lv->font));
  EXPECT_GT(larger.textHeight, look.textHeight);
  EXPECT_GE(larger.height, larger.textHeight + kHeaderEdges);
  EXPECT_GE(larger.firstRowTop, larger.height);
}

// Drives the platform's own in-place editor: LVM_EDITLABELA opens it, and Enter or Escape in it
// ends the edit, which the list view reports to the parent with LVN_ENDLABELEDITA.
void EditLabel(Control* lv, int index, const char* text, UINT key) {
  HWND edit = reinterpret_cast<HWND>(SendMessageA(lv->handle, LVM_EDITLABELA, index, 0));
  ASSERT_NE(edit, nullptr);
  SetWindowTextA(edit, text);
  SendMessageA(edit, WM_KEYDOWN, key, 0);
  PumpMessages();
  EXPECT_TRUE(PollUntil([&] { return !IsWindow(edit); }, 2000));
}

TEST_F(ListViewTest, ConfirmedEditKeepsItsTextAndCancelledDoesNot) {
  Control* lv = MakePane();
  Show(form_);
  AppendColumn(lv, "Filename", ColumnLeft, 180);
  AppendListItem(lv, "old.txt", 0, 0, 0, 0, 0);
  AppendListItem(lv, "other.txt", 0, 0, 0, 0, 0);
  EditLabel(lv, 0, "new.txt", VK_RETURN);
  EXPECT_EQ(ListItemText(lv, 0, 0), "new.txt");
  EditLabel(lv, 1, "changed.txt", VK_ESCAPE);
  EXPECT_EQ(ListItemText(lv, 1, 0), "other.txt");
}

TEST_F(ListViewTest, EndEditEventDecides) {
  Control* lv = MakePane();
  Show(form_);
  AppendColumn(lv, "Filename", ColumnLeft, 180);
  AppendListItem(lv, "a", 0, 0, 0, 0, 0);
  AppendListItem(lv, "b", 0, 0, 0, 0, 0);
  EditLog log;
  lv->listView.endEditEvent = {OnEndEdit, &log};
  log.answer = false;
  EditLabel(lv, 1, "refused", VK_RETURN);
  EXPECT_EQ(log.calls, 1);
  EXPECT_EQ(log.item, 1);
  EXPECT_EQ(log.subItem, 0);
  EXPECT_EQ(log.text, "refused");
  EXPECT_EQ(ListItemText(lv, 1, 0), "b");
  log.answer = true;
  EditLabel(lv, 1, "taken", VK_RETURN);
  EXPECT_EQ(ListItemText(lv, 1, 0), "taken");

  // A cancelled edit carries no text and never reaches the event.
  NMLVDISPINFOA info{};
  info.hdr.hwndFrom = lv->handle;
  info.hdr.idFrom = lv->menuOrId;
  info.hdr.code = LVN_ENDLABELEDITA;
  info.item.iItem = 0;
  info.item.pszText = nullptr;
  EXPECT_EQ(
      SendMessageA(form_->handle, WM_NOTIFY, info.hdr.idFrom, reinterpret_cast<LPARAM>(&info)), 0);
  EXPECT_EQ(log.calls, 2);
}

}  // namespace
