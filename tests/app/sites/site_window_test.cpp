// The site window: how it is built, what its buttons do to the fields, the site list and
// "Sites.sts", how a showing ends (Ok, Cancel, the close box, modal or not), and the loading
// rules as the window shows them.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/commands.h"
#include "app/main_window.h"
#include "app/sites/site_manager.h"
#include "app/sites/sites.h"
#include "tests/app/app_harness.h"
#include "tests/app/sites/site_files.h"
#include "tests/support/program_text.h"
#include "tests/app/temp_folder.h"
#include "tests/support/msgbox_watch.h"
#include "winobj/control.h"
#include "winobj/controls.h"
#include "winobj/geometry.h"
#include "winobj/text.h"

namespace {

constexpr UINT kSiteManagerMenuId = 4105;

// A fresh current directory holding "Sites.sts" with `contents` (none when null), then the
// program's windows built in it.
struct SiteFixture {
  explicit SiteFixture(const char* contents) : folder(true) {
    if (contents) WriteWholeFile("Sites.sts", contents);
    app = new AppHarness();
  }
  ~SiteFixture() { delete app; }
  TempFolder folder;
  AppHarness* app = nullptr;
};

void SelectSite(int index) { SendMessageA(appState.siteList->handle, LB_SETCURSEL, index, 0); }

void Press(Control* button) {
  // What a click does: BN_CLICKED from the button to its parent, reflected by the layer.
  SendMessageA(GetParent(button->handle), WM_COMMAND,
               MAKEWPARAM(GetDlgCtrlID(button->handle), BN_CLICKED),
               reinterpret_cast<LPARAM>(button->handle));
}

void DoubleClickSite(int index) {
  SelectSite(index);
  SendMessageA(GetParent(appState.siteList->handle), WM_COMMAND,
               MAKEWPARAM(GetDlgCtrlID(appState.siteList->handle), LBN_DBLCLK),
               reinterpret_cast<LPARAM>(appState.siteList->handle));
}

void FillFields(const char* name, const char* host, const char* user, const char* password,
                bool anonymous, const char* port) {
  SetCaption(appState.siteNameEdit, name);
  SetCaption(appState.hostEdit, host);
  SetCaption(appState.userEdit, user);
  SetCaption(appState.passwordEdit, password);
  SetChecked(appState.anonymousCheck, anonymous);
  SetCaption(appState.portEdit, port);
}

std::string SiteListItem(int index) { return ItemText(appState.siteList, index); }

Control* AddButton() { return appState.deleteSiteButton->parent->Child(0); }

}  // namespace

// ---- Construction ----

TEST(SiteWindowBuild, FixedSizeCentredWithoutMinMaxOrSizingFrame) {
  TempFolder folder(true);
  AppHarness app;
  HWND form = appState.siteWindow->handle;
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(WindowText(form), "Choose, Add or Remove a Site:");
  RECT r{};
  GetWindowRect(form, &r);
  EXPECT_EQ(r.right - r.left, kSiteWindowWidth);
  EXPECT_EQ(r.bottom - r.top, kSiteWindowHeight);
  EXPECT_EQ(r.left, (GetSystemMetrics(SM_CXSCREEN) - kSiteWindowWidth) / 2);
  EXPECT_EQ(r.top, (GetSystemMetrics(SM_CYSCREEN) - kSiteWindowHeight) / 2);
  LONG style = GetWindowLongA(form, GWL_STYLE);
  EXPECT_EQ(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME), 0);
  EXPECT_NE(style & WS_SYSMENU, 0);
  EXPECT_FALSE(CanResize(appState.siteWindow));
  // Shown together with the main window, not modal: the main window stays usable.
  EXPECT_TRUE(IsWindowVisible(form));
  EXPECT_TRUE(IsWindowEnabled(appState.mainWindow->handle));
}

