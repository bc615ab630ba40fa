// Control: one object per window or common control, configured before its window exists.
// Offers creation on first need, the shared window procedure and its fixed order of hooks,
// event slots, attached message procedures, the property operations and the layer's globals.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "winobj/align_math.h"
#include "winobj/color.h"
#include "winobj/object.h"

class Control;
class FontTool;
class ImageList;
class MenuObject;
class StringList;

// One window message as the layer passes it around.
struct MessageRecord {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

// A message procedure attached to a control or installed as one of its hooks. Returning true
// finishes the message with `result`.
using HookProc = bool (*)(Control* control, MessageRecord& msg, LRESULT& result);

// Mouse record handed to double-click handlers; the first byte is the button (1 left, 2 right).
struct MouseRecord {
  uint8_t button;
};

// Event signatures. The receiver is an opaque pointer handed back unchanged.
using NotifyProc = void (*)(void* receiver, Control* sender);
using MouseProc = void (*)(void* receiver, Control* sender, MouseRecord& mouse);
using KeyProc = void (*)(void* receiver, Control* sender, uint32_t& key, uint32_t shift);
using CloseProc = void (*)(void* receiver, Control* sender, uint8_t& accept);
using MessageProc = bool (*)(void* receiver, MessageRecord& msg, LRESULT& result);
using EndEditProc = bool (*)(void* receiver, Control* listView, int item, int subItem,
                             const char* text);

// Shift state bits handed to key events.
constexpr uint32_t kShiftAlt = 0x20;
constexpr uint32_t kShiftShift = 4;
constexpr uint32_t kShiftCtrl = 8;

// Per-class record that lets the generic item operations and the reflected command dispatch
// serve every system class. A message number of 0 means the class has no such message.
struct ClassCommands {
  void (*clear)(Control* control) = nullptr;
  // Notification codes of a reflected WM_COMMAND, matched in this order.
  uint16_t clickCode = 0;
  uint16_t enterCode = 0;
  uint16_t leaveCode = 0;
  uint16_t changeCode = 0;
  uint16_t selChangeCode = 0;
  // Item operation messages.
  uint16_t countMsg = 0;
  uint16_t itemLengthMsg = 0;
  uint16_t itemTextMsg = 0;
  uint16_t addMsg = 0;
  uint16_t currentIndexMsg = 0;
  uint16_t selectItemMsg = 0;
  uint16_t setCurrentIndexMsg = 0;
  uint16_t setTextSelectionMsg = 0;
  uint16_t imageListMsg = 0;
  // Run when a combo box drops down (only the combo box has one).
  void (*dropDown)(Control* control) = nullptr;
};

// boundsFlags bits.
constexpr uint8_t kLeftSet = 0x01;
constexpr uint8_t kTopSet = 0x02;
constexpr uint8_t kWidthFitted = 0x10;
constexpr uint8_t kHeightFitted = 0x20;

// Layer-private messages, in the range the platform leaves to applications.
constexpr UINT kReleaseMessage = WM_APP + 0x3003;
constexpr UINT kReflectedCommand = WM_APP + 0x3005;
constexpr UINT kInvalidateMessage = WM_APP + 0x3009;
constexpr UINT kSizeRelayMessage = WM_APP + 0x300D;
// Posted to a control that put work off while the thread was busy (text for an edit, a status
// bar's drawing); the work is done when the thread's message loop next runs.
constexpr UINT kDeferredWorkMessage = WM_APP + 0x3011;
// A WM_CTLCOLOR* message reflected to the child that asked arrives as the message plus this.
constexpr UINT kReflectedColorOffset = WM_APP + 0x3C00;
static_assert(kReleaseMessage == 0xB003 && kReflectedCommand == 0xB005 &&
                  kInvalidateMessage == 0xB009 && kSizeRelayMessage == 0xB00D &&
                  kDeferredWorkMessage == 0xB011 && kReflectedColorOffset == 0xBC00,
              "the private message numbers are fixed");

// ---- State of the control kinds -----------------------------------------------------------
// Each kind's own state is a record in the Control, kept by the unit named on it.

// A form's own: the answer ShowModal waits for (application.cpp) and the status bar made when
// text is first put into it (statusbar.cpp).
struct FormFields {
  Control* statusBar = nullptr;
  HWND statusBarWindow = nullptr;
  int32_t modalResult = 0;
  // When the held status bar was last drawn (GetTickCount).
  DWORD statusBarDrawnAt = 0;
};

// How a window's frame looks: its scroll bars' places, thumbs and states (control.cpp).
struct FrameLook {
  SCROLLBARINFO vertical{};
  SCROLLBARINFO horizontal{};
};

// Edit (controls.cpp): text appended while the thread is busy, not yet in the window, and
// whether the message that puts it there is on its way; whether earlier text already went
// into the window while its drawing stays held until then, how its frame looked before, and
// how much waiting text the next such piece takes.
struct EditFields {
  std::string pendingText;
  uint8_t flushPosted = 0;
  uint8_t pouredWhileBusy = 0;
  uint8_t flushing = 0;
  FrameLook lookBeforePour;
  size_t pourAt = 0;
};

// Status bar (statusbar.cpp): the latest text of each part put in while texts are held
// (the message's wParam, part and drawing style, with the text), handed to the platform's bar
// when it is drawn or asked anything else.
struct StatusBarFields {
  std::vector<std::pair<WPARAM, std::string>> heldTexts;
  // Texts wait here until the message loop next runs.
  uint8_t textsHeld = 0;
  // The last text (with its wParam) the platform's bar was handed for each part, as far as the
  // layer saw; a part not here is not known.
  std::vector<std::pair<WPARAM, std::string>> givenTexts;
};

// List view (listview.cpp; the spine's CommonNotifyProc fires endEditEvent).
struct ListViewFields {
  uint8_t style = 0;     // ListViewStyle
  uint32_t options = 0;  // ListViewOption set
  int32_t columnCount = 0;
  EventSlot<EndEditProc> endEditEvent;
};

// Combo box drop-down state, kept by the spine's reflected CBN_DROPDOWN and CBN_CLOSEUP for
// controls.cpp, which reads it on keys and as the remembered current index.
struct ComboFields {
  uint8_t droppedDown = 0;
  int32_t dropDownIndex = -1;
};

// Toolbar (toolbar.cpp; the tooltip lists are owned and go with the control).
struct ToolbarFields {
  int32_t clickedButtonId = -1;
  int32_t clickedButtonIndex = -1;
  ObjectList* tooltipIds = nullptr;
  StringList* tooltipTexts = nullptr;
};

// Splitter (controls.cpp): the neighbour it resizes, its limits and the drag in progress.
struct SplitterFields {
  int32_t minNeighbour = 0;
  int32_t minRest = 0;
  uint8_t dragging = 0;
  int32_t startSize = 0;
  POINT startPos{};
  Control* neighbour = nullptr;
};

// Control objects alive now; tests use it to catch leaks and double frees.
extern int liveControlCount;

// The base keeps what every window has: its handle and class procedure, parent and children,
// settings, events and hooks; each kind's own state is in its record.
class Control : public Object {
 public:
  Control();
  ~Control() override;

