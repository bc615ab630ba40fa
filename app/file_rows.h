// File rows, shared by the local and the remote pane: how one enumerated folder entry becomes a
// row (caption, size text, type text, icon, item data), the frame every listing runs in, the
// shell's answers for a listing, and the order of the rows (sorting by a column's text).
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

class Control;
class IconStrip;
class ImageList;

// Which pane CompareRows sorts: 0 the local list, 1 the remote list. Whoever sorts a pane sets
// it right before asking the list view to sort.
extern uint8_t SortPaneSelector;

constexpr uint8_t kLocalPane = 0;
constexpr uint8_t kRemotePane = 1;

// Columns of both panes.
constexpr int kNameColumn = 0;
constexpr int kSizeColumn = 1;
constexpr int kTypeColumn = 2;

// Image 0 of every pane's image list: the folder picture.
constexpr int kFolderImage = 0;
extern const char* const kFolderTypeText;  // "File Folder"

// A file pane: its list view, its small-image list and its sort selector value.
struct FilePane {
  Control* list = nullptr;
  ImageList* images = nullptr;
  uint8_t selector = kLocalPane;
};
FilePane LocalPane();
FilePane RemotePane();

// Type names and small icons asked of the shell once per extension for one listing: with
// SHGFI_USEFILEATTRIBUTES the shell answers from the extension alone, so identical questions
// for thousands of files would only cost time. The icons it keeps are released with it.
class ShellAnswers {
 public:
  ShellAnswers() = default;
  ~ShellAnswers();
  ShellAnswers(const ShellAnswers&) = delete;
  ShellAnswers& operator=(const ShellAnswers&) = delete;

  std::string TypeName(const std::string& path);
  // Owned by this object; valid until it is destroyed.
  HICON SmallIcon(const std::string& path);
  // Questions that actually reached the shell.
  int ShellQueries() const { return shellQueries_; }

 private:
  std::map<std::string, std::string> typeNames_;
  std::map<std::string, HICON> icons_;
  int shellQueries_ = 0;
};

// The key the shell's answers depend on: the path from its last "." on (the extension, or, when
// the dot lies in a folder name, a tail unique to the file), or "" for a path without a dot.
std::string ShellAnswerKey(const std::string& path);

// Empties the pane's image list and reloads the folder picture as image 0.
void ResetPaneImages(const FilePane& pane);

// Appends the row of one entry; "." adds none. Files get their size text, the shell's type name
// and a new image with the shell's small icon for folder path + name.
void AddEntryRow(const FilePane& pane, const std::string& folderPath, const WIN32_FIND_DATAA& entry,
                 int32_t ordinal, ShellAnswers& shell);
// The same with the file's image appended to `images`, a strip over the pane's image list: the
// row already names the image, which is in the list once the strip is flushed. A listing adds
// its rows this way and flushes before the rows are shown.
void AddEntryRow(const FilePane& pane, const std::string& folderPath, const WIN32_FIND_DATAA& entry,
                 int32_t ordinal, ShellAnswers& shell, IconStrip& images);

// The size text of a file row: K = size div 1024 (at least 1), "K KB" below 1024 KB, else
// "M MB" with M = K div 1024. The find record's size is unsigned: 2^64 - 1 bytes are
// 17592186044415 MB.
std::string FormatFileSize(uint64_t size);
// The size of a find record, high part and low part.
uint64_t EntrySize(const WIN32_FIND_DATAA& entry);

// The real size of each file row of a pane, by the row's item data: the size text is rounded
// and counts in two units, so sorting by size reads the sizes from here. A size counts only
// for a row whose size text is still the one it gives (a list filled by other means, or rows
// of an earlier listing with the same item data, fall back to their texts).
class RowSizes {
 public:
  void Clear();
  void Set(LPARAM data, uint64_t size);
  // False when no size is known for `data`.
  bool Get(LPARAM data, uint64_t& size) const;

 private:
  std::vector<uint64_t> sizes_;  // by item data
  std::vector<bool> known_;
};
// The table of the pane with that selector.
RowSizes& SizesOfPane(uint8_t selector);

