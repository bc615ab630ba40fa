// Controls configured before their windows exist, creation on first need, class registration,
// key handling and the property operations.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/support/poll.h"
#include "winobj/application.h"
#include "winobj/control.h"
#include "winobj/font.h"

namespace {

HINSTANCE Instance() { return GetModuleHandleA(nullptr); }

std::string ClassNameOf(HWND window) {
  char name[64] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

std::string TextOf(HWND window) {
  char text[256] = {};
  GetWindowTextA(window, text, sizeof text);
  return text;
}

TEST(ControlCreation, SettingsMadeBeforeTheWindowAreOnTheWindow) {
  Control* form = CreateForm(nullptr, "Early caption");
  form->boundsRect = RECT{100, 120, 400, 320};
  form->boundsFlags = kLeftSet | kTopSet;
  SetStyle(form, form->style & ~static_cast<uint32_t>(WS_MAXIMIZEBOX));
  Control* edit =
      CreateChildControl(form, "EDIT", WS_CHILD | WS_VISIBLE | WS_BORDER, true, nullptr);
  SetCaption(edit, "typed");
  EXPECT_EQ(Caption(form), "Early caption");
  EXPECT_EQ(Caption(edit), "typed");
  EXPECT_EQ(form->handle, nullptr);

  HWND editWindow = HandleOf(edit);  // creates the form first
  ASSERT_NE(editWindow, nullptr);
  ASSERT_NE(form->handle, nullptr);
  EXPECT_EQ(TextOf(form->handle), "Early caption");
  EXPECT_EQ(TextOf(editWindow), "typed");
  RECT r;
  GetWindowRect(form->handle, &r);
  EXPECT_EQ(r.left, 100);
  EXPECT_EQ(r.top, 120);
  EXPECT_EQ(r.right, 400);
  EXPECT_EQ(r.bottom, 320);
  EXPECT_EQ(GetWindowLongA(form->handle, GWL_STYLE) & WS_MAXIMIZEBOX, 0);
  // Child defaults: the parent's margin, 64 pixels square, clip styles; the 3D look replaces
  // the border by a client edge.
  GetWindowRect(editWindow, &r);
  POINT origin{0, 0};
  ClientToScreen(form->handle, &origin);
  EXPECT_EQ(r.left - origin.x, 2);
  EXPECT_EQ(r.top - origin.y, 2);
  EXPECT_EQ(r.right - r.left, 64);
  const LONG style = GetWindowLongA(editWindow, GWL_STYLE);
  EXPECT_EQ(style & WS_BORDER, 0);
  EXPECT_EQ(style & (WS_CLIPSIBLINGS | WS_CLIPCHILDREN), WS_CLIPSIBLINGS | WS_CLIPCHILDREN);
  EXPECT_NE(GetWindowLongA(editWindow, GWL_EXSTYLE) & WS_EX_CLIENTEDGE, 0);
  // Reading prefers the window once it exists.
  SetWindowTextA(editWindow, "changed");
  EXPECT_EQ(Caption(edit), "changed");
  Free(form);
}

TEST(ControlCreation, WindowsNobodyShowedAreCreatedHiddenAndShownWithTheirParent) {
  Control* form = CreateForm(nullptr, "Lazy");
  Control* button = CreateChildControl(form, "BUTTON", WS_CHILD | WS_VISIBLE, true, nullptr);
  HWND b = HandleOf(button);
  ASSERT_NE(b, nullptr);
  EXPECT_FALSE(IsWindowVisible(form->handle));
  EXPECT_EQ(GetWindowLongA(b, GWL_STYLE) & WS_VISIBLE, 0);
  CreateHandle(form);  // what Run does for the Application and its forms
  EXPECT_TRUE(IsWindowVisible(form->handle));
  EXPECT_TRUE(IsWindowVisible(b));
  Free(form);
}

TEST(ControlCreation, HiddenChildOfAHiddenFormStaysHidden) {
  Control* form = CreateForm(nullptr, "Lazy");
  Control* button = CreateChildControl(form, "BUTTON", WS_CHILD | WS_VISIBLE, true, nullptr);
  CreateHandle(form);
  Hide(form);
  // The form is hidden, so IsWindowVisible is false for the button although its own bit is on;
  // hiding it must still take effect.
  Hide(button);
  Show(form);
  EXPECT_FALSE(IsWindowVisible(button->handle));
  EXPECT_FALSE(Visible(button));
  Free(form);
}

TEST(ControlCreation, FormsWithoutSetLeftOrTopUseTheDefaultPosition) {
  Control* form = CreateForm(nullptr, "Default place");
  form->boundsRect = RECT{10, 20, 310, 220};
  CreationGeometry g = CreationGeometryOf(form);
  EXPECT_EQ(g.x, static_cast<int>(CW_USEDEFAULT));
  EXPECT_EQ(g.y, static_cast<int>(CW_USEDEFAULT));
  EXPECT_EQ(g.width, 300);
  EXPECT_EQ(g.height, 200);
  form->boundsFlags = kLeftSet;
  g = CreationGeometryOf(form);
  EXPECT_EQ(g.x, 10);
  EXPECT_EQ(g.y, static_cast<int>(CW_USEDEFAULT));
  form->boundsFlags = kTopSet;
  g = CreationGeometryOf(form);
  EXPECT_EQ(g.x, static_cast<int>(CW_USEDEFAULT));
  EXPECT_EQ(g.y, 20);
  form->boundsRect = RECT{0, 0, 0, 0};
  g = CreationGeometryOf(form);
  EXPECT_EQ(g.width, static_cast<int>(CW_USEDEFAULT));
  EXPECT_EQ(g.height, static_cast<int>(CW_USEDEFAULT));
  // A child control always takes its bounds as they are.
  Control* child = CreateChildControl(form, "STATIC", WS_CHILD, true, nullptr);
  g = CreationGeometryOf(child);
  EXPECT_EQ(g.x, 2);
  EXPECT_EQ(g.y, 2);
  Free(form);
}

TEST(ControlCreation, FormWithoutSetPositionLandsWhereThePlatformPutsDefaultWindows) {
  const DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
  HWND plain = CreateWindowExA(0, "STATIC", "plain", style, CW_USEDEFAULT, CW_USEDEFAULT, 300, 200,
                               nullptr, nullptr, Instance(), nullptr);
  ASSERT_NE(plain, nullptr);
  RECT expected;
  GetWindowRect(plain, &expected);
  DestroyWindow(plain);
  Control* form = CreateForm(nullptr, "Default place");
  form->boundsRect = RECT{10, 20, 310, 220};
  ASSERT_NE(HandleOf(form), nullptr);
  RECT r;
  GetWindowRect(form->handle, &r);
  // Wine places every default window at the same spot (Windows cascades them, so there the
  // second would be offset from the first).
  EXPECT_EQ(r.left, expected.left);
  EXPECT_EQ(r.top, expected.top);
  EXPECT_EQ(r.right - r.left, 300);
  Free(form);
}

TEST(ControlCreation, ChildWithoutAParentWindowGetsNone) {
  // A parent that cannot have a window: a child style without a parent of its own.
  Control* orphanParent = CreateForm(nullptr, "No window");
  orphanParent->style = WS_CHILD | WS_VISIBLE;
  Control* child = CreateChildControl(orphanParent, "BUTTON", WS_CHILD, true, nullptr);
  EXPECT_FALSE(CreateHandle(child));
  EXPECT_EQ(child->handle, nullptr);
  EXPECT_EQ(orphanParent->handle, nullptr);
  EXPECT_EQ(HandleOf(child), nullptr);
  // Perform on it goes nowhere and does not crash.
  EXPECT_EQ(Perform(child, WM_GETTEXTLENGTH, 0, 0), 0);
  Free(orphanParent);
}

TEST(ControlCreation, EachClassIsRegisteredOnceUnderItsLayerName) {
  WNDCLASSA wc;
  EXPECT_FALSE(GetClassInfoA(Instance(), "obj_EDIT", &wc));
  Control* form = CreateForm(nullptr, "Classes");
  Control* first = CreateChildControl(form, "EDIT", WS_CHILD, true, nullptr);
  Control* second = CreateChildControl(form, "EDIT", WS_CHILD, true, nullptr);
  ASSERT_NE(HandleOf(first), nullptr);
  ASSERT_TRUE(GetClassInfoA(Instance(), "obj_EDIT", &wc));
  EXPECT_EQ(wc.lpfnWndProc, WindowProcEntry);
  // Superclassing drops the styles that would tie device contexts or make the class global.
  EXPECT_EQ(wc.style & (CS_GLOBALCLASS | CS_OWNDC | CS_CLASSDC | CS_PARENTDC), 0u);
  ASSERT_NE(HandleOf(second), nullptr);
  EXPECT_EQ(ClassNameOf(first->handle), "obj_EDIT");
  EXPECT_EQ(ClassNameOf(second->handle), "obj_EDIT");
  EXPECT_EQ(ClassNameOf(form->handle), "obj_Form");
  // The system class still does the work behind the layer's procedure.
  SendMessageA(second->handle, EM_LIMITTEXT, 3, 0);
  EXPECT_EQ(SendMessageA(second->handle, EM_GETLIMITTEXT, 0, 0), 3);
  Free(form);
}

TEST(ControlCreation, ClassNamesMustFitThePlatformLimit) {
  static const std::string longest(59, 'L');  // "obj_" + 59 + NUL = 64 bytes
  static const std::string tooLong(60, 'T');
  Control* fits = CreateControlBase(nullptr, longest.c_str(), true);
  Control* overlong = CreateControlBase(nullptr, tooLong.c_str(), true);
  EXPECT_TRUE(CreateHandle(fits));
  EXPECT_EQ(ClassNameOf(fits->handle), "obj_" + longest);
  EXPECT_FALSE(CreateHandle(overlong));
  EXPECT_EQ(overlong->handle, nullptr);
  Free(fits);
  Free(overlong);
}

TEST(ControlCreation, ChildIdsCountUpFrom32768AndTheFirstTabStopTakesTheFocus) {
  Control* form = CreateForm(nullptr, "Ids");
  const uint32_t style = WS_CHILD | WS_VISIBLE;
  Control* a = CreateChildControl(form, "BUTTON", style, true, nullptr);
  Control* b = CreateChildControl(form, "BUTTON", style | WS_TABSTOP, true, nullptr);
  Control* c = CreateChildControl(form, "BUTTON", style | WS_TABSTOP, true, nullptr);
  EXPECT_EQ(GetDlgCtrlID(HandleOf(a)), 32768);
  EXPECT_EQ(GetDlgCtrlID(HandleOf(b)), 32769);
  EXPECT_EQ(GetDlgCtrlID(HandleOf(c)), 32770);
  // The form hands the focus on to its first tab stop, passing over a control without one.
  Show(form);
  EXPECT_TRUE(PollUntil([&] { return GetFocus() == b->handle; }, 2000));
  Free(form);
}

TEST(ControlCreation, ChildrenCopyTheirParentsLook) {
  Control* form = CreateForm(nullptr, "Look");
  form->color = RGB(1, 2, 3);
  form->textColor = RGB(4, 5, 6);
  form->margin = 7;
  form->clientTopMargin = 10;
  SetFontHeight(FontOf(form), 11);
  Control* child = CreateChildControl(form, "STATIC", WS_CHILD, true, nullptr);
  EXPECT_EQ(child->color, RGB(1, 2, 3));
  EXPECT_EQ(child->textColor, RGB(4, 5, 6));
  EXPECT_EQ(child->margin, 7);
  EXPECT_EQ(child->boundsRect.left, 7);
  EXPECT_EQ(child->boundsRect.top, 17);
  EXPECT_EQ(child->boundsRect.right, 71);
  EXPECT_EQ(child->boundsRect.bottom, 71);  // not offset by the top margin
  ASSERT_NE(child->font, nullptr);
  EXPECT_NE(child->font, form->font);
  EXPECT_EQ(child->font->height, 11);
  // The copy follows its own control: its colour becomes the text colour.
  SetFontColor(child->font, RGB(9, 9, 9));
  EXPECT_EQ(child->textColor, RGB(9, 9, 9));
  EXPECT_EQ(form->textColor, RGB(4, 5, 6));
  // The font reaches the window.
  HWND window = HandleOf(child);
  EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageA(window, WM_GETFONT, 0, 0)),
            FontHandle(child->font));
  Free(form);
}

