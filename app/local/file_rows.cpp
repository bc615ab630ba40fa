#include "app/local/file_rows.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <cstring>
#include <unordered_map>
#include <utility>

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

// The places of the rows of the list being sorted. The list view's contents are unstable
// while LVM_SORTITEMS runs and any message but LVM_GETITEM gives unpredictable results, so the
// comparison reads only this snapshot.
const SortSnapshot* sortSnapshot = nullptr;

// The snapshot is CompareRows' for exactly the length of one sort, however the sort ends: left
// behind, it would refuse every later sort and have CompareRows read a dead object.
class SnapshotInUse {
 public:
  explicit SnapshotInUse(const SortSnapshot& snapshot) { sortSnapshot = &snapshot; }
  ~SnapshotInUse() { sortSnapshot = nullptr; }
  SnapshotInUse(const SnapshotInUse&) = delete;
  SnapshotInUse& operator=(const SnapshotInUse&) = delete;
};

// LVM_INSERTITEM appends an item whose index is past the last one, without asking for the
// count first.
constexpr int kAppendRow = 0x7FFFFFFF;
// Most texts fit: the sort's snapshot then reads each row once.
constexpr int kSnapshotTextCapacity = 264;
// Item data no row of the panes has: the read did not fill it in.
constexpr LPARAM kDataNotRead = static_cast<LPARAM>(0x80000000u);

std::string EntryName(const WIN32_FIND_DATAA& entry) {
  return std::string(entry.cFileName, strnlen(entry.cFileName, sizeof entry.cFileName));
}

int64_t EntrySize(const WIN32_FIND_DATAA& entry) {
  return static_cast<int64_t>((static_cast<uint64_t>(entry.nFileSizeHigh) << 32) |
                              entry.nFileSizeLow);
}

// The row images go into the list, drawing of the list goes back on, and the rows are put in
// order, whatever the enumeration did.
class ListingCleanup {
 public:
  ListingCleanup(const FilePane& pane, IconStrip& images) : pane_(pane), images_(images) {}
  ~ListingCleanup() {
    images_.Flush();
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
  IconStrip& images_;
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
                 int32_t ordinal, ShellAnswers& shell, IconStrip& images) {
  std::string name = EntryName(entry);
  if (name == ".") return;
  if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
    int row = InsertListItem(pane.list, kAppendRow, name, kFolderImage, 0, 0, 0, ordinal);
    // A new item's size column is already empty.
    if (row >= 0) SetListItemText(pane.list, row, kTypeColumn, kFolderTypeText);
    return;
  }
  std::string path = folderPath + name;
  // One image per file row, as the rows expect; the icon itself is asked for once per
  // extension and released with the listing's answers.
  int image = images.Append(shell.SmallIcon(path));
  int row = InsertListItem(pane.list, kAppendRow, name, image, 0, 0, 0, ordinal);
  if (row < 0) return;
  SetListItemText(pane.list, row, kSizeColumn, FormatFileSize(EntrySize(entry)));
  SetListItemText(pane.list, row, kTypeColumn, shell.TypeName(path));
}

void AddEntryRow(const FilePane& pane, const std::string& folderPath, const WIN32_FIND_DATAA& entry,
                 int32_t ordinal, ShellAnswers& shell) {
  IconStrip images(pane.images);
  AddEntryRow(pane, folderPath, entry, ordinal, shell, images);
  images.Flush();
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
    ShellAnswers shell;
    IconStrip images(pane.images);
    ListingCleanup cleanup(pane, images);
    int32_t ordinal = firstOrdinal;
    enumerate([&](const WIN32_FIND_DATAA& entry) {
      AddEntryRow(pane, folderPath, entry, ordinal, shell, images);
      ++ordinal;
    });
  }
  UpdateTree(appState.mainWindow);
}

// ---- Sorting ----

bool IsHeaderItemClick(UINT code) { return code == HDN_ITEMCLICKA || code == HDN_ITEMCLICKW; }

bool SortInProgress() { return sortSnapshot != nullptr; }

void SortSnapshot::Reserve(int rows) {
  if (rows > 0) rows_.reserve(static_cast<size_t>(rows));
}

