// The fixed order in which a message meets the layer's hooks, and what the shared window
// procedure does with reflected commands, notifications and colouring requests.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "winobj/application.h"
#include "winobj/control.h"
#include "winobj/controls.h"

namespace {

constexpr UINT kProbe = WM_APP + 3;

std::vector<std::string> order;
std::string stopAt;  // the stage that reports the message handled

bool Stage(const std::string& name, LRESULT& result) {
  order.push_back(name);
  if (name == stopAt) {
    result = 42;
    return true;
  }
  return false;
}

bool GlobalHook(Control*, MessageRecord& msg, LRESULT& result) {
  return msg.message == kProbe && Stage("global", result);
}
bool AppEvent(void*, MessageRecord& msg, LRESULT& result) {
  return msg.message == kProbe && Stage("appEvent", result);
}
bool AppHook(Control*, MessageRecord& msg, LRESULT& result) {
  return msg.message == kProbe && Stage("appHook", result);
}
bool ControlEvent(void*, MessageRecord& msg, LRESULT& result) {
  return msg.message == kProbe && Stage("event", result);
}
bool FirstAttached(Control*, MessageRecord& msg, LRESULT& result) {
  return msg.message == kProbe && Stage("first", result);
}
bool SecondAttached(Control*, MessageRecord& msg, LRESULT& result) {
  return msg.message == kProbe && Stage("second", result);
}

class DispatchOrder : public ::testing::Test {
 protected:
  void SetUp() override {
    order.clear();
    stopAt.clear();
    app_ = CreateApplication("Dispatch");
    form_ = CreateForm(app_, "Form");
    globalMessageHook = GlobalHook;
    app_->messageEvent = {AppEvent, nullptr};
    app_->windowProcHook = AppHook;
    form_->messageEvent = {ControlEvent, nullptr};
    AttachProc(form_, FirstAttached);
    AttachProc(form_, SecondAttached);
    ASSERT_NE(HandleOf(form_), nullptr);
  }
  void TearDown() override {
    applicationRunning = 0;
    applicationObject = nullptr;
    Free(app_);
  }
  // While the loop runs the Application sees every control's messages.
  void Running() {
    applicationRunning = 1;
    applicationObject = app_;
  }
  std::vector<std::string> Send() {
    order.clear();
    lastResult_ = SendMessageA(form_->handle, kProbe, 0, 0);
    return order;
  }

