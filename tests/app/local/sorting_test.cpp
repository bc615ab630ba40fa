// Sorting a pane by a column: the order (the locale's text order, ascending every time), a
// large pane sorted by a header click, and that nothing is sent to the list view while the
// platform sorts it (its contents are unstable then).
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/file_rows.h"
#include "app/local/local_pane.h"
#include "tests/app/app_harness.h"
#include "tests/app/temp_folder.h"
#include "tests/support/program_text.h"
#include "winobj/control.h"
#include "winobj/controls.h"
#include "winobj/listview.h"
#include "winobj/text.h"

namespace {

using Texts = std::vector<std::string>;

constexpr int kLargePane = 10000;

// Messages that reach the list view's procedures while a sort runs, other than the sort
// request itself.
int messagesDuringSort = 0;
bool CountDuringSort(Control*, MessageRecord& msg, LRESULT&) {
  if (SortInProgress() && msg.message != LVM_SORTITEMS) ++messagesDuringSort;
  return false;
}

// Deterministic, mixed-case, unevenly long texts with repeats.
std::string PseudoText(unsigned i) {
  static const char* const kParts[] = {"alpha", "Beta", "gamma", "Delta", "eps",
                                       "ZETA",  "eta",  "theta", "Iota",  "kappa"};
  unsigned x = i * 2654435761u;
  std::string text = kParts[(x >> 7) % 10];
  text += kParts[(x >> 13) % 10];
  text += std::to_string((x >> 3) % 97);
  return text;
}

void FillLocalList(int rows) {
  Control* list = appState.localList;
  Clear(list);
  SendMessageA(list->handle, WM_SETREDRAW, FALSE, 0);
  for (int i = 0; i < rows; ++i) {
    int row = AppendListItem(list, "row" + std::to_string(i), 0, 0, 0, 0, i);
    SetListItemText(list, row, 1, std::to_string((i * 7919) % 1000) + " KB");
    SetListItemText(list, row, 2, PseudoText(static_cast<unsigned>(i)));
  }
  SendMessageA(list->handle, WM_SETREDRAW, TRUE, 0);
}

void SendHeaderClick(int column) {
  HWND list = appState.localList->handle;
  HWND header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
  NMHEADERA click{};
  click.hdr.hwndFrom = header;
  click.hdr.idFrom = GetDlgCtrlID(header);
  click.hdr.code = HDN_ITEMCLICKA;
  click.iItem = column;
  SendMessageA(list, WM_NOTIFY, click.hdr.idFrom, reinterpret_cast<LPARAM>(&click));
}

::testing::AssertionResult AscendingByLocale(const Texts& texts) {
  for (size_t i = 1; i < texts.size(); ++i) {
    if (CompareLocaleText(texts[i - 1], texts[i]) > 0) {
      return ::testing::AssertionFailure()
             << "row " << i - 1 << " \"" << texts[i - 1] << "\" before \"" << texts[i] << "\"";
    }
  }
  return ::testing::AssertionSuccess();
}

}  // namespace

TEST(SortingOrder, LocaleTextOrderAscendingEveryTime) {
  TempFolder folder(true);
  AppHarness app;
  Control* list = appState.localList;
  Clear(list);
  const Texts names = {"b", "A", "a", "B", "10", "9", "a b", "ab", ProgramText(L"\u00e9t\u00e9")};
  for (size_t i = 0; i < names.size(); ++i) {
    AppendListItem(list, names[i], 0, 0, 0, 0, static_cast<LPARAM>(100 + i));
  }
  ASSERT_TRUE(SortPane(LocalPane(), 0));
  const Texts once = ColumnTexts(list, 0);
  EXPECT_TRUE(AscendingByLocale(once));
  ASSERT_TRUE(SortPane(LocalPane(), 0));
  EXPECT_EQ(ColumnTexts(list, 0), once);
  // Texts, not numbers: "10" before "9".
  EXPECT_LT(std::find(once.begin(), once.end(), "10"), std::find(once.begin(), once.end(), "9"));
}