void SortSnapshot::Add(LPARAM data, const char* text) {
  std::string key(text ? text : "");
  auto found = textIndex_.find(key);
  if (found == textIndex_.end()) {
    found = textIndex_.emplace(key, texts_.size()).first;
    texts_.push_back(std::move(key));
  }
  rows_.emplace_back(data, found->second);
}

void SortSnapshot::Rank() {
  std::vector<std::pair<std::string, size_t>> keys;
  keys.reserve(texts_.size());
  for (size_t i = 0; i < texts_.size(); ++i) keys.emplace_back(LocaleSortKey(texts_[i]), i);
  std::sort(keys.begin(), keys.end());
  std::vector<int> placeOfText(texts_.size(), 0);
  int place = 0;
  for (size_t k = 0; k < keys.size(); ++k) {
    if (k > 0 && keys[k - 1].first != keys[k].first) place = static_cast<int>(k);
    placeOfText[keys[k].second] = place;
  }
  // Both panes number their rows from 0 or 1 up: one slot each, and a few to spare.
  const LPARAM denseLimit = static_cast<LPARAM>(2 * rows_.size() + 64);
  byOrdinal_.clear();
  byData_.clear();
  for (const auto& row : rows_) {
    const int p = placeOfText[row.second];
    if (row.first >= 0 && row.first < denseLimit) {
      const size_t at = static_cast<size_t>(row.first);
      if (at >= byOrdinal_.size()) byOrdinal_.resize(at + 1, -1);
      byOrdinal_[at] = p;
    } else {
      byData_[row.first] = p;
    }
  }
  rows_ = {};
  texts_ = {};
  textIndex_ = {};
}

int SortSnapshot::PlaceOf(LPARAM data) const noexcept {
  if (data >= 0 && static_cast<size_t>(data) < byOrdinal_.size()) {
    const int place = byOrdinal_[static_cast<size_t>(data)];
    if (place >= 0) return place;
  }
  auto it = byData_.find(data);
  return it == byData_.end() ? -1 : it->second;
}

bool SortWithSnapshot(const SortSnapshot& snapshot, const std::function<bool()>& sort) {
  if (sortSnapshot) return false;
  SnapshotInUse inUse(snapshot);
  return sort();
}

bool SortPane(const FilePane& pane, int column) {
  SortPaneSelector = pane.selector;
  return SortListByColumn(pane.list, column);
}

bool SortListByColumn(Control* list, int column) {
  if (!list || sortSnapshot) return false;
  SortSnapshot snapshot;
  int count = static_cast<int>(Perform(list, LVM_GETITEMCOUNT, 0, 0));
  snapshot.Reserve(count);
  char buffer[kSnapshotTextCapacity];
  for (int i = 0; i < count; ++i) {
    LVITEMA item;
    std::memset(&item, 0, sizeof item);
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = i;
    item.iSubItem = column;
    item.pszText = buffer;
    item.cchTextMax = kSnapshotTextCapacity;
    item.lParam = kDataNotRead;
    buffer[0] = '\0';
    Perform(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    // Wine gives the row's item data with the text of any column; a list view that gives it
    // only with the row's own text is asked again.
    LPARAM data = item.lParam;
    if (data == kDataNotRead) {
      LVITEMA row;
      ReadListItem(list, i, 0, row, nullptr, 0);
      data = row.lParam;
    }
    buffer[kSnapshotTextCapacity - 1] = '\0';
    const char* text = item.pszText && item.pszText != LPSTR_TEXTCALLBACKA ? item.pszText : buffer;
    if (text == buffer && std::strlen(buffer) >= kSnapshotTextCapacity - 1) {
      snapshot.Add(data, ListItemText(list, i, column).c_str());
    } else {
      snapshot.Add(data, text);
    }
  }
  snapshot.Rank();
  return SortWithSnapshot(snapshot, [list, column] {
    return Perform(list, LVM_SORTITEMS, static_cast<WPARAM>(column),
                   reinterpret_cast<LPARAM>(&CompareRows)) != 0;
  });
}

int CALLBACK CompareRows(LPARAM data1, LPARAM data2, LPARAM /*column*/) noexcept {
  if (!sortSnapshot) return 0;
  const int place1 = sortSnapshot->PlaceOf(data1);
  const int place2 = sortSnapshot->PlaceOf(data2);
  return place1 < place2 ? -1 : (place1 > place2 ? 1 : 0);
}
