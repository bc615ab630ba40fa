#include "app/local/file_rows.h"

#include <commctrl.h>
#include <shellapi.h>

#include <cstring>
#include <unordered_map>

#include "app/app_state.h"
#include "winobj/application.h"
#include "winobj/control.h"
#include "winobj/controls.h"
#include "winobj/imagelist.h"
#include "winobj/listview.h"
#include "winobj/text.h"

uint8_t SortPaneSelector = kLocalPane;

const char* const kFolderTypeText = "File Folder";

namespace {

constexpr char kFolderBitmapName[] = "FOLDERCLOSED";
constexpr COLORREF kFolderTransparentColor = RGB(255, 0, 255);
constexpr int64_t kBytesPerUnit = 1024;
constexpr size_t kTypeNameCapacity = sizeof(SHFILEINFOA::szTypeName);

// The column texts of the list being sorted, by item data. The list view's contents are
// unstable while LVM_SORTITEMS runs and any message but LVM_GETITEM gives unpredictable
// results, so the comparison reads only this snapshot.
const std::unordered_map<LPARAM, std::string>* sortSnapshot = nullptr;

const std::string& SnapshotText(LPARAM data) {
  static const std::string kEmpty;
  auto it = sortSnapshot->find(data);
  return it == sortSnapshot->end() ? kEmpty : it->second;
}

std::string EntryName(const WIN32_FIND_DATAA& entry) {
  return std::string(entry.cFileName, strnlen(entry.cFileName, sizeof entry.cFileName));
}

int64_t EntrySize(const WIN32_FIND_DATAA& entry) {
  return static_cast<int64_t>((static_cast<uint64_t>(entry.nFileSizeHigh) << 32) |
                              entry.nFileSizeLow);
}

// Drawing of the list goes back on, and the rows are put in order, whatever the enumeration did.
class ListingCleanup {
 public:
  explicit ListingCleanup(const FilePane& pane) : pane_(pane) {}
  ~ListingCleanup() {
    try {
      SortPane(pane_, kSizeColumn);
    } catch (...) {
      // A sort that cannot build its snapshot leaves the rows as they were added.
    }
    Perform(pane_.list, WM_SETREDRAW, TRUE, 0);
  }
  ListingCleanup(const ListingCleanup&) = delete;
  ListingCleanup& operator=(const ListingCleanup&) = delete;

 private:
  FilePane pane_;
};

}  // namespace

FilePane LocalPane() { return FilePane{appState.localList, appState.localImages, kLocalPane}; }

FilePane RemotePane() { return FilePane{appState.remoteList, appState.remoteImages, kRemotePane}; }

// ---- Shell answers ----

std::string ShellAnswerKey(const std::string& path) {
  // Everything from the last "." on: two paths with the same such tail have the same extension
  // (or, when the dot lies in a folder name, the same file name), so the shell answers alike.
  size_t dot = path.rfind('.');
  return dot == std::string::npos ? std::string() : path.substr(dot);
}

ShellAnswers::~ShellAnswers() {
  for (auto& entry : icons_) {
    if (entry.second) DestroyIcon(entry.second);
  }
}

std::string ShellAnswers::TypeName(const std::string& path) {
  std::string key = ShellAnswerKey(path);
  auto it = typeNames_.find(key);
  if (it != typeNames_.end()) return it->second;
  ++shellQueries_;
  std::string name = GetShellTypeName(path);
  typeNames_.emplace(key, name);
  return name;
}

HICON ShellAnswers::SmallIcon(const std::string& path) {
  std::string key = ShellAnswerKey(path);
  auto it = icons_.find(key);
  if (it != icons_.end()) return it->second;
  ++shellQueries_;
  HICON icon = GetShellSmallIcon(path);
  try {
    icons_.emplace(key, icon);
  } catch (...) {
    if (icon) DestroyIcon(icon);
    throw;
  }
  return icon;
}

std::string GetShellTypeName(const std::string& path) {
  SHFILEINFOA info;
  std::memset(&info, 0, sizeof info);
  SHGetFileInfoA(path.c_str(), 0, &info, sizeof info, SHGFI_TYPENAME | SHGFI_USEFILEATTRIBUTES);
  return std::string(info.szTypeName, strnlen(info.szTypeName, kTypeNameCapacity));
}

