// Sorting a file pane by a column (SortPane: locale sort keys of the column's texts taken once
// per row before the sort, compared bytewise) against a snapshot of the texts compared with
// CompareStringA in every comparison, against finding both rows with LVM_FINDITEMA and reading
// their texts in every comparison, and against the floor: LVM_SORTITEMS with a comparison of
// the item data alone. Fills the local list of the real main window and prints a table of
// times and ratios.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/file_rows.h"
#include "app/startup.h"
#include "winobj/application.h"
#include "winobj/control.h"
#include "winobj/controls.h"
#include "winobj/listview.h"
#include "winobj/text.h"

namespace {

constexpr int kSortColumn = 2;
// The per-comparison lookup is quadratic; a size expected to take longer is not tried.
constexpr double kSlowSortBudgetMs = 60000.0;

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

// The comparison before the sort keys: the texts, compared by the locale in every comparison.
const std::vector<std::string>* textsByData = nullptr;
int CALLBACK CompareTextsEachTime(LPARAM data1, LPARAM data2, LPARAM) {
  return CompareLocaleText((*textsByData)[static_cast<size_t>(data1)],
                           (*textsByData)[static_cast<size_t>(data2)]);
}

// The floor: the list view's own sorting work with the cheapest comparison there is.
int CALLBACK CompareData(LPARAM data1, LPARAM data2, LPARAM) {
  return data1 < data2 ? 1 : (data1 > data2 ? -1 : 0);
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

double TimeTextSnapshotSort(int rows) {
  Fill(rows);
  LARGE_INTEGER start, end;
  QueryPerformanceCounter(&start);
  std::vector<std::string> texts(static_cast<size_t>(rows));
  for (int i = 0; i < rows; ++i) {
    LVITEMA item;
    ReadListItem(appState.localList, i, 0, item, nullptr, 0);
    texts[static_cast<size_t>(item.lParam)] = ListItemText(appState.localList, i, kSortColumn);
  }
  textsByData = &texts;
  Perform(appState.localList, LVM_SORTITEMS, kSortColumn,
          reinterpret_cast<LPARAM>(&CompareTextsEachTime));
  textsByData = nullptr;
  QueryPerformanceCounter(&end);
  return Milliseconds(start, end);
}

double TimeFloorSort(int rows) {
  Fill(rows);
  LARGE_INTEGER start, end;
  QueryPerformanceCounter(&start);
  Perform(appState.localList, LVM_SORTITEMS, kSortColumn, reinterpret_cast<LPARAM>(&CompareData));
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
  std::vector<int> sizes = {1000, 10000, 50000};
  if (argc > 1) {
    sizes.clear();
    for (int i = 1; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
  }
  StartUp();
  std::printf("%8s  %12s  %14s  %14s  %12s  %12s  %12s\n", "rows", "keys (ms)", "compare (ms)",
              "find each (ms)", "floor (ms)", "keys/floor", "compare/keys");
  double findingMs = 0;
  int findingRows = 0;
  for (int rows : sizes) {
    const double keys = TimeSnapshotSort(rows);
    const double compare = TimeTextSnapshotSort(rows);
    const double floor = TimeFloorSort(rows);
    char finding[32] = "skipped";
    // The lookup grows with the square of the rows: a size it would take too long for is left.
    const double scale = findingRows > 0 ? static_cast<double>(rows) / findingRows : 0;
    if (findingRows == 0 || findingMs * scale * scale < kSlowSortBudgetMs) {
      findingMs = TimeFindingSort(rows);
      findingRows = rows;
      std::snprintf(finding, sizeof finding, "%.1f", findingMs);
    }
    std::printf("%8d  %12.1f  %14.1f  %14s  %12.1f  %11.1fx  %11.1fx\n", rows, keys, compare,
                finding, floor, floor > 0 ? keys / floor : 0.0, keys > 0 ? compare / keys : 0.0);
    std::fflush(stdout);
  }
  Control* application = appState.application;
  appState.application = nullptr;
  Free(application);
  FreeStartUpState();
  return 0;
}
