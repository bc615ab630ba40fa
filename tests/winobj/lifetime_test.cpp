// Reference counting, deferred freeing and ObjectList, and controls freed from inside their own
// message handling: each must be destroyed exactly once, after the dispatch that freed it.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <malloc.h>
#include <new>
#include <string>
#include <vector>

#include "winobj/application.h"
#include "winobj/control.h"
#include "winobj/object.h"

// Freed blocks are filled with a pattern and never handed out again, so a use after free reads
// garbage (and calls through a garbage table) instead of passing unnoticed in intact memory.
// The few blocks a test frees are simply kept.
void* operator new(size_t n) {
  void* p = std::malloc(n ? n : 1);
  if (!p) throw std::bad_alloc();
  return p;
}
void operator delete(void* p) noexcept {
  if (!p) return;
  std::memset(p, 0xDD, _msize(p));
}
void operator delete(void* p, size_t) noexcept { operator delete(p); }

namespace {

// A fault (a use after free calling through the pattern) ends the test program at once with a
// failure, instead of leaving it to Wine's debugger until the time-out.
LONG CALLBACK EndOnAccessViolation(EXCEPTION_POINTERS* info) {
  if (info->ExceptionRecord->ExceptionCode == EXCEPTION_ACCESS_VIOLATION) {
    std::fputs("access violation: use of freed memory?\n", stderr);
    std::fflush(stderr);
    TerminateProcess(GetCurrentProcess(), 3);
  }
  return EXCEPTION_CONTINUE_SEARCH;
}

const PVOID faultHandler = AddVectoredExceptionHandler(1, EndOnAccessViolation);

}  // namespace

namespace {

constexpr UINT kTestMessage = WM_APP + 7;

// An Object whose destruction is observable.
class Probe : public Object {
 public:
  explicit Probe(int* destroyed) : destroyed_(destroyed) {}
  ~Probe() override { ++*destroyed_; }

 private:
  int* destroyed_;
};

TEST(LifetimeRefCount, FreeWithoutReferencesDestroysAtOnce) {
  int destroyed = 0;
  Free(new Probe(&destroyed));
  EXPECT_EQ(destroyed, 1);
  Free(nullptr);  // accepted, does nothing
}

TEST(LifetimeRefCount, FreeWhileHeldWaitsForTheLastRelease) {
  int destroyed = 0;
  Probe* p = new Probe(&destroyed);
  AddRef(p);
  AddRef(p);
  EXPECT_EQ(p->refCount, 4);
  Free(p);
  EXPECT_EQ(destroyed, 0);
  EXPECT_EQ(p->refCount & 1, 1);
  Free(p);  // a second free while the first is pending changes nothing
  EXPECT_EQ(p->refCount, 3);
  Release(p);
  EXPECT_EQ(destroyed, 0);
  Release(p);
  EXPECT_EQ(destroyed, 1);
}

TEST(LifetimeRefCount, ReleaseWithoutFreeKeepsTheObject) {
  int destroyed = 0;
  Probe* p = new Probe(&destroyed);
  AddRef(p);
  Release(p);
  EXPECT_EQ(destroyed, 0);
  EXPECT_EQ(p->refCount, 0);
  Free(p);
  EXPECT_EQ(destroyed, 1);
}

TEST(LifetimeObjectList, GrowsInStepsAndKeepsOrder) {
  ObjectList* list = CreateObjectList();
  int a, b, c, d, e;
  EXPECT_EQ(list->capacity, 0);
  EXPECT_EQ(list->items, nullptr);
  list->Append(&a);
  EXPECT_EQ(list->capacity, 4);
  list->Append(&b);
  list->Append(&c);
  list->Append(&d);
  EXPECT_EQ(list->capacity, 4);
  list->Append(&e);
  EXPECT_EQ(list->capacity, 8);
  EXPECT_EQ(list->count, 5);
  list->InsertAt(1, &e);
  EXPECT_EQ(list->At(0), &a);
  EXPECT_EQ(list->At(1), &e);
  EXPECT_EQ(list->At(2), &b);
  EXPECT_EQ(list->At(5), &e);
  EXPECT_EQ(list->IndexOf(&e), 1);  // first occurrence
  EXPECT_EQ(list->IndexOf(&list), -1);
  list->RemoveAt(0);
  EXPECT_EQ(list->At(0), &e);
  EXPECT_EQ(list->count, 5);
  list->RemoveAt(17);  // outside: ignored
  EXPECT_EQ(list->count, 5);
  list->SetCapacity(2);  // never below count
  EXPECT_EQ(list->capacity, 5);
  list->Clear();
  EXPECT_EQ(list->count, 0);
  EXPECT_EQ(list->capacity, 0);
  EXPECT_EQ(list->At(0), nullptr);
  FreeObjectList(list);
}

TEST(LifetimeObjectList, InsertAtTheEndAppends) {
  ObjectList* list = CreateObjectList();
  int a, b;
  list->InsertAt(0, &a);
  list->InsertAt(1, &b);
  EXPECT_EQ(list->count, 2);
  EXPECT_EQ(list->At(1), &b);
  list->InsertAt(5, &b);  // past the end: ignored
  EXPECT_EQ(list->count, 2);
  FreeObjectList(list);
}

// ---- Controls freed inside their own dispatch ----

class LifetimeControl : public ::testing::Test {
 protected:
  void SetUp() override {
    baseline_ = liveControlCount;
    form_ = CreateForm(nullptr, "Lifetime");
    button_ =
        CreateChildControl(form_, "BUTTON", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, true, nullptr);
    SetCaption(button_, "abc");
    ASSERT_NE(HandleOf(button_), nullptr);
    buttonWindow_ = button_->handle;
    formWindow_ = form_->handle;
  }
  void TearDown() override {
    if (form_) Free(form_);
    EXPECT_EQ(liveControlCount, baseline_) << "a Control leaked or was freed twice";
  }

