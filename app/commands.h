// The commands of the toolbar, the main menu and the two pane popups: the toolbar's command ids
// and the handlers that map a chosen button or item to its action. The key-up handler of both
// file panes, OnListKeyUp, comes with the transfers it starts.
#pragma once

#include <cstdint>

#include "app/ftp/transfers.h"

class Control;
class MenuObject;

// Toolbar command ids: button k of the template has id kFirstCommandId + k and image k.
enum CommandId : int {
  kFirstCommandId = 100,
  kCmdUpOneLevel = 100,
  kCmdGoTo = 101,
  kCmdRefresh = 102,
  kCmdConnect = 103,
  kCmdDisconnect = 104,
  kCmdCancel = 105,
  kCmdQuickConnect = 106,
  kCmdDownloadTo = 107,
  kCmdDownload = 108,
  kCmdUpload = 109,
  kCmdDelete = 110,
  kCmdProperties = 111,
  kCmdAsciiMode = 116,
  kCmdBinaryMode = 117,
  kCmdShowLog = 118,
  kLastCommandId = 118,
};
constexpr int kToolbarButtonCount = kLastCommandId - kFirstCommandId + 1;

// Main menu item indexes (separators not counted).
enum MainMenuItem : int {
  kMenuFtp = 0,
  kMenuSiteManager = 1,
  kMenuConnect = 2,
  kMenuDisconnect = 3,
  kMenuUpload = 4,
  kMenuDownload = 5,
  kMenuExit = 6,
};

// Popup item indexes, the same in both panes.
enum PopupItem : int {
  kPopupTransfer = 0,
  kPopupDelete = 1,
  kPopupRename = 2,
  kPopupNewFolder = 3,
};

// The toolbar command a clicked button id selects: the low 8 bits less 100, kept to 7 bits;
// -1 when that is above the last button (a click beside the buttons has id -1).
int ToolbarCommandOf(int32_t clickedButtonId);

// The toolbar's clickEvent; reads the toolbar's clickedButtonId.
void OnToolbarClick(void* receiver, Control* sender);
// ItemChosen of the main menu and of both popups.
void OnMainMenuItem(void* receiver, MenuObject* sender, int index);
void OnPopupItem(void* receiver, MenuObject* sender, int index);

// Shows or collapses the log (heights 1 and 100) and keeps the "Show Log" button's pressed look
// in step.
void ToggleLog();
