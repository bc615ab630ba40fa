#include "app/remote/remote_pane.h"

#include <commctrl.h>

#include <unordered_map>

#include "app/app_state.h"
#include "app/code_page.h"
#include "app/remote/box_text.h"
#include "app/ftp/ftp_client.h"
#include "app/remote/session.h"
#include "app/file_rows.h"
#include "winobj/application.h"
#include "winobj/control.h"
#include "winobj/controls.h"
#include "winobj/listview.h"
#include "winobj/scoped.h"
#include "winobj/text.h"

namespace {

const char* const kParentFolder = "..";
const char* const kRemoteSeparator = "/";
const char* const kAllFiles = "*.*";

// A find that stops at the client's bound of entries fails with this code (ftp_client.h).
constexpr DWORD kListingCutError = ERROR_MORE_DATA;

// How the last listing ended, said once its rows are shown.
enum class ListingEnd { kComplete, kCut, kFailed };
ListingEnd listingEnd = ListingEnd::kComplete;
size_t unreadLines = 0;      // lines the listing left out rather than show them under a guess
std::string listingFailure;  // the text naming the failure, taken when it happened

// A find that ends with `error`. The end of the entries is ERROR_NO_MORE_FILES; Wine's WinInet
// answers an empty folder with no code at all.
void NoteListingEnd(DWORD error) {
  if (error == ERROR_NO_MORE_FILES || error == ERROR_SUCCESS) return;
  if (error == kListingCutError) {
    listingEnd = ListingEnd::kCut;
    return;
  }
  listingEnd = ListingEnd::kFailed;
  // Now, while the client's last reply is still the one that refused the listing.
  listingFailure = ErrorText(error);
}

// The server entries are numbered from 1 (the local enumeration counts from 0).
constexpr int32_t kFirstRemoteOrdinal = 1;

// What the last listing knew about its rows beyond their captions: the server's bytes of every
// row whose caption is not those bytes (a name read from UTF-8 into a legacy code page, or from
// a legacy code page into UTF-8, or one shown with "?"), by item data. Rows whose caption is
// their server name keep nothing here, so a folder of plain names costs no memory.
struct ListedFolder {
  std::string folder;
  bool speaksLegacy = false;
  std::unordered_map<LPARAM, RemoteRowName> spellings;
};
ListedFolder listed;

void EnumerateRemoteFolder(const std::string& pattern, const EntrySink& add) {
  if (appState.connectionHandle == nullptr) return;
  FtpClient& client = CurrentFtpClient();
  WIN32_FIND_DATAA entry{};
  HINTERNET find =
      client.FindFirst(appState.connectionHandle, pattern.c_str(), &entry, 0, kInternetContext);
  // Closed however the enumeration ends, through the client that made it.
  AtScopeEnd close([&client, find] { client.Close(find); });
  if (find == nullptr) {
    NoteListingEnd(GetLastError());
    return;
  }
  const UINT program = ProgramCodePage();
  const UINT legacy = LegacyCodePage();
  LPARAM ordinal = kFirstRemoteOrdinal;
  do {
    // The names come from the server through the library's parser: never rely on it for the
    // terminator.
    entry.cFileName[MAX_PATH - 1] = '\0';
    entry.cAlternateFileName[sizeof entry.cAlternateFileName - 1] = '\0';
    RemoteRowName name;
    name.server = client.FoundName(find, entry);
    std::string shown;
    name.exact = ShownServerName(name.server, program, legacy, shown);
    if (SpeaksLegacyCodePage(name.server)) listed.speaksLegacy = true;
    if (!name.exact || shown != name.server) listed.spellings.emplace(ordinal, std::move(name));
    add(entry, shown);
    ++ordinal;
    entry = WIN32_FIND_DATAA{};
  } while (client.FindNext(find, &entry));
  NoteListingEnd(GetLastError());
  unreadLines = client.UnreadLines(find);
}

bool remoteListingRunning = false;

}  // namespace

std::string ParentRemotePath(const std::string& path) {
  std::string parent = path;
  DropLastChars(parent, 1);
  const int past = PastLastSeparatorPos(parent, kRemoteSeparator);
  DropLastChars(parent, static_cast<int>(parent.size()) - past + 1);
  return parent;
}

std::string NavigatedRemotePath(const std::string& path, const std::string& caption) {
  if (caption == kParentFolder) return ParentRemotePath(path);
  return path + caption + kRemoteSeparator;
}

std::string RemoteListPattern(const std::string& path) { return path + kAllFiles; }

void FillRemotePane() {
  // The frame works off waiting messages before it enumerates. A command among them that lists
  // this pane again (navigation, the end of a transfer, a new connection) is left to the listing
  // under way: it reads the path and the connection only after that point, while a second frame
  // inside it would add every row twice.
  if (remoteListingRunning) return;
  AutoReset<bool> running(remoteListingRunning, true);
  listingEnd = ListingEnd::kComplete;
  listingFailure.clear();
  unreadLines = 0;
  const std::string folder = appState.remotePath;
  listed = ListedFolder();
  try {
    RunListingFrame(
        RemotePane(), folder,
        [](const EntrySink& add) {
          // The path as it is once the frame has worked off waiting messages.
          listed.folder = appState.remotePath;
          EnumerateRemoteFolder(RemoteListPattern(listed.folder), add);
        },
        kFirstRemoteOrdinal);
  } catch (...) {
    // The pane keeps the rows that arrived, the frame has closed the find handle and sorted
    // them.
  }
}

std::string ListingCutText(size_t rows) {
  return "The server's listing was cut short: the pane shows only the first " + UInt64ToText(rows) +
         " rows.";
}

std::string UnreadLinesText(size_t lines) {
  if (lines == 1)
    return "1 line of the server's listing could not be read: the pane does not show it.";
  return UInt64ToText(lines) +
         " lines of the server's listing could not be read: the pane does not show them.";
}

void ReportRemoteListing() {
  // Taken first: the box works off messages, and a listing among them starts afresh.
  const ListingEnd end = listingEnd;
  const std::string failure = listingFailure;
  const size_t unread = unreadLines;
  listingEnd = ListingEnd::kComplete;
  listingFailure.clear();
  unreadLines = 0;
  // One box: the failure, else the cut, else the lines left out.
  if (end == ListingEnd::kFailed) {
    ShowMessage(TextForBox(failure));
  } else if (end == ListingEnd::kCut && appState.remoteList != nullptr) {
    ShowMessage(ListingCutText(static_cast<size_t>(Count(appState.remoteList))));
  } else if (unread > 0) {
    ShowMessage(UnreadLinesText(unread));
  }
}

void ListRemoteFolder() {
  FillRemotePane();
  ReportRemoteListing();
}

RemoteRowName ServerNameOfRow(LPARAM data, const std::string& caption) {
  const auto found = listed.spellings.find(data);
  if (found != listed.spellings.end()) return found->second;
  return RemoteRowName{caption, true};
}

bool ServerNameForNew(const std::string& folder, const std::string& name, std::string& serverName) {
  const bool legacy = listed.speaksLegacy && listed.folder == folder;
  return NewServerName(name, ProgramCodePage(), legacy, LegacyCodePage(), serverName);
}

bool RemoteListingRunning() { return remoteListingRunning; }