TEST(ControlCreation, ControlsWithoutTheDefault3DLook) {
  Control* form = CreateForm(nullptr, "Flat");
  form->childrenTakeCtl3D = 0;
  Control* child = CreateChildControl(form, "STATIC", WS_CHILD | WS_BORDER, true, nullptr);
  HWND window = HandleOf(child);
  ASSERT_NE(window, nullptr);
  EXPECT_NE(GetWindowLongA(window, GWL_STYLE) & WS_BORDER, 0);
  EXPECT_EQ(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_CLIENTEDGE, 0);
  Free(form);
}

// ---- Keys ----

struct KeyLog {
  int calls = 0;
  uint32_t replaceWith = 1;  // 1: leave the key as it is
};

void OnKeyEvent(void* receiver, Control*, uint32_t& key, uint32_t) {
  KeyLog* log = static_cast<KeyLog*>(receiver);
  ++log->calls;
  if (log->replaceWith != 1) key = log->replaceWith;
}

int seenByEvent = 0;
bool CountKeys(void*, MessageRecord& msg, LRESULT&) {
  if (msg.message == WM_CHAR) ++seenByEvent;
  return false;
}

class ControlKeys : public ::testing::Test {
 protected:
  void SetUp() override {
    form_ = CreateForm(nullptr, "Keys");
    edit_ = CreateChildControl(form_, "EDIT", WS_CHILD | WS_VISIBLE | WS_TABSTOP, true, nullptr);
    other_ = CreateChildControl(form_, "EDIT", WS_CHILD | WS_VISIBLE | WS_TABSTOP, true, nullptr);
    edit_->charEvent = {OnKeyEvent, &log_};
    edit_->keyboardProc = KeyEventProc;
    edit_->messageEvent = {CountKeys, nullptr};
    Show(form_);
    ASSERT_NE(edit_->handle, nullptr);
  }
  void TearDown() override { Free(form_); }
  bool Focus(Control* c) {
    SetFocused(c, true);
    return PollUntil([&] { return GetFocus() == c->handle; }, 2000);
  }
  Control* form_ = nullptr;
  Control* edit_ = nullptr;
  Control* other_ = nullptr;
  KeyLog log_;
};

