// File rows in a real list view: what AddEntryRow puts into a row, and the listing frame's
// order of work, also when the enumeration fails half-way.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/file_rows.h"
#include "tests/app/app_harness.h"
#include "tests/app/temp_folder.h"
#include "winobj/control.h"
#include "winobj/controls.h"
#include "winobj/imagelist.h"
#include "winobj/listview.h"

namespace {

using Texts = std::vector<std::string>;

WIN32_FIND_DATAA Entry(const char* name, DWORD attributes, DWORD high, DWORD low) {
  WIN32_FIND_DATAA e;
  std::memset(&e, 0, sizeof e);
  e.dwFileAttributes = attributes;
  e.nFileSizeHigh = high;
  e.nFileSizeLow = low;
  std::strncpy(e.cFileName, name, sizeof e.cFileName - 1);
  return e;
}

LPARAM DataOf(Control* list, int row) {
  LVITEMA item{};
  ReadListItem(list, row, 0, item, nullptr, 0);
  return item.lParam;
}

// Records the list's own drawing switches and sort requests in order.
std::vector<std::string> events;
bool RecordFrameSteps(Control*, MessageRecord& msg, LRESULT&) {
  if (msg.message == WM_SETREDRAW) events.push_back(msg.wParam ? "redraw on" : "redraw off");
  if (msg.message == LVM_SORTITEMS) events.push_back("sort " + std::to_string(msg.wParam));
  if (msg.message == LVM_DELETEALLITEMS) events.push_back("clear");
  return false;
}

}  // namespace

// The local pane emptied, with its folder image only, and the shell's answers for one listing.
class FileRowsAdd : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetPaneImages(pane);
    Clear(pane.list);
  }
  TempFolder folder{true};
  AppHarness app;
  FilePane pane = LocalPane();
  ShellAnswers shell;
};

TEST_F(FileRowsAdd, FolderFileAndDotRows) {
  AddEntryRow(pane, "c:\\x\\", Entry(".", FILE_ATTRIBUTE_DIRECTORY, 0, 0), 0, shell);
  AddEntryRow(pane, "c:\\x\\", Entry("..", FILE_ATTRIBUTE_DIRECTORY, 0, 0), 1, shell);
  AddEntryRow(pane, "c:\\x\\", Entry("big.iso", FILE_ATTRIBUTE_ARCHIVE, 3, 0), 2, shell);
  AddEntryRow(pane, "c:\\x\\",
              Entry("docs", FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY, 0, 4096), 3, shell);
  ASSERT_EQ(Count(pane.list), 3);
  EXPECT_EQ(ColumnTexts(pane.list, 0), (Texts{"..", "big.iso", "docs"}));
  EXPECT_EQ(ColumnTexts(pane.list, 1), (Texts{"", "12288 MB", ""}));
  EXPECT_EQ(ListItemText(pane.list, 2, 2), "File Folder");
  EXPECT_EQ(ListItemText(pane.list, 1, 2), GetShellTypeName("c:\\x\\big.iso"));
  EXPECT_EQ(ListItemImage(pane.list, 0), kFolderImage);
  EXPECT_EQ(ListItemImage(pane.list, 1), 1);
  EXPECT_EQ(ListItemImage(pane.list, 2), kFolderImage);
  // The item data is the ordinal, which also advanced for ".".
  EXPECT_EQ(DataOf(pane.list, 0), 1);
  EXPECT_EQ(DataOf(pane.list, 1), 2);
  EXPECT_EQ(DataOf(pane.list, 2), 3);
  EXPECT_EQ(ImageCount(pane.images), 2);
}

TEST_F(FileRowsAdd, ManyFilesOfOneTypeAskTheShellOnceButGetOneImageEach) {
  for (int i = 0; i < 30; ++i) {
    std::string name = "f" + std::to_string(i) + (i % 2 ? ".txt" : ".dat");
    AddEntryRow(pane, "c:\\x\\", Entry(name.c_str(), 0, 0, 100), i, shell);
  }
  EXPECT_EQ(shell.ShellQueries(), 4);  // type name and icon, for two extensions
  EXPECT_EQ(ImageCount(pane.images), 30 + 1);
}