TEST(SiteWindowBuild, ListLabelsAndFieldsAtTheirPlaces) {
  TempFolder folder(true);
  AppHarness app;
  RECT list = RectInParent(appState.siteList->handle);
  EXPECT_EQ(list.left, 20);
  EXPECT_EQ(list.top, 20);
  EXPECT_EQ(list.right - list.left, 150);
  // Without LBS_NOINTEGRALHEIGHT the list box trims itself to whole items.
  const int itemHeight =
      static_cast<int>(SendMessageA(appState.siteList->handle, LB_GETITEMHEIGHT, 0, 0));
  EXPECT_LE(list.bottom - list.top, 220);
  EXPECT_GT(list.bottom - list.top, 220 - itemHeight);

  struct Place {
    Control* field;
    int left, top, width;
  };
  const Place fields[] = {
      {appState.siteNameEdit, 220, 20, 252},    {appState.hostEdit, 279, 54, 193},
      {appState.userEdit, 279, 89, 193},        {appState.passwordEdit, 279, 123, 193},
      {appState.anonymousCheck, 279, 158, 100}, {appState.portEdit, 279, 195, 75},
  };
  for (const Place& p : fields) {
    RECT r = RectInParent(p.field->handle);
    EXPECT_EQ(r.left, p.left) << p.top;
    EXPECT_EQ(r.top, p.top) << p.top;
    EXPECT_EQ(r.right - r.left, p.width) << p.top;
    EXPECT_EQ(r.bottom - r.top, 22) << p.top;
  }
  EXPECT_NE(GetWindowLongA(appState.passwordEdit->handle, GWL_STYLE) & ES_PASSWORD, 0);
  EXPECT_EQ(GetWindowLongA(appState.hostEdit->handle, GWL_STYLE) & ES_PASSWORD, 0);
  EXPECT_EQ(WindowText(appState.anonymousCheck->handle), "Anonymous");

  // Each label sits right before its field, at the label column.
  Control* form = appState.siteWindow;
  const char* labels[] = {"Site:", "Host Address:", "User Name:", "Password:", "Port Number:"};
  Control* labelled[] = {appState.siteNameEdit, appState.hostEdit, appState.userEdit,
                         appState.passwordEdit, appState.portEdit};
  for (int i = 0; i < 5; ++i) {
    int at = -1;
    for (int c = 0; c < form->ChildCount(); ++c) {
      if (form->Child(c) == labelled[i]) at = c;
    }
    ASSERT_GT(at, 0);
    Control* label = form->Child(at - 1);
    EXPECT_STREQ(label->className, "STATIC");
    EXPECT_EQ(WindowText(label->handle), labels[i]);
    RECT r = RectInParent(label->handle);
    EXPECT_EQ(r.left, 176);
    EXPECT_EQ(r.right - r.left, i == 0 ? 40 : 100);
  }
}

TEST(SiteWindowBuild, ButtonsAddDeleteLeftOkThenCancelRight) {
  TempFolder folder(true);
  AppHarness app;
  Control* panel = appState.deleteSiteButton->parent;
  ASSERT_EQ(panel->parent, appState.siteWindow);
  RECT client{};
  GetClientRect(appState.siteWindow->handle, &client);
  RECT bar = RectInParent(panel->handle);
  EXPECT_EQ(bar.bottom, client.bottom);
  EXPECT_EQ(bar.left, 0);
  EXPECT_EQ(bar.right, client.right);

  RECT panelClient{};
  GetClientRect(panel->handle, &panelClient);
  RECT add = RectInParent(AddButton()->handle);
  RECT del = RectInParent(appState.deleteSiteButton->handle);
  RECT ok = RectInParent(appState.okSiteButton->handle);
  RECT cancel = RectInParent(appState.cancelSiteButton->handle);
  EXPECT_EQ(WindowText(AddButton()->handle), "&Add");
  EXPECT_EQ(add.left, 0);
  EXPECT_EQ(del.left, add.right);
  EXPECT_EQ(cancel.right, panelClient.right);
  EXPECT_EQ(ok.right, cancel.left);
  EXPECT_LT(del.right, ok.left);
  // The bar fits the buttons' height (the first button sized it).
  EXPECT_EQ(add.bottom - add.top, panelClient.bottom);
}

// ---- Handlers ----

TEST(SiteWindowHandlers, OpenPutsEveryFieldIntoItsControl) {
  SiteFixture f("Archive;files;anonymous;;1;21\r\nOther;host2;bob;secret;0;2121;x\r\n");
  DoubleClickSite(1);
  EXPECT_EQ(Caption(appState.siteNameEdit), "Other");
  EXPECT_EQ(Caption(appState.hostEdit), "host2");
  EXPECT_EQ(Caption(appState.userEdit), "bob");
  EXPECT_EQ(Caption(appState.passwordEdit), "secret");
  EXPECT_FALSE(Checked(appState.anonymousCheck));
  EXPECT_EQ(Caption(appState.portEdit), "2121;x");
  DoubleClickSite(0);
  EXPECT_EQ(Caption(appState.siteNameEdit), "Archive");
  EXPECT_TRUE(Checked(appState.anonymousCheck));
  EXPECT_EQ(Caption(appState.portEdit), "21");
}

TEST(SiteWindowHandlers, AddWithEmptyFieldsStoresTheDefaultLine) {
  SiteFixture f(nullptr);
  Press(AddButton());
  EXPECT_EQ(ReadWholeFile("Sites.sts"), ";;;;0;21\r\n");
  ASSERT_EQ(Count(appState.siteList), 1);
  EXPECT_EQ(SiteListItem(0), "");
  EXPECT_EQ(appState.siteLines->Count(), 1);
  EXPECT_TRUE(IsWindowVisible(appState.siteWindow->handle));
  // The empty item is still selectable and keeps its index.
  SelectSite(0);
  EXPECT_EQ(CurrentIndex(appState.siteList), 0);
}