TEST(SortingOrder, RowsKeepTheirOtherColumnsAndData) {
  TempFolder folder(true);
  AppHarness app;
  Control* list = appState.localList;
  Clear(list);
  const Texts names = {"c", "a", "b"};
  for (size_t i = 0; i < names.size(); ++i) {
    int row = AppendListItem(list, names[i], 0, 0, 0, 0, static_cast<LPARAM>(i));
    SetListItemText(list, row, 2, "type of " + names[i]);
  }
  ASSERT_TRUE(SortPane(LocalPane(), 0));
  EXPECT_EQ(ColumnTexts(list, 0), (Texts{"a", "b", "c"}));
  EXPECT_EQ(ColumnTexts(list, 2), (Texts{"type of a", "type of b", "type of c"}));
  LVITEMA item{};
  ASSERT_TRUE(ReadListItem(list, 0, 0, item, nullptr, 0));
  EXPECT_EQ(item.lParam, 1);
}

TEST(SortingHeaderClick, TenThousandRowsSortInOrder) {
  TempFolder folder(true);
  AppHarness app;
  FillLocalList(kLargePane);
  LARGE_INTEGER frequency, start, end;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  SendHeaderClick(2);
  QueryPerformanceCounter(&end);
  const double ms = 1000.0 * (end.QuadPart - start.QuadPart) / frequency.QuadPart;
  std::printf("header click sort of %d rows: %.1f ms\n", kLargePane, ms);
  const Texts sorted = ColumnTexts(appState.localList, 2);
  ASSERT_EQ(sorted.size(), static_cast<size_t>(kLargePane));
  EXPECT_TRUE(AscendingByLocale(sorted));
  // Every row is still there exactly once.
  std::vector<bool> seen(kLargePane, false);
  for (int row = 0; row < kLargePane; ++row) {
    LVITEMA item{};
    ASSERT_TRUE(ReadListItem(appState.localList, row, 0, item, nullptr, 0));
    ASSERT_GE(item.lParam, 0);
    ASSERT_LT(item.lParam, kLargePane);
    EXPECT_FALSE(seen[item.lParam]);
    seen[item.lParam] = true;
    EXPECT_EQ(ListItemText(appState.localList, row, 2),
              PseudoText(static_cast<unsigned>(item.lParam)));
  }
}

TEST(SortingHeaderClick, NoMessageReachesTheListViewWhileItSorts) {
  TempFolder folder(true);
  AppHarness app;
  FillLocalList(500);
  AttachProc(appState.localList, &CountDuringSort);
  messagesDuringSort = 0;
  SendHeaderClick(2);
  EXPECT_TRUE(AscendingByLocale(ColumnTexts(appState.localList, 2)));
  EXPECT_EQ(messagesDuringSort, 0);
  EXPECT_FALSE(SortInProgress());
  DetachProc(appState.localList, &CountDuringSort);
}

TEST(SortingHeaderClick, ListingSortsBySizeWithoutMessagesToo) {
  TempFolder folder(true);
  for (int i = 0; i < 20; ++i)
    ASSERT_TRUE(folder.MakeFile("f" + std::to_string(i) + ".txt", 700 * i));
  AppHarness app;
  AttachProc(appState.localList, &CountDuringSort);
  messagesDuringSort = 0;
  appState.localPath = folder.Path();
  ListLocalFolder();
  EXPECT_EQ(messagesDuringSort, 0);
  // The folder "..", then the files by their sizes, which grow with their numbers.
  Texts bySize = {".."};
  for (int i = 0; i < 20; ++i) bySize.push_back("f" + std::to_string(i) + ".txt");
  EXPECT_EQ(ColumnTexts(appState.localList, 0), bySize);
  DetachProc(appState.localList, &CountDuringSort);
}

