// The main window as start-up builds it: its children in creation order with their alignments,
// the laid-out panes, the toolbar's visible buttons and their states, the popups and the menu
// bar with their ids and start states, and the toolbar's local commands.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/commands.h"
#include "app/main_window.h"
#include "app/startup.h"
#include "tests/app/app_harness.h"
#include "winobj/control.h"
#include "winobj/controls.h"
#include "winobj/font.h"
#include "winobj/geometry.h"
#include "winobj/imagelist.h"
#include "winobj/menu.h"
#include "winobj/text.h"
#include "winobj/toolbar.h"

namespace {

constexpr int kStatusBarParts = 5;

struct ChildExpectation {
  const char* className;
  uint8_t align;
};

bool IsHidden(int id) {
  return SendMessageA(appState.toolbar->handle, TB_ISBUTTONHIDDEN, id, 0) != 0;
}
bool IsEnabled(int id) {
  return SendMessageA(appState.toolbar->handle, TB_ISBUTTONENABLED, id, 0) != 0;
}
bool IsPressed(int id) {
  return SendMessageA(appState.toolbar->handle, TB_ISBUTTONPRESSED, id, 0) != 0;
}

void ClickToolbarButton(int id) {
  // The toolbar reports a button click to its parent as WM_COMMAND; the layer reflects it back
  // to the toolbar control, which records the id and raises its clickEvent.
  SendMessageA(GetParent(appState.toolbar->handle), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(appState.toolbar->handle));
}

}  // namespace

TEST(MainWindowBuild, ChildrenInCreationOrderWithTheirAlignments) {
  AppHarness app;
  Control* main = appState.mainWindow;
  const std::vector<ChildExpectation> expected = {
      {"msctls_statusbar32", kAlignBottom},
      {"STATIC", kAlignTop},
      {"STATIC", kAlignTop},
      {"SysListView32", kAlignLeft},
      {"STATIC", kAlignLeft},
      {"SysListView32", kAlignClient},
      {"EDIT", kAlignBottom},
      {"STATIC", kAlignBottom},
  };
  ASSERT_EQ(main->ChildCount(), static_cast<int>(expected.size()));
  for (size_t i = 0; i < expected.size(); ++i) {
    Control* child = main->Child(static_cast<int>(i));
    EXPECT_STREQ(child->className, expected[i].className) << "child " << i;
    EXPECT_EQ(child->align, expected[i].align) << "child " << i;
  }
  EXPECT_EQ(main->Child(0), main->form.statusBar);
  EXPECT_EQ(main->Child(3), appState.localList);
  EXPECT_EQ(main->Child(5), appState.remoteList);
  EXPECT_EQ(main->Child(6), appState.logEdit);
  EXPECT_EQ(appState.toolbar->parent, main->Child(1));
  EXPECT_EQ(appState.driveBox->parent, main->Child(2));
}

TEST(MainWindowBuild, WindowIsTitledSizedAndCentred) {
  AppHarness app;
  HWND main = appState.mainWindow->handle;
  ASSERT_NE(main, nullptr);
  EXPECT_EQ(WindowText(main), "Zev Ftp");
  RECT r{};
  GetWindowRect(main, &r);
  EXPECT_EQ(r.right - r.left, kMainWindowWidth);
  EXPECT_EQ(r.left, (GetSystemMetrics(SM_CXSCREEN) - kMainWindowWidth) / 2);
  EXPECT_EQ(r.top, (GetSystemMetrics(SM_CYSCREEN) - kMainWindowHeight) / 2);
  // The status bar is added below the client area the window had when it was centred, so the
  // window grows downwards by the bar's height.
  RECT bar{};
  GetWindowRect(appState.mainWindow->form.statusBarWindow, &bar);
  EXPECT_EQ(r.bottom - r.top, kMainWindowHeight + (bar.bottom - bar.top));
  EXPECT_TRUE(IsWindowVisible(main));
}