TEST(SiteWindowHandlers, AddAppendsWhatTheFieldsHold) {
  SiteFixture f("a;h;u;p;0;21\r\n");
  FillFields("Archive", "files", "anonymous", "", true, "");
  Press(AddButton());
  EXPECT_EQ(ReadWholeFile("Sites.sts"), "a;h;u;p;0;21\r\nArchive;files;anonymous;;1;21\r\n");
  ASSERT_EQ(Count(appState.siteList), 2);
  EXPECT_EQ(SiteListItem(1), "Archive");
  FillFields("Lead", "h", "u", "p", false, "0021");
  Press(AddButton());
  EXPECT_EQ(appState.siteLines->ItemText(2), "Lead;h;u;p;0;0021");
}

TEST(SiteWindowHandlers, DeleteRemovesExactlyTheSelectedSite) {
  SiteFixture f("one;;;;0;21\r\ntwo;;;;0;21\r\nthree;;;;0;21\r\n");
  FillFields("kept", "in", "the", "fields", true, "1");
  SelectSite(1);
  Press(appState.deleteSiteButton);
  EXPECT_EQ(ReadWholeFile("Sites.sts"), "one;;;;0;21\r\nthree;;;;0;21\r\n");
  ASSERT_EQ(Count(appState.siteList), 2);
  EXPECT_EQ(SiteListItem(1), "three");
  EXPECT_EQ(Caption(appState.siteNameEdit), "kept");
}

TEST(SiteWindowHandlers, DeleteWithoutSelectionChangesNothing) {
  const char* contents = "one;;;;0;21\n";  // LF only: rewriting it would change its bytes
  SiteFixture f(contents);
  ASSERT_EQ(CurrentIndex(appState.siteList), -1);
  Press(appState.deleteSiteButton);
  EXPECT_EQ(ReadWholeFile("Sites.sts"), contents);
  EXPECT_EQ(Count(appState.siteList), 1);
}

TEST(SiteWindowHandlers, OkOverwritesTheSelectedSiteAndConfirms) {
  SiteFixture f("one;;;;0;21\r\ntwo;;;;0;21\r\n");
  SelectSite(0);
  FillFields("uno", "host", "me", "pw", false, "");
  Press(appState.okSiteButton);
  EXPECT_EQ(ReadWholeFile("Sites.sts"), "uno;host;me;pw;0;21\r\ntwo;;;;0;21\r\n");
  EXPECT_EQ(appState.siteWindow->form.modalResult, kSiteResultOk);
  EXPECT_FALSE(IsWindowVisible(appState.siteWindow->handle));
  EXPECT_EQ(SiteListItem(0), "uno");
}

TEST(SiteWindowHandlers, OkWithoutSelectionStillSaves) {
  SiteFixture f("one;;;;0;21\n");
  FillFields("ignored", "", "", "", false, "");
  Press(appState.okSiteButton);
  // Saved although nothing was selected: the LF-only line comes back with CR LF.
  EXPECT_EQ(ReadWholeFile("Sites.sts"), "one;;;;0;21\r\n");
  EXPECT_EQ(appState.siteWindow->form.modalResult, kSiteResultOk);
}

TEST(SiteWindowHandlers, CancelHidesWithResultTwoAndSavesNothing) {
  const char* contents = "one;;;;0;21\r\n";
  SiteFixture f(contents);
  SelectSite(0);
  FillFields("changed", "", "", "", false, "");
  Press(appState.cancelSiteButton);
  EXPECT_EQ(appState.siteWindow->form.modalResult, kSiteResultCancel);
  EXPECT_FALSE(IsWindowVisible(appState.siteWindow->handle));
  EXPECT_EQ(ReadWholeFile("Sites.sts"), contents);
  EXPECT_EQ(Caption(appState.siteNameEdit), "changed");
}

// ---- Showing and closing ----

TEST(SiteWindowClose, CloseBoxWhileNotModalOnlyHidesTheWindow) {
  TempFolder folder(true);
  RunProgramWith([] {
    HWND form = appState.siteWindow->handle;
    Control* site = appState.siteWindow;
    SetCaption(appState.hostEdit, "still here");
    SendMessageA(form, WM_CLOSE, 0, 0);
    PumpMessages();
    EXPECT_TRUE(IsWindow(form));
    EXPECT_EQ(appState.siteWindow, site);
    EXPECT_EQ(site->handle, form);
    EXPECT_FALSE(IsWindowVisible(form));
    EXPECT_EQ(site->form.modalResult, kSiteResultClosed);
    // The fields the connect command reads are alive and keep their texts.
    EXPECT_EQ(Caption(appState.hostEdit), "still here");
    EXPECT_TRUE(IsWindow(appState.hostEdit->handle));
  });
}

