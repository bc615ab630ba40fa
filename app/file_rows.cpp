#include "app/file_rows.h"

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
#include "winobj/scoped.h"
#include "winobj/text.h"

uint8_t SortPaneSelector = kLocalPane;

const char* const kFolderTypeText = "File Folder";

namespace {

constexpr char kFolderBitmapName[] = "FOLDERCLOSED";
constexpr COLORREF kFolderTransparentColor = RGB(255, 0, 255);
constexpr uint64_t kBytesPerUnit = 1024;
constexpr size_t kTypeNameCapacity = sizeof(SHFILEINFOA::szTypeName);

// The places of the rows of the list being sorted. The list view's contents are unstable
// while LVM_SORTITEMS runs and any message but LVM_GETITEM gives unpredictable results, so the
// comparison reads only this snapshot.
const SortSnapshot* sortSnapshot = nullptr;

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

// Item data past this are not kept in the dense size table (no pane numbers its rows so).
constexpr LPARAM kMostSizedData = LPARAM{1} << 26;

RowSizes paneSizes[2];

// Where a listing writes its rows: over the rows of the last listing while there are any, then
// appended.
struct RowCursor {
  int oldRows = 0;
  int written = 0;
  int NextRow() const { return written < oldRows ? written : kAppendRow; }
};

// The end of every listing, whatever the enumeration did: the row images go into the list, the
// rows of the last listing that were not written over go, the rows are put in order and drawing
// of the list goes back on.
void FinishListing(const FilePane& pane, IconStrip& images, const RowCursor& rows) {
  images.Flush();
  if (rows.written == 0 && rows.oldRows > 0) {
    Clear(pane.list);
  } else {
    // From the last one: each removal then moves no row behind it.
    for (int row = rows.oldRows - 1; row >= rows.written; --row) DeleteListItem(pane.list, row);
  }
  try {
    SortPane(pane, kSizeColumn);
  } catch (...) {
    // A sort that cannot build its snapshot leaves the rows as they were added.
  }
  Perform(pane.list, WM_SETREDRAW, TRUE, 0);
}

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

uint64_t EntrySize(const WIN32_FIND_DATAA& entry) {
  return (static_cast<uint64_t>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow;
}

std::string FormatFileSize(uint64_t size) {
  // Sizes below 1 KB show as 1 KB rather than in bytes: every row then counts in the same unit,
  // as users of Windows Explorer expect, and the size texts sort alike in both panes.
  // Unsigned all the way from the find record: a signed size showed 2^63 bytes and more as
  // negative numbers, and 2^64 - 1 as 1 KB.
  uint64_t kilobytes = size / kBytesPerUnit;
  if (kilobytes == 0) kilobytes = 1;
  if (kilobytes < kBytesPerUnit) return UInt64ToText(kilobytes) + " KB";
  return UInt64ToText(kilobytes / kBytesPerUnit) + " MB";
}

void RowSizes::Clear() {
  std::vector<uint64_t>().swap(sizes_);
  std::vector<bool>().swap(known_);
}

void RowSizes::Set(LPARAM data, uint64_t size) {
  if (data < 0 || data >= kMostSizedData) return;
  const size_t at = static_cast<size_t>(data);
  if (at >= sizes_.size()) {
    sizes_.resize(at + 1, 0);
    known_.resize(at + 1, false);
  }
  sizes_[at] = size;
  known_[at] = true;
}

bool RowSizes::Get(LPARAM data, uint64_t& size) const {
  if (data < 0 || static_cast<size_t>(data) >= sizes_.size()) return false;
  if (!known_[static_cast<size_t>(data)]) return false;
  size = sizes_[static_cast<size_t>(data)];
  return true;
}

RowSizes& SizesOfPane(uint8_t selector) { return paneSizes[selector == kRemotePane ? 1 : 0]; }

void ResetPaneImages(const FilePane& pane) {
  ReloadBitmapResource(pane.images, kFolderBitmapName, kFolderTransparentColor);
}

namespace {

// Puts the row of one entry at `reuse`, an existing row that is written over (what a new row
// would hold, an empty size column included), or appends it when `reuse` is kAppendRow. False
// when the entry makes no row (".") or the list view refused it.
bool WriteEntryRow(const FilePane& pane, const std::string& folderPath,
                   const WIN32_FIND_DATAA& entry, const std::string& name, int32_t ordinal,
                   ShellAnswers& shell, IconStrip& images, int reuse) {
  if (name == ".") return false;
  const bool folder = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  std::string path;
  int image = kFolderImage;
  if (!folder) {
    path = folderPath + name;
    // One image per file row, as the rows expect; the icon itself is asked for once per
    // extension and released with the listing's answers.
    image = images.Append(shell.SmallIcon(path));
  }
  int row = reuse;
  if (reuse == kAppendRow) {
    row = InsertListItem(pane.list, kAppendRow, name, image, 0, 0, 0, ordinal);
    if (row < 0) return false;
  } else if (!RewriteListItem(pane.list, row, name, image, 0, 0, 0, ordinal)) {
    return false;
  }
  if (folder) {
    // A new item's size column is already empty; a row written over may still hold a size.
    if (reuse != kAppendRow) SetListItemText(pane.list, row, kSizeColumn, std::string());
    SetListItemText(pane.list, row, kTypeColumn, kFolderTypeText);
    return true;
  }
  const uint64_t size = EntrySize(entry);
  // A link whose target's size is not known (a reparse point with no size: a local symbolic
  // link, or a server's link the client could not size) has no size to show.
  if ((entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 && size == 0) {
    SetListItemText(pane.list, row, kSizeColumn, std::string());
  } else {
    SetListItemText(pane.list, row, kSizeColumn, FormatFileSize(size));
    SizesOfPane(pane.selector).Set(ordinal, size);
  }
  SetListItemText(pane.list, row, kTypeColumn, shell.TypeName(path));
  return true;
}

}  // namespace

void AddEntryRow(const FilePane& pane, const std::string& folderPath, const WIN32_FIND_DATAA& entry,
                 int32_t ordinal, ShellAnswers& shell, IconStrip& images) {
  WriteEntryRow(pane, folderPath, entry, EntryName(entry), ordinal, shell, images, kAppendRow);
}

void AddEntryRow(const FilePane& pane, const std::string& folderPath, const WIN32_FIND_DATAA& entry,
                 int32_t ordinal, ShellAnswers& shell) {
  IconStrip images(pane.images);
  AddEntryRow(pane, folderPath, entry, ordinal, shell, images);
  images.Flush();
}

// ---- Listing frame ----

void EntrySink::operator()(const WIN32_FIND_DATAA& entry) const { add_(entry, EntryName(entry)); }

void RunListingFrame(const FilePane& pane, const std::string& folderPath,
                     const Enumeration& enumerate, int32_t firstOrdinal) {
  ResetPaneImages(pane);
  SizesOfPane(pane.selector).Clear();
  // The rows of the last listing are written over, not removed: Wine's list view removes a row
  // in time linear in the number of rows (it looks each row's id up in a flat array), so
  // emptying a pane of 500,000 rows took minutes, far longer than filling it. Until they are
  // written over they are only the old listing's rows, with nothing selected, so that nothing
  // the waiting messages below run can act on them.
  DeselectAllListItems(pane.list);
  UpdateTree(pane.list);
  ProcessPendingMessages(appState.application);
  Perform(pane.list, WM_SETREDRAW, FALSE, 0);
  {
    ShellAnswers shell;
    IconStrip images(pane.images);
    // No one acts on a row's change while the listing writes over it.
    const auto quiet = MuteItemChanges(pane.list);
    RowCursor rows{static_cast<int>(Count(pane.list)), 0};
    AtScopeEnd finish([&] { FinishListing(pane, images, rows); });
    int32_t ordinal = firstOrdinal;
    enumerate(EntrySink([&](const WIN32_FIND_DATAA& entry, const std::string& name) {
      if (WriteEntryRow(pane, folderPath, entry, name, ordinal, shell, images, rows.NextRow())) {
        ++rows.written;
      }
      ++ordinal;
    }));
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

void SortSnapshot::AddNumber(LPARAM data, uint64_t number) { numbered_.emplace_back(number, data); }

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
  const LPARAM denseLimit = static_cast<LPARAM>(2 * (rows_.size() + numbered_.size()) + 64);
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
  // Numbered rows follow every row of text, in the order of their numbers.
  std::sort(numbered_.begin(), numbered_.end(),
            [](const std::pair<uint64_t, LPARAM>& a, const std::pair<uint64_t, LPARAM>& b) {
              return a.first < b.first;
            });
  int numberPlace = static_cast<int>(rows_.size());
  for (size_t k = 0; k < numbered_.size(); ++k) {
    if (k > 0 && numbered_[k - 1].first != numbered_[k].first)
      numberPlace = static_cast<int>(rows_.size() + k);
    const LPARAM data = numbered_[k].second;
    if (data >= 0 && data < denseLimit) {
      const size_t at = static_cast<size_t>(data);
      if (at >= byOrdinal_.size()) byOrdinal_.resize(at + 1, -1);
      byOrdinal_[at] = numberPlace;
    } else {
      byData_[data] = numberPlace;
    }
  }
  numbered_ = {};
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
  // The snapshot is CompareRows' for exactly the length of one sort, however the sort ends: left
  // behind, it would refuse every later sort and have CompareRows read a dead object.
  AutoReset<const SortSnapshot*> inUse(sortSnapshot, &snapshot);
  return sort();
}

bool SortPane(const FilePane& pane, int column) {
  SortPaneSelector = pane.selector;
  return SortListByColumn(pane.list, column,
                          column == kSizeColumn ? &SizesOfPane(pane.selector) : nullptr);
}

bool SortListByColumn(Control* list, int column, const RowSizes* sizes) {
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
    uint64_t size = 0;
    if (sizes && sizes->Get(data, size) && FormatFileSize(size) == text) {
      snapshot.AddNumber(data, size);
    } else if (text == buffer &&
               std::strlen(buffer) + kMostCharacterBytes >= kSnapshotTextCapacity) {
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