TEST(MainWindowBuild, PanesAreLaidOutAroundTheRemoteList) {
  AppHarness app;
  Control* main = appState.mainWindow;
  RECT client{};
  GetClientRect(main->handle, &client);
  RECT status{};
  GetWindowRect(main->form.statusBarWindow, &status);
  const int statusHeight = status.bottom - status.top;
  const int bottom = client.bottom - statusHeight;

  RECT toolbarPanel = RectInParent(main->Child(1)->handle);
  RECT drivePanel = RectInParent(main->Child(2)->handle);
  RECT local = RectInParent(appState.localList->handle);
  RECT leftSplitter = RectInParent(main->Child(4)->handle);
  RECT remote = RectInParent(appState.remoteList->handle);
  RECT log = RectInParent(appState.logEdit->handle);
  RECT bottomSplitter = RectInParent(main->Child(7)->handle);

  EXPECT_EQ(toolbarPanel.top, 0);
  EXPECT_EQ(toolbarPanel.right - toolbarPanel.left, client.right);
  // The buttons themselves fit in the panel.
  RECT button{};
  SendMessageA(appState.toolbar->handle, TB_GETITEMRECT, ButtonIndex(appState.toolbar, kCmdRefresh),
               reinterpret_cast<LPARAM>(&button));
  RECT toolbar = RectInParent(appState.toolbar->handle);
  EXPECT_GT(button.bottom, button.top);
  EXPECT_LE(toolbar.top + button.bottom, toolbarPanel.bottom - toolbarPanel.top);
  EXPECT_EQ(drivePanel.top, toolbarPanel.bottom);
  EXPECT_EQ(drivePanel.bottom - drivePanel.top, 20);

  EXPECT_EQ(log.bottom, bottom);
  EXPECT_EQ(log.bottom - log.top, kLogCollapsedHeight);
  EXPECT_EQ(log.right - log.left, client.right);
  EXPECT_EQ(bottomSplitter.bottom, log.top);

  EXPECT_EQ(local.left, 0);
  EXPECT_EQ(local.right - local.left, kLocalListWidth);
  EXPECT_EQ(local.top, drivePanel.bottom);
  EXPECT_EQ(local.bottom, bottomSplitter.top);
  EXPECT_EQ(leftSplitter.left, local.right);

  EXPECT_EQ(remote.left, leftSplitter.right);
  EXPECT_EQ(remote.right, client.right);
  EXPECT_EQ(remote.top, drivePanel.bottom);
  EXPECT_EQ(remote.bottom, bottomSplitter.top);
}

TEST(MainWindowBuild, StatusBarHasFiveEqualParts) {
  AppHarness app;
  int edges[8] = {};
  int parts = static_cast<int>(SendMessageA(appState.mainWindow->form.statusBarWindow, SB_GETPARTS,
                                            8, reinterpret_cast<LPARAM>(edges)));
  ASSERT_EQ(parts, kStatusBarParts);
  const int w = kMainWindowWidth / kStatusBarParts;
  EXPECT_EQ(edges[0], w);
  EXPECT_EQ(edges[3], 4 * w);
  EXPECT_EQ(edges[4], -1);
}

TEST(MainWindowToolbar, VisibleButtonsAndTheirStartStates) {
  AppHarness app;
  ASSERT_EQ(ButtonCount(appState.toolbar), kToolbarButtonCount);
  for (int k = 0; k < kToolbarButtonCount; ++k) {
    EXPECT_EQ(ButtonIdAt(appState.toolbar, k), kFirstCommandId + k);
  }
  const std::vector<int> visible = {kCmdRefresh,  kCmdConnect, kCmdDisconnect,
                                    kCmdDownload, kCmdUpload,  kCmdShowLog};
  for (int id = kFirstCommandId; id <= kLastCommandId; ++id) {
    bool shouldShow = false;
    for (int v : visible) shouldShow = shouldShow || v == id;
    EXPECT_EQ(IsHidden(id), !shouldShow) << "button " << id;
  }
  EXPECT_TRUE(IsEnabled(kCmdRefresh));
  EXPECT_TRUE(IsEnabled(kCmdConnect));
  EXPECT_FALSE(IsEnabled(kCmdDisconnect));
  EXPECT_FALSE(IsEnabled(kCmdDownload));
  EXPECT_FALSE(IsEnabled(kCmdUpload));
  EXPECT_TRUE(IsEnabled(kCmdShowLog));
}