  Control* app_ = nullptr;
  Control* form_ = nullptr;
  LRESULT lastResult_ = 0;
};

using Order = std::vector<std::string>;

TEST_F(DispatchOrder, EveryStageInTurnWhileTheLoopRuns) {
  Running();
  EXPECT_EQ(Send(), (Order{"global", "appEvent", "appHook", "event", "second", "first"}));
  EXPECT_EQ(lastResult_, 0);
}

TEST_F(DispatchOrder, TheFirstStageThatHandlesEndsTheDispatch) {
  Running();
  const Order all{"global", "appEvent", "appHook", "event", "second", "first"};
  for (size_t i = 0; i < all.size(); ++i) {
    stopAt = all[i];
    EXPECT_EQ(Send(), Order(all.begin(), all.begin() + i + 1)) << "handled at " << stopAt;
    EXPECT_EQ(lastResult_, 42);
  }
}

TEST_F(DispatchOrder, ApplicationStagesOnlyWhileTheLoopRuns) {
  EXPECT_EQ(Send(), (Order{"global", "event", "second", "first"}));
}

TEST_F(DispatchOrder, ApplicationDoesNotSeeItsOwnMessagesTwice) {
  Running();
  HandleOf(app_);
  order.clear();
  SendMessageA(app_->handle, kProbe, 0, 0);
  // The application's own message event is step 3 for it: seen once.
  EXPECT_EQ(order, (Order{"global", "appEvent", "appHook"}));
}

int attachedRuns = 0;
bool CountingProc(Control*, MessageRecord& msg, LRESULT&) {
  if (msg.message == kProbe) ++attachedRuns;
  return false;
}

TEST(DispatchAttached, ApplicationWithAttachedProcsDoesNotRunAControlsProcsTwice) {
  // CreateApplication attaches its focus procedure, so its windowProcHook dispatches its own
  // attached procedures; a control's procedures must still run once per message.
  Control* app = CreateApplication("App");
  Control* form = CreateForm(app, "Form");
  AttachProc(form, CountingProc);
  HandleOf(form);
  applicationRunning = 1;
  applicationObject = app;
  SendMessageA(form->handle, kProbe, 0, 0);
  EXPECT_EQ(attachedRuns, 1);
  applicationRunning = 0;
  applicationObject = nullptr;
  Free(app);
}

TEST(DispatchAttached, AttachTwiceDetachAndAsk) {
  Control* form = CreateForm(nullptr, "Form");
  AttachProc(form, CountingProc);
  AttachProc(form, CountingProc);
  EXPECT_TRUE(IsProcAttached(form, CountingProc));
  HandleOf(form);
  attachedRuns = 0;
  SendMessageA(form->handle, kProbe, 0, 0);
  EXPECT_EQ(attachedRuns, 1);
  DetachProc(form, CountingProc);
  EXPECT_FALSE(IsProcAttached(form, CountingProc));
  SendMessageA(form->handle, kProbe, 0, 0);
  EXPECT_EQ(attachedRuns, 1);
  Free(form);
}

// Procedures that detach others while a message is being dispatched: each attached procedure
// runs at most once, and one detached before its turn does not run.
std::vector<std::string> ran;
std::string detacher;
HookProc detachVictim = nullptr;

bool RunAndMaybeDetach(const std::string& name, Control* control, const MessageRecord& msg) {
  if (msg.message != kProbe) return false;
  ran.push_back(name);
  if (name == detacher && detachVictim) DetachProc(control, detachVictim);
  return false;
}
bool ProcA(Control* c, MessageRecord& msg, LRESULT&) { return RunAndMaybeDetach("A", c, msg); }
bool ProcB(Control* c, MessageRecord& msg, LRESULT&) { return RunAndMaybeDetach("B", c, msg); }
bool ProcC(Control* c, MessageRecord& msg, LRESULT&) { return RunAndMaybeDetach("C", c, msg); }

TEST(DispatchAttached, DetachingDuringTheCallsRunsEveryProcedureAtMostOnce) {
  struct Case {
    const char* detacher;
    HookProc victim;
    Order expected;
  };
  const Case cases[] = {
      {"C", ProcA, {"C", "B"}},  // an earlier-attached one, not yet run
      {"C", ProcB, {"C", "A"}},      {"C", ProcC, {"C", "B", "A"}},  // itself
      {"A", ProcC, {"C", "B", "A"}},                                 // one that already ran
      {"B", ProcA, {"C", "B"}},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(std::string(test.detacher) + " detaches");
    Control* form = CreateForm(nullptr, "Form");
    AttachProc(form, ProcA);
    AttachProc(form, ProcB);
    AttachProc(form, ProcC);
    ASSERT_NE(HandleOf(form), nullptr);
    ran.clear();
    detacher = test.detacher;
    detachVictim = test.victim;
    SendMessageA(form->handle, kProbe, 0, 0);
    EXPECT_EQ(ran, test.expected);
    EXPECT_FALSE(IsProcAttached(form, test.victim));
    detachVictim = nullptr;
    Free(form);
  }
}

// ---- Reflected commands and notifications ----

std::vector<std::string> events;
void Clicked(void*, Control*) { events.push_back("click"); }
void Entered(void*, Control*) { events.push_back("enter"); }
void Left(void*, Control*) { events.push_back("leave"); }
void Changed(void*, Control*) { events.push_back("change"); }
void DroppedDown(void*, Control*) { events.push_back("dropdown"); }
void ClosedUp(void*, Control*) { events.push_back("closeup"); }
void DoubleClicked(void*, Control*, MouseRecord& mouse) {
  events.push_back("double" + std::to_string(mouse.button));
}

void FireDropDownEvent(Control* control) {
  if (control->dropDownEvent) control->dropDownEvent.proc(control->dropDownEvent.receiver, control);
}

class DispatchReflect : public ::testing::Test {
 protected:
  void SetUp() override {
    events.clear();
    form_ = CreateForm(nullptr, "Form");
  }
  void TearDown() override { Free(form_); }
  void Wire(Control* c) {
    c->clickEvent = {Clicked, nullptr};
    c->enterEvent = {Entered, nullptr};
    c->leaveEvent = {Left, nullptr};
    c->changeEvent = {Changed, nullptr};
    c->dropDownEvent = {DroppedDown, nullptr};
    c->closeUpEvent = {ClosedUp, nullptr};
    c->doubleClickEvent = {DoubleClicked, nullptr};
  }
  void Command(Control* c, WORD code) {
    SendMessageA(HandleOf(form_), WM_COMMAND, MAKEWPARAM(c->menuOrId, code),
                 reinterpret_cast<LPARAM>(HandleOf(c)));
  }
  Control* form_ = nullptr;
};

TEST_F(DispatchReflect, EditCodesFireTheirEvents) {
  ClassCommands edit;
  edit.enterCode = EN_SETFOCUS;
  edit.leaveCode = EN_KILLFOCUS;
  edit.changeCode = EN_CHANGE;
  Control* c = CreateChildControl(form_, "EDIT", WS_CHILD | WS_VISIBLE, true, &edit);
  Wire(c);
  Command(c, EN_SETFOCUS);
  Command(c, EN_CHANGE);
  Command(c, EN_KILLFOCUS);
  Command(c, 0);           // code 0 matches the click code first
  Command(c, EN_MAXTEXT);  // no such code: nothing
  EXPECT_EQ(events, (std::vector<std::string>{"enter", "change", "leave", "click"}));
}

TEST_F(DispatchReflect, ComboDropDownAndCloseUp) {
  ClassCommands combo;
  combo.clickCode = CBN_DBLCLK;
  combo.enterCode = CBN_SETFOCUS;
  combo.leaveCode = CBN_KILLFOCUS;
  combo.selChangeCode = CBN_SELCHANGE;
  combo.currentIndexMsg = CB_GETCURSEL;
  combo.dropDown = FireDropDownEvent;
  Control* c = CreateChildControl(form_, "COMBOBOX", WS_CHILD | CBS_DROPDOWNLIST, true, &combo);
  Wire(c);
  SendMessageA(HandleOf(c), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("A"));
  SendMessageA(HandleOf(c), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("C"));
  SendMessageA(HandleOf(c), CB_SETCURSEL, 1, 0);
  Command(c, CBN_DROPDOWN);
  EXPECT_EQ(c->combo.droppedDown, 1);
  EXPECT_EQ(c->combo.dropDownIndex, 1);
  Command(c, CBN_CLOSEUP);
  EXPECT_EQ(c->combo.droppedDown, 0);
  Command(c, CBN_SELCHANGE);
  EXPECT_EQ(events, (std::vector<std::string>{"dropdown", "closeup", "change"}));
}

TEST_F(DispatchReflect, MenuCommandsAreNotReflected) {
  Control* c = CreateChildControl(form_, "BUTTON", WS_CHILD, true, nullptr);
  Wire(c);
  HandleOf(c);
  SendMessageA(form_->handle, WM_COMMAND, MAKEWPARAM(c->menuOrId, 0), 0);
  EXPECT_TRUE(events.empty());
}

TEST_F(DispatchReflect, CommonControlNotificationsFireEventsAndGoOn) {
  Control* list = CreateCommonControl(form_, WC_LISTVIEWA, WS_CHILD | LVS_REPORT, true, nullptr);
  Wire(list);
  HWND lv = HandleOf(list);
  NMHDR hdr{lv, static_cast<UINT_PTR>(list->menuOrId), 0};
  for (UINT code : {UINT(NM_CLICK), UINT(NM_RCLICK), UINT(NM_DBLCLK), UINT(NM_RDBLCLK),
                    UINT(NM_SETFOCUS), UINT(NM_RETURN), UINT(NM_KILLFOCUS)}) {
    hdr.code = code;
    SendMessageA(form_->handle, WM_NOTIFY, hdr.idFrom, reinterpret_cast<LPARAM>(&hdr));
  }
  EXPECT_EQ(events, (std::vector<std::string>{"click", "click", "double1", "double2", "enter",
                                              "enter", "leave"}));
}

bool refuseEdit = false;
bool EndEdit(void*, Control*, int item, int, const char* text) {
  events.push_back(std::to_string(item) + ":" + text);
  return !refuseEdit;
}

TEST_F(DispatchReflect, EndOfLabelEditing) {
  Control* list = CreateCommonControl(form_, WC_LISTVIEWA, WS_CHILD | LVS_REPORT, true, nullptr);
  HWND lv = HandleOf(list);
  NMLVDISPINFOA info{};
  info.hdr = NMHDR{lv, static_cast<UINT_PTR>(list->menuOrId), UINT(LVN_ENDLABELEDITA)};
  info.item.iItem = 3;
  auto send = [&] {
    return SendMessageA(form_->handle, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&info));
  };
  EXPECT_EQ(send(), 0);  // cancelled: no text
  char text[] = "new";
  info.item.pszText = text;
  EXPECT_EQ(send(), 1);  // accepted without a handler
  list->listView.endEditEvent = {EndEdit, nullptr};
  EXPECT_EQ(send(), 1);
  refuseEdit = true;
  EXPECT_EQ(send(), 0);
  EXPECT_EQ(events, (std::vector<std::string>{"3:new", "3:new"}));
}

