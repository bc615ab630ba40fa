// The Application, forms, the message loop and its end, modal showing and the plain message
// box.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "tests/support/msgbox_watch.h"
#include "winobj/application.h"
#include "winobj/control.h"

namespace {

constexpr UINT kStart = WM_APP + 1;
constexpr UINT kInModal = WM_APP + 2;
constexpr UINT_PTR kSafetyTimer = 77;
constexpr UINT kSafetyMs = 20000;

// Ends a loop that would otherwise hang the test: the test fails on the flag.
bool safetyFired = false;
void CALLBACK SafetyTimer(HWND, UINT, UINT_PTR, DWORD) {
  safetyFired = true;
  PostQuitMessage(1);
}

TEST(ApplicationObject, SettingsAndSystemMenu) {
  Control* app = CreateApplication("ZevFtp");
  EXPECT_EQ(applicationWindowUsed, 1);
  EXPECT_EQ(std::string(app->className), "App");
  EXPECT_EQ(app->style, 0x90CA0000u);
  EXPECT_EQ(app->exStyle, static_cast<uint32_t>(WS_EX_APPWINDOW));
  EXPECT_EQ(Caption(app), "ZevFtp");
  ASSERT_NE(HandleOf(app), nullptr);
  HMENU menu = GetSystemMenu(app->handle, FALSE);
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(GetMenuState(menu, SC_SIZE, MF_BYCOMMAND), static_cast<UINT>(-1));
  EXPECT_EQ(GetMenuState(menu, SC_MOVE, MF_BYCOMMAND), static_cast<UINT>(-1));
  EXPECT_EQ(GetMenuState(menu, SC_MAXIMIZE, MF_BYCOMMAND), static_cast<UINT>(-1));
  EXPECT_NE(GetMenuState(menu, SC_RESTORE, MF_BYCOMMAND) & MF_GRAYED, 0u);
  EXPECT_NE(GetMenuState(menu, SC_CLOSE, MF_BYCOMMAND), static_cast<UINT>(-1));
  Free(app);
}

TEST(ApplicationObject, TheFirstFormIsTheMainWindow) {
  Control* app = CreateApplication("App");
  Control* main = CreateForm(app, "Main");
  Control* second = CreateForm(app, "Second");
  Control* button = CreateChildControl(main, "BUTTON", WS_CHILD, true, nullptr);
  Control* loose = CreateForm(nullptr, "Loose");
  EXPECT_TRUE(IsMainWindow(main));
  EXPECT_FALSE(IsMainWindow(second));
  EXPECT_FALSE(IsMainWindow(button));
  EXPECT_TRUE(IsMainWindow(loose));
  EXPECT_TRUE(IsMainWindow(app));  // only while Run is active is it not
  applicationObject = app;
  EXPECT_FALSE(IsMainWindow(app));
  applicationObject = nullptr;
  Free(loose);
  Free(app);
}

TEST(ApplicationObject, FormsArePaintedWithTheirColour) {
  Control* form = CreateForm(nullptr, "Paint");
  form->color = RGB(0, 128, 0);
  form->boundsRect = RECT{50, 50, 250, 200};
  form->boundsFlags = kLeftSet | kTopSet;
  Show(form);
  UpdateWindow(form->handle);
  HDC dc = GetDC(form->handle);
  // Paint into our own device context through the form procedure's wParam path.
  SendMessageA(form->handle, WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
  EXPECT_EQ(GetPixel(dc, 10, 10), RGB(0, 128, 0));
  ReleaseDC(form->handle, dc);
  Free(form);
}

bool CloseMainOnStart(void* receiver, MessageRecord& msg, LRESULT&) {
  if (msg.message == kStart) PostMessageA(static_cast<Control*>(receiver)->handle, WM_CLOSE, 0, 0);
  return false;
}

TEST(ApplicationRun, ClosingTheMainWindowEndsRunAndFreesEverything) {
  const int baseline = liveControlCount;
  Control* app = CreateApplication("App");
  Control* main = CreateForm(app, "Main");
  Control* second = CreateForm(app, "Second");
  CreateChildControl(main, "BUTTON", WS_CHILD | WS_VISIBLE, true, nullptr);
  main->messageEvent = {CloseMainOnStart, main};
  HWND mainWindow = HandleOf(main);  // hidden until Run shows it
  EXPECT_FALSE(IsWindowVisible(mainWindow));
  HWND secondWindow = HandleOf(second);
  PostMessageA(mainWindow, kStart, 0, 0);
  SetTimer(nullptr, kSafetyTimer, kSafetyMs, SafetyTimer);
  Control* variable = app;
  ::Run(variable);
  KillTimer(nullptr, kSafetyTimer);
  EXPECT_FALSE(safetyFired);
  EXPECT_EQ(variable, nullptr);
  EXPECT_EQ(applicationRunning, 0);
  EXPECT_EQ(applicationObject, nullptr);
  EXPECT_EQ(applicationTerminated, 1);
  EXPECT_EQ(liveControlCount, baseline);
  EXPECT_FALSE(IsWindow(mainWindow));
  EXPECT_FALSE(IsWindow(secondWindow));
}

bool runSawWindowsShown = false;
bool CheckShownThenQuit(void* receiver, MessageRecord& msg, LRESULT&) {
  if (msg.message != kStart) return false;
  Control* main = static_cast<Control*>(receiver);
  runSawWindowsShown = IsWindowVisible(main->handle) && applicationRunning &&
                       IsWindowVisible(main->Child(0)->handle);
  PostQuitMessage(0);
  return true;
}

TEST(ApplicationRun, RunShowsTheWindowsCreatedHidden) {
  Control* app = CreateApplication("App");
  Control* main = CreateForm(app, "Main");
  Control* button = CreateChildControl(main, "BUTTON", WS_CHILD | WS_VISIBLE, true, nullptr);
  HandleOf(button);
  main->messageEvent = {CheckShownThenQuit, main};
  PostMessageA(main->handle, kStart, 0, 0);
  SetTimer(nullptr, kSafetyTimer, kSafetyMs, SafetyTimer);
  ::Run(app);
  EXPECT_FALSE(safetyFired);
  EXPECT_TRUE(runSawWindowsShown);
}

bool appSawChildMessage = false;
bool AppWatchesAll(void*, MessageRecord& msg, LRESULT&) {
  if (msg.message == kStart) {
    appSawChildMessage = true;
    PostQuitMessage(0);
  }
  return false;
}

TEST(ApplicationRun, TheApplicationsMessageEventSeesEveryControl) {
  Control* app = CreateApplication("App");
  Control* main = CreateForm(app, "Main");
  app->messageEvent = {AppWatchesAll, nullptr};
  PostMessageA(HandleOf(main), kStart, 0, 0);
  SetTimer(nullptr, kSafetyTimer, kSafetyMs, SafetyTimer);
  ::Run(app);
  EXPECT_TRUE(appSawChildMessage);
}

int closeAsks = 0;
void RefuseFirstClose(void*, Control*, uint8_t& accept) {
  if (++closeAsks == 1) accept = 0;
}

bool CloseTwice(void* receiver, MessageRecord& msg, LRESULT&) {
  if (msg.message != kStart) return false;
  Control* main = static_cast<Control*>(receiver);
  SendMessageA(main->handle, WM_CLOSE, 0, 0);  // refused
  MSG quit;
  EXPECT_FALSE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));
  PostMessageA(main->handle, WM_CLOSE, 0, 0);  // accepted: the program ends
  return true;
}

