#include "app/ftp/remote_pane.h"

#include <commctrl.h>

#include "app/app_state.h"
#include "app/ftp/ftp_client.h"
#include "app/ftp/session.h"
#include "app/ftp/transfers.h"
#include "app/local/file_rows.h"
#include "winobj/control.h"
#include "winobj/listview.h"
#include "winobj/menu.h"
#include "winobj/text.h"

namespace {

const char* const kParentFolder = "..";
const char* const kRemoteSeparator = "/";
const char* const kAllFiles = "*.*";

// Closes a find handle however the enumeration ends, through the client that made it.
class FindHandle {
 public:
  FindHandle(FtpClient& client, HINTERNET handle) : client_(client), handle_(handle) {}
  ~FindHandle() { client_.Close(handle_); }
  FindHandle(const FindHandle&) = delete;
  FindHandle& operator=(const FindHandle&) = delete;
  HINTERNET get() const { return handle_; }

 private:
  FtpClient& client_;
  HINTERNET handle_;
};

DWORD lastListingError = ERROR_SUCCESS;

void EnumerateRemoteFolder(const std::string& pattern, const EntrySink& add) {
  if (appState.connectionHandle == nullptr) return;
  FtpClient& client = CurrentFtpClient();
  WIN32_FIND_DATAA entry{};
  FindHandle find(client, client.FindFirst(appState.connectionHandle, pattern.c_str(), &entry, 0,
                                           kInternetContext));
  if (find.get() == nullptr) {
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
  } while (client.FindNext(find.get(), &entry));
}

// Wine's list view asks its header for Unicode notifications, so the click may come as either
// code; both carry the column in the same place.
bool IsHeaderClick(const MessageRecord& msg) {
  if (msg.message != WM_NOTIFY || msg.lParam == 0) return false;
  return IsHeaderItemClick(reinterpret_cast<const NMHDR*>(msg.lParam)->code);
}

// The caption of the folder row under the cursor; false when no folder row is there.
bool FolderRowAt(POINT screen, std::string& caption) {
  Control* list = appState.remoteList;
  if (list == nullptr || list->handle == nullptr) return false;
  POINT client = screen;
  ScreenToClient(list->handle, &client);
  LVHITTESTINFO hit{};
  hit.pt = client;
  const int index =
      static_cast<int>(SendMessageA(list->handle, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
  if (index < 0 || ListItemImage(list, index) != kFolderImage) return false;
  caption = ListItemText(list, index, kNameColumn);
  return true;
}

bool remoteListingRunning = false;

struct AtListingEnd {
  AtListingEnd() = default;
  ~AtListingEnd() { remoteListingRunning = false; }
  AtListingEnd(const AtListingEnd&) = delete;
  AtListingEnd& operator=(const AtListingEnd&) = delete;
};

void NavigateAt(POINT screen) {
  // While a listing runs its frame works off waiting messages with the last listing's rows
  // still in the pane: a double click among them must not take the path into a folder of
  // that listing. The listing under way lists the pane anyway.
  if (remoteListingRunning) return;
  std::string caption;
  if (FolderRowAt(screen, caption)) {
    if (caption == kParentFolder || IsSafeRemoteName(caption)) {
      appState.remotePath = NavigatedRemotePath(appState.remotePath, caption);
    } else {
      // A name that would carry a line break into the FTP command.
      ShowErrorText(ERROR_INVALID_NAME);
    }
  }
  ListRemoteFolder();
}

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
  remoteListingRunning = true;
  lastListingError = ERROR_SUCCESS;
  AtListingEnd done;
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

namespace {
// The cursor position is asked of the window server: every message of the list passes through
// OnRemoteListMessage, so it is taken only for the two messages that use it.
POINT CursorPosition() {
  POINT cursor{};
  GetCursorPos(&cursor);
  return cursor;
}
}  // namespace

bool OnRemoteListMessage(void* /*receiver*/, MessageRecord& msg, LRESULT& result) {
  switch (msg.message) {
    case WM_NOTIFY: {
      if (!IsHeaderClick(msg)) return false;
      const auto* click = reinterpret_cast<const NMHEADERA*>(msg.lParam);
      const bool sorted = SortPane(RemotePane(), click->iItem);
      result = sorted ? TRUE : FALSE;
      return sorted;
    }
    case WM_LBUTTONDBLCLK:
      NavigateAt(CursorPosition());
      return false;
    case WM_RBUTTONDOWN: {
      const POINT cursor = CursorPosition();
      if (appState.remotePopup != nullptr) PopupAt(appState.remotePopup, cursor.x, cursor.y);
      return false;
    }
    case WM_DROPFILES:
      UploadDropped(reinterpret_cast<HDROP>(msg.wParam));
      result = 0;
      return true;
    default:
      return false;
  }
}
