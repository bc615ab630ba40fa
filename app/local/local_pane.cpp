#include "app/local/local_pane.h"

#include <commctrl.h>

#include <cassert>
#include <cstring>
#include <exception>
#include <stdexcept>
#include <string>
#include <unordered_map>

#include "app/app_state.h"
#include "app/code_page.h"
#include "app/file_rows.h"
#include "winobj/application.h"
#include "winobj/control.h"
#include "winobj/controls.h"
#include "winobj/geometry.h"
#include "winobj/listview.h"
#include "winobj/scoped.h"
#include "winobj/text.h"

namespace {

constexpr int kDriveBits = 32;
constexpr int kSecondDriveIndex = 1;
constexpr char kParentEntry[] = "..";
constexpr char kLocalSeparator[] = "\\";
constexpr char kAllEntries[] = "*.*";
constexpr char kEditLabelNotice[] = "Edit Send";

// The names of the last listing's rows that have no exact form in the program's code page, by
// item data.
std::unordered_map<LPARAM, std::wstring> inexactNames;

// The ANSI find functions give a look-alike for a character the code page lacks ("Omega.txt"
// for "Ωmega.txt", beside a real "Omega.txt"): the names are read wide and converted exactly.
void EnumerateLocalFolder(const std::string& folderPath, const EntrySink& add) {
  std::wstring pattern;
  if (!ToWide(folderPath + kAllEntries, ProgramCodePage(), pattern)) return;
  WIN32_FIND_DATAW found;
  std::memset(&found, 0, sizeof found);
  FindHandle find(FindFirstFileW(pattern.c_str(), &found));
  if (!find.valid()) return;
  const UINT program = ProgramCodePage();
  LPARAM ordinal = 0;
  do {
    WIN32_FIND_DATAA entry;
    std::memset(&entry, 0, sizeof entry);
    entry.dwFileAttributes = found.dwFileAttributes;
    entry.ftCreationTime = found.ftCreationTime;
    entry.ftLastAccessTime = found.ftLastAccessTime;
    entry.ftLastWriteTime = found.ftLastWriteTime;
    entry.nFileSizeHigh = found.nFileSizeHigh;
    entry.nFileSizeLow = found.nFileSizeLow;
    entry.dwReserved0 = found.dwReserved0;
    const std::wstring wide(found.cFileName, wcsnlen(found.cFileName, MAX_PATH));
    std::string name;
    if (!FromWide(wide, program, name)) inexactNames.emplace(ordinal, wide);
    // The row takes `name`; the record holds as much of it as fits, whole characters only.
    const size_t fits = program == CP_UTF8 ? Utf8CutLength(name, MAX_PATH - 1) : MAX_PATH - 1;
    TextToCBuffer(entry.cFileName, name.substr(0, fits));
    add(entry, name);
    ++ordinal;
    std::memset(&found, 0, sizeof found);
  } while (FindNextFileW(find.get(), &found));
}

// The row under the cursor; -1 when there is none.
int RowUnderCursor(Control* list) {
  POINT cursor{};
  GetCursorPos(&cursor);
  LVHITTESTINFO hit;
  std::memset(&hit, 0, sizeof hit);
  hit.pt = ScreenToClient(list, cursor);
  return static_cast<int>(Perform(list, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
}

bool localListingRunning = false;

void OnLocalDoubleClick() {
  // The rows under the cursor may still be those of the last listing while the listing frame
  // works off waiting messages; the listing under way lists the pane anyway.
  if (localListingRunning) return;
  Control* list = appState.localList;
  int row = RowUnderCursor(list);
  LVITEMA item;
  if (row >= 0 && ReadListItem(list, row, 0, item, nullptr, 0) && item.iImage == kFolderImage) {
    std::wstring wide;
    if (InexactLocalName(item.lParam, wide)) {
      // The path could only hold a look-alike: another folder, or none.
      ShowUnusableName(wide, "opened");
    } else {
      appState.localPath =
          NavigatedFolderPath(appState.localPath, ListItemText(list, row, kNameColumn));
    }
  }
  ListLocalFolder();
}

bool OnHeaderNotify(const MessageRecord& msg) {
  const NMHDR* header = reinterpret_cast<const NMHDR*>(msg.lParam);
  if (!header) return false;
  int code = static_cast<int>(header->code);
  AddItem(appState.logEdit, IntToText(code) + "\r\n");
  if (!IsHeaderItemClick(header->code)) return false;
  const NMHEADERA* click = reinterpret_cast<const NMHEADERA*>(msg.lParam);
  return SortPane(LocalPane(), click->iItem);
}

}  // namespace

std::vector<std::string> DriveLetters(uint32_t mask) {
  std::vector<std::string> letters;
  for (int bit = 0; bit < kDriveBits; ++bit) {
    if (mask & (uint32_t{1} << bit))
      letters.push_back(std::string(1, static_cast<char>('A' + bit)));
  }
  return letters;
}

void FillDriveBox(uint32_t mask) {
  for (const std::string& letter : DriveLetters(mask)) AddItem(appState.driveBox, letter);
  SetCurrentIndex(appState.driveBox, kSecondDriveIndex);
}

std::string ParentFolderPath(const std::string& path) {
  std::string parent = path;
  DropLastChars(parent, 1);
  int past = PastLastSeparatorPos(parent, kLocalSeparator);
  // A root has no level above it; keeping it keeps the path ending in "\".
  if (past == 0) return path;
  return parent.substr(0, static_cast<size_t>(past - 1));
}

std::string NavigatedFolderPath(const std::string& path, const std::string& name) {
  if (name == kParentEntry) return ParentFolderPath(path);
  return path + name + kLocalSeparator;
}

std::string DriveRootPath(const std::string& letter) { return letter + ":\\"; }

namespace {
// A line for the debugger in a debug build; nothing in a release build.
void ReportListingFault([[maybe_unused]] const char* what) {
#ifndef NDEBUG
  std::string line = "ListLocalFolder: ";
  line += what ? what : "";
  line += "\n";
  OutputDebugStringA(line.c_str());
#endif
}
}  // namespace

void ListLocalFolder() {
  // The frame works off waiting messages before it enumerates. A command among them that lists
  // this pane again (a drive change, a double click, the end of a download) is left to the
  // listing under way, which reads the path only after that point: a second frame inside it
  // would add every row twice.
  if (localListingRunning) return;
  localListingRunning = true;
  struct Done {
    ~Done() { localListingRunning = false; }
  } done;
  // Local listing failures are silent for the user: an unreadable folder gives an empty list
  // and the pane keeps what could be listed. A debug build still shows what went wrong, and
  // stops at a logic error, which only a fault in this program can raise.
  inexactNames.clear();
  try {
    RunListingFrame(LocalPane(), appState.localPath,
                    [](const EntrySink& add) { EnumerateLocalFolder(appState.localPath, add); });
  } catch (const std::logic_error& error) {
    ReportListingFault(error.what());
    assert(!"logic error while listing the local folder");
  } catch (const std::exception& error) {
    ReportListingFault(error.what());
  } catch (...) {
    ReportListingFault("unknown exception");
  }
}

bool InexactLocalName(LPARAM data, std::wstring& name) {
  const auto found = inexactNames.find(data);
  if (found == inexactNames.end()) return false;
  name = found->second;
  return true;
}

void OnDriveChange(void* /*receiver*/, Control* /*sender*/) {
  Control* box = appState.driveBox;
  appState.localPath = DriveRootPath(ItemText(box, CurrentIndex(box)));
  ListLocalFolder();
}

bool OnLocalListMessage(void* /*receiver*/, MessageRecord& msg, LRESULT& /*result*/) {
  switch (msg.message) {
    case WM_LBUTTONDBLCLK:
      OnLocalDoubleClick();
      return false;
    case LVM_EDITLABELA:
      ShowMessage(kEditLabelNotice);
      return false;
    case WM_NOTIFY:
      return OnHeaderNotify(msg);
    default:
      return false;
  }
}
