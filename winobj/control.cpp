#include "winobj/control.h"

#include <commctrl.h>
#include <mmsystem.h>

#include <algorithm>
#include <iterator>
#include <cstdlib>
#include <cstring>
#include <unordered_map>
#include <vector>

#include "winobj/font.h"
#include "winobj/scoped.h"
#include "winobj/text.h"

// ---- Process-wide state -------------------------------------------------------------------

int liveControlCount = 0;

Control* creatingControl = nullptr;
uint16_t nextControlId = 32768;
HINSTANCE programInstance = nullptr;

namespace {

bool NoGlobalHook(Control*, MessageRecord&, LRESULT&) { return false; }

void FillBackground(Control* control, HDC dc, const RECT& rect) {
  HBRUSH brush = CreateSolidBrush(ColorToRGB(control->color));
  FillRect(dc, &rect, brush);
  DeleteObject(brush);
}

void NoControlHook(Control*) {}

}  // namespace

HookProc globalMessageHook = NoGlobalHook;
void (*paintBackgroundHook)(Control* control, HDC dc, const RECT& rect) = FillBackground;
void (*afterInvalidateHook)(Control* control) = NoControlHook;
void (*alignHook)(Control* control) = NoControlHook;
void (*freeImageListsHook)(Control* control) = nullptr;
void (*freeMenusHook)(Control* control) = nullptr;

Control* applicationObject = nullptr;
uint8_t applicationRunning = 0;
uint8_t applicationTerminated = 0;
uint8_t applicationWindowUsed = 0;

bool IsMainWindow(Control* control) {
  if (!control || control->isControl) return false;
  Control* parent = control->parent;
  if (!parent) return !(control == applicationObject && applicationWindowUsed);
  return !parent->parent && parent->Child(0) == control;
}

