// The local pane in the built main window: the drive box, listing a folder the test makes,
// navigation by double click, the label edit notice, the Delete key and the column header's
// notifications.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/file_rows.h"
#include "app/local/local_pane.h"
#include "tests/app/app_harness.h"
#include "tests/app/temp_folder.h"
#include "tests/support/msgbox_watch.h"
#include "winobj/controls.h"
#include "winobj/imagelist.h"
#include "winobj/listview.h"

namespace {

using Texts = std::vector<std::string>;

constexpr unsigned kKiB = 1024;

int RowCount() {
  return static_cast<int>(SendMessageA(appState.localList->handle, LVM_GETITEMCOUNT, 0, 0));
}

void ListFolder(const std::string& path) {
  appState.localPath = path;
  ListLocalFolder();
}

// The pane reads the cursor position itself, so the pointer is put over the row first.
void DoubleClickAt(POINT client) {
  HWND list = appState.localList->handle;
  POINT screen = client;
  ClientToScreen(list, &screen);
  SetCursorPos(screen.x, screen.y);
  SendMessageA(list, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(client.x, client.y));
}

void DoubleClickRow(const std::string& caption) {
  int row = RowOf(appState.localList, caption);
  ASSERT_GE(row, 0) << caption;
  RECT r{};
  r.left = LVIR_LABEL;
  SendMessageA(appState.localList->handle, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&r));
  DoubleClickAt(POINT{r.left + 4, (r.top + r.bottom) / 2});
}

// A click on a column header as the header reports it to the list view, its parent.
void SendHeaderClick(int column, UINT code = HDN_ITEMCLICKA) {
  HWND list = appState.localList->handle;
  HWND header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
  NMHEADERA click{};
  click.hdr.hwndFrom = header;
  click.hdr.idFrom = GetDlgCtrlID(header);
  click.hdr.code = code;
  click.iItem = column;
  click.iButton = 0;
  SendMessageA(list, WM_NOTIFY, click.hdr.idFrom, reinterpret_cast<LPARAM>(&click));
}

std::string LogText() { return WindowText(appState.logEdit->handle); }

// The header also reports its painting (NM_CUSTOMDRAW, -12) whenever it is drawn; the tests
// start from an empty log right before the notifications they send.
void ClearLog() { SetCaption(appState.logEdit, ""); }

}  // namespace

// ---- Drive box ----

TEST(DriveBoxFill, DrivesACAndDListInOrderAndSelectC) {
  TempFolder folder(true);
  AppHarness app;
  Clear(appState.driveBox);
  FillDriveBox(0x1 | 0x4 | 0x8);
  ASSERT_EQ(Count(appState.driveBox), 3);
  EXPECT_EQ(ItemText(appState.driveBox, 0), "A");
  EXPECT_EQ(ItemText(appState.driveBox, 1), "C");
  EXPECT_EQ(ItemText(appState.driveBox, 2), "D");
  EXPECT_EQ(CurrentIndex(appState.driveBox), 1);
  EXPECT_EQ(WindowText(appState.driveBox->handle), "C");
}

// With only drive C the start-up selection of index 1 asks for an item that does not exist. On
// Windows CB_SETCURSEL with an index past the end removes the selection, so the box shows no
// drive (CurrentIndex -1). Wine refuses the index and keeps "C", which the first item added
// got: this test checks what Wine does.
TEST(DriveBoxFill, OnlyDriveCKeepsCSelectedUnderWine) {
  TempFolder folder(true);
  AppHarness app;
  Clear(appState.driveBox);
  FillDriveBox(0x4);
  ASSERT_EQ(Count(appState.driveBox), 1);
  EXPECT_EQ(CurrentIndex(appState.driveBox), 0);
  EXPECT_EQ(ItemText(appState.driveBox, 0), "C");
}

TEST(DriveBoxFill, StartUpListsTheDrivesPresentAndStillShowsC) {
  TempFolder folder(true);
  AppHarness app;
  const Texts letters = DriveLetters(GetLogicalDrives());
  ASSERT_EQ(Count(appState.driveBox), static_cast<int>(letters.size()));
  for (size_t i = 0; i < letters.size(); ++i) {
    EXPECT_EQ(ItemText(appState.driveBox, static_cast<int>(i)), letters[i]);
  }
  EXPECT_EQ(appState.driveMask, GetLogicalDrives());
  // Index 1 is selected without listing it: the pane still shows c:\.
  if (letters.size() > 1) {
    EXPECT_EQ(CurrentIndex(appState.driveBox), 1);
  }
  EXPECT_EQ(appState.localPath, "c:\\");
}