  int baseline_ = 0;
  Control* form_ = nullptr;
  Control* button_ = nullptr;
  HWND buttonWindow_ = nullptr;
  HWND formWindow_ = nullptr;
};

std::vector<std::string>* calls = nullptr;

bool FreeingProc(Control* control, MessageRecord& msg, LRESULT&) {
  if (msg.message != WM_GETTEXTLENGTH && msg.message != kTestMessage) return false;
  if (calls) calls->push_back("free");
  Free(control);
  return false;
}

bool RecordingProc(Control* control, MessageRecord& msg, LRESULT&) {
  if (msg.message != WM_GETTEXTLENGTH) return false;
  // The control is still whole while the dispatch runs, even after the free was asked for.
  if (calls) calls->push_back(std::string("seen ") + control->className);
  return false;
}

TEST_F(LifetimeControl, FreedInAttachedProcIsDestroyedAfterDispatchAndHandled) {
  std::vector<std::string> log;
  calls = &log;
  AttachProc(button_, RecordingProc);
  AttachProc(button_, FreeingProc);  // attached last, runs first
  const int before = liveControlCount;
  // Default handling would answer 3, the caption's length; a freed control's message counts
  // as handled with result 0.
  EXPECT_EQ(SendMessageA(buttonWindow_, WM_GETTEXTLENGTH, 0, 0), 0);
  calls = nullptr;
  EXPECT_EQ(log, (std::vector<std::string>{"free", "seen BUTTON"}));
  EXPECT_EQ(liveControlCount, before - 1);
  EXPECT_FALSE(IsWindow(buttonWindow_));
  EXPECT_EQ(form_->ChildCount(), 0);
}

TEST_F(LifetimeControl, FreedInNestedDispatchDiesOnceAfterTheOuterOneReturns) {
  static HWND inner;
  inner = buttonWindow_;
  struct Local {
    static bool Outer(Control* control, MessageRecord& msg, LRESULT& result) {
      if (msg.message != WM_APP + 1) return false;
      SendMessageA(inner, kTestMessage, 0, 0);  // frees the control
      // Still alive here: the outer dispatch holds a reference.
      result = control->className[0];
      return true;
    }
  };
  AttachProc(button_, Local::Outer);
  AttachProc(button_, FreeingProc);
  const int before = liveControlCount;
  EXPECT_EQ(SendMessageA(buttonWindow_, WM_APP + 1, 0, 0), 'B');
  EXPECT_EQ(liveControlCount, before - 1);
  EXPECT_FALSE(IsWindow(buttonWindow_));
}

void FreeSenderOnClick(void* receiver, Control* sender) {
  ++*static_cast<int*>(receiver);
  Free(sender);
}

TEST_F(LifetimeControl, FreedInItsOwnClickHandler) {
  int clicks = 0;
  button_->clickEvent = {FreeSenderOnClick, &clicks};
  const int before = liveControlCount;
  SendMessageA(formWindow_, WM_COMMAND, MAKEWPARAM(button_->menuOrId, BN_CLICKED),
               reinterpret_cast<LPARAM>(buttonWindow_));
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(liveControlCount, before - 1);
  EXPECT_FALSE(IsWindow(buttonWindow_));
  EXPECT_TRUE(IsWindow(formWindow_));
  EXPECT_EQ(form_->ChildCount(), 0);
}

void FreeFormOnClick(void* receiver, Control* sender) {
  *static_cast<Control**>(receiver) = nullptr;
  Free(sender->parent);
}

TEST_F(LifetimeControl, ClickHandlerFreesTheWholeForm) {
  button_->clickEvent = {FreeFormOnClick, &form_};
  SendMessageA(formWindow_, WM_COMMAND, MAKEWPARAM(button_->menuOrId, BN_CLICKED),
               reinterpret_cast<LPARAM>(buttonWindow_));
  EXPECT_EQ(form_, nullptr);
  EXPECT_EQ(liveControlCount, baseline_);
  EXPECT_FALSE(IsWindow(buttonWindow_));
  EXPECT_FALSE(IsWindow(formWindow_));
}

bool FreeInMessageEvent(void* receiver, MessageRecord& msg, LRESULT&) {
  if (msg.message != kTestMessage) return false;
  Free(static_cast<Control*>(receiver));
  return false;  // the rest of the dispatch must not touch freed memory
}

TEST_F(LifetimeControl, FreedInItsMessageEvent) {
  button_->messageEvent = {FreeInMessageEvent, button_};
  AttachProc(button_, RecordingProc);
  const int before = liveControlCount;
  EXPECT_EQ(SendMessageA(buttonWindow_, kTestMessage, 0, 0), 0);
  EXPECT_EQ(liveControlCount, before - 1);
  EXPECT_FALSE(IsWindow(buttonWindow_));
}

TEST_F(LifetimeControl, FreeingAFormFreesItsSubtree) {
  Control* panel = CreateChildControl(form_, "STATIC", WS_CHILD | WS_VISIBLE, true, nullptr);
  Control* inner = CreateChildControl(panel, "BUTTON", WS_CHILD | WS_VISIBLE, true, nullptr);
  HWND innerWindow = HandleOf(inner);
  ASSERT_NE(innerWindow, nullptr);
  EXPECT_EQ(liveControlCount, baseline_ + 4);
  Free(form_);
  form_ = nullptr;
  EXPECT_FALSE(IsWindow(innerWindow));
  EXPECT_FALSE(IsWindow(formWindow_));
}

TEST_F(LifetimeControl, FreeingAPanelClearsTheFormsCurrentControlInside) {
  // The form would otherwise hand the focus to a freed control on its next WM_SETFOCUS.
  Control* panel = CreateChildControl(form_, "STATIC", WS_CHILD | WS_VISIBLE, true, nullptr);
  Control* edit =
      CreateChildControl(panel, "EDIT", WS_CHILD | WS_VISIBLE | WS_TABSTOP, true, nullptr);
  ASSERT_EQ(form_->currentControl, edit);
  Free(panel);
  EXPECT_EQ(form_->currentControl, nullptr);
}

TEST_F(LifetimeControl, ChildrenOfAFormDestroyedByThePlatformAreFreedWithIt) {
  // A form under an Application (other than the main window) that is destroyed by the
  // platform frees itself and all its controls (their windows are already gone by then).
  Control* app = CreateApplication("Owner");
  CreateForm(app, "Main");
  Control* form = CreateForm(app, "Closing");
  Control* edit = CreateChildControl(form, "EDIT", WS_CHILD | WS_VISIBLE, true, nullptr);
  HWND formWindow = HandleOf(form);
  ASSERT_NE(HandleOf(edit), nullptr);
  const int before = liveControlCount;
  DestroyWindow(formWindow);
  EXPECT_EQ(liveControlCount, before - 2);
  EXPECT_EQ(app->ChildCount(), 1);
  Free(app);
}

}  // namespace

namespace {

TEST(LifetimeWindows, DestroyingAFormLeavesTheApplicationWindowAlone) {
  // While Run is active the Application answers messages of windows without a Control; the
  // last messages of a window being destroyed must not be taken for the Application's own.
  Control* app = CreateApplication("Title stays");
  Control* form = CreateForm(app, "Main");
  Control* second = CreateForm(app, "Second");
  CreateChildControl(second, "EDIT", WS_CHILD | WS_VISIBLE, true, nullptr);
  HWND appWindow = HandleOf(app);
  HandleOf(second);
  applicationObject = app;
  Free(second);
  char title[32] = {};
  GetWindowTextA(appWindow, title, sizeof title);
  EXPECT_STREQ(title, "Title stays");
  EXPECT_TRUE(IsWindow(HandleOf(form)));
  applicationObject = nullptr;
  Free(app);
}

}  // namespace