TEST_F(DispatchReflect, ColouringIsAnsweredByTheChildWithAKeptBrush) {
  Control* label = CreateChildControl(form_, "STATIC", WS_CHILD | WS_VISIBLE, true, nullptr);
  label->color = RGB(10, 20, 30);
  label->textColor = RGB(200, 100, 50);
  HWND window = HandleOf(label);
  HDC dc = GetDC(window);
  const LRESULT brush = SendMessageA(form_->handle, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                     reinterpret_cast<LPARAM>(window));
  EXPECT_NE(brush, 0);
  EXPECT_EQ(GetTextColor(dc), RGB(200, 100, 50));
  EXPECT_EQ(GetBkColor(dc), RGB(10, 20, 30));
  EXPECT_EQ(GetBkMode(dc), OPAQUE);
  LOGBRUSH lb{};
  GetObjectA(reinterpret_cast<HBRUSH>(brush), sizeof lb, &lb);
  EXPECT_EQ(lb.lbColor, RGB(10, 20, 30));
  // The same brush until the colour changes.
  EXPECT_EQ(SendMessageA(form_->handle, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                         reinterpret_cast<LPARAM>(window)),
            brush);
  SetColor(label, RGB(1, 2, 3));
  EXPECT_EQ(label->backgroundBrush, nullptr);
  label->transparent = 1;
  EXPECT_EQ(SendMessageA(form_->handle, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                         reinterpret_cast<LPARAM>(window)),
            reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH)));
  EXPECT_EQ(GetBkMode(dc), TRANSPARENT);
  ReleaseDC(window, dc);
}

