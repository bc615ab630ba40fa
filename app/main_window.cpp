#include "app/main_window.h"

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/commands.h"
#include "app/remote/remote_list_events.h"
#include "app/remote/remote_pane.h"
#include "app/remote/transfers.h"
#include "app/local/local_pane.h"
#include "app/sites/site_manager.h"
#include "winobj/application.h"
#include "winobj/bitmap.h"
#include "winobj/control.h"
#include "winobj/controls.h"
#include "winobj/geometry.h"
#include "winobj/imagelist.h"
#include "winobj/listview.h"
#include "winobj/menu.h"
#include "winobj/statusbar.h"
#include "winobj/toolbar.h"
#include "winobj/transparent.h"

namespace {

constexpr int kStatusParts = 5;

constexpr int kToolbarStripWidth = 304;
constexpr int kToolbarStripHeight = 16;
constexpr char kToolbarBitmapName[] = "TOOLBARBMP";
constexpr COLORREF kToolbarPictureBackground = RGB(192, 192, 192);

constexpr int kDrivePanelHeight = 20;
constexpr int kDriveBoxWidth = 50;
constexpr int kDriveBoxHeight = 20;

constexpr uint32_t kPaneListOptions =
    ListViewOption::EditLabels | ListViewOption::MultiSelect | ListViewOption::HeaderDragDrop;
constexpr int kNameColumnWidth = 180;
constexpr int kSizeColumnWidth = 100;
constexpr int kTypeColumnWidth = 100;

constexpr uint32_t kNoOptions = 0;

constexpr int kSiteListLeft = 20;
constexpr int kSiteListTop = 20;
constexpr int kSiteListWidth = 150;
constexpr int kSiteListHeight = 220;

constexpr uint32_t kNoMinMaxBoxMask = ~static_cast<uint32_t>(WS_MINIMIZEBOX | WS_MAXIMIZEBOX);

// Every non-separator entry is a button; "-!" makes the check buttons of a group, and the last
// entry is a button without text, not an end marker.
const std::vector<const char*> kToolbarTemplate = {
    " ", " ", " ", "-!", "-!", " ", " ", " ", " ", " ",
    " ", " ", " ", " ", " ", " ", " ", "-!", "",
};

const std::vector<std::string> kToolbarTooltips = {
    "Up one Level", "Go to",    "Refresh", "Connect", "Disconnect", "Cancel", "Quick Connect",
    "Download to",  "DownLoad", "Upload",  "Delete",  "Properties", "",       "",
    "",             "",         "Ascii mode", "Binary Mode", "Show Log",
};

const std::vector<std::string> kRemotePopupTemplate = {
    "&DownLoad", "-", "&Delete", "&Rename", "New &Folder", "",
};
const std::vector<std::string> kLocalPopupTemplate = {
    "&UpLoad", "-", "&Delete", "&Rename", "New &Folder", "",
};
const std::vector<std::string> kMainMenuTemplate = {
    "&FTP",     "(",         "&Site Manager", "-",     "+!&Connect", "-!&Disconnect", "-",
    "&Upload",  "&Download", "-",             "E&xit", ")",          "",
};

void* Receiver() { return appState.eventReceiver; }

template <typename Proc>
void SetEvent(EventSlot<Proc>& slot, Proc proc) {
  slot.proc = proc;
  slot.receiver = Receiver();
}

// Putting a text into the last part makes the bar with all its parts.
void BuildStatusBar() { SetStatusText(appState.mainWindow, kStatusParts - 1, ""); }

// Toolbar panel and toolbar with its tooltips and start states.
void BuildToolbar() {
  Control* panel = NewPanel(appState.mainWindow, EdgeNone);
  SetAlign(panel, kAlignTop);

  appState.toolbarBitmap = CreateBitmapObject(kToolbarStripWidth, kToolbarStripHeight);
  LoadResourceBitmap(appState.toolbarBitmap, programInstance, kToolbarBitmapName);
  // Kept in 24 bits, not the device's 5-6-5: the toolbar copies the strip into a screen bitmap
  // and masks exactly the button face colour, but a 5-6-5 grey widens to another grey there
  // (under Wine the face grey 245 keeps 5 bits, 30, and widens back to 247), so nothing was
  // masked and disabled buttons were drawn as solid grey squares. 24 bits keep it exact.
  appState.toolbarBitmap->pixelFormat = kPixel24;
  KeepPixelsOnly(appState.toolbarBitmap);
  // The toolbar masks the system's button face colour out of its images; the pictures are drawn
  // on classic grey, so give them the face colour of the system they run on.
  ReplacePixelColor(appState.toolbarBitmap, kToolbarPictureBackground, GetSysColor(COLOR_BTNFACE));
  HBITMAP strip = BitmapHandle(appState.toolbarBitmap);

  Control* toolbar = CreateToolbar(panel, kAlignTop, ToolbarOption::ListStyle | ToolbarOption::Flat,
                                   strip, kToolbarTemplate, {});
  appState.toolbar = toolbar;
  ResizeParent(toolbar);
  SetTransparent(toolbar, true);
  SetTooltips(toolbar, kFirstCommandId, kToolbarTooltips);

  for (int id = kCmdProperties; id <= kCmdBinaryMode; ++id) ShowButton(toolbar, id, false);
  for (int id : {kCmdUpOneLevel, kCmdGoTo, kCmdCancel, kCmdQuickConnect, kCmdDownloadTo}) {
    ShowButton(toolbar, id, false);
  }
  SendButtonMessage(toolbar, kCmdConnect, TB_ENABLEBUTTON, 1);
  for (int id : {kCmdDisconnect, kCmdDownload, kCmdUpload}) {
    SendButtonMessage(toolbar, id, TB_ENABLEBUTTON, 0);
  }
  ShowButton(toolbar, kCmdDelete, false);
  SetEvent(toolbar->clickEvent, &OnToolbarClick);
}

void BuildDriveStrip() {
  Control* panel = NewPanel(appState.mainWindow, EdgeNone);
  SetAlign(panel, kAlignTop);
  SetHeight(panel, kDrivePanelHeight);
  appState.driveBox = NewComboBox(panel, ComboBoxOption::DropDownList | ComboBoxOption::Sort);
  SetSize(appState.driveBox, kDriveBoxWidth, kDriveBoxHeight);
  appState.driveMask = GetLogicalDrives();
  FillDriveBox(appState.driveMask);
  SetEvent(appState.driveBox->changeEvent, &OnDriveChange);
}

Control* CreatePaneList(ImageList* images) {
  return CreateListView(appState.mainWindow, ViewReport, kPaneListOptions, images, nullptr,
                        nullptr);
}

void AppendPaneColumns(Control* list) {
  AppendColumn(list, "Filename", ColumnLeft, kNameColumnWidth);
  AppendColumn(list, "FileSize", ColumnRight, kSizeColumnWidth);
  AppendColumn(list, "Filetype", ColumnLeft, kTypeColumnWidth);
}

void BuildPanes() {
  Control* main = appState.mainWindow;

  appState.localImages = CreateImageList(main);
  Control* local = appState.localList = CreatePaneList(appState.localImages);
  SetAlign(local, kAlignLeft);
  AppendPaneColumns(local);
  SetWidth(local, kLocalListWidth);
  SetEvent(local->messageEvent, &OnLocalListMessage);
  SetKeyUpEvent(local, &OnListKeyUp, Receiver());
  NewSplitter(main, 0, 0);

  appState.remoteImages = CreateImageList(main);
  Control* remote = appState.remoteList = CreatePaneList(appState.remoteImages);
  SetAlign(remote, kAlignClient);
  // Files dropped from the shell onto the remote pane are uploaded.
  SetExStyle(remote, remote->exStyle | WS_EX_ACCEPTFILES);
  AppendPaneColumns(remote);
  SetEvent(remote->messageEvent, &OnRemoteListMessage);
  SetKeyUpEvent(remote, &OnListKeyUp, Receiver());

  appState.remotePopup =
      CreateMenuObject(appState.remoteList, 0, kRemotePopupTemplate, &OnPopupItem, Receiver());
  for (int i = 0; i < ItemCount(appState.remotePopup); ++i) {
    SetItemEnabled(appState.remotePopup, i, false);
  }
  appState.localPopup =
      CreateMenuObject(appState.localList, 0, kLocalPopupTemplate, &OnPopupItem, Receiver());
  SetItemEnabled(appState.localPopup, kPopupTransfer, false);

  appState.logEdit = NewEdit(main, EditOption::Multiline);
  SetAlign(appState.logEdit, kAlignBottom);
  SetHeight(appState.logEdit, kLogCollapsedHeight);
  NewSplitter(main, 0, 0);
}

void BuildMainMenu() {
  appState.mainMenu =
      CreateMenuObject(appState.mainWindow, 0, kMainMenuTemplate, &OnMainMenuItem, Receiver());
  SetItemEnabled(appState.mainMenu, kMenuDisconnect, false);
}

Control* Place(Control* control, int left, int top, int width) {
  SetLeft(control, left);
  SetTop(control, top);
  SetWidth(control, width);
  return control;
}

// One labelled field of the site window; positions in the window's client co-ordinates, heights
// the constructors' defaults.
struct SiteField {
  const char* label;  // none for the check box, which carries its own text
  int labelWidth;
  Control* AppState::*field;
  uint32_t editOptions;
  int left, top, width;
};

constexpr int kSiteLabelLeft = 176;

const SiteField kSiteFields[] = {
    {"Site:", 40, &AppState::siteNameEdit, kNoOptions, 220, 20, 252},
    {"Host Address:", 100, &AppState::hostEdit, kNoOptions, 279, 54, 193},
    {"User Name:", 100, &AppState::userEdit, kNoOptions, 279, 89, 193},
    {"Password:", 100, &AppState::passwordEdit, EditOption::Password, 279, 123, 193},
    {nullptr, 0, &AppState::anonymousCheck, kNoOptions, 279, 158, 100},
    {"Port Number:", 100, &AppState::portEdit, kNoOptions, 279, 195, 75},
};

// Each field right after its label: the tab order follows the creation order.
void BuildSiteFields() {
  Control* form = appState.siteWindow;
  for (const SiteField& f : kSiteFields) {
    Control* field;
    if (f.label) {
      Place(NewLabel(form, f.label), kSiteLabelLeft, f.top, f.labelWidth);
      field = NewEdit(form, f.editOptions);
    } else {
      field = NewCheckBox(form, "Anonymous");
    }
    appState.*f.field = Place(field, f.left, f.top, f.width);
  }
}

void BuildSiteButtons() {
  Control* panel = NewPanel(appState.siteWindow, EdgeRaised);
  SetAlign(panel, kAlignBottom);

  Control* add = NewButton(panel, "&Add");
  ResizeParent(add);
  SetCanResize(panel, false);
  SetAlign(add, kAlignLeft);
  SetEvent(add->clickEvent, &OnSiteAdd);

  appState.deleteSiteButton = NewButton(panel, "&Delete");
  SetAlign(appState.deleteSiteButton, kAlignLeft);
  SetEvent(appState.deleteSiteButton->clickEvent, &OnSiteDelete);

  appState.cancelSiteButton = NewButton(panel, "&Cancel");
  SetAlign(appState.cancelSiteButton, kAlignRight);
  SetEvent(appState.cancelSiteButton->clickEvent, &OnSiteCancel);

  appState.okSiteButton = NewButton(panel, "&Ok");
  SetAlign(appState.okSiteButton, kAlignRight);
  SetEvent(appState.okSiteButton->clickEvent, &OnSiteOk);
}

}  // namespace

void BuildMainWindow() {
  BuildStatusBar();
  BuildToolbar();
  BuildDriveStrip();
  BuildPanes();
  BuildMainMenu();
}

void BuildSiteWindow() {
  Control* form = CreateForm(appState.application, "Choose, Add or Remove a Site:");
  appState.siteWindow = form;
  SetSize(form, kSiteWindowWidth, kSiteWindowHeight);
  CenterOnParent(form);
  SetCanResize(form, false);
  SetStyle(form, form->style & kNoMinMaxBoxMask);
  SetEvent(form->closeEvent, &OnSiteWindowClose);
  SetTabKeys(form);

  appState.siteList = NewListBox(form, kNoOptions);
  SetSize(appState.siteList, kSiteListWidth, kSiteListHeight);
  SetEvent(appState.siteList->clickEvent, &OnSiteOpen);
  SetTop(appState.siteList, kSiteListTop);
  SetLeft(appState.siteList, kSiteListLeft);

  BuildSiteButtons();
  BuildSiteFields();
}