TEST(DriveBoxChange, ChoosingADriveListsItsRoot) {
  TempFolder folder(true);
  AppHarness app;
  int c = static_cast<int>(SendMessageA(appState.driveBox->handle, CB_FINDSTRINGEXACT, -1,
                                        reinterpret_cast<LPARAM>("C")));
  ASSERT_GE(c, 0);
  Clear(appState.localList);
  SendMessageA(appState.driveBox->handle, CB_SETCURSEL, c, 0);
  // What the box tells its parent when the user picks an item.
  SendMessageA(GetParent(appState.driveBox->handle), WM_COMMAND,
               MAKEWPARAM(GetDlgCtrlID(appState.driveBox->handle), CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(appState.driveBox->handle));
  EXPECT_EQ(appState.localPath, "C:\\");
  EXPECT_GT(RowCount(), 0);
}

// ---- Listing ----

TEST(LocalPaneListing, EmptyFolderShowsOnlyTheParentRow) {
  TempFolder folder(true);
  AppHarness app;
  ListFolder(folder.Path());
  ASSERT_EQ(RowCount(), 1);
  EXPECT_EQ(ListItemText(appState.localList, 0, 0), "..");
  EXPECT_EQ(ListItemText(appState.localList, 0, 1), "");
  EXPECT_EQ(ListItemText(appState.localList, 0, 2), "File Folder");
  EXPECT_EQ(ListItemImage(appState.localList, 0), kFolderImage);
  EXPECT_EQ(ImageCount(appState.localImages), 1);
}

TEST(LocalPaneListing, SmallFilesShowOneKilobyteAndTheShellsType) {
  TempFolder folder(true);
  ASSERT_TRUE(folder.MakeFile("a.txt", 1100));
  ASSERT_TRUE(folder.MakeFile("b.txt", 1800));
  ASSERT_TRUE(folder.MakeFile("c.bin", 10));
  AppHarness app;
  ListFolder(folder.Path());
  for (const char* name : {"a.txt", "b.txt", "c.bin"}) {
    int row = RowOf(appState.localList, name);
    ASSERT_GE(row, 0) << name;
    EXPECT_EQ(ListItemText(appState.localList, row, 1), "1 KB") << name;
    EXPECT_EQ(ListItemText(appState.localList, row, 2), GetShellTypeName(folder.Path() + name));
  }
}

TEST(LocalPaneListing, RowsStandSortedBySize) {
  TempFolder folder(true);
  ASSERT_TRUE(folder.MakeFile("two.dat", 2 * kKiB));
  ASSERT_TRUE(folder.MakeFile("twelve.dat", 12 * kKiB));
  ASSERT_TRUE(folder.MakeFile("mega.dat", 1024 * kKiB));
  ASSERT_TRUE(folder.MakeFolder("sub"));
  AppHarness app;
  ListFolder(folder.Path());
  const Texts sizes = ColumnTexts(appState.localList, 1);
  ASSERT_EQ(sizes.size(), 5u);
  // Folders (empty size text) first, then the files by their sizes, not by the texts.
  EXPECT_EQ(sizes[0], "");
  EXPECT_EQ(sizes[1], "");
  EXPECT_EQ(Texts(sizes.begin() + 2, sizes.end()), (Texts{"2 KB", "12 KB", "1 MB"}));
  EXPECT_EQ(ListItemText(appState.localList, 4, 0), "mega.dat");
}

TEST(LocalPaneListing, EveryFileRowGetsItsOwnImage) {
  TempFolder folder(true);
  for (const char* name : {"1.txt", "2.txt", "3.txt", "4.log"})
    ASSERT_TRUE(folder.MakeFile(name, 5));
  ASSERT_TRUE(folder.MakeFolder("dir"));
  AppHarness app;
  ListFolder(folder.Path());
  EXPECT_EQ(ImageCount(appState.localImages), 4 + 1);
  std::vector<int> images;
  for (int row = 0; row < RowCount(); ++row) {
    const std::string name = ListItemText(appState.localList, row, 0);
    int image = ListItemImage(appState.localList, row);
    if (name == "dir" || name == "..") {
      EXPECT_EQ(image, kFolderImage) << name;
    } else {
      EXPECT_GE(image, 1) << name;
      for (int seen : images) EXPECT_NE(seen, image) << name;
      images.push_back(image);
    }
  }
  // A second listing starts again from the folder picture alone.
  TempFolder other;
  ASSERT_TRUE(other.MakeFile("only.txt", 1));
  ListFolder(other.Path());
  EXPECT_EQ(ImageCount(appState.localImages), 1 + 1);
}

TEST(LocalPaneListing, UnreadableFolderGivesAnEmptyListSilently) {
  TempFolder folder(true);
  AppHarness app;
  MessageBoxWatcher boxes;
  const std::string missing = folder.Path() + "gone\\";
  ListFolder(missing);
  EXPECT_EQ(RowCount(), 0);
  EXPECT_EQ(appState.localPath, missing);
  EXPECT_EQ(boxes.Count(), 0u);
}

// ---- Navigation ----

TEST(LocalPaneNavigation, DoubleClicksGoDownAndUp) {
  TempFolder folder(true);
  ASSERT_TRUE(folder.MakeFolder("sub"));
  ASSERT_TRUE(folder.MakeFile("sub\\inner.txt", 3));
  AppHarness app;
  ListFolder(folder.Path());
  DoubleClickRow("sub");
  EXPECT_EQ(appState.localPath, folder.Path() + "sub\\");
  EXPECT_GE(RowOf(appState.localList, "inner.txt"), 0);
  DoubleClickRow("..");
  EXPECT_EQ(appState.localPath, folder.Path());
  EXPECT_GE(RowOf(appState.localList, "sub"), 0);
}

TEST(LocalPaneNavigation, FileOrEmptySpaceListsTheSameFolderAgain) {
  TempFolder folder(true);
  ASSERT_TRUE(folder.MakeFile("file.txt", 3));
  AppHarness app;
  ListFolder(folder.Path());
  ASSERT_TRUE(folder.MakeFile("later.txt", 3));
  DoubleClickRow("file.txt");
  EXPECT_EQ(appState.localPath, folder.Path());
  EXPECT_GE(RowOf(appState.localList, "later.txt"), 0);

  ASSERT_TRUE(folder.MakeFile("latest.txt", 3));
  RECT client{};
  GetClientRect(appState.localList->handle, &client);
  DoubleClickAt(POINT{20, client.bottom - 5});
  EXPECT_EQ(appState.localPath, folder.Path());
  EXPECT_GE(RowOf(appState.localList, "latest.txt"), 0);
}

// ---- Other messages of the list ----

TEST(LocalPaneMessages, LabelEditShowsTheNoticeAndStillEdits) {
  TempFolder folder(true);
  ASSERT_TRUE(folder.MakeFile("name.txt", 3));
  AppHarness app;
  ListFolder(folder.Path());
  MessageBoxWatcher boxes;
  SetFocus(appState.localList->handle);
  HWND edit = reinterpret_cast<HWND>(SendMessageA(appState.localList->handle, LVM_EDITLABELA,
                                                  RowOf(appState.localList, "name.txt"), 0));
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.Last().text, "Edit Send");
  EXPECT_NE(edit, nullptr);
}

