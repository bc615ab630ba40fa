#include "app/remote/remote_list_events.h"

#include <commctrl.h>

#include <string>

#include "app/app_state.h"
#include "app/remote/name_rules.h"
#include "app/remote/remote_pane.h"
#include "app/remote/session.h"
#include "app/remote/transfers.h"
#include "app/file_rows.h"
#include "winobj/control.h"
#include "winobj/listview.h"
#include "winobj/menu.h"

namespace {

// Wine's list view asks its header for Unicode notifications, so the click may come as either
// code; both carry the column in the same place.
bool IsHeaderClick(const MessageRecord& msg) {
  if (msg.message != WM_NOTIFY || msg.lParam == 0) return false;
  return IsHeaderItemClick(reinterpret_cast<const NMHDR*>(msg.lParam)->code);
}

// The server's name of the folder row under the cursor; false when no folder row is there.
bool FolderRowAt(POINT screen, std::string& name) {
  Control* list = appState.remoteList;
  if (list == nullptr || list->handle == nullptr) return false;
  POINT client = screen;
  ScreenToClient(list->handle, &client);
  LVHITTESTINFO hit{};
  hit.pt = client;
  const int index =
      static_cast<int>(SendMessageA(list->handle, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
  LVITEMA row;
  if (index < 0 || !ReadListItem(list, index, 0, row, nullptr, 0) || row.iImage != kFolderImage) {
    return false;
  }
  name = ServerNameOfRow(row.lParam, ListItemText(list, index, kNameColumn)).server;
  return true;
}

void NavigateAt(POINT screen) {
  // While a listing runs its frame works off waiting messages with the last listing's rows
  // still in the pane: a double click among them must not take the path into a folder of
  // that listing. The listing under way lists the pane anyway.
  if (RemoteListingRunning()) return;
  std::string name;
  if (FolderRowAt(screen, name)) {
    // The path goes on in the server's own bytes, whatever the row shows.
    if (name == ".." || IsSafeRemoteName(name)) {
      appState.remotePath = NavigatedRemotePath(appState.remotePath, name);
    } else {
      // A name that would carry a line break into the FTP command.
      ShowErrorText(ERROR_INVALID_NAME);
    }
  }
  ListRemoteFolder();
}

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