  Control* parent = nullptr;
  EventSlot<MouseProc> doubleClickEvent;
  EventSlot<NotifyProc> changeEvent;
  EventSlot<NotifyProc> enterEvent;
  EventSlot<NotifyProc> leaveEvent;
  ClassCommands classCommands;
  EventSlot<KeyProc> charEvent;
  EventSlot<KeyProc> keyUpEvent;
  EventSlot<KeyProc> keyDownEvent;
  uint8_t tabStop = 0;
  int32_t tabOrder = 0;

  // Device context a transparent control is being painted into (none outside painting).
  HDC paintDC = nullptr;
  FormFields form;
  ListViewFields listView;
  EventSlot<NotifyProc> dropDownEvent;
  EventSlot<NotifyProc> closeUpEvent;

  uint8_t align = 0;
  uint8_t excludedFromAlign = 0;
  uint8_t preventResize = 0;
  HWND handle = nullptr;
  uint32_t classStyle = CS_OWNDC;
  uint32_t style = 0;
  uint32_t exStyle = 0;
  HCURSOR cursor = nullptr;
  HICON icon = nullptr;
  char* storedCaption = nullptr;
  EventSlot<CloseProc> closeEvent;
  int32_t restoreShowCmd = 0;
  WNDPROC defaultWindowProc = nullptr;
  uint8_t windowGone = 0;
  uint8_t superclassed = 0;
  void (*afterCreateHook)(Control* control) = nullptr;
  EventSlot<MessageProc> messageEvent;
  EventSlot<NotifyProc> clickEvent;
  Control* currentControl = nullptr;
  uint8_t visibilitySet = 0;
  uint8_t showAfterCreate = 0;