TEST(LocalPaneMessages, DeleteKeyOnlyShowsANotice) {
  TempFolder folder(true);
  ASSERT_TRUE(folder.MakeFile("victim.txt", 3));
  AppHarness app;
  ListFolder(folder.Path());
  MessageBoxWatcher boxes;
  SetFocus(appState.localList->handle);
  SendMessageA(appState.localList->handle, WM_KEYUP, 'A', 0xC0000001);
  EXPECT_EQ(boxes.Count(), 0u);
  SendMessageA(appState.localList->handle, WM_KEYUP, VK_DELETE, 0xC0000001);
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.Last().text, "Delete pressed local");
  EXPECT_TRUE(FileExists(folder.Path() + "victim.txt"));
}

TEST(LocalPaneMessages, HeaderClickSortsByThatColumnAndIsLogged) {
  TempFolder folder(true);
  ASSERT_TRUE(folder.MakeFile("b.txt", 3));
  ASSERT_TRUE(folder.MakeFile("a.zzz", 3 * kKiB));
  ASSERT_TRUE(folder.MakeFile("c.log", 2 * kKiB));
  AppHarness app;
  ListFolder(folder.Path());
  ClearLog();
  SendHeaderClick(0);
  EXPECT_EQ(ColumnTexts(appState.localList, 0), (Texts{"..", "a.zzz", "b.txt", "c.log"}));
  EXPECT_EQ(LogText(), "-302\r\n");
  // The same header again keeps the ascending order.
  SendHeaderClick(0);
  EXPECT_EQ(ColumnTexts(appState.localList, 0), (Texts{"..", "a.zzz", "b.txt", "c.log"}));
  SendHeaderClick(2);
  const Texts sorted = ColumnTexts(appState.localList, 2);
  for (size_t i = 1; i < sorted.size(); ++i) {
    EXPECT_LE(
        CompareStringA(LOCALE_USER_DEFAULT, 0, sorted[i - 1].c_str(), -1, sorted[i].c_str(), -1),
        CSTR_EQUAL);
  }
  EXPECT_EQ(SortPaneSelector, kLocalPane);
}