TEST_F(DispatchReflect, CommonControlsReMeasureWhenTheirParentChangesSize) {
  static int sizes;
  sizes = 0;
  struct Local {
    static bool CountSize(Control*, MessageRecord& msg, LRESULT&) {
      if (msg.message == WM_SIZE) ++sizes;
      return false;
    }
  };
  Control* list = CreateCommonControl(form_, WC_LISTVIEWA, WS_CHILD | WS_VISIBLE, true, nullptr);
  HandleOf(list);
  AttachProc(list, Local::CountSize);
  sizes = 0;
  SetWindowPos(form_->handle, nullptr, 0, 0, 300, 200, SWP_NOMOVE | SWP_NOZORDER);
  EXPECT_GE(sizes, 1);
}

// ---- Exceptions never cross the window procedure ----

bool Throwing(Control*, MessageRecord& msg, LRESULT&) {
  if (msg.message == kProbe) throw std::string("boom");
  return false;
}

TEST(DispatchExceptions, AThrowingHandlerIsContainedAtTheEntry) {
  const int baseline = liveControlCount;
  Control* form = CreateForm(nullptr, "Form");
  AttachProc(form, Throwing);
  HWND window = HandleOf(form);
  EXPECT_EQ(SendMessageA(window, kProbe, 0, 0), 0);
  EXPECT_TRUE(IsWindow(window));
  // The references the dispatch held were given back: freeing destroys it at once.
  EXPECT_EQ(form->refCount, 0);
  Free(form);
  EXPECT_EQ(liveControlCount, baseline);
  EXPECT_FALSE(IsWindow(window));
}

// The window procedure finds its control in the process's own table, which must say what the
// "SELF_" property says: set while the window lives, gone with the control or the window.
bool CountProbe(Control*, MessageRecord& msg, LRESULT& result) {
  if (msg.message != kProbe) return false;
  result = 7;
  return true;
}

TEST(DispatchLookup, TheTableFollowsTheSelfProperty) {
  Control* form = CreateForm(nullptr, "Form");
  Control* child = NewButton(form, "Child");
  AttachProc(child, CountProbe);
  HWND formWindow = HandleOf(form);
  HWND childWindow = HandleOf(child);
  ASSERT_NE(childWindow, nullptr);
  const struct {
    HWND window;
    Control* control;
  } kLive[] = {{formWindow, form}, {childWindow, child}};
  for (const auto& c : kLive) {
    EXPECT_EQ(GetPropA(c.window, "SELF_"), c.control);
    EXPECT_EQ(ControlOfHandle(c.window), c.control);
  }
  EXPECT_EQ(SendMessageA(childWindow, kProbe, 0, 0), 7);
  EXPECT_EQ(ControlOfHandle(GetDesktopWindow()), nullptr);
  EXPECT_EQ(ControlOfHandle(nullptr), nullptr);

  // A window the platform destroys leaves the table with its property, though its control
  // lives on: a later window given the same handle must not reach the control.
  DestroyWindow(childWindow);
  EXPECT_FALSE(IsWindow(childWindow));
  EXPECT_EQ(ControlOfHandle(childWindow), nullptr);

  Free(form);
  EXPECT_EQ(ControlOfHandle(formWindow), nullptr);
}

}  // namespace