TEST(SiteWindowClose, CloseBoxDuringAModalShowingEndsItWithMinusOne) {
  TempFolder folder(true);
  RunProgramWith([] {
    HWND form = appState.siteWindow->handle;
    HWND main = appState.mainWindow->handle;
    bool mainWasDisabled = false;
    CallFromNextLoop([&] {
      mainWasDisabled = !IsWindowEnabled(main);
      EXPECT_TRUE(IsWindowVisible(form));
      EXPECT_EQ(appState.siteWindow->form.modalResult, 0);
      PostMessageA(form, WM_CLOSE, 0, 0);
    });
    ShowSiteManager();
    EXPECT_TRUE(mainWasDisabled);
    EXPECT_EQ(appState.siteWindow->form.modalResult, kSiteResultClosed);
    EXPECT_TRUE(IsWindow(form));
    EXPECT_FALSE(IsWindowVisible(form));
    EXPECT_TRUE(IsWindowEnabled(main));
  });
}

TEST(SiteWindowClose, SiteManagerMenuShowsModallyUntilOk) {
  TempFolder folder(true);
  RunProgramWith([] {
    HWND main = appState.mainWindow->handle;
    Press(appState.cancelSiteButton);
    ASSERT_FALSE(IsWindowVisible(appState.siteWindow->handle));
    bool mainWasDisabled = false;
    bool shown = false;
    CallFromNextLoop([&] {
      mainWasDisabled = !IsWindowEnabled(main);
      shown = IsWindowVisible(appState.siteWindow->handle);
      SetCaption(appState.hostEdit, "typed");
      Press(appState.okSiteButton);
    });
    SendMessageA(main, WM_COMMAND, MAKEWPARAM(kSiteManagerMenuId, 0), 0);
    EXPECT_TRUE(mainWasDisabled);
    EXPECT_TRUE(shown);
    EXPECT_EQ(appState.siteWindow->form.modalResult, kSiteResultOk);
    EXPECT_TRUE(IsWindowEnabled(main));
    EXPECT_FALSE(IsWindowVisible(appState.siteWindow->handle));
    // Showing it again keeps the fields of the last showing.
    CallFromNextLoop([] { Press(appState.cancelSiteButton); });
    SendMessageA(main, WM_COMMAND, MAKEWPARAM(kSiteManagerMenuId, 0), 0);
    EXPECT_EQ(Caption(appState.hostEdit), "typed");
    EXPECT_EQ(appState.siteWindow->form.modalResult, kSiteResultCancel);
  });
}

// ---- Keys ----

// A key pressed and released as the keyboard sends it, to the window with the focus.
void PressKey(BYTE key, bool shift = false) {
  if (shift) keybd_event(VK_SHIFT, 0, 0, 0);
  keybd_event(key, 0, 0, 0);
  keybd_event(key, 0, KEYEVENTF_KEYUP, 0);
  if (shift) keybd_event(VK_SHIFT, 0, KEYEVENTF_KEYUP, 0);
}

bool FocusComesTo(Control* control) {
  return PollUntil([control] { return GetFocus() == control->handle; }, 2000);
}

TEST(SiteWindowKeys, TabAndShiftTabMoveThroughTheControlsInCreationOrder) {
  TempFolder folder(true);
  RunProgramWith([] {
    Control* add = AddButton();
    const std::vector<Control*> order = {
        appState.siteList,         add,
        appState.deleteSiteButton, appState.cancelSiteButton,
        appState.okSiteButton,     appState.siteNameEdit,
        appState.hostEdit,         appState.userEdit,
        appState.passwordEdit,     appState.anonymousCheck,
        appState.portEdit,
    };
    HWND form = appState.siteWindow->handle;
    SetForegroundWindow(form);
    SetFocus(appState.siteList->handle);
    ASSERT_TRUE(FocusComesTo(appState.siteList));
    for (size_t i = 1; i <= order.size(); ++i) {
      PressKey(VK_TAB);
      EXPECT_TRUE(FocusComesTo(order[i % order.size()])) << i;
    }
    for (size_t i = order.size(); i-- > 0;) {
      PressKey(VK_TAB, true);
      EXPECT_TRUE(FocusComesTo(order[i])) << i;
    }
    // Enter and Escape neither confirm nor cancel the window.
    PressKey(VK_RETURN);
    PressKey(VK_ESCAPE);
    PressKey(VK_TAB);
    ASSERT_TRUE(FocusComesTo(order[1]));
    EXPECT_TRUE(IsWindowVisible(form));
    EXPECT_EQ(appState.siteWindow->form.modalResult, 0);
  });
}

// ---- Loading and saving as the window shows it ----

TEST(SitesWindowFile, MissingOrEmptyFileGivesNoSites) {
  {
    SiteFixture f(nullptr);
    EXPECT_EQ(appState.siteLines->Count(), 0);
    EXPECT_EQ(Count(appState.siteList), 0);
  }
  {
    SiteFixture f("");
    EXPECT_EQ(appState.siteLines->Count(), 0);
    EXPECT_EQ(Count(appState.siteList), 0);
  }
}