TEST_F(FileRowsAdd, NamesAreReadUpToTheirEnd) {
  WIN32_FIND_DATAA full = Entry("", 0, 0, 1);
  std::memset(full.cFileName, 'n', sizeof full.cFileName);  // no NUL inside the record
  AddEntryRow(pane, "c:\\", full, 0, shell);
  ASSERT_EQ(Count(pane.list), 1);
  EXPECT_EQ(ListItemText(pane.list, 0, 0), std::string(sizeof full.cFileName, 'n'));
}

TEST(FileRowsFrame, StepsRunInOrderAndRowsEndSortedBySize) {
  TempFolder folder(true);
  AppHarness app;
  FilePane pane = LocalPane();
  AttachProc(pane.list, &RecordFrameSteps);
  events.clear();
  RunListingFrame(pane, "c:\\x\\", [](const EntrySink& add) {
    add(Entry("..", FILE_ATTRIBUTE_DIRECTORY, 0, 0));
    add(Entry("two", 0, 0, 2048));
    add(Entry("mega", 0, 0, 1048576));
    add(Entry("twelve", 0, 0, 12288));
  });
  EXPECT_EQ(events, (std::vector<std::string>{"redraw off", "sort 1", "redraw on"}));
  EXPECT_EQ(ColumnTexts(pane.list, 0), (Texts{"..", "two", "twelve", "mega"}));
  EXPECT_EQ(ImageCount(pane.images), 3 + 1);
  DetachProc(pane.list, &RecordFrameSteps);
}

TEST(FileRowsFrame, CleanUpRunsWhenTheEnumerationThrows) {
  TempFolder folder(true);
  AppHarness app;
  FilePane pane = LocalPane();
  AttachProc(pane.list, &RecordFrameSteps);
  events.clear();
  EXPECT_THROW(RunListingFrame(pane, "c:\\x\\",
                               [](const EntrySink& add) {
                                 add(Entry("small", 0, 0, 10));
                                 add(Entry("larger", 0, 0, 5000));
                                 throw std::runtime_error("enumeration broke");
                               }),
               std::runtime_error);
  EXPECT_EQ(events, (std::vector<std::string>{"redraw off", "sort 1", "redraw on"}));
  EXPECT_EQ(ColumnTexts(pane.list, 0), (Texts{"small", "larger"}));  // 1 KB before 4 KB
  DetachProc(pane.list, &RecordFrameSteps);
}

TEST(FileRowsFrame, RemotePaneSortsWithItsOwnSelector) {
  TempFolder folder(true);
  AppHarness app;
  FilePane pane = RemotePane();
  SortPaneSelector = kLocalPane;
  RunListingFrame(pane, "/pub/", [](const EntrySink& add) {
    add(Entry("b.txt", 0, 0, 3000));
    add(Entry("a.txt", 0, 0, 2000));
  });
  EXPECT_EQ(SortPaneSelector, kRemotePane);
  EXPECT_EQ(ColumnTexts(appState.remoteList, 0), (Texts{"a.txt", "b.txt"}));
  EXPECT_EQ(Count(appState.localList) > 0, true);  // the local pane was left alone
}

namespace {

// List view messages that reach the list while rows are added (what the list view sends
// itself on the way, such as its header's notifications, is not counted).
std::vector<UINT> rowMessages;
bool RecordRowMessages(Control*, MessageRecord& msg, LRESULT&) {
  if (msg.message >= LVM_FIRST && msg.message < LVM_FIRST + 0x100)
    rowMessages.push_back(msg.message);
  return false;
}

}  // namespace

TEST_F(FileRowsAdd, ARowIsOneInsertAndItsTextsWithNoReadBack) {
  IconStrip images(pane.images);
  AttachProc(pane.list, &RecordRowMessages);
  const struct {
    WIN32_FIND_DATAA entry;
    std::vector<UINT> messages;
  } kCases[] = {
      {Entry("a.txt", 0, 0, 5000), {LVM_INSERTITEMA, LVM_SETITEMTEXTA, LVM_SETITEMTEXTA}},
      {Entry("sub", FILE_ATTRIBUTE_DIRECTORY, 0, 0), {LVM_INSERTITEMA, LVM_SETITEMTEXTA}},
      {Entry(".", FILE_ATTRIBUTE_DIRECTORY, 0, 0), {}},
  };
  int32_t ordinal = 0;
  for (const auto& c : kCases) {
    rowMessages.clear();
    AddEntryRow(pane, "c:\\x\\", c.entry, ordinal++, shell, images);
    EXPECT_EQ(rowMessages, c.messages) << c.entry.cFileName;
  }
  DetachProc(pane.list, &RecordRowMessages);
  // The file row already names the image it gets once the strip is flushed.
  EXPECT_EQ(ListItemImage(pane.list, 0), 1);
  EXPECT_EQ(ImageCount(pane.images), 1);
  ASSERT_TRUE(images.Flush());
  EXPECT_EQ(ImageCount(pane.images), 2);
  EXPECT_EQ(ColumnTexts(pane.list, 1), (Texts{"4 KB", ""}));
  EXPECT_EQ(ColumnTexts(pane.list, 2), (Texts{GetShellTypeName("a.txt"), "File Folder"}));
}