TEST(LocalPaneMessages, UnicodeHeaderClickSortsToo) {
  // Wine's list view has its header report in Unicode, so a real click arrives this way.
  TempFolder folder(true);
  ASSERT_TRUE(folder.MakeFile("b.txt", 3));
  ASSERT_TRUE(folder.MakeFile("a.zzz", 3 * kKiB));
  AppHarness app;
  ListFolder(folder.Path());
  ClearLog();
  SendHeaderClick(0, HDN_ITEMCLICKW);
  EXPECT_EQ(ColumnTexts(appState.localList, 0), (Texts{"..", "a.zzz", "b.txt"}));
  EXPECT_EQ(LogText(), "-322\r\n");
}

TEST(LocalPaneMessages, OtherHeaderNotificationsAreOnlyLogged) {
  TempFolder folder(true);
  ASSERT_TRUE(folder.MakeFile("b.txt", 3 * kKiB));
  ASSERT_TRUE(folder.MakeFile("a.txt", 2 * kKiB));
  AppHarness app;
  ListFolder(folder.Path());
  const Texts before = ColumnTexts(appState.localList, 0);
  ClearLog();
  SendHeaderClick(0, HDN_BEGINTRACKA);
  SendHeaderClick(0, HDN_ENDTRACKA);
  EXPECT_EQ(ColumnTexts(appState.localList, 0), before);
  EXPECT_EQ(LogText(), "-306\r\n-307\r\n");
}

TEST(LocalPaneMessages, RealHeaderClickSorts) {
  TempFolder folder(true);
  ASSERT_TRUE(folder.MakeFile("b.txt", 3));
  ASSERT_TRUE(folder.MakeFile("a.zzz", 3 * kKiB));
  ASSERT_TRUE(folder.MakeFile("c.log", 2 * kKiB));
  AppHarness app;
  ListFolder(folder.Path());
  HWND header =
      reinterpret_cast<HWND>(SendMessageA(appState.localList->handle, LVM_GETHEADER, 0, 0));
  RECT item{};
  SendMessageA(header, HDM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&item));
  LPARAM at = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
  SendMessageA(header, WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageA(header, WM_LBUTTONUP, 0, at);
  PumpMessages();
  EXPECT_EQ(ColumnTexts(appState.localList, 0), (Texts{"..", "a.zzz", "b.txt", "c.log"}))
      << "log: " << LogText();
}

TEST(LocalPaneListing, ARefreshWorkedOffByAListingLeavesEachRowOnce) {
  TempFolder folder(true);
  ASSERT_TRUE(folder.MakeFile("a.txt", 10));
  ASSERT_TRUE(folder.MakeFolder("sub"));
  AppHarness app;
  // The listing works off the queue when the application window has a message waiting; the
  // toolbar's Refresh behind it lists this pane again from inside the listing.
  PostMessageA(HandleOf(appState.application), WM_APP, 0, 0);
  HWND toolbar = appState.toolbar->handle;
  PostMessageA(GetParent(toolbar), WM_COMMAND, MAKEWPARAM(102, BN_CLICKED),
               reinterpret_cast<LPARAM>(toolbar));
  ListFolder(folder.Path());
  EXPECT_EQ(ColumnTexts(appState.localList, 0), (Texts{"..", "sub", "a.txt"}));
}
