// ListLocalFolder of folders of many files, against the naive listing (find loop, the shell's
// type name and small icon for every file, one ImageList_AddIcon and three bare list view
// messages per row) and against the floor (the bare find loop, bare inserts of the rows with
// their two texts into a bare list view, and one ImageList_Add of a strip holding every row's
// image). Builds the real main window; the folders are made under %TEMP% on first use. Prints
// one table of seconds and ratios, and the peak working set after the largest listing.
//   listing_bench [sizes...]        default 1000 10000 50000
//   listing_bench --naive-max N     the naive listing is run up to N files (default 10000)
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "app/app_state.h"
#include "app/local/local_pane.h"
#include "app/startup.h"
#include "winobj/application.h"
#include "winobj/control.h"
#include "winobj/controls.h"
#include "winobj/imagelist.h"

namespace {

constexpr int kSide = 16;
const char* const kExtensions[] = {".txt", ".dat", ".exe", ".jpg", ".doc", ".zip", ".c", ""};

double PeakWorkingSetMb() {
  PROCESS_MEMORY_COUNTERS counters;
  std::memset(&counters, 0, sizeof counters);
  counters.cb = sizeof counters;
  if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return -1;
  return static_cast<double>(counters.PeakWorkingSetSize) / (1024.0 * 1024.0);
}

// A folder of `files` empty files with a few extensions; made once, kept for later runs.
std::string BenchFolder(int files) {
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  std::string root = std::string(temp) + "zevftp_listing_bench\\";
  CreateDirectoryA(root.c_str(), nullptr);
  std::string folder = root + std::to_string(files) + "\\";
  std::string done = root + std::to_string(files) + ".done";
  if (GetFileAttributesA(done.c_str()) != INVALID_FILE_ATTRIBUTES) return folder;
  CreateDirectoryA(folder.c_str(), nullptr);
  const int kinds = static_cast<int>(sizeof kExtensions / sizeof kExtensions[0]);
  for (int i = 0; i < files; ++i) {
    std::string name = folder + "file" + std::to_string(i) + kExtensions[i % kinds];
    HANDLE h = CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  }
  HANDLE h = CreateFileA(done.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  return folder;
}

double TimeListLocalFolder(const std::string& folder, int* rows, int* images) {
  appState.localPath = folder;
  const double start = NowSeconds();
  ListLocalFolder();
  const double seconds = NowSeconds() - start;
  *rows = static_cast<int>(SendMessageA(appState.localList->handle, LVM_GETITEMCOUNT, 0, 0));
  *images = ImageCount(appState.localImages);
  return seconds;
}

HWND BareList() {
  HWND list = CreateWindowExA(0, WC_LISTVIEWA, "", WS_CHILD | LVS_REPORT | LVS_SHAREIMAGELISTS, 0,
                              0, 300, 300, appState.mainWindow->handle, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
  LVCOLUMNA column;
  std::memset(&column, 0, sizeof column);
  column.mask = LVCF_WIDTH;
  column.cx = 100;
  for (int i = 0; i < 3; ++i)
    SendMessageA(list, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
  return list;
}

void InsertBareRow(HWND list, int index, const char* name, int image, const char* size,
                   const char* type) {
  LVITEMA item;
  std::memset(&item, 0, sizeof item);
  item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
  item.iItem = index;
  item.pszText = const_cast<char*>(name);
  item.iImage = image;
  item.lParam = index;
  const int row =
      static_cast<int>(SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
  item.mask = LVIF_TEXT;
  item.iSubItem = 1;
  item.pszText = const_cast<char*>(size);
  SendMessageA(list, LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
  item.iSubItem = 2;
  item.pszText = const_cast<char*>(type);
  SendMessageA(list, LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
}

// Find loop, two shell calls per file, one icon drawn into the list per row.
double TimeNaive(const std::string& folder) {
  HWND list = BareList();
  HIMAGELIST images = ImageList_Create(kSide, kSide, ILC_COLORDDB | ILC_MASK, 0, 1);
  SendMessageA(list, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(images));
  SendMessageA(list, WM_SETREDRAW, FALSE, 0);
  const double start = NowSeconds();
  WIN32_FIND_DATAA entry;
  HANDLE find = FindFirstFileA((folder + "*.*").c_str(), &entry);
  int index = 0;
  if (find != INVALID_HANDLE_VALUE) {
    do {
      std::string path = folder + entry.cFileName;
      SHFILEINFOA type, icon;
      std::memset(&type, 0, sizeof type);
      std::memset(&icon, 0, sizeof icon);
      SHGetFileInfoA(path.c_str(), 0, &type, sizeof type, SHGFI_TYPENAME | SHGFI_USEFILEATTRIBUTES);
      SHGetFileInfoA(path.c_str(), 0, &icon, sizeof icon,
                     SHGFI_ICON | SHGFI_SMALLICON | SHGFI_USEFILEATTRIBUTES);
      const int image = ImageList_AddIcon(images, icon.hIcon);
      if (icon.hIcon) DestroyIcon(icon.hIcon);
      InsertBareRow(list, index++, entry.cFileName, image, "1 KB", type.szTypeName);
    } while (FindNextFileA(find, &entry));
    FindClose(find);
  }
  const double seconds = NowSeconds() - start;
  DestroyWindow(list);
  ImageList_Destroy(images);
  return seconds;
}

// The bare find loop alone, and the floor of what a listing must do: that loop, the rows with
// their texts, and every row's image in one strip added at once.
void TimeFloor(const std::string& folder, double* findOnly, double* floor) {
  double start = NowSeconds();
  std::vector<std::string> names;
  WIN32_FIND_DATAA entry;
  HANDLE find = FindFirstFileA((folder + "*.*").c_str(), &entry);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      names.push_back(entry.cFileName);
    } while (FindNextFileA(find, &entry));
    FindClose(find);
  }
  *findOnly = NowSeconds() - start;

  HWND list = BareList();
  HIMAGELIST images = ImageList_Create(kSide, kSide, ILC_COLORDDB | ILC_MASK, 0, 1);
  SendMessageA(list, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(images));
  SendMessageA(list, WM_SETREDRAW, FALSE, 0);
  start = NowSeconds();
  find = FindFirstFileA((folder + "*.*").c_str(), &entry);
  int index = 0;
  if (find != INVALID_HANDLE_VALUE) {
    do {
      InsertBareRow(list, index, entry.cFileName, index, "1 KB", "File");
      ++index;
    } while (FindNextFileA(find, &entry));
    FindClose(find);
  }
  HDC screen = GetDC(nullptr);
  HBITMAP strip = CreateCompatibleBitmap(screen, kSide * (index > 0 ? index : 1), kSide);
  HBITMAP mask = CreateBitmap(kSide * (index > 0 ? index : 1), kSide, 1, 1, nullptr);
  ReleaseDC(nullptr, screen);
  ImageList_Add(images, strip, mask);
  *floor = NowSeconds() - start;
  DeleteObject(strip);
  DeleteObject(mask);
  DestroyWindow(list);
  ImageList_Destroy(images);
}

struct Row {
  int files = 0;
  double ours = 0;
  int rows = 0;
  int images = 0;
  double peakMb = 0;
  double findOnly = 0;
  double floor = 0;
  double naive = -1;
};

}  // namespace

int main(int argc, char** argv) {
  std::vector<int> sizes;
  int naiveMax = 10000;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--naive-max") == 0 && i + 1 < argc) {
      naiveMax = std::atoi(argv[++i]);
    } else {
      sizes.push_back(std::atoi(argv[i]));
    }
  }
  if (sizes.empty()) sizes = {1000, 10000, 50000};
  StartUp();
  std::vector<Row> table;
  for (int files : sizes) {
    Row row;
    row.files = files;
    const std::string folder = BenchFolder(files);
    row.ours = TimeListLocalFolder(folder, &row.rows, &row.images);
    row.peakMb = PeakWorkingSetMb();
    table.push_back(row);
  }
  // The comparisons run after every listing of ours, so the peak working set above is ours.
  for (Row& row : table) {
    const std::string folder = BenchFolder(row.files);
    TimeFloor(folder, &row.findOnly, &row.floor);
    if (row.files <= naiveMax) row.naive = TimeNaive(folder);
  }
  std::printf("%7s  %8s  %7s  %10s  %9s  %9s  %9s  %10s  %10s  %9s\n", "files", "rows", "images",
              "ours (s)", "find (s)", "floor (s)", "naive (s)", "ours/naive", "ours/floor",
              "peak MB");
  for (const Row& row : table) {
    char naive[32] = "skipped";
    char ratio[32] = "-";
    if (row.naive >= 0) {
      std::snprintf(naive, sizeof naive, "%.3f", row.naive);
      std::snprintf(ratio, sizeof ratio, "%.3fx", row.naive > 0 ? row.ours / row.naive : 0.0);
    }
    std::printf("%7d  %8d  %7d  %10.3f  %9.3f  %9.3f  %9s  %10s  %9.2fx  %9.1f\n", row.files,
                row.rows, row.images, row.ours, row.findOnly, row.floor, naive, ratio,
                row.floor > 0 ? row.ours / row.floor : 0.0, row.peakMb);
  }
  std::printf(
      "rows: the pane's rows (the files and \"..\"); images: its image list afterwards "
      "(one per file and the folder picture)\n");
  Control* application = appState.application;
  appState.application = nullptr;
  Free(application);
  FreeStartUpState();
  return 0;
}
