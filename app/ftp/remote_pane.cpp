#include "app/ftp/remote_pane.h"

#include <commctrl.h>

#include "app/app_state.h"
#include "app/ftp/ftp_client.h"
#include "app/ftp/session.h"
#include "app/file_rows.h"
#include "winobj/control.h"
#include "winobj/listview.h"
#include "winobj/scoped.h"
#include "winobj/text.h"

namespace {

const char* const kParentFolder = "..";
const char* const kRemoteSeparator = "/";
const char* const kAllFiles = "*.*";

DWORD lastListingError = ERROR_SUCCESS;

void EnumerateRemoteFolder(const std::string& pattern, const EntrySink& add) {
  if (appState.connectionHandle == nullptr) return;
  FtpClient& client = CurrentFtpClient();
  WIN32_FIND_DATAA entry{};
  HINTERNET find =
      client.FindFirst(appState.connectionHandle, pattern.c_str(), &entry, 0, kInternetContext);
  // Closed however the enumeration ends, through the client that made it.
  AtScopeEnd close([&client, find] { client.Close(find); });
  if (find == nullptr) {
    lastListingError = GetLastError();
    return;
  }
  do {
    // The names come from the server through the library's parser: never rely on it for the
    // terminator.
    entry.cFileName[MAX_PATH - 1] = '\0';
    entry.cAlternateFileName[sizeof entry.cAlternateFileName - 1] = '\0';
    add(entry);
    entry = WIN32_FIND_DATAA{};
  } while (client.FindNext(find, &entry));
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

// The server's entries are numbered from 1 (the local enumeration counts from 0).
constexpr int32_t kFirstRemoteOrdinal = 1;

std::string RemoteListPattern(const std::string& path) { return path + kAllFiles; }

void ListRemoteFolder() {
  // The frame works off waiting messages before it enumerates. A command among them that lists
  // this pane again (navigation, the end of a transfer, a new connection) is left to the listing
  // under way: it reads the path and the connection only after that point, while a second frame
  // inside it would add every row twice.
  if (remoteListingRunning) return;
  AutoReset<bool> running(remoteListingRunning, true);
  lastListingError = ERROR_SUCCESS;
  const std::string folder = appState.remotePath;
  try {
    RunListingFrame(
        RemotePane(), folder,
        [](const EntrySink& add) {
          EnumerateRemoteFolder(RemoteListPattern(appState.remotePath), add);
        },
        kFirstRemoteOrdinal);
  } catch (...) {
    // Listing failures are silent: the pane keeps the rows that arrived, the frame has closed
    // the find handle and sorted them.
  }
}

DWORD LastRemoteListingError() { return lastListingError; }

bool RemoteListingRunning() { return remoteListingRunning; }
