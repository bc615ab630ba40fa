#include "app/startup.h"

#include "app/app_state.h"
#include "app/local/local_pane.h"
#include "app/main_window.h"
#include "app/sites/site_file.h"
#include "app/sites/sites.h"
#include "winobj/application.h"
#include "winobj/bitmap.h"
#include "winobj/control.h"
#include "winobj/font.h"
#include "winobj/geometry.h"
#include "winobj/object.h"
#include "winobj/text.h"

namespace {

constexpr int kApplicationFontHeight = 11;
// The TrueType face at the size the bitmap face is drawn at for a height of 11: 8 points, a
// character height of 11 pixels (the bitmap face's cell is 13 pixels tall, a TrueType cell of
// 11 pixels drew every text smaller than before).
constexpr int kTrueTypeFontHeight = -11;

void InitPathsAndHandles() {
  appState.localPath = "c:\\";
  appState.remotePath = "/";
  appState.connectedSite.clear();
  appState.connectionHandle = nullptr;
  appState.sessionHandle = nullptr;
}

void CreateEventReceiver() { appState.eventReceiver = new Object(); }

void CreateApplicationObject() {
  appState.application = CreateApplication(kApplicationTitle);
  // Every form and control made from here on copies its parent's font.
  FontTool* font = FontOf(appState.application);
  const ProgramFont face = ProgramFontFor(GetACP());
  SetFontHeight(font, face.height);
  SetFontName(font, face.name);
  SetFontCharSet(font, face.charSet);
}

void CreateMainWindow() {
  appState.mainWindow = CreateForm(appState.application, "Zev Ftp");
  SetSize(appState.mainWindow, kMainWindowWidth, kMainWindowHeight);
  CenterOnParent(appState.mainWindow);
}

void CreateSiteLines() {
  appState.siteLines = new StringList();
  appState.siteFile = new SiteFile();
}

void FocusDriveBox() {
  if (appState.driveBox) SetFocused(appState.driveBox, true);
}

}  // namespace

ProgramFont ProgramFontFor(UINT codePage) {
  // The layer's face, "MS Sans Serif", is a bitmap font on Windows: it draws the characters of
  // the system's own code page and nothing else (font linking serves TrueType faces only). With
  // UTF-8 as the code page a name may be in any script, so the windows ask for the dialog face
  // Windows maps to its TrueType UI font (Microsoft Sans Serif, of the same metrics), which font
  // linking completes with the system's fonts for other scripts.
  if (codePage == CP_UTF8) return ProgramFont{"MS Shell Dlg", DEFAULT_CHARSET, kTrueTypeFontHeight};
  return ProgramFont{"MS Sans Serif", ANSI_CHARSET, kApplicationFontHeight};
}

void StartUp() {
  InitPathsAndHandles();
  CreateEventReceiver();
  CreateApplicationObject();
  CreateMainWindow();
  BuildMainWindow();
  BuildSiteWindow();
  CreateSiteLines();
  LoadSites();
  ListLocalFolder();
  FocusDriveBox();
}

void FreeStartUpState() {
  delete appState.siteLines;
  appState.siteLines = nullptr;
  delete appState.siteFile;
  appState.siteFile = nullptr;
  Free(appState.eventReceiver);
  appState.eventReceiver = nullptr;
  Free(appState.toolbarBitmap);
  appState.toolbarBitmap = nullptr;
}

int RunZevFtp() {
  StartUp();
  Run(appState.application);
  FreeStartUpState();
  return 0;
}
