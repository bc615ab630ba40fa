#include "app/startup.h"

#include "app/app_state.h"
#include "winobj/application.h"
#include "winobj/bitmap.h"
#include "winobj/control.h"
#include "winobj/font.h"
#include "winobj/geometry.h"
#include "winobj/object.h"
#include "winobj/text.h"

namespace {

constexpr int kApplicationFontHeight = 11;
constexpr int kMainWindowWidth = 800;
constexpr int kMainWindowHeight = 500;

void InitPathsAndHandles() {
  appState.localPath = "c:\\";
  appState.remotePath = "/";
  appState.connectionHandle = nullptr;
  appState.sessionHandle = nullptr;
}

void CreateEventReceiver() { appState.eventReceiver = new Object(); }

void CreateApplicationObject() {
  appState.application = CreateApplication("ZevFtp");
  // Every form and control made from here on copies its parent's font.
  SetFontHeight(FontOf(appState.application), kApplicationFontHeight);
}

void CreateMainWindow() {
  appState.mainWindow = CreateForm(appState.application, "Zev Ftp");
  SetSize(appState.mainWindow, kMainWindowWidth, kMainWindowHeight);
  CenterOnParent(appState.mainWindow);
}

// Step 5: the main window's panes, menus and popups, and the drive box fill.
void BuildMainWindowPanes() {
  // Empty until the main window's construction lands.
}

// Step 6.
void BuildSiteWindow() {
  // Empty until the site window's construction lands.
}

void CreateSiteLines() { appState.siteLines = new StringList(); }

// Step 8: "Sites.sts" into siteLines and the site list.
void LoadStoredSites() {
  // Empty until the site records land.
}

// Step 9: localPath into the local pane.
void ListStartFolder() {
  // Empty until the local pane lands.
}

// Step 10.
void FocusDriveBox() {
  if (appState.driveBox) SetFocused(appState.driveBox, true);
}

// Step 12: what start-up owns itself, in this order.
void FreeOwnedState() {
  delete appState.siteLines;
  appState.siteLines = nullptr;
  Free(appState.eventReceiver);
  appState.eventReceiver = nullptr;
  Free(appState.toolbarBitmap);
  appState.toolbarBitmap = nullptr;
}

}  // namespace

// The steps run in this fixed order; each window is created on first need, and Run shows them.
int RunZevFtp() {
  InitPathsAndHandles();
  CreateEventReceiver();
  CreateApplicationObject();
  CreateMainWindow();
  BuildMainWindowPanes();
  BuildSiteWindow();
  CreateSiteLines();
  LoadStoredSites();
  ListStartFolder();
  FocusDriveBox();
  Run(appState.application);
  FreeOwnedState();
  return 0;
}