TEST(FileRowsFrame, EveryFileRowHasItsOwnImage) {
  TempFolder folder(true);
  AppHarness app;
  FilePane pane = LocalPane();
  for (int files : {0, 1, 2, 9000}) {
    SCOPED_TRACE(files);
    RunListingFrame(pane, "c:\\x\\", [files](const EntrySink& add) {
      add(Entry("..", FILE_ATTRIBUTE_DIRECTORY, 0, 0));
      for (int i = 0; i < files; ++i) {
        std::string name = "f" + std::to_string(i) + (i % 3 ? ".txt" : ".bin");
        add(Entry(name.c_str(), 0, 0, 2048));
      }
    });
    ASSERT_EQ(Count(pane.list), files + 1);
    EXPECT_EQ(ImageCount(pane.images), files + 1);
    std::vector<bool> used(static_cast<size_t>(files) + 1, false);
    for (int row = 0; row < files + 1; ++row) {
      const int image = ListItemImage(pane.list, row);
      if (ListItemText(pane.list, row, 0) == "..") {
        EXPECT_EQ(image, kFolderImage);
        continue;
      }
      ASSERT_GE(image, 1);
      ASSERT_LE(image, files);
      EXPECT_FALSE(used[static_cast<size_t>(image)]) << "image " << image << " twice";
      used[static_cast<size_t>(image)] = true;
    }
  }
}

// Sizes of 2^63 bytes and more were negative numbers, sorted by their texts; the size column
// sorts by the real sizes, after the folders, after a listing and on a header click alike.
TEST(FileRowsSort, TheSizeColumnSortsByTheRealSizes) {
  TempFolder folder(true);
  AppHarness app;
  for (FilePane pane : {LocalPane(), RemotePane()}) {
    RunListingFrame(pane, "c:\\x\\", [](const EntrySink& add) {
      add(Entry("max", 0, 0xFFFFFFFFu, 0xFFFFFFFFu));
      add(Entry("half", 0, 0x80000000u, 0));
      add(Entry("dir", FILE_ATTRIBUTE_DIRECTORY, 0, 0));
      add(Entry("twelve", 0, 0, 12 * 1024));
      add(Entry("twenty gigs", 0, 5, 0));
      add(Entry("two", 0, 0, 2048));
      add(Entry("two too", 0, 0, 2100));
    });
    const Texts byListing = ColumnTexts(pane.list, 0);
    EXPECT_EQ(byListing, (Texts{"dir", "two", "two too", "twelve", "twenty gigs", "half", "max"}));
    EXPECT_EQ(ColumnTexts(pane.list, 1), (Texts{"", "2 KB", "2 KB", "12 KB", "20480 MB",
                                                "8796093022208 MB", "17592186044415 MB"}));
    ASSERT_TRUE(SortPane(pane, kNameColumn));
    ASSERT_TRUE(SortPane(pane, kSizeColumn));
    EXPECT_EQ(ColumnTexts(pane.list, 0), byListing);
  }
}

// A list filled by other means has no sizes to go by: its size texts sort as texts.
TEST(FileRowsSort, SizeTextsWithoutKnownSizesSortAsText) {
  TempFolder folder(true);
  AppHarness app;
  FilePane pane = LocalPane();
  RunListingFrame(pane, "c:\\x\\", [](const EntrySink& add) {
    add(Entry("a", 0, 0, 2048));
    add(Entry("b", 0, 0, 12 * 1024));
  });
  // The listing's item data, each with the other row's size text.
  Clear(pane.list);
  int row = AppendListItem(pane.list, "p", 1, 0, 0, 0, 1);
  SetListItemText(pane.list, row, kSizeColumn, "2 KB");
  row = AppendListItem(pane.list, "q", 1, 0, 0, 0, 0);
  SetListItemText(pane.list, row, kSizeColumn, "12 KB");
  ASSERT_TRUE(SortPane(pane, kSizeColumn));
  EXPECT_EQ(ColumnTexts(pane.list, 0), (Texts{"q", "p"}));
}