TEST(MainWindowToolbar, ConnectAndDisconnectAreOneCheckGroup) {
  AppHarness app;
  TBBUTTON button{};
  for (int index : {3, 4, 17}) {
    ASSERT_TRUE(SendMessageA(appState.toolbar->handle, TB_GETBUTTON, index,
                             reinterpret_cast<LPARAM>(&button)));
    EXPECT_EQ(button.fsStyle & (TBSTYLE_CHECK | TBSTYLE_GROUP), TBSTYLE_CHECK | TBSTYLE_GROUP)
        << index;
  }
  ASSERT_TRUE(
      SendMessageA(appState.toolbar->handle, TB_GETBUTTON, 18, reinterpret_cast<LPARAM>(&button)));
  EXPECT_EQ(button.fsStyle & TBSTYLE_CHECK, 0);
  EXPECT_EQ(button.iBitmap, 18);
}

// The toolbar draws a disabled button from its image's mask (what is not button face); a picture
// whose background escaped the mask became a solid grey square.
TEST(MainWindowToolbar, PictureBackgroundsAreMaskedOut) {
  AppHarness app;
  HIMAGELIST images =
      reinterpret_cast<HIMAGELIST>(SendMessageA(appState.toolbar->handle, TB_GETIMAGELIST, 0, 0));
  ASSERT_NE(images, nullptr);
  for (int id : {kCmdRefresh, kCmdConnect, kCmdDisconnect, kCmdDownload, kCmdUpload}) {
    IMAGEINFO info{};
    ASSERT_TRUE(ImageList_GetImageInfo(images, id - kFirstCommandId, &info)) << id;
    ASSERT_NE(info.hbmMask, nullptr) << id;
    const int width = info.rcImage.right - info.rcImage.left;
    const int height = info.rcImage.bottom - info.rcImage.top;
    BITMAP maskSize{};
    ASSERT_TRUE(GetObjectA(info.hbmMask, sizeof maskSize, &maskSize));
    BITMAPINFO header{};
    header.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    header.bmiHeader.biWidth = maskSize.bmWidth;
    header.bmiHeader.biHeight = -maskSize.bmHeight;
    header.bmiHeader.biPlanes = 1;
    header.bmiHeader.biBitCount = 32;
    header.bmiHeader.biCompression = BI_RGB;
    std::vector<uint32_t> mask(static_cast<size_t>(maskSize.bmWidth) * maskSize.bmHeight);
    HDC screen = GetDC(nullptr);
    GetDIBits(screen, info.hbmMask, 0, maskSize.bmHeight, mask.data(), &header, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    int background = 0;
    for (int y = info.rcImage.top; y < info.rcImage.bottom; ++y) {
      for (int x = info.rcImage.left; x < info.rcImage.right; ++x) {
        if ((mask[static_cast<size_t>(y) * maskSize.bmWidth + x] & 0xFFFFFF) != 0) ++background;
      }
    }
    EXPECT_GT(background, 0) << id;
    EXPECT_LT(background, width * height) << id;
  }
}

TEST(MainWindowToolbar, ShowLogTogglesTheLogAndTheButton) {
  AppHarness app;
  ClickToolbarButton(kCmdShowLog);
  EXPECT_EQ(Height(appState.logEdit), kLogExpandedHeight);
  EXPECT_TRUE(IsPressed(kCmdShowLog));
  ClickToolbarButton(kCmdShowLog);
  EXPECT_EQ(Height(appState.logEdit), kLogCollapsedHeight);
  EXPECT_FALSE(IsPressed(kCmdShowLog));
  // Any height other than the expanded one (the splitter may have changed it) expands.
  SetHeight(appState.logEdit, 40);
  ClickToolbarButton(kCmdShowLog);
  EXPECT_EQ(Height(appState.logEdit), kLogExpandedHeight);
}

TEST(MainWindowToolbar, ClickedIdsMapToCommands) {
  EXPECT_EQ(ToolbarCommandOf(100), 100);
  EXPECT_EQ(ToolbarCommandOf(118), 118);
  EXPECT_EQ(ToolbarCommandOf(119), -1);
  EXPECT_EQ(ToolbarCommandOf(99), -1);
  // A click beside the buttons reports -1.
  EXPECT_EQ(ToolbarCommandOf(-1), -1);
  // Only the low 8 bits count.
  EXPECT_EQ(ToolbarCommandOf(0x100 + 102), 102);
}

TEST(MainWindowMenus, PopupItemIdsAndStartStates) {
  AppHarness app;
  struct Item {
    MenuObject* menu;
    UINT id;
    const char* text;
    bool enabled;
  };
  const std::vector<Item> items = {
      {appState.remotePopup, 4096, "&DownLoad", false},
      {appState.remotePopup, 4097, "&Delete", false},
      {appState.remotePopup, 4098, "&Rename", false},
      {appState.remotePopup, 4099, "New &Folder", false},
      {appState.localPopup, 4100, "&UpLoad", false},
      {appState.localPopup, 4101, "&Delete", true},
      {appState.localPopup, 4102, "&Rename", true},
      {appState.localPopup, 4103, "New &Folder", true},
  };
  for (const Item& item : items) {
    MenuItemState s = ReadMenuItem(item.menu->handle, item.id);
    ASSERT_TRUE(s.found) << item.id;
    EXPECT_EQ(s.text, item.text) << item.id;
    EXPECT_EQ((s.state & MFS_GRAYED) == 0, item.enabled) << item.id;
  }
  EXPECT_EQ(ItemCount(appState.remotePopup), 4);
  EXPECT_EQ(ItemCount(appState.localPopup), 4);
  // Popups of the list views never become a menu bar.
  EXPECT_EQ(GetMenu(appState.mainWindow->handle), appState.mainMenu->handle);
}

TEST(MainWindowMenus, MainMenuBarIdsAndStartStates) {
  AppHarness app;
  HMENU bar = GetMenu(appState.mainWindow->handle);
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(GetMenuItemCount(bar), 1);
  struct Item {
    UINT id;
    const char* text;
    bool enabled;
    bool checked;
  };
  const std::vector<Item> items = {
      {4104, "&FTP", true, false},    {4105, "&Site Manager", true, false},
      {4106, "&Connect", true, true}, {4107, "&Disconnect", false, false},
      {4108, "&Upload", true, false}, {4109, "&Download", true, false},
      {4110, "E&xit", true, false},
  };
  for (const Item& item : items) {
    MenuItemState s = ReadMenuItem(bar, item.id);
    ASSERT_TRUE(s.found) << item.id;
    EXPECT_EQ(s.text, item.text) << item.id;
    EXPECT_EQ((s.state & MFS_GRAYED) == 0, item.enabled) << item.id;
    EXPECT_EQ((s.state & MFS_CHECKED) != 0, item.checked) << item.id;
  }
  EXPECT_EQ(ItemCount(appState.mainMenu), 7);
}

TEST(MainWindowPanes, ListsHaveTheirColumnsImagesAndDropTarget) {
  AppHarness app;
  for (Control* list : {appState.localList, appState.remoteList}) {
    HWND header = reinterpret_cast<HWND>(SendMessageA(list->handle, LVM_GETHEADER, 0, 0));
    ASSERT_EQ(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0), 3);
    const char* titles[] = {"Filename", "FileSize", "Filetype"};
    const int widths[] = {180, 100, 100};
    const int formats[] = {LVCFMT_LEFT, LVCFMT_RIGHT, LVCFMT_LEFT};
    for (int c = 0; c < 3; ++c) {
      char text[64] = {};
      LVCOLUMNA column{};
      column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
      column.pszText = text;
      column.cchTextMax = sizeof text;
      ASSERT_TRUE(SendMessageA(list->handle, LVM_GETCOLUMNA, c, reinterpret_cast<LPARAM>(&column)));
      EXPECT_STREQ(text, titles[c]);
      EXPECT_EQ(column.cx, widths[c]);
      EXPECT_EQ(column.fmt & LVCFMT_JUSTIFYMASK, formats[c]);
    }
    LONG style = GetWindowLongA(list->handle, GWL_STYLE);
    EXPECT_EQ(style & LVS_TYPEMASK, LVS_REPORT);
    EXPECT_EQ(style & LVS_SINGLESEL, 0);
    EXPECT_NE(style & LVS_EDITLABELS, 0);
  }
  EXPECT_NE(GetWindowLongA(appState.remoteList->handle, GWL_EXSTYLE) & WS_EX_ACCEPTFILES, 0);
  EXPECT_EQ(GetWindowLongA(appState.localList->handle, GWL_EXSTYLE) & WS_EX_ACCEPTFILES, 0);
  EXPECT_EQ(reinterpret_cast<HIMAGELIST>(
                SendMessageA(appState.localList->handle, LVM_GETIMAGELIST, LVSIL_SMALL, 0)),
            ImageListHandle(appState.localImages));
  EXPECT_NE(appState.localImages, appState.remoteImages);
}

