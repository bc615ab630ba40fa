// The command numbers of the main window: the toolbar's button ids, the main menu's and the pane
// popups' item indexes. A leaf: whoever switches a command's state needs only these numbers.
#pragma once

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