  ComboFields combo;
  EditFields edit;
  StatusBarFields bar;
  ToolbarFields toolbar;
  SplitterFields splitter;

  HookProc windowProcHook = nullptr;
  HookProc keyboardProc = nullptr;
  const char* className = nullptr;
  bool (*formKeyHandler)(Control* control, WPARAM key, bool keyDown) = nullptr;
  uint8_t transparentHooked = 0;
  uint8_t transparent = 0;
  uint8_t childrenTakeCtl3D = 1;
  uint8_t ctl3D = 1;
  uint32_t textColor = kColorWindowText;
  FontTool* font = nullptr;
  uint32_t color = kColorBtnFace;
  int32_t margin = 2;
  RECT boundsRect{};
  int32_t clientTopMargin = 0;
  int32_t clientBottomMargin = 0;
  ObjectList* children = nullptr;
  HBRUSH backgroundBrush = nullptr;
  uint8_t released = 0;
  uintptr_t menuOrId = 0;
  MenuObject* firstMenu = nullptr;
  HACCEL accelerators = nullptr;
  ImageList* imageListChain = nullptr;
  ImageList* normalImages = nullptr;
  ImageList* smallImages = nullptr;
  ImageList* stateImages = nullptr;
  uint8_t isControl = 0;
  uint8_t labelMarker = 0;
  uint8_t boundsFlags = 0;
  uint8_t transparencyBlocked = 0;
  // HoldDrawing took the window's WS_VISIBLE bit away; the control still counts as shown.
  uint8_t drawingHeld = 0;
  ObjectList* attachedProcs = nullptr;

  virtual void InitParented(Control* parentControl);
  virtual LRESULT HandleMessage(MessageRecord& msg);
  void Destroy() override;