TEST_F(ControlKeys, KeysForAWindowWithoutFocusAreDropped) {
  ASSERT_TRUE(Focus(other_));
  seenByEvent = 0;
  EXPECT_EQ(SendMessageA(edit_->handle, WM_CHAR, 'a', 1), 0);
  EXPECT_EQ(seenByEvent, 1);  // the message event saw it first
  EXPECT_EQ(log_.calls, 0);
  EXPECT_EQ(GetWindowTextLengthA(edit_->handle), 0);  // the edit never saw it
}

TEST_F(ControlKeys, AHandlerThatClearsTheKeyConsumesIt) {
  ASSERT_TRUE(Focus(edit_));
  EXPECT_EQ(form_->currentControl, edit_);
  SendMessageA(edit_->handle, WM_CHAR, 'a', 1);
  EXPECT_EQ(log_.calls, 1);
  EXPECT_EQ(Caption(edit_), "a");
  log_.replaceWith = 0;
  SendMessageA(edit_->handle, WM_CHAR, 'b', 1);
  EXPECT_EQ(log_.calls, 2);
  EXPECT_EQ(Caption(edit_), "a");
  log_.replaceWith = 'z';  // another key goes on in its place
  SendMessageA(edit_->handle, WM_CHAR, 'c', 1);
  EXPECT_EQ(Caption(edit_), "az");
}