HICON GetShellSmallIcon(const std::string& path) {
  SHFILEINFOA info;
  std::memset(&info, 0, sizeof info);
  SHGetFileInfoA(path.c_str(), 0, &info, sizeof info,
                 SHGFI_ICON | SHGFI_SMALLICON | SHGFI_USEFILEATTRIBUTES);
  return info.hIcon;
}

// ---- Rows ----

std::string FormatFileSize(int64_t size) {
  // Sizes below 1 KB show as 1 KB rather than in bytes: every row then counts in the same unit,
  // as users of Windows Explorer expect, and the size texts sort alike in both panes.
  // The quotient stays 64-bit: a 32-bit one would show files of 2 TiB and more as negative.
  int64_t kilobytes = size / kBytesPerUnit;
  if (kilobytes == 0) kilobytes = 1;
  if (kilobytes < kBytesPerUnit) return Int64ToText(kilobytes) + " KB";
  return Int64ToText(kilobytes / kBytesPerUnit) + " MB";
}

void ResetPaneImages(const FilePane& pane) {
  ClearImages(pane.images);
  LoadBitmapResource(pane.images, kFolderBitmapName, kFolderTransparentColor);
}

void AddEntryRow(const FilePane& pane, const std::string& folderPath, const WIN32_FIND_DATAA& entry,
                 int32_t ordinal, ShellAnswers& shell) {
  std::string name = EntryName(entry);
  if (name == ".") return;
  int row = AppendListItem(pane.list, name, kFolderImage, 0, 0, 0, ordinal);
  if (row < 0) return;
  if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
    SetListItemText(pane.list, row, kSizeColumn, "");
    SetListItemText(pane.list, row, kTypeColumn, kFolderTypeText);
    return;
  }
  std::string path = folderPath + name;
  SetListItemText(pane.list, row, kSizeColumn, FormatFileSize(EntrySize(entry)));
  SetListItemText(pane.list, row, kTypeColumn, shell.TypeName(path));
  // One image per file row, as the rows expect; the icon itself is asked for once per
  // extension and released with the listing's answers.
  int image = AddIcon(pane.images, shell.SmallIcon(path));
  SetListItemImage(pane.list, row, image);
}

// ---- Listing frame ----

void RunListingFrame(const FilePane& pane, const std::string& folderPath,
                     const Enumeration& enumerate, int32_t firstOrdinal) {
  ResetPaneImages(pane);
  Clear(pane.list);
  UpdateTree(pane.list);
  ProcessPendingMessages(appState.application);
  Perform(pane.list, WM_SETREDRAW, FALSE, 0);
  {
    ListingCleanup cleanup(pane);
    ShellAnswers shell;
    int32_t ordinal = firstOrdinal;
    enumerate([&](const WIN32_FIND_DATAA& entry) {
      AddEntryRow(pane, folderPath, entry, ordinal, shell);
      ++ordinal;
    });
  }
  UpdateTree(appState.mainWindow);
}

// ---- Sorting ----

bool IsHeaderItemClick(UINT code) { return code == HDN_ITEMCLICKA || code == HDN_ITEMCLICKW; }

bool SortInProgress() { return sortSnapshot != nullptr; }

bool SortPane(const FilePane& pane, int column) {
  SortPaneSelector = pane.selector;
  return SortListByColumn(pane.list, column);
}

bool SortListByColumn(Control* list, int column) {
  if (!list || sortSnapshot) return false;
  std::unordered_map<LPARAM, std::string> snapshot;
  int count = static_cast<int>(Perform(list, LVM_GETITEMCOUNT, 0, 0));
  snapshot.reserve(count > 0 ? count : 0);
  for (int i = 0; i < count; ++i) {
    LVITEMA item;
    std::memset(&item, 0, sizeof item);
    ReadListItem(list, i, 0, item, nullptr, 0);
    snapshot[item.lParam] = ListItemText(list, i, column);
  }
  sortSnapshot = &snapshot;
  LRESULT sorted = Perform(list, LVM_SORTITEMS, static_cast<WPARAM>(column),
                           reinterpret_cast<LPARAM>(&CompareRows));
  sortSnapshot = nullptr;
  return sorted != 0;
}

int CALLBACK CompareRows(LPARAM data1, LPARAM data2, LPARAM /*column*/) {
  if (!sortSnapshot) return 0;
  return CompareLocaleText(SnapshotText(data1), SnapshotText(data2));
}
