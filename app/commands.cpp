#include "app/commands.h"

#include <windows.h>
#include <commctrl.h>
#include <wininet.h>

#include "app/app_state.h"
#include "app/remote/remote_pane.h"
#include "app/remote/session.h"
#include "app/remote/transfers.h"
#include "app/local/local_pane.h"
#include "app/window_sizes.h"
#include "app/sites/site_manager.h"
#include "winobj/application.h"
#include "winobj/control.h"
#include "winobj/geometry.h"
#include "winobj/menu.h"
#include "winobj/toolbar.h"

namespace {

constexpr int32_t kButtonIdBits = 0xFF;
constexpr int32_t kCommandBits = 0x7F;

// The Delete key as the toolbar and the popups hand it on; what OnListKeyUp writes back into it
// is not looked at.
void DeleteRemoteSelection() {
  uint32_t key = VK_DELETE;
  OnListKeyUp(nullptr, appState.remoteList, key, 0);
}

void RefreshBothPanes() {
  ListLocalFolder();
  ListRemoteFolder();
}

void CloseProgram() {
  Disconnect();
  if (appState.application != nullptr) {
    SendMessageA(HandleOf(appState.application), WM_CLOSE, 0, 0);
  }
}

}  // namespace

int ToolbarCommandOf(int32_t clickedButtonId) {
  const int32_t offset = ((clickedButtonId & kButtonIdBits) - kFirstCommandId) & kCommandBits;
  return offset < kToolbarButtonCount ? kFirstCommandId + offset : -1;
}

void OnToolbarClick(void* /*receiver*/, Control* /*sender*/) {
  if (appState.toolbar == nullptr) return;
  switch (ToolbarCommandOf(appState.toolbar->toolbar.clickedButtonId)) {
    case kCmdRefresh:
      RefreshBothPanes();
      break;
    case kCmdConnect:
      ConnectToSite();
      break;
    case kCmdDisconnect:
      Disconnect();
      break;
    case kCmdDownload:
      DownloadSelected();
      break;
    case kCmdUpload:
      UploadSelected();
      break;
    case kCmdDelete:
      DeleteRemoteSelection();
      break;
    case kCmdShowLog:
      ToggleLog();
      break;
    default:
      break;
  }
}

void ConnectToSite() {
  if (!OpenConnection()) return;
  FillRemotePane();
  // The listing works off waiting messages; a Disconnect among them leaves the commands as it
  // set them.
  if (!IsConnected()) return;
  ShowConnectedCommands();
  // A failed first listing is said once the commands are those of being connected (a server
  // that refuses every TLS data connection, 522, is said so here).
  ReportRemoteListing();
}

void ToggleLog() {
  Control* log = appState.logEdit;
  if (log == nullptr) return;
  const bool expanded = Height(log) == kLogExpandedHeight;
  SetHeight(log, expanded ? kLogCollapsedHeight : kLogExpandedHeight);
  if (appState.toolbar != nullptr) {
    SendButtonMessage(appState.toolbar, kCmdShowLog, TB_PRESSBUTTON, expanded ? 0 : 1);
  }
  ResizeParent(log);
}

void OnMainMenuItem(void* /*receiver*/, MenuObject* /*sender*/, int index) {
  switch (index) {
    case kMenuSiteManager:
      if (appState.siteWindow != nullptr) ShowSiteManager();
      break;
    case kMenuConnect:
      ConnectToSite();
      break;
    case kMenuDisconnect:
      Disconnect();
      break;
    case kMenuUpload:
      UploadSelected();
      break;
    case kMenuDownload:
      DownloadSelected();
      break;
    case kMenuExit:
      CloseProgram();
      break;
    default:
      break;
  }
}

void OnPopupItem(void* /*receiver*/, MenuObject* sender, int index) {
  if (sender == nullptr) return;
  const bool remote = sender == appState.remotePopup;
  if (!remote && sender != appState.localPopup) return;
  switch (index) {
    case kPopupTransfer:
      if (remote) {
        DownloadSelected();
      } else {
        UploadSelected();
      }
      break;
    case kPopupDelete:
      // The local popup's "&Delete" acts on the remote selection too.
      DeleteRemoteSelection();
      break;
    case kPopupNewFolder:
      CreateRemoteFolder();
      break;
    default:
      break;
  }
}