TEST(SitesWindowFile, LinesAndNamesStayInStepAndNothingIsSelected) {
  SiteFixture f("Archive;files;anonymous;;1;21\r\nnoname\r\n;x;;;0;21\r\nlast;h;u;p;0;21");
  ASSERT_EQ(appState.siteLines->Count(), 4);
  ASSERT_EQ(Count(appState.siteList), 4);
  EXPECT_EQ(SiteListItem(0), "Archive");
  EXPECT_EQ(SiteListItem(1), "noname");
  EXPECT_EQ(SiteListItem(2), "");
  EXPECT_EQ(SiteListItem(3), "last");
  // Also under Wine, whose list box would keep the first item selected.
  EXPECT_EQ(CurrentIndex(appState.siteList), -1);
}

// A file written on Linux used to show only its first site, the others inside its port field.
TEST(SitesWindowFile, LfOnlyLinesAreSitesOfTheirOwn) {
  SiteFixture f("a;h;u;p;0;21\nb;h2;u;p;0;2121\n");
  ASSERT_EQ(appState.siteLines->Count(), 2);
  ASSERT_EQ(Count(appState.siteList), 2);
  EXPECT_EQ(SiteListItem(1), "b");
  DoubleClickSite(0);
  EXPECT_EQ(Caption(appState.portEdit), "21");
  DoubleClickSite(1);
  EXPECT_EQ(Caption(appState.hostEdit), "h2");
  EXPECT_EQ(Caption(appState.portEdit), "2121");
}

TEST(SitesWindowFile, ANameOnlyLineOpensWithEmptyFields) {
  SiteFixture f("Just a name\r\n");
  FillFields("x", "x", "x", "x", true, "x");
  DoubleClickSite(0);
  EXPECT_EQ(Caption(appState.siteNameEdit), "Just a name");
  EXPECT_EQ(Caption(appState.hostEdit), "");
  EXPECT_EQ(Caption(appState.userEdit), "");
  EXPECT_EQ(Caption(appState.passwordEdit), "");
  EXPECT_FALSE(Checked(appState.anonymousCheck));
  EXPECT_EQ(Caption(appState.portEdit), "");
}

TEST(SitesWindowFile, DeletingTheLastSiteWritesZeroBytes) {
  SiteFixture f("only;;;;0;21\r\n");
  SelectSite(0);
  Press(appState.deleteSiteButton);
  bool readable = false;
  EXPECT_EQ(ReadWholeFile("Sites.sts", &readable), "");
  EXPECT_TRUE(readable);
  EXPECT_EQ(Count(appState.siteList), 0);
}

TEST(SitesWindowFile, AFailedSaveKeepsTheOldFileAndShowsIt) {
  const char* contents = "keep;host;user;pw;0;21\r\n";
  // A file system of four pages: the old file takes one, the filler the rest.
  SmallFolder small(4 * 4096);
  if (!small.Mounted()) GTEST_SKIP() << "mounting a small tmpfs needs the right to mount";
  ASSERT_TRUE(WriteWholeFile(small.Path() + "Sites.sts", contents));
  ASSERT_TRUE(WriteWholeFile(small.Path() + "filler", std::string(3 * 4096, 'f')));
  CurrentFolderAt here(small.Path());
  AppHarness app;
  FillFields("lost", "", "", "", false, "");
  Press(AddButton());
  EXPECT_EQ(ReadWholeFile("Sites.sts"), contents);
  EXPECT_EQ(FolderNames(small.Path()), "Sites.sts filler");
  // The reload after the save shows the file as it is: the change is gone from the window too.
  ASSERT_EQ(appState.siteLines->Count(), 1);
  EXPECT_EQ(appState.siteLines->ItemText(0), "keep;host;user;pw;0;21");
  ASSERT_EQ(Count(appState.siteList), 1);
  EXPECT_EQ(SiteListItem(0), "keep");
}

TEST(SitesWindowFile, AddNeverWritesThroughALinkPlantedBesideTheFile) {
  SiteFixture f("a;h;u;p;0;21\r\n");
  const std::string victim = f.folder.Path() + "victim.txt";
  ASSERT_TRUE(WriteWholeFile(victim, "precious\r\n"));
  PlantedLink link;
  ASSERT_TRUE(link.Plant(victim, f.folder.Path() + "Sites.sts.tmp"));
  FillFields("Archive", "files", "anonymous", "", true, "");
  Press(AddButton());
  EXPECT_EQ(ReadWholeFile(victim), "precious\r\n");
  EXPECT_EQ(ReadWholeFile("Sites.sts"), "a;h;u;p;0;21\r\nArchive;files;anonymous;;1;21\r\n");
  ASSERT_EQ(Count(appState.siteList), 2);
  EXPECT_EQ(SiteListItem(1), "Archive");
  // The next change still reaches the file through Sites.sts, not through the victim.
  ASSERT_TRUE(WriteWholeFile(victim, "changed\r\n"));
  EXPECT_EQ(ReadWholeFile("Sites.sts"), "a;h;u;p;0;21\r\nArchive;files;anonymous;;1;21\r\n");
}