namespace {

std::vector<std::string> removals;
bool RecordRemovals(Control*, MessageRecord& msg, LRESULT&) {
  if (msg.message == LVM_DELETEALLITEMS) removals.push_back("all");
  if (msg.message == LVM_DELETEITEM) removals.push_back(std::to_string(msg.wParam));
  return false;
}

void ListNames(const FilePane& pane, const Texts& names) {
  RunListingFrame(pane, "c:\\x\\", [&names](const EntrySink& add) {
    for (const std::string& name : names) {
      const bool folder = name.front() == '+';
      // Whole kilobytes by the name's length; the last letter keeps equal texts apart.
      add(Entry(name.c_str() + (folder ? 1 : 0), folder ? FILE_ATTRIBUTE_DIRECTORY : 0, 0,
                static_cast<DWORD>(1024 * name.size() + static_cast<unsigned char>(name.back()))));
    }
  });
}

int SelectedCount(Control* list) {
  return static_cast<int>(Perform(list, LVM_GETSELECTEDCOUNT, 0, 0));
}

}  // namespace

// Emptying a pane of 500,000 rows took Wine's list view minutes, far longer than filling it:
// a listing writes over the rows it has and removes only those left over, from the last one.
TEST(FileRowsFrame, AListingWritesOverTheRowsItHas) {
  TempFolder folder(true);
  AppHarness app;
  FilePane pane = LocalPane();
  ListNames(pane, {"a", "bb", "+dir", "cccc"});
  // Selected and focused rows of the last listing are not carried over.
  LVITEMA state{};
  state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  state.state = LVIS_SELECTED | LVIS_FOCUSED;
  Perform(pane.list, LVM_SETITEMSTATE, 1, reinterpret_cast<LPARAM>(&state));
  ASSERT_EQ(SelectedCount(pane.list), 1);
  AttachProc(pane.list, &RecordRemovals);
  struct Step {
    Texts names;
    Texts rows;  // by size: folders first
    Texts sizes;
    std::vector<std::string> removed;
  } steps[] = {
      {{"+x", "yy", "z", "wwww"}, {"x", "z", "yy", "wwww"}, {"", "1 KB", "2 KB", "4 KB"}, {}},
      {{"p", "+q"}, {"q", "p"}, {"", "1 KB"}, {"3", "2"}},
      {{"e", "ff", "ggg", "+h", "ii"},
       {"h", "e", "ff", "ii", "ggg"},
       {"", "1 KB", "2 KB", "2 KB", "3 KB"},
       {}},
      {{}, {}, {}, {"all"}},
  };
  for (const Step& step : steps) {
    removals.clear();
    ListNames(pane, step.names);
    const Texts rows = ColumnTexts(pane.list, 0);
    EXPECT_EQ(rows, step.rows);
    EXPECT_EQ(ColumnTexts(pane.list, 1), step.sizes);
    EXPECT_EQ(removals, step.removed);
    EXPECT_EQ(SelectedCount(pane.list), 0);
    for (int row = 0; row < Count(pane.list); ++row) {
      const bool folderRow = ListItemText(pane.list, row, kTypeColumn) == kFolderTypeText;
      EXPECT_EQ(ListItemImage(pane.list, row) == kFolderImage, folderRow) << rows[row];
      LVITEMA item{};
      ASSERT_TRUE(ReadListItem(pane.list, row, 0, item, nullptr, 0));
      EXPECT_EQ(item.state & (LVIS_SELECTED | LVIS_FOCUSED), 0u) << rows[row];
    }
    EXPECT_EQ(ImageCount(pane.images),
              1 + static_cast<int>(step.rows.size()) -
                  static_cast<int>(std::count(step.sizes.begin(), step.sizes.end(), "")));
  }
  DetachProc(pane.list, &RecordRemovals);
}