// The shell's type name for a file name (answered from the name alone), at most 80 characters.
std::string GetShellTypeName(const std::string& path);
// The shell's small icon for a file name; the caller releases it (DestroyIcon).
HICON GetShellSmallIcon(const std::string& path);

// Where an enumeration hands each entry: with the name its row shows (the record's own field
// holds at most 259 bytes of a name), or with the record's own name.
class EntrySink {
 public:
  using Add = std::function<void(const WIN32_FIND_DATAA& entry, const std::string& name)>;
  explicit EntrySink(Add add) : add_(std::move(add)) {}
  void operator()(const WIN32_FIND_DATAA& entry, const std::string& name) const {
    add_(entry, name);
  }
  void operator()(const WIN32_FIND_DATAA& entry) const;

 private:
  Add add_;
};
// Hands every entry of one enumeration to `add`. It owns its find handle and closes it however
// it ends.
using Enumeration = std::function<void(const EntrySink& add)>;

// Runs one listing of a pane: reset images, remove rows, repaint and work off waiting messages,
// drawing off, enumerate into rows (ordinals counted from `firstOrdinal`: 0 for the local
// enumeration, 1 for the server's), then (also when the enumeration throws)
// sort by the size column and drawing on, and finally repaint the main window. An exception of
// the enumeration is passed on after the clean-up.
void RunListingFrame(const FilePane& pane, const std::string& folderPath,
                     const Enumeration& enumerate, int32_t firstOrdinal = 0);

// Whether a header notification is a click on a column (NMHEADER's iItem is the column). The
// header reports in the character set its parent list view asks for, which is not always the
// program's: Wine's list view takes Unicode notifications, so the click arrives as
// HDN_ITEMCLICKW even here; the two records share their layout.
bool IsHeaderItemClick(UINT code);

// Sorts the pane's rows ascending by the text of `column`, the size column by the files' real
// sizes (folders first); true when the list view sorted.
bool SortPane(const FilePane& pane, int column);
// The same for any report list view whose rows carry distinct item data; with `sizes`, rows
// whose size is known there sort by it after the others.
bool SortListByColumn(Control* list, int column, const RowSizes* sizes = nullptr);
// True while a sort started by SortListByColumn is running.
bool SortInProgress();

// What CompareRows reads while a list sorts: each row's place in the locale's order of the
// column's texts, found by the row's item data (an array when the data are small ordinals, as
// both panes' are). Each distinct text gets its locale sort key once, the keys are ordered
// before the list view sorts, and each of its comparisons is then one of two integers.
// Rows sorted by a number (a file's size) come after every row sorted by its text (the
// folders, whose size text is empty), in the order of their numbers.
class SortSnapshot {
 public:
  void Reserve(int rows);
  // The row with `data` and the text it is sorted by.
  void Add(LPARAM data, const char* text);
  // The row with `data` and the number it is sorted by.
  void AddNumber(LPARAM data, uint64_t number);
  // Orders the texts; rows with equal texts (or equal keys) share a place.
  void Rank();
  // The place of the row with `data` after Rank; -1 for data not in the snapshot.
  int PlaceOf(LPARAM data) const noexcept;

 private:
  std::vector<std::pair<LPARAM, size_t>> rows_;  // item data, index of its text
  std::vector<std::pair<uint64_t, LPARAM>> numbered_;  // number, item data
  std::vector<std::string> texts_;               // distinct texts
  std::unordered_map<std::string, size_t> textIndex_;
  std::vector<int> byOrdinal_;
  std::unordered_map<LPARAM, int> byData_;
};

// Runs `sort` with `snapshot` as what CompareRows reads, and withdraws it however `sort` ends;
// false without running it while another sort is in progress.
bool SortWithSnapshot(const SortSnapshot& snapshot, const std::function<bool()>& sort);

// The list view sort callback: the order of the two rows' column texts in the user's locale
// (their places in the snapshot taken before the sort), -1, 0 or +1.
int CALLBACK CompareRows(LPARAM data1, LPARAM data2, LPARAM column) noexcept;