TEST(MainWindowPanes, StartListsTheCDriveAndFocusesTheDriveBox) {
  AppHarness app;
  EXPECT_EQ(appState.localPath, "c:\\");
  EXPECT_EQ(appState.remotePath, "/");
  EXPECT_GT(SendMessageA(appState.localList->handle, LVM_GETITEMCOUNT, 0, 0), 0);
  // The site window opens on top and active; the main window gives the drive box the focus
  // whenever it is activated.
  EXPECT_EQ(appState.mainWindow->currentControl, appState.driveBox);
  SetForegroundWindow(appState.mainWindow->handle);
  SetActiveWindow(appState.mainWindow->handle);
  PumpMessages();
  EXPECT_EQ(GetFocus(), appState.driveBox->handle);
}

TEST(MainWindowPanes, RefreshListsTheLocalFolderAgain) {
  AppHarness app;
  Clear(appState.localList);
  ASSERT_EQ(SendMessageA(appState.localList->handle, LVM_GETITEMCOUNT, 0, 0), 0);
  ClickToolbarButton(kCmdRefresh);
  EXPECT_GT(SendMessageA(appState.localList->handle, LVM_GETITEMCOUNT, 0, 0), 0);
}

TEST(MainWindowRun, ClosingTheMainWindowEndsTheLoop) {
  bool bodyRan = false;
  RunProgramWith([&] {
    bodyRan = true;
    EXPECT_TRUE(IsWindowVisible(appState.mainWindow->handle));
    EXPECT_TRUE(IsWindowVisible(appState.siteWindow->handle));
  });
  EXPECT_TRUE(bodyRan);
  EXPECT_EQ(appState.application, nullptr);
}