TEST_F(ControlKeys, KeyUpEventThroughSetKeyUpEvent) {
  // The other edit has no key procedure until SetKeyUpEvent installs one.
  KeyLog up;
  SetKeyUpEvent(other_, OnKeyEvent, &up);
  ASSERT_TRUE(Focus(other_));
  SendMessageA(other_->handle, WM_KEYUP, VK_F5, 0xC0000001);
  SendMessageA(other_->handle, WM_KEYDOWN, VK_F5, 1);  // no key-down handler: unhandled
  EXPECT_EQ(up.calls, 1);
}

// Which slot a key message reaches and the shift state it carries: 0x20 from bit 29 of lParam
// (Alt), 4 for Shift and 8 for Ctrl from the keyboard state. The system variants reach the
// same slots as the plain ones.
struct SlotSeen {
  std::string slot;
  uint32_t shift;
  bool operator==(const SlotSeen& other) const {
    return slot == other.slot && shift == other.shift;
  }
};
std::vector<SlotSeen> slotsSeen;
void RecordSlot(void* receiver, Control*, uint32_t& key, uint32_t shift) {
  slotsSeen.push_back({static_cast<const char*>(receiver), shift});
  key = 0;  // consumed, so no Alt key reaches the default handling and opens a menu loop
}

// Sets the thread's keyboard state for GetKeyState and restores it afterwards.
class HeldKeys {
 public:
  HeldKeys(bool shift, bool ctrl) {
    GetKeyboardState(saved_);
    BYTE state[256];
    std::memcpy(state, saved_, sizeof(state));
    state[VK_SHIFT] = shift ? 0x80 : 0;
    state[VK_CONTROL] = ctrl ? 0x80 : 0;
    SetKeyboardState(state);
  }
  ~HeldKeys() { SetKeyboardState(saved_); }
  HeldKeys(const HeldKeys&) = delete;
  HeldKeys& operator=(const HeldKeys&) = delete;