namespace {

constexpr char kSelfProperty[] = "SELF_";
constexpr char kClassPrefix[] = "obj_";
// Registered class names, terminating zero included, must fit the platform's limit.
constexpr size_t kClassNameCapacity = 64;
constexpr uint32_t kChildClipStyles = WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
// Styles a superclass must not inherit: they would share or tie device contexts and make the
// class visible to other modules.
constexpr UINT kSuperclassStyleMask = ~UINT{CS_GLOBALCLASS | CS_OWNDC | CS_CLASSDC | CS_PARENTDC};
constexpr WPARAM kApplyFontRedraw = 0xFFFF;
// Answered 0 without the default handling, as MM_MCINOTIFY is.
constexpr UINT kQuietAppMessage = WM_APP + 0x0FFF;
constexpr UINT kFirstKeyMessage = WM_KEYDOWN;
// WM_KEYLAST as it was before WM_UNICHAR (0x109) joined the key messages; WM_UNICHAR does not
// take the key path.
constexpr UINT kLastKeyMessage = WM_UNICHAR - 1;
// Bit 29 of a key message's lParam: Alt was down (the context code).
constexpr LPARAM kAltDownBit = LPARAM{KF_ALTDOWN} << 16;
static_assert(kSuperclassStyleMask == 0xFFFFBF1F && kQuietAppMessage == 0x8FFF &&
                  MM_MCINOTIFY == 0x3B9 && kLastKeyMessage == 0x108 && kAltDownBit == 1 << 29,
              "the numbers the window procedure is fixed on");
constexpr UINT kFirstColorMessage = WM_CTLCOLORMSGBOX;
constexpr UINT kLastColorMessage = WM_CTLCOLORSTATIC;
constexpr UINT kComboDropDown = CBN_DROPDOWN;  // 7
constexpr UINT kComboCloseUp = CBN_CLOSEUP;    // 8

// The control whose window is being destroyed by Destroy: its "SELF_" property is already
// gone, so its last messages are routed straight to its own class procedure.
Control* destroyingControl = nullptr;

bool DefaultHookProc(Control*, MessageRecord&, LRESULT&) { return false; }

void ClearCaption(Control* control) { SetCaption(control, std::string()); }

char* HeapCopy(const std::string& text) {
  char* copy = static_cast<char*>(std::malloc(text.size() + 1));
  if (copy) std::memcpy(copy, text.c_str(), text.size() + 1);
  return copy;
}

// Every message passes through the window procedure, and under Wine each GetPropA is a round
// trip to the window server: the controls are found in this process's own table, kept in step
// with the "SELF_" property, which stays on every window for whoever else looks for it.
std::unordered_map<HWND, Control*>& WindowControls() {
  static std::unordered_map<HWND, Control*> controls;
  return controls;
}

void SetSelf(HWND hwnd, Control* control) {
  SetPropA(hwnd, kSelfProperty, control);
  WindowControls()[hwnd] = control;
}

// Only the control's own entry goes: a handle the platform has already reused belongs to
// another window.
void ForgetSelf(HWND hwnd, const Control* control) {
  auto& controls = WindowControls();
  auto it = controls.find(hwnd);
  if (it != controls.end() && it->second == control) controls.erase(it);
}

void RemoveSelf(HWND hwnd, const Control* control) {
  RemovePropA(hwnd, kSelfProperty);
  ForgetSelf(hwnd, control);
}

Control* ControlOfWindow(HWND hwnd) {
  if (!hwnd) return nullptr;
  const auto& controls = WindowControls();
  auto it = controls.find(hwnd);
  return it == controls.end() ? nullptr : it->second;
}

// The Application is known by its class even before Run makes it `applicationObject`.
bool IsApplication(const Control* control) {
  return control && (control == applicationObject || (!control->isControl && control->className &&
                                                      std::strcmp(control->className, "App") == 0));
}

bool KeyDown(int virtualKey) { return GetKeyState(virtualKey) < 0; }

bool IsInSubtree(const Control* control, const Control* root) {
  for (; control; control = control->parent) {
    if (control == root) return true;
  }
  return false;
}

template <typename Slot>
void Fire(const Slot& slot, Control* sender) {
  if (slot) slot.proc(slot.receiver, sender);
}

// ---- Font of a control ----

void FontChangedForControl(void* receiver, FontTool* font) {
  Control* control = static_cast<Control*>(receiver);
  control->textColor = font->color;
  ApplyFont(control);
  Invalidate(control);
}

// ---- Size relays of the common controls ----

bool SizeRelayProc(Control* control, MessageRecord& msg, LRESULT&) {
  if (msg.message == kSizeRelayMessage) Perform(control, WM_SIZE, 0, 0);
  return false;
}

bool ParentSizeRelayProc(Control* control, MessageRecord& msg, LRESULT&) {
  if (msg.message != WM_SIZE) return false;
  for (int i = 0; i < control->ChildCount(); ++i) {
    Control* child = control->Child(i);
    Perform(child, kSizeRelayMessage, reinterpret_cast<WPARAM>(child),
            reinterpret_cast<LPARAM>(child));
  }
  return false;
}

// ---- Per-message handling of HandleMessage ----

LRESULT OnClose(Control* control, MessageRecord& msg) {
  if (control->closeEvent) {
    uint8_t accept = 1;
    control->closeEvent.proc(control->closeEvent.receiver, control, accept);
    if (!accept && applicationRunning) return 0;
  }
  if (IsMainWindow(control) || control == applicationObject) {
    if (applicationObject && applicationObject != control) {
      Perform(applicationObject, WM_CLOSE, 0, 0);
    }
    PostQuitMessage(0);
    return 0;
  }
  return DefaultHandling(control, msg);
}

LRESULT OnNcDestroy(Control* control, MessageRecord& msg) {
  // Marked gone in HandleMessage already: a later Destroy must not try to destroy the window
  // again (that would fail and keep the object for ever).
  if (applicationObject && applicationObject->handle == control->handle) {
    return DefaultHandling(control, msg);
  }
  if (IsMainWindow(control)) {
    PostMessageA(control->handle, kReleaseMessage, 0, 0);
    return DefaultHandling(control, msg);
  }
  if (!control->isControl && IsApplication(control->parent)) {
    Free(control);
    return 0;
  }
  return DefaultHandling(control, msg);
}

LRESULT OnShowWindow(Control* control, MessageRecord& msg) {
  if (msg.lParam == SW_PARENTCLOSING) {
    if (IsIconic(control->handle)) {
      control->restoreShowCmd = SW_SHOWMINNOACTIVE;
    } else if (IsZoomed(control->handle)) {
      control->restoreShowCmd = SW_SHOWMAXIMIZED;
    } else {
      control->restoreShowCmd = SW_SHOWNOACTIVATE;
    }
    return DefaultHandling(control, msg);
  }
  if (msg.lParam == SW_PARENTOPENING) {
    if (control->restoreShowCmd != 0) {
      ShowWindow(control->handle, control->restoreShowCmd);
      control->restoreShowCmd = 0;
    }
    return 0;
  }
  return DefaultHandling(control, msg);
}

LRESULT OnSysCommand(Control* control, MessageRecord& msg) {
  const WPARAM command = LOWORD(msg.wParam) & 0xFFF0;
  // Minimising the main form minimises the task-bar entry, that is the Application window.
  if (command == SC_MINIMIZE && applicationObject && control != applicationObject &&
      IsMainWindow(control)) {
    PostMessageA(applicationObject->handle, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    return 0;
  }
  return DefaultHandling(control, msg);
}

LRESULT OnSetCursor(Control* control, MessageRecord& msg) {
  if (GetCapture() == nullptr && LOWORD(msg.lParam) == HTCLIENT) {
    SetCursor(control->cursor);
    return TRUE;
  }
  return DefaultHandling(control, msg);
}

LRESULT OnCommand(Control* control, MessageRecord& msg) {
  HWND source = reinterpret_cast<HWND>(msg.lParam);
  if (ControlOfWindow(source)) {
    return SendMessageA(source, kReflectedCommand, msg.wParam, msg.lParam);
  }
  return DefaultHandling(control, msg);
}

LRESULT OnKey(Control* control, MessageRecord& msg) {
  if (GetFocus() != control->handle) return 0;
  LRESULT result = 0;
  if (control->keyboardProc && control->keyboardProc(control, msg, result)) return result;
  if (KeyDown(VK_CONTROL) || KeyDown(VK_MENU)) return DefaultHandling(control, msg);
  Control* form = ParentForm(control);
  if (form && form->formKeyHandler &&
      form->formKeyHandler(control, msg.wParam, msg.message != WM_KEYUP)) {
    msg.wParam = 0;
    return 0;
  }
  return DefaultHandling(control, msg);
}

// Drop-down state of a combo box, kept by the reflected CBN_DROPDOWN and CBN_CLOSEUP.
void OnDropDown(Control* control) {
  control->combo.droppedDown = 1;
  control->combo.dropDownIndex =
      control->classCommands.currentIndexMsg
          ? static_cast<int32_t>(Perform(control, control->classCommands.currentIndexMsg, 0, 0))
          : -1;
  if (control->classCommands.dropDown) control->classCommands.dropDown(control);
}

void OnCloseUp(Control* control) {
  control->combo.droppedDown = 0;
  Fire(control->closeUpEvent, control);
}

}  // namespace

// ---- Control object -----------------------------------------------------------------------

Control::Control() { ++liveControlCount; }

Control::~Control() { --liveControlCount; }

void Control::InitParented(Control* parentControl) {
  Init();
  children = CreateObjectList();
  if (parentControl) {
    color = parentControl->color;
    SetParent(this, parentControl);
  }
  classStyle = CS_OWNDC;
  style = WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
  exStyle = WS_EX_CONTROLPARENT;
  cursor = LoadCursorA(nullptr, IDC_ARROW);
}

// ---- Creation -----------------------------------------------------------------------------

Control* CreateControlBase(Control* parent, const char* className, bool ctl3D) {
  Control* control = new Control();
  control->InitParented(parent);
  control->classCommands.clear = ClearCaption;
  control->windowProcHook = DefaultHookProc;
  control->keyboardProc = DefaultHookProc;
  control->className = className;
  control->color = kColorBtnFace;
  control->textColor = kColorWindowText;
  control->childrenTakeCtl3D = 1;
  control->ctl3D = 1;
  control->margin = 2;
  if (parent) {
    control->transparentHooked = parent->transparentHooked;
    control->transparent = parent->transparent;
    control->childrenTakeCtl3D = parent->childrenTakeCtl3D;
    control->ctl3D = parent->childrenTakeCtl3D ? (ctl3D ? 1 : 0) : 0;
    control->formKeyHandler = parent->formKeyHandler;
    control->textColor = parent->textColor;
    if (parent->font) {
      FontTool* font = CreateFontTool();
      AssignFont(font, *parent->font);
      font->changeEvent = {FontChangedForControl, control};
      control->font = font;
    }
    control->color = parent->color;
    control->margin = parent->margin;
    control->boundsRect.left = control->margin;
    control->boundsRect.top = control->margin + parent->clientTopMargin;
    control->boundsRect.right = control->margin + 64;
    control->boundsRect.bottom = control->margin + 64;
  }
  return control;
}

Control* CreateChildControl(Control* parent, const char* className, uint32_t style, bool ctl3D,
                            const ClassCommands* classCommands) {
  Control* control = CreateControlBase(parent, className, ctl3D);
  control->isControl = 1;
  if (classCommands) control->classCommands = *classCommands;
  control->style = style | kChildClipStyles;
  if (control->ctl3D) {
    control->style &= ~static_cast<uint32_t>(WS_BORDER);
    control->exStyle |= WS_EX_CLIENTEDGE;
  }
  Control* form = parent ? ParentForm(parent) : nullptr;
  if (form) control->tabOrder = ++form->tabOrder;
  if (style & WS_TABSTOP) {
    control->tabStop = 1;
    if (form && !form->currentControl) form->currentControl = control;
  }
  control->superclassed = 1;
  control->menuOrId = nextControlId++;
  AttachProc(control, ChildNotifyProc);
  return control;
}

Control* CreateCommonControl(Control* parent, const char* className, uint32_t style, bool ctl3D,
                             const ClassCommands* classCommands) {
  InitCommonControls();
  Control* control = CreateChildControl(parent, className, style, ctl3D, classCommands);
  if (parent) {
    AttachProc(control, SizeRelayProc);
    AttachProc(control, CommonNotifyProc);
    AttachProc(parent, ParentSizeRelayProc);
    AttachProc(parent, NotifyReflectProc);
  }
  return control;
}

HWND ParentHandle(Control* control) { return control->parent ? control->parent->handle : nullptr; }

CreationGeometry CreationGeometryOf(const Control* control) {
  const RECT& r = control->boundsRect;
  CreationGeometry g{r.left, r.top, r.right - r.left, r.bottom - r.top};
  if (!control->isControl) {
    if (!(control->boundsFlags & kLeftSet)) g.x = CW_USEDEFAULT;
    if (!(control->boundsFlags & kTopSet)) g.y = CW_USEDEFAULT;
  }
  if (g.width == 0) g.width = CW_USEDEFAULT;
  if (g.height == 0) g.height = CW_USEDEFAULT;
  return g;
}

bool CreateHandle(Control* control) {
  if (control->parent && !HandleOf(control->parent)) return false;
  if (control->handle) {
    if (control->showAfterCreate) {
      control->showAfterCreate = 0;
      CreateChildWindows(control);
      SetVisible(control, true);
    } else {
      CreateChildWindows(control);
    }
    return true;
  }
  if (!programInstance) programInstance = GetModuleHandleA(nullptr);
  const char* baseName = control->className ? control->className : "";
  if (std::strlen(kClassPrefix) + std::strlen(baseName) + 1 > kClassNameCapacity) return false;
  char classNameBuffer[kClassNameCapacity];
  TextToCBuffer(classNameBuffer, std::string(kClassPrefix) + baseName);

  WNDCLASSA wc{};
  wc.style = control->classStyle;
  wc.lpfnWndProc = DefWindowProcA;
  wc.hInstance = programInstance;
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  if (control->superclassed && control->className) {
    // System classes are found with any instance on Windows; ask with none as well so a
    // platform that insists still gives us the class.
    if (!GetClassInfoA(programInstance, control->className, &wc) &&
        !GetClassInfoA(nullptr, control->className, &wc)) {
      return false;
    }
    wc.hInstance = programInstance;
    wc.style &= kSuperclassStyleMask;
  }
  wc.lpszClassName = classNameBuffer;
  control->defaultWindowProc = wc.lpfnWndProc;

  const CreationGeometry g = CreationGeometryOf(control);
  HWND parentWindow = ParentHandle(control);
  if (!parentWindow && (control->style & WS_CHILD)) return false;

  WNDCLASSA existing{};
  if (!GetClassInfoA(programInstance, classNameBuffer, &existing)) {
    wc.lpfnWndProc = WindowProcEntry;
    if (!RegisterClassA(&wc)) return false;
  }

  creatingControl = control;
  HWND hwnd = CreateWindowExA(control->exStyle, classNameBuffer, control->storedCaption,
                              control->style, g.x, g.y, g.width, g.height, parentWindow,
                              reinterpret_cast<HMENU>(control->menuOrId), programInstance, nullptr);
  if (creatingControl == control) creatingControl = nullptr;
  if (!hwnd) {
    control->handle = nullptr;
    return false;
  }
  control->handle = hwnd;
  if (!ControlOfWindow(hwnd)) SetSelf(hwnd, control);
  Perform(control, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(IconOf(control)));
  if (control->afterCreateHook) control->afterCreateHook(control);
  ApplyFont(control);
  CreateChildWindows(control);
  return true;
}

HWND HandleOf(Control* control) {
  if (!control) return nullptr;
  if (control->handle) return control->handle;
  if (!control->visibilitySet) {
    // Nobody showed or hid it: create it hidden and show it when its parent shows its
    // children.
    control->visibilitySet = 1;
    SetVisible(control, false);
    CreateHandle(control);
    control->showAfterCreate = 1;
  } else {
    CreateHandle(control);
  }
  return control->handle;
}

void CreateChildWindows(Control* control) {
  // A child may be freed while windows are being created; walk by index and re-check.
  for (int i = 0; i < control->ChildCount(); ++i) CreateHandle(control->Child(i));
}

// ---- Messages -----------------------------------------------------------------------------

Control* ControlOfHandle(HWND hwnd) { return ControlOfWindow(hwnd); }

namespace {

// The list views whose item-change notifications are muted, once per mute.
std::vector<HWND>& MutedLists() {
  static std::vector<HWND> muted;
  return muted;
}

bool IsMutedNotification(UINT message, LPARAM lParam) {
  if (message != WM_NOTIFY || lParam == 0 || MutedLists().empty()) return false;
  const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
  if (header->code != LVN_ITEMCHANGING && header->code != LVN_ITEMCHANGED) return false;
  const auto& muted = MutedLists();
  return std::find(muted.begin(), muted.end(), header->hwndFrom) != muted.end();
}

}  // namespace

void MuteItemChangeNotifications(HWND window, bool muted) {
  auto& lists = MutedLists();
  if (muted) {
    lists.push_back(window);
    return;
  }
  auto it = std::find(lists.begin(), lists.end(), window);
  if (it != lists.end()) lists.erase(it);
}

LRESULT CALLBACK WindowProcEntry(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  try {
    // Before any lookup: a list view sends two of these for every item written over, and a
    // listing writes over hundreds of thousands.
    if (IsMutedNotification(message, lParam)) return 0;
    MessageRecord msg{hwnd, message, wParam, lParam};
    Control* control = ControlOfWindow(hwnd);
    if (hwnd && creatingControl && !control) {
      control = creatingControl;
      control->handle = hwnd;
      SetSelf(hwnd, control);
      creatingControl = nullptr;
    }
    if (!control && hwnd && destroyingControl && destroyingControl->handle == hwnd) {
      WNDPROC proc = destroyingControl->defaultWindowProc;
      return proc ? CallWindowProcA(proc, hwnd, message, wParam, lParam)
                  : DefWindowProcA(hwnd, message, wParam, lParam);
    }
    if (!control) control = applicationObject;
    if (!control) return DefWindowProcA(hwnd, message, wParam, lParam);
    // Held for the whole dispatch, so any handler may free the control: it is destroyed when
    // the dispatch is over.
    HeldReference hold(control);
    const LRESULT result = control->HandleMessage(msg);
    // The platform drops the window's properties with it; the table follows.
    if (message == WM_NCDESTROY) ForgetSelf(hwnd, control);
    return result;
  } catch (...) {
    // Nothing may unwind through the platform's frames.
    return 0;
  }
}

LRESULT Control::HandleMessage(MessageRecord& msg) {
  Control* control = this;
  LRESULT result = 0;
  // The window is gone after this message even when a handler below answers it.
  if (msg.message == WM_NCDESTROY && msg.hwnd == handle) windowGone = 1;
  if (globalMessageHook && globalMessageHook(control, msg, result)) return result;

  if (applicationRunning && applicationObject && applicationObject != control) {
    Control* app = applicationObject;
    result = 0;
    if (app->messageEvent && app->messageEvent.proc(app->messageEvent.receiver, msg, result)) {
      return result;
    }
    // The Application's own attached procedures are for its own window; running
    // CallAttachedProcs here for this control would run this control's procedures twice.
    result = 0;
    if (app->windowProcHook && app->windowProcHook != CallAttachedProcs &&
        app->windowProcHook(control, msg, result)) {
      return result;
    }
  }

  result = 0;
  if (messageEvent && messageEvent.proc(messageEvent.receiver, msg, result)) return result;
  result = 0;
  if (windowProcHook && windowProcHook(control, msg, result)) return result;
  // Freed by a handler above while this dispatch holds it: nothing more is done for it.
  if (refCount & 1) return 0;

  switch (msg.message) {
    case WM_CLOSE:
      return OnClose(control, msg);
    case WM_NCDESTROY:
      return OnNcDestroy(control, msg);
    case kReleaseMessage:
      released = 1;
      Free(control);
      return 0;
    case WM_SIZE:
      result = DefaultHandling(control, msg);
      alignHook(control);
      return result;
    case WM_SHOWWINDOW:
      return OnShowWindow(control, msg);
    case WM_SYSCOMMAND:
      return OnSysCommand(control, msg);
    case WM_SETFOCUS:
      return FocusIfTabStop(control) ? DefaultHandling(control, msg) : 0;
    case WM_SETCURSOR:
      return OnSetCursor(control, msg);
    case WM_COMMAND:
      return OnCommand(control, msg);
    case kQuietAppMessage:
    case MM_MCINOTIFY:
      return 0;
    default:
      break;
  }
  if (msg.message >= kFirstColorMessage && msg.message <= kLastColorMessage) {
    return SendMessageA(reinterpret_cast<HWND>(msg.lParam), msg.message + kReflectedColorOffset,
                        msg.wParam, msg.lParam);
  }
  if (msg.message >= kFirstKeyMessage && msg.message <= kLastKeyMessage) return OnKey(control, msg);
  return DefaultHandling(control, msg);
}

LRESULT DefaultHandling(Control* control, MessageRecord& msg) {
  if (control->defaultWindowProc) {
    return CallWindowProcA(control->defaultWindowProc, control->handle, msg.message, msg.wParam,
                           msg.lParam);
  }
  return DefWindowProcA(msg.hwnd, msg.message, msg.wParam, msg.lParam);
}

LRESULT Perform(Control* control, UINT message, WPARAM wParam, LPARAM lParam) {
  return SendMessageA(HandleOf(control), message, wParam, lParam);
}

void AttachProc(Control* control, HookProc proc) {
  control->windowProcHook = CallAttachedProcs;
  if (!control->attachedProcs) control->attachedProcs = CreateObjectList();
  void* entry = reinterpret_cast<void*>(proc);
  if (control->attachedProcs->IndexOf(entry) < 0) control->attachedProcs->Append(entry);
}

void DetachProc(Control* control, HookProc proc) {
  if (!control->attachedProcs) return;
  const int32_t index = control->attachedProcs->IndexOf(reinterpret_cast<void*>(proc));
  if (index >= 0) control->attachedProcs->RemoveAt(index);
}

bool IsProcAttached(Control* control, HookProc proc) {
  return control->attachedProcs &&
         control->attachedProcs->IndexOf(reinterpret_cast<void*>(proc)) >= 0;
}

bool CallAttachedProcs(Control* control, MessageRecord& msg, LRESULT& result) {
  ObjectList* procs = control->attachedProcs;
  if (!procs || procs->count == 0) return false;
  HeldReference hold(control);
  // A procedure may attach or detach procedures (itself included) while running. The calls go
  // over the list as it was when the message came, so removing an earlier entry cannot shift
  // the current one into the next step; a procedure detached meanwhile is skipped. Every
  // message passes here, so the copy lives on the stack unless a control has many procedures.
  constexpr int32_t kLocalProcs = 16;
  void* local[kLocalProcs];
  std::vector<void*> many;
  const int32_t count = procs->count;
  void** snapshot = local;
  if (count > kLocalProcs) {
    many.resize(static_cast<size_t>(count));
    snapshot = many.data();
  }
  std::memcpy(snapshot, procs->items, sizeof(void*) * static_cast<size_t>(count));
  for (int32_t i = count - 1; i >= 0; --i) {
    if (!control->attachedProcs || control->attachedProcs->IndexOf(snapshot[i]) < 0) continue;
    HookProc proc = reinterpret_cast<HookProc>(snapshot[i]);
    result = 0;
    if (proc(control, msg, result)) return true;
  }
  // Freed during the calls (bit 0 set): the message counts as handled, and the last Release
  // destroys it.
  if (control->refCount & 1) {
    result = 0;
    return true;
  }
  return false;
}

void SetKeyUpEvent(Control* control, KeyProc handler, void* receiver) {
  control->keyUpEvent = {handler, receiver};
  control->keyboardProc = KeyEventProc;
}

bool ChildNotifyProc(Control* control, MessageRecord& msg, LRESULT& result) {
  const UINT message = msg.message;
  if (message >= kFirstColorMessage + kReflectedColorOffset &&
      message <= kLastColorMessage + kReflectedColorOffset) {
    HDC dc = reinterpret_cast<HDC>(msg.wParam);
    SetTextColor(dc, ColorToRGB(control->textColor));
    if (control->transparent) {
      SetBkMode(dc, TRANSPARENT);
      result = reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
    } else {
      SetBkMode(dc, OPAQUE);
      SetBkColor(dc, ColorToRGB(control->color));
      if (!control->backgroundBrush) {
        control->backgroundBrush = CreateSolidBrush(ColorToRGB(control->color));
      }
      result = reinterpret_cast<LRESULT>(control->backgroundBrush);
    }
    return true;
  }
  if (message == kReflectedCommand) {
    const uint16_t code = HIWORD(msg.wParam);
    const ClassCommands& cc = control->classCommands;
    if (code == cc.clickCode) {
      Click(control);
    } else if (code == cc.enterCode) {
      Fire(control->enterEvent, control);
    } else if (code == cc.leaveCode) {
      Fire(control->leaveEvent, control);
    } else if (code == cc.changeCode) {
      Fire(control->changeEvent, control);
    } else if (code == cc.selChangeCode) {
      Fire(control->changeEvent, control);
    } else if (code == kComboDropDown) {
      OnDropDown(control);
    } else if (code == kComboCloseUp) {
      OnCloseUp(control);
    } else {
      return false;
    }
    result = DefaultHandling(control, msg);
    return true;
  }
  if (message == WM_SETFOCUS) {
    Control* form = ParentForm(control);
    if (!form) {
      result = 0;
      return true;
    }
    form->currentControl = control;
    return false;
  }
  return false;
}

bool NotifyReflectProc(Control*, MessageRecord& msg, LRESULT& result) {
  if (msg.message != WM_NOTIFY || !msg.lParam) return false;
  const NMHDR* header = reinterpret_cast<const NMHDR*>(msg.lParam);
  Control* source = ControlOfWindow(header->hwndFrom);
  if (!source) return false;
  msg.hwnd = source->handle;
  return CallAttachedProcs(source, msg, result);
}

bool CommonNotifyProc(Control* control, MessageRecord& msg, LRESULT& result) {
  if (msg.message != WM_NOTIFY || !msg.lParam) return false;
  const NMHDR* header = reinterpret_cast<const NMHDR*>(msg.lParam);
  MouseRecord mouse{};
  switch (header->code) {
    case NM_CLICK:
    case NM_RCLICK:
      Click(control);
      return false;
    case NM_DBLCLK:
    case NM_RDBLCLK:
      mouse.button = header->code == NM_DBLCLK ? 1 : 2;
      if (control->doubleClickEvent) {
        control->doubleClickEvent.proc(control->doubleClickEvent.receiver, control, mouse);
      }
      return false;
    case NM_KILLFOCUS:
      Fire(control->leaveEvent, control);
      return false;
    case NM_SETFOCUS:
    case NM_RETURN:
      Fire(control->enterEvent, control);
      return false;
    case LVN_ENDLABELEDITA: {
      const NMLVDISPINFOA* info = reinterpret_cast<const NMLVDISPINFOA*>(msg.lParam);
      if (!info->item.pszText) {
        result = 0;  // editing cancelled
        return true;
      }
      result = 1;
      const EventSlot<EndEditProc>& endEdit = control->listView.endEditEvent;
      if (endEdit) {
        result = endEdit.proc(endEdit.receiver, control, info->item.iItem, info->item.iSubItem,
                              info->item.pszText)
                     ? 1
                     : 0;
      }
      return true;
    }
    default:
      return false;
  }
}

bool KeyEventProc(Control* control, MessageRecord& msg, LRESULT& result) {
  const EventSlot<KeyProc>* slot = nullptr;
  switch (msg.message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      slot = &control->keyDownEvent;
      break;
    case WM_KEYUP:
    case WM_SYSKEYUP:
      slot = &control->keyUpEvent;
      break;
    case WM_CHAR:
    case WM_SYSCHAR:
      slot = &control->charEvent;
      break;
    default:
      return false;
  }
  if (!*slot) return false;
  uint32_t shift = 0;
  if (msg.lParam & kAltDownBit) shift |= kShiftAlt;
  if (KeyDown(VK_SHIFT)) shift |= kShiftShift;
  if (KeyDown(VK_CONTROL)) shift |= kShiftCtrl;
  uint32_t key = static_cast<uint32_t>(msg.wParam);
  slot->proc(slot->receiver, control, key, shift);
  msg.wParam = key;
  if (key == 0) {
    result = 0;
    return true;
  }
  return false;
}

// ---- Destruction --------------------------------------------------------------------------

void Control::Destroy() {
  // The children are cut off from this object below and can no longer find the form, so the
  // form forgets its current control here when it is anywhere in this subtree.
  Control* form = ParentForm(this);
  if (form && IsInSubtree(form->currentControl, this)) form->currentControl = nullptr;
  // The Application remembers the last active form the same way.
  if (parent && parent->currentControl == this) parent->currentControl = nullptr;

  if (children) {
    for (int32_t i = children->count - 1; i >= 0; --i) {
      if (i >= children->count) continue;
      Control* child = static_cast<Control*>(children->items[i]);
      // A child still held by a dispatch outlives this object: it must not reach back.
      child->parent = nullptr;
      Free(child);
    }
    children->Clear();
  }
  if (released) return;

  if (accelerators) {
    DestroyAcceleratorTable(accelerators);
    accelerators = nullptr;
  }
  if (freeImageListsHook) freeImageListsHook(this);
  if (freeMenusHook) freeMenusHook(this);
  if (handle) {
    SendMessageA(handle, WM_SETICON, ICON_BIG, 0);
    RemoveSelf(handle, this);
    if (!windowGone) {
      AutoReset<Control*> destroying(destroyingControl, this);
      if (!DestroyWindow(handle)) return;
    }
    handle = nullptr;
  }

  std::free(storedCaption);
  storedCaption = nullptr;
  if (parent && parent->children) {
    const int32_t index = parent->children->IndexOf(this);
    if (index >= 0) parent->children->RemoveAt(index);
  }
  if (backgroundBrush) {
    DeleteObject(backgroundBrush);
    backgroundBrush = nullptr;
  }

  FreeObjectList(attachedProcs);
  attachedProcs = nullptr;
  delete toolbar.tooltipTexts;
  toolbar.tooltipTexts = nullptr;
  FreeObjectList(toolbar.tooltipIds);
  toolbar.tooltipIds = nullptr;
  FreeObjectList(children);
  children = nullptr;
  Free(font);
  font = nullptr;
  delete this;
}

// ---- Properties ---------------------------------------------------------------------------

void SetStyle(Control* control, uint32_t value) {
  ResumeDrawing(control);
  if (control->style == value) return;
  control->style = value;
  if (control->handle) SetWindowLongA(control->handle, GWL_STYLE, static_cast<LONG>(value));
}

void SetExStyle(Control* control, uint32_t value) {
  if (control->exStyle == value) return;
  control->exStyle = value;
  if (control->handle) SetWindowLongA(control->handle, GWL_EXSTYLE, static_cast<LONG>(value));
}

std::string Caption(Control* control) {
  if (control->handle) {
    const int length = GetWindowTextLengthA(control->handle);
    if (length <= 0) return std::string();
    std::string text(static_cast<size_t>(length) + 1, '\0');
    const int got = GetWindowTextA(control->handle, &text[0], length + 1);
    text.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return text;
  }
  return control->storedCaption ? std::string(control->storedCaption) : std::string();
}

void SetCaption(Control* control, const std::string& text) {
  if (control->handle) {
    SetWindowTextA(control->handle, text.c_str());
    Invalidate(control);
    return;
  }
  char* copy = HeapCopy(text);
  if (!copy) return;
  std::free(control->storedCaption);
  control->storedCaption = copy;
}

bool Visible(Control* control) {
  ResumeDrawing(control);
  return control->handle ? IsWindowVisible(control->handle) != FALSE
                         : (control->style & WS_VISIBLE) != 0;
}

void SetVisible(Control* control, bool flag) {
  ResumeDrawing(control);
  // Compared with the window's own bit: IsWindowVisible is false for every child of a hidden
  // form, and hiding such a child must still clear its bit.
  const bool current = control->handle
                           ? (GetWindowLongA(control->handle, GWL_STYLE) & WS_VISIBLE) != 0
                           : (control->style & WS_VISIBLE) != 0;
  if (current == flag) return;
  if (flag) {
    control->style |= WS_VISIBLE;
  } else {
    control->style &= ~static_cast<uint32_t>(WS_VISIBLE);
  }
  if (control->handle) ShowWindow(control->handle, flag ? SW_SHOW : SW_HIDE);
  if (flag) alignHook(control->parent ? control->parent : control);
}

void HoldDrawing(Control* control) {
  if (control->drawingHeld || !control->handle || control->windowGone) return;
  const LONG style = GetWindowLongA(control->handle, GWL_STYLE);
  if (!(style & WS_VISIBLE)) return;
  control->drawingHeld = 1;
  SetWindowLongA(control->handle, GWL_STYLE, style & ~WS_VISIBLE);
}

FrameLook FrameLookOf(HWND window) {
  FrameLook look;
  look.vertical.cbSize = look.horizontal.cbSize = sizeof(SCROLLBARINFO);
  if (!GetScrollBarInfo(window, OBJID_VSCROLL, &look.vertical)) look.vertical = SCROLLBARINFO{};
  if (!GetScrollBarInfo(window, OBJID_HSCROLL, &look.horizontal)) look.horizontal = SCROLLBARINFO{};
  return look;
}

namespace {

bool SameBar(const SCROLLBARINFO& a, const SCROLLBARINFO& b) {
  return EqualRect(&a.rcScrollBar, &b.rcScrollBar) && a.dxyLineButton == b.dxyLineButton &&
         a.xyThumbTop == b.xyThumbTop && a.xyThumbBottom == b.xyThumbBottom &&
         std::equal(std::begin(a.rgstate), std::end(a.rgstate), std::begin(b.rgstate));
}

}  // namespace

bool SameFrameLook(const FrameLook& a, const FrameLook& b) {
  return SameBar(a.vertical, b.vertical) && SameBar(a.horizontal, b.horizontal);
}

void ResumeDrawing(Control* control, const FrameLook* lookBefore) {
  if (!control->drawingHeld) return;
  control->drawingHeld = 0;
  if (!control->handle || control->windowGone) return;
  HWND window = control->handle;
  SetWindowLongA(window, GWL_STYLE, GetWindowLongA(window, GWL_STYLE) | WS_VISIBLE);
  // Giving the bit back owes the frame a redraw as well, and under Wine's theme its scroll bars
  // take 5 to 10 ms to draw: that debt is dropped when they would look the same (a log too low
  // to show a line has no thumb however long it grows).
  if (lookBefore != nullptr && SameFrameLook(*lookBefore, FrameLookOf(window))) {
    RedrawWindow(window, nullptr, nullptr, RDW_VALIDATE | RDW_NOFRAME | RDW_NOCHILDREN);
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    return;
  }
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

void GiveBackDrawing(Control* control) {
  if (!control->drawingHeld) return;
  control->drawingHeld = 0;
  if (!control->handle || control->windowGone) return;
  SetWindowLongA(control->handle, GWL_STYLE,
                 GetWindowLongA(control->handle, GWL_STYLE) | WS_VISIBLE);
}

// Showing or hiding on purpose overrides the deferred showing of a window that HandleOf
// created hidden.
void Show(Control* control) {
  HandleOf(control);
  control->visibilitySet = 1;
  control->showAfterCreate = 0;
  SetVisible(control, true);
  SetForegroundWindow(control->handle);
  FocusIfTabStop(control);
}

void Hide(Control* control) {
  control->visibilitySet = 1;
  control->showAfterCreate = 0;
  SetVisible(control, false);
}

bool Enabled(Control* control) {
  if (control->handle) return IsWindowEnabled(control->handle) != FALSE;
  return (control->style & WS_DISABLED) == 0;
}

void SetEnabled(Control* control, bool flag) {
  if (Enabled(control) == flag) return;
  if (flag) {
    control->style &= ~static_cast<uint32_t>(WS_DISABLED);
  } else {
    control->style |= WS_DISABLED;
  }
  if (control->handle) EnableWindow(control->handle, flag ? TRUE : FALSE);
}

void SetParent(Control* control, Control* newParent) {
  if (control->parent && control->parent->children) {
    const int32_t index = control->parent->children->IndexOf(control);
    if (index >= 0) control->parent->children->RemoveAt(index);
  }
  control->parent = newParent;
  if (newParent) {
    if (!newParent->children) newParent->children = CreateObjectList();
    newParent->children->Append(control);
  }
}

void SetMenuHandle(Control* form, HMENU menu) {
  const uintptr_t value = reinterpret_cast<uintptr_t>(menu);
  if (form->menuOrId == value) return;
  // The form's menu objects belong to the old bar. A form has menu objects only once the menu
  // unit has installed its hook, so freeing through the hook reaches all of them.
  if (form->firstMenu && freeMenusHook) freeMenusHook(form);
  // Read only now: a menu object that owned the bar has destroyed it and cleared the field, and
  // a second DestroyMenu could hit a menu that meanwhile got the same handle.
  const uintptr_t old = form->menuOrId;
  if (old) DestroyMenu(reinterpret_cast<HMENU>(old));
  form->menuOrId = value;
  if (form->handle) SetMenu(form->handle, menu);
}

void Invalidate(Control* control) {
  if (!applicationRunning || !control->handle) return;
  InvalidateRect(control->handle, nullptr, TRUE);
  afterInvalidateHook(control);
}

void UpdateTree(Control* control) {
  if (control->handle) UpdateWindow(control->handle);
  for (int i = 0; i < control->ChildCount(); ++i) UpdateTree(control->Child(i));
}

void SetFocused(Control* control, bool flag) {
  if (!flag) return;
  if (control->isControl) {
    Control* form = ParentForm(control);
    if (form) form->currentControl = control;
    SetFocus(HandleOf(control));
  } else {
    SetForegroundWindow(HandleOf(control));
  }
}

bool FocusIfTabStop(Control* control) {
  if (control->tabStop && Enabled(control)) {
    SetFocus(control->handle);
    return true;
  }
  return false;
}

void Click(Control* control) { Fire(control->clickEvent, control); }

void ApplyFont(Control* control) {
  if (control->handle && control->font) {
    Perform(control, WM_SETFONT, reinterpret_cast<WPARAM>(FontHandle(control->font)),
            kApplyFontRedraw);
  }
}

FontTool* FontOf(Control* control) {
  if (!control->font) {
    FontTool* font = CreateFontTool();
    font->color = control->textColor;
    font->changeEvent = {FontChangedForControl, control};
    control->font = font;
  }
  return control->font;
}

HICON IconOf(Control* control) {
  if (control->icon) return control->icon;
  if (applicationObject && applicationObject != control && applicationObject->icon) {
    return applicationObject->icon;
  }
  if (!programInstance) programInstance = GetModuleHandleA(nullptr);
  return LoadIconA(programInstance, "MAINICON");
}

Control* ParentForm(Control* control) {
  while (control && control->isControl) control = control->parent;
  return control;
}

void SetColor(Control* control, uint32_t color) {
  control->color = color;
  if (control->backgroundBrush) {
    DeleteObject(control->backgroundBrush);
    control->backgroundBrush = nullptr;
  }
  Invalidate(control);
}