// ---- What start-up leaves on screen ----

namespace {

// Asks the toolbar's own tooltip control for a button's text, as it does before it shows a tip.
std::string TipShown(int id) {
  HWND tip = reinterpret_cast<HWND>(SendMessageA(appState.toolbar->handle, TB_GETTOOLTIPS, 0, 0));
  char buffer[128] = "unchanged";
  TTTOOLINFOA info{};
  info.cbSize = sizeof(info);
  info.hwnd = appState.toolbar->handle;
  info.uId = static_cast<UINT_PTR>(id);
  info.lpszText = buffer;
  SendMessageA(tip, TTM_GETTEXTA, sizeof(buffer), reinterpret_cast<LPARAM>(&info));
  return info.lpszText ? info.lpszText : "";
}

}  // namespace

TEST(MainWindowToolbar, EveryButtonHasTheTooltipOfItsCommand) {
  AppHarness app;
  const char* const captions[] = {"Up one Level",
                                  "Go to",
                                  "Refresh",
                                  "Connect",
                                  "Disconnect",
                                  "Cancel",
                                  "Quick Connect",
                                  "Download to",
                                  "DownLoad",
                                  "Upload",
                                  "Delete",
                                  "Properties",
                                  "",
                                  "",
                                  "",
                                  "",
                                  "Ascii mode",
                                  "Binary Mode",
                                  "Show Log"};
  ASSERT_EQ(sizeof(captions) / sizeof(captions[0]), 19u);
  ASSERT_NE(appState.toolbar->toolbar.tooltipTexts, nullptr);
  EXPECT_EQ(appState.toolbar->toolbar.tooltipTexts->Count(), 19);
  for (int i = 0; i < 19; ++i) {
    EXPECT_EQ(TipShown(kFirstCommandId + i), captions[i]) << "button " << kFirstCommandId + i;
  }
}