TEST(ApplicationRun, ACloseHandlerCanRefuse) {
  Control* app = CreateApplication("App");
  Control* main = CreateForm(app, "Main");
  main->closeEvent = {RefuseFirstClose, nullptr};
  main->messageEvent = {CloseTwice, main};
  PostMessageA(HandleOf(main), kStart, 0, 0);
  SetTimer(nullptr, kSafetyTimer, kSafetyMs, SafetyTimer);
  ::Run(app);
  EXPECT_FALSE(safetyFired);
  EXPECT_EQ(closeAsks, 2);
}

bool appMinimised = false;
HWND appWindow = nullptr;
bool WatchAppMinimise(void*, MessageRecord& msg, LRESULT&) {
  // The Application's message event sees every control's messages: only its own count here.
  if (msg.hwnd == appWindow && msg.message == WM_SYSCOMMAND &&
      (msg.wParam & 0xFFF0) == SC_MINIMIZE) {
    appMinimised = true;
    PostQuitMessage(0);
    return true;
  }
  return false;
}

bool MinimiseOnStart(void* receiver, MessageRecord& msg, LRESULT&) {
  if (msg.message != kStart) return false;
  Control* main = static_cast<Control*>(receiver);
  SendMessageA(main->handle, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  EXPECT_FALSE(IsIconic(main->handle));  // the task-bar entry is minimised instead
  return true;
}

TEST(ApplicationRun, MinimisingTheMainWindowMinimisesTheApplication) {
  Control* app = CreateApplication("App");
  Control* main = CreateForm(app, "Main");
  main->messageEvent = {MinimiseOnStart, main};
  PostMessageA(HandleOf(main), kStart, 0, 0);
  appWindow = HandleOf(app);
  app->messageEvent = {WatchAppMinimise, nullptr};
  SetTimer(nullptr, kSafetyTimer, kSafetyMs, SafetyTimer);
  ::Run(app);
  EXPECT_FALSE(safetyFired);
  EXPECT_TRUE(appMinimised);
}

TEST(ApplicationMessage, CaptionIsTheApplicationsWhileRunning) {
  MessageBoxWatcher watcher(IDOK);
  ShowMessage("outside");
  ASSERT_EQ(watcher.Count(), 1u);
  EXPECT_EQ(watcher.Last().text, "outside");
  EXPECT_NE(watcher.Last().caption, "ZevFtp");  // the platform's default caption
  Control* app = CreateApplication("ZevFtp");
  applicationRunning = 1;
  applicationObject = app;
  ShowMessage("inside");
  applicationRunning = 0;
  applicationObject = nullptr;
  ASSERT_EQ(watcher.Count(), 2u);
  EXPECT_EQ(watcher.Last().caption, "ZevFtp");
  EXPECT_EQ(watcher.Last().text, "inside");
  Free(app);
}

bool pendingSeen = false;
bool SeePending(void*, MessageRecord& msg, LRESULT&) {
  if (msg.message == kStart) pendingSeen = true;
  return false;
}

bool wokenByTimer = false;
void CALLBACK WakeTimer(HWND, UINT, UINT_PTR, DWORD) { wokenByTimer = true; }

TEST(ApplicationLoop, PendingMessagesAreHandledWithoutWaitingForANewOne) {
  Control* app = CreateApplication("App");
  HWND window = HandleOf(app);
  MSG drain;
  while (PeekMessageA(&drain, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&drain);
  app->messageEvent = {SeePending, nullptr};
  applicationObject = app;
  PostMessageA(window, kStart, 0, 0);
  // Only a fault waits this long: the timer is the new message that would end the wait.
  const UINT_PTR timer = SetTimer(nullptr, 0, 3000, WakeTimer);
  ProcessPendingMessages(app);
  KillTimer(nullptr, timer);
  applicationObject = nullptr;
  EXPECT_TRUE(pendingSeen);
  EXPECT_FALSE(wokenByTimer);
  Free(app);
}

// ---- Accelerators ----

// What reached each window's own message event: "app:<id>" or "form:<id>" for an
// accelerator's WM_COMMAND, "form:key" for the key itself.
std::vector<std::string> reached;
bool RecordCommandOrKey(void* receiver, MessageRecord& msg, LRESULT&) {
  const std::string who = static_cast<const char*>(receiver);
  if (msg.message == WM_COMMAND && HIWORD(msg.wParam) == 1) {
    reached.push_back(who + ":" + std::to_string(LOWORD(msg.wParam)));
  } else if (msg.message == WM_KEYDOWN && msg.wParam == VK_F2) {
    reached.push_back(who + ":key");
  }
  return false;
}

HACCEL F2Table(WORD command) {
  ACCEL accel{FVIRTKEY, VK_F2, command};
  return CreateAcceleratorTableA(&accel, 1);
}

// The Application's table first, then that of the active form, before the key is dispatched.
TEST(ApplicationLoop, AcceleratorsAreTranslatedBeforeDispatch) {
  struct Case {
    const char* name;
    bool appTable, formTable, formActive;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {"no table", false, false, true, {"form:key"}},
      {"application's table", true, false, false, {"app:101"}},
      {"active form's table", false, true, true, {"form:202"}},
      {"both: the application's wins", true, true, true, {"app:101"}},
      {"table of a form that is not active", false, true, false, {"form:key"}},
  };
  static char kApp[] = "app";
  static char kForm[] = "form";
  for (const Case& test : cases) {
    SCOPED_TRACE(test.name);
    Control* app = CreateApplication("App");
    Control* form = CreateForm(app, "Form");
    ASSERT_NE(HandleOf(form), nullptr);
    app->messageEvent = {RecordCommandOrKey, kApp};
    form->messageEvent = {RecordCommandOrKey, kForm};
    if (test.appTable) app->accelerators = F2Table(101);
    if (test.formTable) form->accelerators = F2Table(202);
    app->currentControl = test.formActive ? form : nullptr;
    MSG drain;
    while (PeekMessageA(&drain, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&drain);
    reached.clear();
    PostMessageA(form->handle, WM_KEYDOWN, VK_F2, 1);
    while (ProcessMessage(app)) {
    }
    EXPECT_EQ(reached, test.expected);
    Free(app);
  }
}

// ---- Modal showing ----

struct ModalRun {
  Control* app = nullptr;
  Control* main = nullptr;
  Control* dialog = nullptr;
  Control* third = nullptr;
  bool mainEnabledDuring = true;
  bool thirdEnabledDuring = true;
  bool dialogEnabledDuring = false;
  bool returned = false;
  bool quitInside = false;
  int result = 99;
  HWND focusAfter = nullptr;
};
ModalRun modal;

bool MainStartsModal(void*, MessageRecord& msg, LRESULT&) {
  if (msg.message != kStart) return false;
  PostMessageA(modal.dialog->handle, kInModal, 0, 0);
  ShowModal(modal.dialog);
  modal.returned = true;
  modal.result = modal.dialog->form.modalResult;
  modal.focusAfter = GetFocus();
  if (!applicationTerminated) PostMessageA(modal.main->handle, WM_CLOSE, 0, 0);
  return true;
}

bool DialogInModal(void*, MessageRecord& msg, LRESULT&) {
  if (msg.message != kInModal) return false;
  modal.mainEnabledDuring = IsWindowEnabled(modal.main->handle);
  modal.thirdEnabledDuring = IsWindowEnabled(modal.third->handle);
  modal.dialogEnabledDuring = IsWindowEnabled(modal.dialog->handle);
  if (modal.quitInside) {
    PostQuitMessage(0);
  } else {
    PostMessageA(modal.dialog->handle, WM_CLOSE, 0, 0);  // the close box
  }
  return true;
}

class ModalShowing : public ::testing::Test {
 protected:
  void SetUp() override {
    modal = ModalRun();
    baseline_ = liveControlCount;
    modal.app = CreateApplication("App");
    modal.main = CreateForm(modal.app, "Main");
    modal.dialog = CreateForm(modal.app, "Dialog");
    modal.third = CreateForm(modal.app, "Third");
    CreateChildControl(modal.main, "EDIT", WS_CHILD | WS_VISIBLE | WS_TABSTOP, true, nullptr);
    modal.main->messageEvent = {MainStartsModal, nullptr};
    modal.dialog->messageEvent = {DialogInModal, nullptr};
    modal.dialog->visibilitySet = 1;  // shown only by ShowModal
    SetVisible(modal.dialog, false);
  }
  void RunIt() {
    PostMessageA(HandleOf(modal.main), kStart, 0, 0);
    SetTimer(nullptr, kSafetyTimer, kSafetyMs, SafetyTimer);
    ::Run(modal.app);
    KillTimer(nullptr, kSafetyTimer);
    EXPECT_FALSE(safetyFired);
    EXPECT_EQ(liveControlCount, baseline_);
  }
  int baseline_ = 0;
};

TEST_F(ModalShowing, OtherFormsAreDisabledDuringTheRunAndCloseGivesMinusOne) {
  RunIt();
  EXPECT_TRUE(modal.returned);
  EXPECT_FALSE(modal.mainEnabledDuring);
  EXPECT_FALSE(modal.thirdEnabledDuring);
  EXPECT_TRUE(modal.dialogEnabledDuring);
  EXPECT_EQ(modal.result, -1);
}

bool windowKept = false;
HWND mainEditWindow = nullptr;
bool enabledAfter = false;
bool CheckAfterModal(void*, MessageRecord& msg, LRESULT&) {
  if (msg.message != kStart) return false;
  PostMessageA(modal.dialog->handle, kInModal, 0, 0);
  ShowModal(modal.dialog);
  modal.result = modal.dialog->form.modalResult;
  windowKept = IsWindow(modal.dialog->handle) && IsWindowVisible(modal.dialog->handle);
  enabledAfter = IsWindowEnabled(modal.main->handle) && IsWindowEnabled(modal.third->handle);
  modal.focusAfter = GetFocus();
  mainEditWindow = modal.main->Child(0)->handle;
  PostMessageA(modal.main->handle, WM_CLOSE, 0, 0);
  return true;
}

TEST_F(ModalShowing, TheCloseBoxKeepsTheWindowAndEverythingIsEnabledAfter) {
  modal.main->messageEvent = {CheckAfterModal, nullptr};
  RunIt();
  EXPECT_EQ(modal.result, -1);
  EXPECT_TRUE(windowKept);
  EXPECT_TRUE(enabledAfter);
  // The form active before gets the focus back, and passes it to its current control.
  EXPECT_EQ(modal.focusAfter, mainEditWindow);
}

TEST_F(ModalShowing, AQuitInsideTheModalRunEndsBothLoops) {
  modal.quitInside = true;
  RunIt();
  EXPECT_TRUE(modal.returned);
  EXPECT_EQ(modal.result, 0);  // not confirmed
}

TEST(ModalShowingPlain, AFormWithoutParentIsJustShown) {
  Control* form = CreateForm(nullptr, "Plain");
  ShowModal(form);
  EXPECT_TRUE(IsWindowVisible(form->handle));
  Free(form);
}

}  // namespace