namespace {

// Texts of the kinds file names have: both cases, digits, punctuation (the hyphen and the
// apostrophe have their own rules in the locale's word order), blanks, and accented letters, in
// the program's code page.
std::string VariedText(unsigned i) {
  static const wchar_t kAlphabet[] =
      L"aAbBcCzZ09 5-'_.,~!#()[]{}+=;"
      L"\u00e9\u00c9\u00e8\u00ea\u00e0\u00c0\u00e4\u00c4\u00f6\u00d6\u00fc\u00dc\u00df"
      L"\u00f1\u00d1\u00e7\u00c7\u00e5\u00c5\u00f8\u00d8\u00e6";
  constexpr unsigned kLetters = sizeof kAlphabet / sizeof kAlphabet[0] - 1;
  unsigned x = i * 2654435761u + 12345u;
  const unsigned length = 1 + (x >> 5) % 7;
  std::wstring text;
  for (unsigned k = 0; k < length; ++k) {
    x = x * 1103515245u + 12345u;
    text += kAlphabet[(x >> 16) % kLetters];
  }
  return ProgramText(text);
}

int Sign(int v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); }

}  // namespace

TEST(SortingKeys, KeysOrderTextsAsTheLocaleComparesThem) {
  constexpr unsigned kTexts = 3000;
  std::vector<std::string> texts;
  for (unsigned i = 0; i < kTexts; ++i) texts.push_back(VariedText(i));
  // Pairs of close neighbours in the locale's order, where a difference in the keys shows.
  std::vector<std::string> sorted = texts;
  std::sort(sorted.begin(), sorted.end(),
            [](const std::string& a, const std::string& b) { return CompareLocaleText(a, b) < 0; });
  int mismatches = 0;
  for (size_t i = 0; i + 1 < sorted.size(); ++i) {
    const std::string& a = sorted[i];
    const std::string& b = sorted[i + 1];
    if (Sign(LocaleSortKey(a).compare(LocaleSortKey(b))) != CompareLocaleText(a, b)) {
      if (++mismatches <= 5) ADD_FAILURE() << "neighbours '" << a << "' and '" << b << "'";
    }
  }
  // And pairs taken at random.
  for (unsigned i = 0; i < 20000; ++i) {
    const std::string& a = texts[(i * 7919u) % kTexts];
    const std::string& b = texts[(i * 104729u + 17u) % kTexts];
    if (Sign(LocaleSortKey(a).compare(LocaleSortKey(b))) != CompareLocaleText(a, b)) {
      if (++mismatches <= 10) ADD_FAILURE() << "'" << a << "' and '" << b << "'";
    }
  }
  EXPECT_EQ(mismatches, 0);
}

TEST(SortingKeys, AFailedSortLeavesSortingWorking) {
  TempFolder folder(true);
  AppHarness app;
  FillLocalList(50);
  SortSnapshot snapshot;
  snapshot.Add(1, "x");
  EXPECT_THROW(SortWithSnapshot(snapshot, []() -> bool { throw std::runtime_error("broke"); }),
               std::runtime_error);
  EXPECT_FALSE(SortInProgress());
  EXPECT_EQ(CompareRows(1, 1, 0), 0);
  ASSERT_TRUE(SortPane(LocalPane(), 2));
  EXPECT_TRUE(AscendingByLocale(ColumnTexts(appState.localList, 2)));
}

TEST(SortingKeys, SnapshotPlacesRowsByAnyItemData) {
  SortSnapshot snapshot;
  snapshot.Reserve(3);
  const struct {
    LPARAM data;
    const char* text;
    int place;
  } kRows[] = {
      {0, "pear", 2}, {1, "apple", 0}, {2, "fig", 1}, {-5, "fig", 1}, {1 << 30, "plum", 3}};
  for (const auto& r : kRows) snapshot.Add(r.data, r.text);
  snapshot.Rank();
  for (const auto& r : kRows) EXPECT_EQ(snapshot.PlaceOf(r.data), r.place) << r.data;
  EXPECT_EQ(snapshot.PlaceOf(3), -1);
  EXPECT_EQ(snapshot.PlaceOf(77), -1);
}