// The application's font (height 11 of "MS Sans Serif"; with the UTF-8 code page "MS Shell Dlg"
// of the same size, 8 points) is copied by every form and control made under it.
TEST(MainWindowBuild, TheApplicationFontOfHeight11ReachesEveryWindow) {
  const ProgramFont face = ProgramFontFor(GetACP());
  EXPECT_EQ(face.height, GetACP() == CP_UTF8 ? -11 : 11);
  AppHarness app;
  ASSERT_NE(appState.application->font, nullptr);
  EXPECT_EQ(appState.application->font->height, face.height);
  for (Control* form : {appState.mainWindow, appState.siteWindow}) {
    ASSERT_NE(form->font, nullptr);
    EXPECT_EQ(form->font->height, face.height);
  }
  struct Named {
    const char* name;
    Control* control;
  };
  const Named controls[] = {
      {"toolbar", appState.toolbar},
      {"driveBox", appState.driveBox},
      {"localList", appState.localList},
      {"remoteList", appState.remoteList},
      {"logEdit", appState.logEdit},
      {"siteList", appState.siteList},
      {"hostEdit", appState.hostEdit},
      {"portEdit", appState.portEdit},
      {"anonymousCheck", appState.anonymousCheck},
      {"okSiteButton", appState.okSiteButton},
  };
  for (const Named& c : controls) {
    SCOPED_TRACE(c.name);
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(c.control->handle, WM_GETFONT, 0, 0));
    ASSERT_NE(font, nullptr);
    LOGFONTA lf{};
    ASSERT_NE(GetObjectA(font, sizeof lf, &lf), 0);
    EXPECT_EQ(lf.lfHeight, face.height);
    EXPECT_STREQ(lf.lfFaceName, face.name);
  }
}

TEST(MainWindowBuild, SiteWindowStartsCentredOnTopOfTheUsableMainWindow) {
  AppHarness app;
  HWND site = appState.siteWindow->handle;
  HWND main = appState.mainWindow->handle;
  ASSERT_TRUE(IsWindowVisible(site));
  ASSERT_TRUE(IsWindowVisible(main));
  bool mainIsBelow = false;
  for (HWND w = GetWindow(site, GW_HWNDNEXT); w != nullptr; w = GetWindow(w, GW_HWNDNEXT)) {
    if (w == main) mainIsBelow = true;
  }
  EXPECT_TRUE(mainIsBelow);
  RECT r{};
  GetWindowRect(site, &r);
  EXPECT_EQ(r.right - r.left, 500);
  EXPECT_EQ(r.bottom - r.top, 300);
  EXPECT_EQ(r.left, (GetSystemMetrics(SM_CXSCREEN) - 500) / 2);
  EXPECT_EQ(r.top, (GetSystemMetrics(SM_CYSCREEN) - 300) / 2);
  EXPECT_TRUE(IsWindowEnabled(main));  // not shown modally
}

// "Show Log" refits the main window to the log: its right and bottom edges plus the margin (2).
// The aligned log always reaches the client edges, so every click grows the window a little.
TEST(MainWindowToolbar, ShowLogFitsTheMainWindowToTheLog) {
  AppHarness app;
  Control* main = appState.mainWindow;
  RECT status{};
  GetWindowRect(main->form.statusBarWindow, &status);
  const int statusHeight = status.bottom - status.top;
  for (int click = 1; click <= 2; ++click) {
    SCOPED_TRACE(click);
    RECT before{};
    GetWindowRect(main->handle, &before);
    ClickToolbarButton(kCmdShowLog);
    RECT after{};
    GetWindowRect(main->handle, &after);
    // Fitted right, then bottom, then right again.
    EXPECT_EQ(after.right - after.left, before.right - before.left + 4);
    EXPECT_EQ(after.bottom - after.top, before.bottom - before.top + 2);
    RECT client{};
    GetClientRect(main->handle, &client);
    const RECT log = RectInParent(appState.logEdit->handle);
    EXPECT_EQ(log.right, client.right);
    EXPECT_EQ(log.bottom, client.bottom - statusHeight);
  }
}

TEST(MainWindowPanes, LogIsAMultiLineEditWithBothScrollBars) {
  AppHarness app;
  const LONG style = GetWindowLongA(appState.logEdit->handle, GWL_STYLE);
  EXPECT_NE(style & ES_MULTILINE, 0);
  EXPECT_EQ(style & (WS_HSCROLL | WS_VSCROLL), WS_HSCROLL | WS_VSCROLL);
  EXPECT_EQ(std::string(appState.logEdit->className), "EDIT");
}