 private:
  BYTE saved_[256];
};

TEST_F(ControlKeys, KeyEventsCarryTheShiftStateAndSystemKeysUseThePlainSlots) {
  static char kDown[] = "down";
  static char kUp[] = "up";
  static char kChar[] = "char";
  edit_->keyDownEvent = {RecordSlot, kDown};
  edit_->keyUpEvent = {RecordSlot, kUp};
  edit_->charEvent = {RecordSlot, kChar};
  ASSERT_TRUE(Focus(edit_));
  struct Message {
    UINT message;
    const char* slot;
  };
  const Message messages[] = {{WM_KEYDOWN, kDown}, {WM_SYSKEYDOWN, kDown}, {WM_KEYUP, kUp},
                              {WM_SYSKEYUP, kUp},  {WM_CHAR, kChar},       {WM_SYSCHAR, kChar}};
  struct State {
    bool shift, ctrl, altBit;
    uint32_t expected;
  };
  const State states[] = {{false, false, false, 0},
                          {false, false, true, 0x20},
                          {true, false, false, 4},
                          {false, true, false, 8},
                          {true, true, true, 0x2C}};
  for (const State& state : states) {
    HeldKeys held(state.shift, state.ctrl);
    const LPARAM lParam = 1 | (state.altBit ? (1 << 29) : 0);
    for (const Message& m : messages) {
      SCOPED_TRACE(::testing::Message()
                   << "message 0x" << std::hex << m.message << " shift " << state.shift << " ctrl "
                   << state.ctrl << " alt " << state.altBit);
      slotsSeen.clear();
      EXPECT_EQ(SendMessageA(edit_->handle, m.message, 'K', lParam), 0);
      EXPECT_EQ(slotsSeen, (std::vector<SlotSeen>{{m.slot, state.expected}}));
    }
  }
}

// ---- Properties ----

TEST(ControlProperties, VisibleEnabledAndStyleFollowTheWindow) {
  Control* form = CreateForm(nullptr, "Props");
  Control* button = CreateChildControl(form, "BUTTON", WS_CHILD | WS_VISIBLE, true, nullptr);
  SetEnabled(button, false);
  EXPECT_FALSE(Enabled(button));
  Show(form);
  EXPECT_FALSE(IsWindowEnabled(button->handle));
  SetEnabled(button, true);
  EXPECT_TRUE(IsWindowEnabled(button->handle));
  EXPECT_TRUE(Visible(button));
  Hide(button);
  EXPECT_FALSE(IsWindowVisible(button->handle));
  EXPECT_FALSE(Visible(button));
  SetVisible(button, true);
  EXPECT_TRUE(IsWindowVisible(button->handle));
  SetExStyle(button, button->exStyle | WS_EX_TRANSPARENT);
  EXPECT_NE(GetWindowLongA(button->handle, GWL_EXSTYLE) & WS_EX_TRANSPARENT, 0);
  SetCaption(button, "Go");
  EXPECT_EQ(TextOf(button->handle), "Go");
  Free(form);
}