namespace {

// What reaches the site list box: items added while its drawing is on or off.
struct ListBoxDrawing {
  static HWND list;
  static bool drawing;
  static int addsDrawn;
  static int addsUndrawn;
  static LRESULT CALLBACK Watch(int code, WPARAM wParam, LPARAM lParam) {
    const CWPSTRUCT* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && sent->hwnd == list) {
      if (sent->message == WM_SETREDRAW) drawing = sent->wParam != FALSE;
      if (sent->message == LB_ADDSTRING) ++(drawing ? addsDrawn : addsUndrawn);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
  }
};
HWND ListBoxDrawing::list = nullptr;
bool ListBoxDrawing::drawing = true;
int ListBoxDrawing::addsDrawn = 0;
int ListBoxDrawing::addsUndrawn = 0;

}  // namespace

// The reload after a save refills the list box on screen: drawn item by item that took minutes
// for 20,000 sites, so it fills the list with its drawing off and switches it on once at the end.
TEST(SitesWindowFile, TheReloadAfterASaveFillsTheShownListUndrawn) {
  std::string contents;
  for (int i = 0; i < 40; ++i) contents += "site" + std::to_string(i) + ";h;u;p;0;21\r\n";
  SiteFixture f(contents.c_str());
  ASSERT_TRUE(IsWindowVisible(appState.siteList->handle));
  ListBoxDrawing::list = appState.siteList->handle;
  HHOOK hook =
      SetWindowsHookExA(WH_CALLWNDPROC, &ListBoxDrawing::Watch, nullptr, GetCurrentThreadId());
  ASSERT_NE(hook, nullptr);
  SelectSite(0);
  Press(appState.deleteSiteButton);
  UnhookWindowsHookEx(hook);
  EXPECT_EQ(ListBoxDrawing::addsDrawn, 0);
  EXPECT_EQ(ListBoxDrawing::addsUndrawn, 39);
  EXPECT_TRUE(ListBoxDrawing::drawing);
  ASSERT_EQ(Count(appState.siteList), 39);
  EXPECT_EQ(SiteListItem(0), "site1");
  EXPECT_EQ(SiteListItem(38), "site39");
  EXPECT_EQ(CurrentIndex(appState.siteList), -1);
}

// ---- Files the program cannot fully use lose nothing ----

namespace {

std::string Utf16Le(const std::u16string& text) {
  std::string bytes = "\xFF\xFE";
  for (char16_t unit : text) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  return bytes;
}

// What each button does to a stored file, with "Archive" (the second site shown) selected
// where a selection is needed.
enum class Change { kAdd, kDelete, kOk };

void Make(Change change) {
  switch (change) {
    case Change::kAdd:
      FillFields("New", "nh", "nu", "np", false, "");
      Press(AddButton());
      break;
    case Change::kDelete:
      SelectSite(1);
      Press(appState.deleteSiteButton);
      break;
    case Change::kOk:
      SelectSite(1);
      FillFields("Arch", "files", "anonymous", "", true, "2121");
      Press(appState.okSiteButton);
      break;
  }
}

}  // namespace

