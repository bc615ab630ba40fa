// Sorting a file pane by a column: the snapshot of the column's texts taken before the sort
// against finding both rows with LVM_FINDITEMA and reading their texts in every comparison.
// Fills the local list of the real main window and prints a table of times and their ratio.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/local/file_rows.h"
#include "app/startup.h"
#include "winobj/application.h"
#include "winobj/control.h"
#include "winobj/controls.h"
#include "winobj/listview.h"
#include "winobj/text.h"

namespace {

constexpr int kSortColumn = 2;
// The per-comparison lookup is quadratic; past this many seconds a size is not tried.
constexpr double kSlowSortBudgetMs = 120000.0;

// The lookup every comparison made before the snapshot: two linear searches by item data, then
// two text reads, all sent to the list view while it sorts.
int CALLBACK CompareRowsByFinding(LPARAM data1, LPARAM data2, LPARAM column) {
  Control* list = appState.localList;
  LVFINDINFOA find;
  std::memset(&find, 0, sizeof find);
  find.flags = LVFI_PARAM;
  find.lParam = data1;
  int row1 = static_cast<int>(
      Perform(list, LVM_FINDITEMA, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&find)));
  find.lParam = data2;
  int row2 = static_cast<int>(
      Perform(list, LVM_FINDITEMA, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&find)));
  return CompareLocaleText(ListItemText(list, row1, static_cast<int>(column)),
                           ListItemText(list, row2, static_cast<int>(column)));
}

std::string PseudoText(unsigned i) {
  static const char* const kParts[] = {"alpha", "Beta", "gamma", "Delta", "eps",
                                       "ZETA",  "eta",  "theta", "Iota",  "kappa"};
  unsigned x = i * 2654435761u;
  return std::string(kParts[(x >> 7) % 10]) + kParts[(x >> 13) % 10] +
         std::to_string((x >> 3) % 97);
}

void Fill(int rows) {
  Control* list = appState.localList;
  Clear(list);
  Perform(list, WM_SETREDRAW, FALSE, 0);
  for (int i = 0; i < rows; ++i) {
    int row = AppendListItem(list, "row" + std::to_string(i), 0, 0, 0, 0, i);
    SetListItemText(list, row, kSortColumn, PseudoText(static_cast<unsigned>(i)));
  }
  Perform(list, WM_SETREDRAW, TRUE, 0);
}

double Milliseconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) /
         static_cast<double>(frequency.QuadPart);
}

double TimeSnapshotSort(int rows) {
  Fill(rows);
  LARGE_INTEGER start, end;
  QueryPerformanceCounter(&start);
  SortPane(LocalPane(), kSortColumn);
  QueryPerformanceCounter(&end);
  return Milliseconds(start, end);
}

double TimeFindingSort(int rows) {
  Fill(rows);
  LARGE_INTEGER start, end;
  QueryPerformanceCounter(&start);
  Perform(appState.localList, LVM_SORTITEMS, kSortColumn,
          reinterpret_cast<LPARAM>(&CompareRowsByFinding));
  QueryPerformanceCounter(&end);
  return Milliseconds(start, end);
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<int> sizes = {1000, 2500, 5000, 10000};
  if (argc > 1) {
    sizes.clear();
    for (int i = 1; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
  }
  StartUp();
  std::printf("%8s  %14s  %16s  %8s\n", "rows", "snapshot (ms)", "find each (ms)", "ratio");
  bool findingTooSlow = false;
  for (int rows : sizes) {
    double snapshot = TimeSnapshotSort(rows);
    if (findingTooSlow) {
      std::printf("%8d  %14.1f  %16s  %8s\n", rows, snapshot, "skipped", "-");
      continue;
    }
    double finding = TimeFindingSort(rows);
    std::printf("%8d  %14.1f  %16.1f  %7.0fx\n", rows, snapshot, finding,
                snapshot > 0 ? finding / snapshot : 0.0);
    std::fflush(stdout);
    // The next size takes at least four times as long.
    findingTooSlow = finding * 4 > kSlowSortBudgetMs;
  }
  Control* application = appState.application;
  appState.application = nullptr;
  Free(application);
  FreeStartUpState();
  return 0;
}