int alignCalls = 0;
Control* alignedControl = nullptr;
void CountAlign(Control* control) {
  ++alignCalls;
  alignedControl = control;
}

TEST(ControlProperties, ShowingRealignsTheParent) {
  Control* form = CreateForm(nullptr, "Align");
  Control* button = CreateChildControl(form, "BUTTON", WS_CHILD, true, nullptr);
  void (*saved)(Control*) = alignHook;
  alignHook = CountAlign;
  SetVisible(button, true);
  EXPECT_EQ(alignCalls, 1);
  EXPECT_EQ(alignedControl, form);
  SetVisible(button, true);  // no change, no realignment
  EXPECT_EQ(alignCalls, 1);
  alignHook = saved;
  Free(form);
}

TEST(ControlProperties, ParentFormSetParentAndIcon) {
  Control* app = CreateApplication("App");
  Control* form = CreateForm(app, "Form");
  Control* panel = CreateChildControl(form, "STATIC", WS_CHILD, true, nullptr);
  Control* button = CreateChildControl(panel, "BUTTON", WS_CHILD, true, nullptr);
  EXPECT_EQ(ParentForm(button), form);
  EXPECT_EQ(ParentForm(form), form);
  SetParent(button, form);
  EXPECT_EQ(panel->ChildCount(), 0);
  EXPECT_EQ(form->Child(1), button);
  // The program's own icon, from its resources.
  EXPECT_NE(IconOf(form), nullptr);
  HWND window = HandleOf(form);
  EXPECT_EQ(reinterpret_cast<HICON>(SendMessageA(window, WM_GETICON, ICON_BIG, 0)), IconOf(form));
  Free(app);
}

TEST(ControlProperties, MenuBarSetBeforeAndAfterTheWindow) {
  Control* form = CreateForm(nullptr, "Menus");
  HMENU first = CreateMenu();
  AppendMenuA(first, MF_STRING, 1, "&One");
  SetMenuHandle(form, first);
  ASSERT_NE(HandleOf(form), nullptr);
  EXPECT_EQ(GetMenu(form->handle), first);
  HMENU second = CreateMenu();
  AppendMenuA(second, MF_STRING, 2, "&Two");
  SetMenuHandle(form, second);
  EXPECT_EQ(GetMenu(form->handle), second);
  EXPECT_FALSE(IsMenu(first));  // the old bar is destroyed
  Free(form);
  EXPECT_FALSE(IsMenu(second));  // and the last one with the window
}

TEST(ControlProperties, CursorOverTheClientArea) {
  Control* form = CreateForm(nullptr, "Cursor");
  form->cursor = LoadCursorA(nullptr, IDC_CROSS);
  HWND window = HandleOf(form);
  EXPECT_NE(SendMessageA(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(window),
                         MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)),
            0);
  EXPECT_EQ(GetCursor(), form->cursor);
  Free(form);
}

TEST(ControlProperties, InvalidateOnlyWhileTheLoopRuns) {
  static int after;
  struct Local {
    static void Count(Control*) { ++after; }
  };
  void (*saved)(Control*) = afterInvalidateHook;
  afterInvalidateHook = Local::Count;
  Control* form = CreateForm(nullptr, "Paint");
  Invalidate(form);  // no window
  HandleOf(form);
  Invalidate(form);  // loop not running
  EXPECT_EQ(after, 0);
  applicationRunning = 1;
  Invalidate(form);
  applicationRunning = 0;
  EXPECT_EQ(after, 1);
  afterInvalidateHook = saved;
  Free(form);
}

}  // namespace