  int ChildCount() const { return children ? children->count : 0; }
  Control* Child(int i) const {
    return children ? static_cast<Control*>(children->At(i)) : nullptr;
  }
};

// ---- Process-wide state -------------------------------------------------------------------

extern Control* creatingControl;
extern uint16_t nextControlId;
extern HINSTANCE programInstance;

// Replaceable process-wide procedures; each feature installs its own on first use.
extern HookProc globalMessageHook;
extern void (*paintBackgroundHook)(Control* control, HDC dc, const RECT& rect);
extern void (*afterInvalidateHook)(Control* control);
extern void (*alignHook)(Control* control);
// Installed by the image list and menu units when they are first used, so that destroying a
// control frees what it owns of theirs without the spine depending on them.
extern void (*freeImageListsHook)(Control* control);
extern void (*freeMenusHook)(Control* control);

// Application state.
extern Control* applicationObject;
extern uint8_t applicationRunning;
extern uint8_t applicationTerminated;
extern uint8_t applicationWindowUsed;
// A window whose closing ends the program: the first form of the Application, or one without
// parent (the Application itself only while Run has not made it the application object).
bool IsMainWindow(Control* control);

// ---- Creation -----------------------------------------------------------------------------

Control* CreateControlBase(Control* parent, const char* className, bool ctl3D);
Control* CreateChildControl(Control* parent, const char* className, uint32_t style, bool ctl3D,
                            const ClassCommands* classCommands);
Control* CreateCommonControl(Control* parent, const char* className, uint32_t style, bool ctl3D,
                             const ClassCommands* classCommands);
bool CreateHandle(Control* control);
HWND HandleOf(Control* control);
HWND ParentHandle(Control* control);
void CreateChildWindows(Control* control);

// Position and size handed to CreateWindowExA: forms without a set left or top take the
// platform's default position, and an extent of 0 takes the platform's default size.
struct CreationGeometry {
  int x;
  int y;
  int width;
  int height;
};
CreationGeometry CreationGeometryOf(const Control* control);

// ---- Messages -----------------------------------------------------------------------------

LRESULT CALLBACK WindowProcEntry(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// The Control of one of the layer's windows (the one its "SELF_" property names), or none;
// answered inside the process.
Control* ControlOfHandle(HWND hwnd);
LRESULT DefaultHandling(Control* control, MessageRecord& msg);
// While muted, the item-change notifications (LVN_ITEMCHANGING, LVN_ITEMCHANGED) that the list
// view `window` sends its parent are answered at once (0: the change is allowed) and reach no
// handler. Calls nest; each mute needs its unmute.
void MuteItemChangeNotifications(HWND window, bool muted);
LRESULT Perform(Control* control, UINT message, WPARAM wParam, LPARAM lParam);
void AttachProc(Control* control, HookProc proc);
void DetachProc(Control* control, HookProc proc);
bool IsProcAttached(Control* control, HookProc proc);
bool CallAttachedProcs(Control* control, MessageRecord& msg, LRESULT& result);
void SetKeyUpEvent(Control* control, KeyProc handler, void* receiver);

// Procedures the spine attaches; exposed so other units can tell them apart.
bool ChildNotifyProc(Control* control, MessageRecord& msg, LRESULT& result);
bool NotifyReflectProc(Control* control, MessageRecord& msg, LRESULT& result);
bool CommonNotifyProc(Control* control, MessageRecord& msg, LRESULT& result);
bool KeyEventProc(Control* control, MessageRecord& msg, LRESULT& result);

// ---- Properties ---------------------------------------------------------------------------

void SetStyle(Control* control, uint32_t value);
void SetExStyle(Control* control, uint32_t value);
std::string Caption(Control* control);
void SetCaption(Control* control, const std::string& text);
bool Visible(Control* control);
void SetVisible(Control* control, bool flag);
// Stops drawing a shown window while many changes go into it, as DefWindowProc answers
// WM_SETREDRAW (by taking its WS_VISIBLE bit away), whatever its class does with that message.
// Meanwhile the control still counts as shown; asking for or setting its visibility or style
// resumes first. ResumeDrawing gives the bit back and invalidates the whole window, frame too;
// given how the frame looked when the hold began with nothing left to draw, only the client
// area while the frame's scroll bars look as they did (their places, thumbs and states).
FrameLook FrameLookOf(HWND window);
bool SameFrameLook(const FrameLook& a, const FrameLook& b);
void HoldDrawing(Control* control);
void ResumeDrawing(Control* control, const FrameLook* lookBefore = nullptr);
// Gives the bit back and invalidates nothing: for a caller that invalidates what it changed.
void GiveBackDrawing(Control* control);
void Show(Control* control);
void Hide(Control* control);
bool Enabled(Control* control);
void SetEnabled(Control* control, bool flag);
void SetParent(Control* control, Control* newParent);
void SetMenuHandle(Control* form, HMENU menu);
void Invalidate(Control* control);
void UpdateTree(Control* control);
void SetFocused(Control* control, bool flag);
bool FocusIfTabStop(Control* control);
void Click(Control* control);
void ApplyFont(Control* control);
FontTool* FontOf(Control* control);
HICON IconOf(Control* control);
Control* ParentForm(Control* control);
void SetColor(Control* control, uint32_t color);