// A NUL inside a line ended the text: the first save cut the file after the sites before it
// (116 bytes became 48). The line is kept aside and written back as it was, and only the
// changed site changes.
TEST(SitesWindowFile, ALineWithANulInsideIsKeptThroughEverySave) {
  const std::string bad("bad\0line;x;y\r\n", 14);
  const std::string before =
      "one;h;u;p;0;21\r\n" + bad + "Archive;files;anon;;1;21\r\nlast;;;;0;21\r\n";
  struct Case {
    Change change;
    std::string after;
  } cases[] = {
      {Change::kAdd, before + "New;nh;nu;np;0;21\r\n"},
      {Change::kDelete, "one;h;u;p;0;21\r\n" + bad + "last;;;;0;21\r\n"},
      {Change::kOk,
       "one;h;u;p;0;21\r\n" + bad + "Arch;files;anonymous;;1;2121\r\nlast;;;;0;21\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.change));
    SiteFixture f(nullptr);
    ASSERT_TRUE(WriteWholeFile("Sites.sts", before));
    LoadSites();
    ASSERT_EQ(Count(appState.siteList), 3);
    EXPECT_EQ(SiteListItem(1), "Archive");
    Make(c.change);
    EXPECT_EQ(ReadWholeFile("Sites.sts"), c.after);
  }
}

TEST(SitesWindowFile, RandomBytesSurviveASave) {
  std::string random;
  unsigned x = 2026;
  for (int i = 0; i < 64 * 1024; ++i) {
    x = x * 1103515245u + 12345u;
    random.push_back(static_cast<char>(x >> 16));
  }
  SiteFixture f(nullptr);
  ASSERT_TRUE(WriteWholeFile("Sites.sts", random));
  LoadSites();
  const int shown = Count(appState.siteList);
  MessageBoxWatcher boxes;
  FillFields("New", "nh", "nu", "np", false, "");
  Press(AddButton());
  EXPECT_EQ(boxes.Count(), 0u);
  const std::string after = ReadWholeFile("Sites.sts");
  // Every byte is still there (a site's own line break may have become CR LF).
  EXPECT_GE(after.size(), random.size() + std::string("New;nh;nu;np;0;21\r\n").size());
  EXPECT_EQ(after.compare(after.size() - 19, 19, "New;nh;nu;np;0;21\r\n"), 0);
  EXPECT_EQ(Count(appState.siteList), shown + 1);
}

TEST(SitesWindowFile, Utf16IsReadAsAnsiTextAndWrittenSo) {
  SiteFixture f(nullptr);
  ASSERT_TRUE(WriteWholeFile("Sites.sts", Utf16Le(u"one;h;u;p;0;21\r\nArchive;files;;;1;21\r\n")));
  LoadSites();
  ASSERT_EQ(Count(appState.siteList), 2);
  EXPECT_EQ(SiteListItem(1), "Archive");
  DoubleClickSite(1);
  EXPECT_EQ(Caption(appState.hostEdit), "files");
  Make(Change::kAdd);
  EXPECT_EQ(ReadWholeFile("Sites.sts"),
            "one;h;u;p;0;21\r\nArchive;files;;;1;21\r\nNew;nh;nu;np;0;21\r\n");
}

// A UTF-16 file that cannot be written without loss (114 bytes became 13 when a line held a
// character the ANSI code page lacked; an unpaired surrogate has a form in no code page): left
// as it is, every save stops with a box, and the change is not kept.
TEST(SitesWindowFile, Utf16ThatCannotBeWrittenWithoutLossIsLeftAlone) {
  const std::string before =
      Utf16Le(u"one;h;u;p;0;21\r\n\xd800;h;u;p;0;21\r\nArchive;files;;;1;21\r\n");
  for (Change change : {Change::kAdd, Change::kDelete, Change::kOk}) {
    SCOPED_TRACE(static_cast<int>(change));
    SiteFixture f(nullptr);
    ASSERT_TRUE(WriteWholeFile("Sites.sts", before));
    LoadSites();
    ASSERT_EQ(Count(appState.siteList), 2);
    MessageBoxWatcher boxes;
    Make(change);
    EXPECT_EQ(ReadWholeFile("Sites.sts"), before);
    ASSERT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(boxes.Last().text, kUnwritableSitesText);
    EXPECT_EQ(boxes.Last().caption, "ZevFtp");
    EXPECT_EQ(boxes.Last().owner, appState.siteWindow->handle);
    EXPECT_EQ(Count(appState.siteList), 2);
    EXPECT_EQ(SiteListItem(1), "Archive");
  }
}

// A site named in Japanese with a Cyrillic password goes into the file in UTF-8 and comes back
// into the fields exactly; a file an older ZevFtp wrote in code page 1252 shows "café" and is
// written back unchanged when another site is added.
TEST(SitesWindowFile, NamesInEveryScriptRoundTrip) {
  const std::wstring name = L"\u65e5\u672c\u8a9e\u30b5\u30fc\u30d0\u30fc";
  const std::wstring password = L"\u043f\u0430\u0440\u043e\u043b\u044c";
  if (!ProgramCodePageHolds(name + password)) GTEST_SKIP() << "the code page lacks the names";
  const std::string old = "caf\xE9;old;u;p;0;21\r\n";
  SiteFixture f(old.c_str());
  ASSERT_EQ(Count(appState.siteList), 1);
  EXPECT_EQ(SiteListItem(0), ProgramText(L"caf\u00e9"));
  FillFields(ProgramText(name).c_str(), "h", "u", ProgramText(password).c_str(), false, "21");
  Press(AddButton());
  EXPECT_EQ(ReadWholeFile("Sites.sts"),
            old + Utf8Bytes(name) + ";h;u;" + Utf8Bytes(password) + ";0;21\r\n");
  FillFields("", "", "", "", false, "");
  LoadSites();
  ASSERT_EQ(Count(appState.siteList), 2);
  EXPECT_EQ(SiteListItem(1), ProgramText(name));
  DoubleClickSite(1);
  EXPECT_EQ(WideText(Caption(appState.siteNameEdit)), name);
  EXPECT_EQ(WideText(Caption(appState.passwordEdit)), password);
  // Opened and stored with "&Ok" unchanged, the old site keeps its bytes.
  DoubleClickSite(0);
  Press(appState.okSiteButton);
  EXPECT_EQ(ReadWholeFile("Sites.sts").substr(0, old.size()), old);
}

// ---- Fields a line cannot hold ----

// A ";" typed into a field was stored as it was: the password "pa;ss" came back as "pa" and the
// port as "0;47455". Each text field is refused with a box naming it; nothing is stored and
// the fields stay as typed.
TEST(SiteWindowHandlers, AFieldALineCannotHoldIsRefusedByName) {
  struct Case {
    Control** field;
    const char* label;
    const char* typed;
  } cases[] = {
      {&appState.siteNameEdit, "Site:", "my;site"},
      {&appState.hostEdit, "Host Address:", "host;x"},
      {&appState.userEdit, "User Name:", "us;er"},
      {&appState.passwordEdit, "Password:", "pa;ss"},
      {&appState.portEdit, "Port Number:", "0;47455"},
      {&appState.hostEdit, "Host Address:", "host\x1b"},
  };
  const std::string before = "one;h;u;p;0;21\r\n";
  for (const Case& c : cases) {
    for (bool ok : {false, true}) {
      SCOPED_TRACE(std::string(c.label) + (ok ? " Ok" : " Add"));
      SiteFixture f(before.c_str());
      FillFields("n", "h", "u", "p", false, "21");
      SetCaption(*c.field, c.typed);
      MessageBoxWatcher boxes;
      if (ok) {
        SelectSite(0);
        Press(appState.okSiteButton);
      } else {
        Press(AddButton());
      }
      ASSERT_EQ(boxes.Count(), 1u);
      EXPECT_EQ(boxes.Last().text, std::string("The field \"") + c.label +
                                       "\" may not hold \";\", a line break or a control "
                                       "character.");
      EXPECT_EQ(boxes.Last().caption, "ZevFtp");
      EXPECT_EQ(boxes.Last().owner, appState.siteWindow->handle);
      EXPECT_EQ(ReadWholeFile("Sites.sts"), before);
      EXPECT_EQ(Count(appState.siteList), 1);
      EXPECT_EQ(Caption(*c.field), c.typed);
      // Ok did not close the window.
      EXPECT_TRUE(IsWindowVisible(appState.siteWindow->handle));
      EXPECT_EQ(appState.siteWindow->form.modalResult, 0);
    }
  }
}

// Stored as the file's first line, such a name had the whole file read in another encoding. The
// file is UTF-8: "\u00ff\u00fe" (the bytes of a UTF-16 mark in code page 1252) is stored as two
// characters of UTF-8, and only U+FEFF, the UTF-8 mark, is refused.
TEST(SiteWindowHandlers, ANameStartingLikeAByteOrderMarkIsRefused) {
  const struct {
    std::wstring name;
    bool refused;
  } cases[] = {
      {L"\u00ff\u00femy site", false}, {L"\u00fe\u00ffmy site", false}, {L"\ufeffmy site", true}};
  for (const auto& c : cases) {
    if (!ProgramCodePageHolds(c.name)) continue;
    const std::string name = ProgramText(c.name);
    SCOPED_TRACE(name);
    SiteFixture f(nullptr);
    FillFields(name.c_str(), "h", "u", "p", false, "21");
    MessageBoxWatcher boxes;
    Press(AddButton());
    EXPECT_EQ(Caption(appState.siteNameEdit), name);
    if (!c.refused) {
      EXPECT_EQ(boxes.Count(), 0u);
      EXPECT_EQ(ReadWholeFile("Sites.sts"), Utf8Bytes(c.name) + ";h;u;p;0;21\r\n");
      continue;
    }
    ASSERT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(boxes.Last().text, EncodingMarkNameText());
    EXPECT_FALSE(FileExists("Sites.sts"));
    EXPECT_EQ(Count(appState.siteList), 0);
  }
}

// Without a selection Ok stores nothing, so it lets a ";" through to the connection.
TEST(SiteWindowHandlers, OkWithoutSelectionTakesAnyPassword) {
  SiteFixture f("one;h;u;p;0;21\r\n");
  FillFields("n", "h", "u", "pa;ss", false, "21");
  MessageBoxWatcher boxes;
  Press(appState.okSiteButton);
  EXPECT_EQ(boxes.Count(), 0u);
  EXPECT_EQ(appState.siteWindow->form.modalResult, kSiteResultOk);
  EXPECT_EQ(ReadWholeFile("Sites.sts"), "one;h;u;p;0;21\r\n");
}

TEST(SiteWindowClose, ARefusedOkKeepsTheModalShowingOpen) {
  TempFolder folder(true);
  WriteWholeFile("Sites.sts", "one;h;u;p;0;21\r\n");
  RunProgramWith([] {
    LoadSites();
    MessageBoxWatcher boxes;
    bool shownAfterRefusal = false;
    int32_t resultAfterRefusal = -5;
    CallFromNextLoop([&] {
      SelectSite(0);
      SetCaption(appState.passwordEdit, "pa;ss");
      Press(appState.okSiteButton);
      shownAfterRefusal = IsWindowVisible(appState.siteWindow->handle) != FALSE;
      resultAfterRefusal = appState.siteWindow->form.modalResult;
      Press(appState.cancelSiteButton);
    });
    ShowSiteManager();
    EXPECT_EQ(boxes.Count(), 1u);
    EXPECT_TRUE(shownAfterRefusal);
    EXPECT_EQ(resultAfterRefusal, 0);
    EXPECT_EQ(appState.siteWindow->form.modalResult, kSiteResultCancel);
    EXPECT_EQ(ReadWholeFile("Sites.sts"), "one;h;u;p;0;21\r\n");
  });
}
