#include "winobj/controls.h"

#include <algorithm>
#include <cstring>

#include "winobj/geometry.h"
#include "winobj/scoped.h"

namespace {

// ---- Base styles of the kinds ----

constexpr uint32_t kButtonStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHLIKE;
constexpr uint32_t kCheckBoxStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX;
constexpr uint32_t kLabelStyle =
    WS_CHILD | WS_VISIBLE | SS_NOTIFY | SS_NOPREFIX | SS_LEFTNOWORDWRAP;
constexpr uint32_t kPanelStyle = WS_CHILD | WS_VISIBLE | SS_NOPREFIX | SS_LEFTNOWORDWRAP;
constexpr uint32_t kEditStyle = WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP;
constexpr uint32_t kListBoxStyle =
    WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL | WS_TABSTOP | LBS_HASSTRINGS | LBS_NOTIFY;
constexpr uint32_t kComboBoxStyle =
    WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | CBS_HASSTRINGS | CBS_DROPDOWN;

constexpr uint32_t kPanelEdgeStyles[] = {WS_DLGFRAME, SS_SUNKEN, 0};

// ---- Option tables: entry n belongs to bit n of the kind's option set ----

constexpr OptionStyle kEditOptions[] = {
    {WS_HSCROLL | ES_AUTOHSCROLL, true},
    {WS_VSCROLL | ES_AUTOVSCROLL, true},
    {ES_LOWERCASE, false},
    {ES_MULTILINE, false},
    {ES_NOHIDESEL, false},
    {ES_OEMCONVERT, false},
    {ES_PASSWORD, false},
    {ES_READONLY, false},
    {ES_UPPERCASE, false},
    {ES_WANTRETURN, false},
};

constexpr OptionStyle kListBoxOptions[] = {
    {LBS_DISABLENOSCROLL, false},
    {LBS_EXTENDEDSEL, false},
    {LBS_MULTICOLUMN | WS_HSCROLL, false},
    {LBS_MULTIPLESEL, false},
    {LBS_NOINTEGRALHEIGHT, false},
    {LBS_NOSEL, false},
    {LBS_SORT, false},
    {LBS_USETABSTOPS, false},
};

constexpr OptionStyle kComboBoxOptions[] = {
    {CBS_DROPDOWNLIST, false}, {CBS_AUTOHSCROLL, true},       {CBS_DISABLENOSCROLL, false},
    {CBS_LOWERCASE, false},    {CBS_NOINTEGRALHEIGHT, false}, {CBS_OEMCONVERT, false},
    {CBS_SORT, false},         {CBS_UPPERCASE, false},
};

template <size_t N>
uint32_t TableStyle(const OptionStyle (&table)[N], uint32_t options) {
  return OptionsToStyle(table, N, options);
}

// ---- Default sizes ----

constexpr SIZE kButtonSize{64, 22};
constexpr SIZE kCheckBoxSize{72, 22};
constexpr SIZE kLabelSize{64, 22};
constexpr SIZE kPanelSize{100, 100};
constexpr SIZE kEditSize{100, 22};
constexpr SIZE kMultilineEditSize{200, 222};
constexpr SIZE kListBoxSize{164, 200};
constexpr SIZE kComboBoxSize{100, 22};
constexpr int kMinSplitterSize = 4;

// ---- Combo box drop-down ----

constexpr UINT kDropDownResizeFlags =
    SWP_HIDEWINDOW | SWP_NOACTIVATE | SWP_NOREDRAW | SWP_NOZORDER | SWP_NOMOVE;  // 0x9E
constexpr UINT kDropDownShowFlags = SWP_SHOWWINDOW | SWP_NOACTIVATE | SWP_NOREDRAW | SWP_NOZORDER |
                                    SWP_NOMOVE | SWP_NOSIZE;  // 0x5F
// Where a subclassed child of a combo box keeps the procedure it had before.
constexpr char kComboChildProcProperty[] = "OBJ_OLDPROC_";

// ---- Splitter ----

constexpr UINT_PTR kSplitterTimerId = 1;
constexpr UINT kSplitterTimerMs = 100;

// ---- Clear procedures and ClassCommands of the kinds ----

void ClearCaption(Control* control) { SetCaption(control, std::string()); }
void ClearListBox(Control* control) { Perform(control, LB_RESETCONTENT, 0, 0); }
void ClearComboBox(Control* control) { Perform(control, CB_RESETCONTENT, 0, 0); }
void ComboDropDown(Control* combo);

ClassCommands MakeButtonCommands() {
  ClassCommands c;
  c.clear = ClearCaption;
  c.clickCode = BN_CLICKED;
  c.enterCode = BN_SETFOCUS;
  c.leaveCode = BN_KILLFOCUS;
  return c;
}

ClassCommands MakeStaticCommands() {
  ClassCommands c;
  c.clear = ClearCaption;
  return c;
}

ClassCommands MakeEditCommands() {
  ClassCommands c;
  c.clear = ClearCaption;
  c.enterCode = EN_SETFOCUS;
  c.leaveCode = EN_KILLFOCUS;
  c.changeCode = EN_CHANGE;
  c.countMsg = EM_GETLINECOUNT;
  c.itemLengthMsg = EM_LINELENGTH;
  c.itemTextMsg = EM_GETLINE;
  c.currentIndexMsg = EM_LINEINDEX;
  c.setTextSelectionMsg = EM_SETSEL;
  return c;
}

ClassCommands MakeListBoxCommands() {
  ClassCommands c;
  c.clear = ClearListBox;
  c.clickCode = LBN_DBLCLK;
  c.enterCode = LBN_SETFOCUS;
  c.leaveCode = LBN_KILLFOCUS;
  c.selChangeCode = LBN_SELCHANGE;
  c.countMsg = LB_GETCOUNT;
  c.itemLengthMsg = LB_GETTEXTLEN;
  c.itemTextMsg = LB_GETTEXT;
  c.addMsg = LB_ADDSTRING;
  c.currentIndexMsg = LB_GETCURSEL;
  c.selectItemMsg = LB_SETSEL;
  c.setCurrentIndexMsg = LB_SETCURSEL;
  return c;
}

ClassCommands MakeComboBoxCommands() {
  ClassCommands c;
  c.clear = ClearComboBox;
  c.clickCode = CBN_DBLCLK;
  c.enterCode = CBN_SETFOCUS;
  c.leaveCode = CBN_KILLFOCUS;
  c.selChangeCode = CBN_SELCHANGE;
  c.countMsg = CB_GETCOUNT;
  c.itemLengthMsg = CB_GETLBTEXTLEN;
  c.itemTextMsg = CB_GETLBTEXT;
  c.addMsg = CB_ADDSTRING;
  c.currentIndexMsg = CB_GETCURSEL;
  c.setCurrentIndexMsg = CB_SETCURSEL;
  c.dropDown = ComboDropDown;
  return c;
}

const ClassCommands kButtonCommands = MakeButtonCommands();
const ClassCommands kStaticCommands = MakeStaticCommands();
const ClassCommands kEditCommands = MakeEditCommands();
const ClassCommands kListBoxCommands = MakeListBoxCommands();
const ClassCommands kComboBoxCommands = MakeComboBoxCommands();

// ---- Helpers ----

// The default size counts from the default position the control got from its parent.
void SetDefaultSize(Control* control, int width, int height) {
  control->boundsRect.right = control->boundsRect.left + width;
  control->boundsRect.bottom = control->boundsRect.top + height;
}

void SetDefaultSize(Control* control, SIZE size) { SetDefaultSize(control, size.cx, size.cy); }

Control* NewCaptioned(Control* parent, uint32_t style, const std::string& caption, SIZE size) {
  Control* control = CreateChildControl(parent, "BUTTON", style, false, &kButtonCommands);
  SetDefaultSize(control, size);
  control->color = kColorBtnFace;
  SetCaption(control, caption);
  return control;
}

bool IsEdit(const Control* control) {
  return control->classCommands.setTextSelectionMsg == EM_SETSEL;
}

Control* ControlOfWindow(HWND window) { return ControlOfHandle(window); }

// The log is an edit that only grows: without this a multi-line edit stops taking text at
// 30,000 characters (Windows and Wine alike), silently.
void LiftEditLimit(Control* edit) { SendMessageA(edit->handle, EM_SETLIMITTEXT, 0, 0); }

// Appends at the end instead of reading and rewriting the whole text, which costs the length
// of the text per line and makes a long log crawl. The selection goes to a position past any
// text, which the edit clamps to its end as it does the -1 of "select all"; asking for the
// length first walked the whole text under Wine (the ANSI length is converted from all of it:
// 0.1 ms per 250 KB of log, on every append).
void AppendToEdit(Control* edit, const std::string& text) {
  constexpr int kPastTheEnd = 0x7FFFFFFF;
  HWND window = edit->handle;
  SendMessageA(window, EM_SETSEL, kPastTheEnd, kPastTheEnd);
  SendMessageA(window, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
}

// Every replacement costs a shown multi-line edit a redraw of its scroll bars, at once: 10 to
// 40 ms under Wine, whatever the text's length. Text appended while the thread is busy (the
// status callback logs inside a blocking FTP call, where nothing is repainted anyway) waits
// in the control and is drawn once, before the edit handles any other message (whoever reads
// the text reads all of it) or when the message loop next runs. From the loop, whatever the
// edit still owes the screen is drawn first, so that its frame need not be drawn again unless
// the text moved its scroll bars.
//
// Laying the text out is work of its own (Wine's edit measures every new line, some 20 to 40 us
// each), and a large transfer logs three lines a megabyte. So the waiting text goes into the
// hidden window a piece at a time while the thread is still busy: over a network a transfer
// spends most of its time waiting on its socket, and a piece fits in that wait. The loop is
// left with the last piece and the one redraw. Each replacement has a fixed cost too (about
// 0.2 ms under Wine, a piece of 2 KiB adds a tenth to its layout) and walks all of Wine's line
// records (some 40 ns a line), so a piece is also at least half a byte per line the log
// holds: the walks stay a tenth of the layout however long the log grows.
constexpr size_t kPourBytes = 2048;

// The edit's own messages while text goes in (the hold's style change among them) flush nothing:
// `flushing` is set meanwhile.
bool CanFlush(const Control* edit) {
  return !edit->edit.flushing && edit->handle && !edit->windowGone;
}

void AppendPendingText(Control* edit) {
  std::string text;
  text.swap(edit->edit.pendingText);
  if (!text.empty()) AppendToEdit(edit, text);
}

void FlushPendingText(Control* edit, bool fromLoop) {
  EditFields& state = edit->edit;
  if (!CanFlush(edit) || (state.pendingText.empty() && !state.pouredWhileBusy)) return;
  AutoReset<uint8_t> flushing(state.flushing, 1);
  FrameLook before;
  if (state.pouredWhileBusy) {
    state.pouredWhileBusy = 0;
    before = state.lookBeforePour;
  } else {
    if (fromLoop) RedrawWindow(edit->handle, nullptr, nullptr, RDW_UPDATENOW | RDW_NOCHILDREN);
    before = FrameLookOf(edit->handle);
    HoldDrawing(edit);
  }
  AppendPendingText(edit);
  ResumeDrawing(edit, fromLoop ? &before : nullptr);
}

void PourWhileBusy(Control* edit) {
  EditFields& state = edit->edit;
  if (!CanFlush(edit)) return;
  AutoReset<uint8_t> flushing(state.flushing, 1);
  // Held from the first piece until the loop's flush, and held again if something showed the
  // window meanwhile (a question about its visibility resumes drawing).
  if (!state.pouredWhileBusy || !edit->drawingHeld) {
    RedrawWindow(edit->handle, nullptr, nullptr, RDW_UPDATENOW | RDW_NOCHILDREN);
    state.lookBeforePour = FrameLookOf(edit->handle);
    HoldDrawing(edit);
    state.pouredWhileBusy = 1;
  }
  AppendPendingText(edit);
  const LRESULT lines = SendMessageA(edit->handle, EM_GETLINECOUNT, 0, 0);
  state.pourAt = std::max(kPourBytes, static_cast<size_t>(std::max<LRESULT>(lines, 0)) / 2);
}

bool FlushPendingTextProc(Control* edit, MessageRecord& msg, LRESULT& result) {
  const bool fromLoop = msg.message == kDeferredWorkMessage;
  FlushPendingText(edit, fromLoop);
  if (!fromLoop) return false;
  edit->edit.flushPosted = 0;
  result = 0;
  return true;
}

void AppendLater(Control* edit, const std::string& text) {
  if (!IsProcAttached(edit, FlushPendingTextProc)) AttachProc(edit, FlushPendingTextProc);
  edit->edit.pendingText += text;
  if (!edit->edit.flushPosted) {
    if (!PostMessageA(edit->handle, kDeferredWorkMessage, 0, 0)) {
      FlushPendingText(edit, false);  // no queue to wait in
      return;
    }
    edit->edit.flushPosted = 1;
  }
  if (edit->edit.pendingText.size() >= std::max(kPourBytes, edit->edit.pourAt)) PourWhileBusy(edit);
}

std::string EditLineText(Control* edit, int line) {
  if (line < 0) return std::string();
  const LRESULT start = Perform(edit, EM_LINEINDEX, static_cast<WPARAM>(line), 0);
  if (start < 0) return std::string();
  const LRESULT length = Perform(edit, EM_LINELENGTH, static_cast<WPARAM>(start), 0);
  if (length <= 0) return std::string();
  // EM_GETLINE reads the buffer's capacity from its first word.
  const WORD capacity = static_cast<WORD>(std::min<LRESULT>(length, 0xFFFF));
  std::string text(std::max<size_t>(capacity, sizeof(WORD)) + 1, '\0');
  std::memcpy(&text[0], &capacity, sizeof capacity);
  const LRESULT got =
      Perform(edit, EM_GETLINE, static_cast<WPARAM>(line), reinterpret_cast<LPARAM>(&text[0]));
  text.resize(got > 0 ? std::min<size_t>(static_cast<size_t>(got), capacity) : 0);
  return text;
}

// ---- Combo box ----

void ComboDropDown(Control* combo) {
  HWND window = combo->handle;
  if (!window) return;
  RECT r{};
  GetWindowRect(window, &r);
  const int comboHeight = r.bottom - r.top;
  // Rows are counted in the list's own item height: the closed combo box is taller than a row
  // (24 against 16 pixels with Wine's default font), and counting in its height would open
  // twelve rows where eight are meant.
  int itemHeight = static_cast<int>(SendMessageA(window, CB_GETITEMHEIGHT, 0, 0));
  if (itemHeight <= 0) itemHeight = comboHeight;
  const int height = DropDownWindowHeight(Count(combo), comboHeight, itemHeight);
  SetWindowPos(window, nullptr, 0, 0, r.right - r.left, height, kDropDownResizeFlags);
  SetWindowPos(window, nullptr, 0, 0, 0, 0, kDropDownShowFlags);
  if (combo->dropDownEvent) combo->dropDownEvent.proc(combo->dropDownEvent.receiver, combo);
}

// Keys typed into the edit field of a combo box. Returns true when the key is used up.
bool ComboChildKey(Control* combo, UINT message, WPARAM key) {
  if (message == WM_KEYDOWN || message == WM_KEYUP) {
    Control* form = ParentForm(combo);
    if (form && form->formKeyHandler && form->formKeyHandler(combo, key, message == WM_KEYDOWN)) {
      return true;
    }
  }
  if (key == VK_TAB && (message == WM_KEYDOWN || message == WM_CHAR)) return true;
  if (message == WM_KEYDOWN && key == VK_ESCAPE) {
    // The index was remembered when the list dropped down; with the list closed it is stale,
    // and putting it back would throw away what the user chose or typed since.
    const bool wasDropped = combo->combo.droppedDown != 0;
    SendMessageA(combo->handle, CB_SHOWDROPDOWN, FALSE, 0);
    if (wasDropped) SetCurrentIndex(combo, combo->combo.dropDownIndex);
    return true;
  }
  if (message == WM_KEYUP && key == VK_RETURN) {
    const int index = static_cast<int>(SendMessageA(combo->handle, CB_GETCURSEL, 0, 0));
    SendMessageA(combo->handle, CB_SHOWDROPDOWN, FALSE, 0);
    if (index >= 0) SetCurrentIndex(combo, index);
    return true;
  }
  return false;
}

LRESULT CALLBACK ComboChildProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  WNDPROC previous = reinterpret_cast<WNDPROC>(GetPropA(window, kComboChildProcProperty));
  try {
    Control* combo = ControlOfWindow(GetParent(window));
    if (combo && ComboChildKey(combo, message, wParam)) return 0;
  } catch (...) {
    // Nothing may unwind through the platform's frames.
    return 0;
  }
  if (message == WM_NCDESTROY && previous) {
    SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
    RemovePropA(window, kComboChildProcProperty);
  }
  return previous ? CallWindowProcA(previous, window, message, wParam, lParam)
                  : DefWindowProcA(window, message, wParam, lParam);
}

void SubclassComboChildren(Control* combo) {
  for (HWND child = GetWindow(combo->handle, GW_CHILD); child;
       child = GetWindow(child, GW_HWNDNEXT)) {
    if (GetPropA(child, kComboChildProcProperty)) continue;
    const LONG_PTR previous = GetWindowLongPtrA(child, GWLP_WNDPROC);
    SetPropA(child, kComboChildProcProperty, reinterpret_cast<HANDLE>(previous));
    SetWindowLongPtrA(child, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ComboChildProc));
  }
}

// ---- Splitter ----

bool AcrossWidth(uint8_t align) { return align == kAlignLeft || align == kAlignRight; }

bool AcrossHeight(uint8_t align) { return align == kAlignTop || align == kAlignBottom; }

// The neighbour, while it is still a child of the splitter's parent.
Control* SplitterNeighbour(Control* splitter) {
  Control* neighbour = splitter->splitter.neighbour;
  Control* parent = splitter->parent;
  if (!neighbour || !parent || !parent->children || parent->children->IndexOf(neighbour) < 0) {
    return nullptr;
  }
  return neighbour;
}

void ResizeNeighbour(Control* splitter, POINT cursor) {
  Control* neighbour = SplitterNeighbour(splitter);
  const uint8_t align = splitter->align;
  if (!neighbour || !(AcrossWidth(align) || AcrossHeight(align))) return;
  Control* parent = splitter->parent;
  const bool x = AcrossWidth(align);
  SplitterDrag drag;
  drag.align = align;
  drag.startSize = splitter->splitter.startSize;
  drag.startCoord = x ? splitter->splitter.startPos.x : splitter->splitter.startPos.y;
  drag.coord = x ? cursor.x : cursor.y;
  drag.parentExtent = x ? ClientWidth(parent) : ClientHeight(parent);
  drag.splitterExtent = x ? Width(splitter) : Height(splitter);
  drag.minNeighbour = splitter->splitter.minNeighbour;
  drag.minRest = splitter->splitter.minRest;
  const int size = SplitterNeighbourSize(drag);
  SetBoundsRect(neighbour, NeighbourBoundsForSize(BoundsRect(neighbour), align, size));
  AlignChildren(parent);
  if (parent->handle) {
    RedrawWindow(parent->handle, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  }
}

void StartDrag(Control* splitter) {
  Control* neighbour = SplitterNeighbour(splitter);
  const uint8_t align = splitter->align;
  if (!neighbour || !(AcrossWidth(align) || AcrossHeight(align))) return;
  splitter->splitter.startSize = AcrossWidth(align) ? Width(neighbour) : Height(neighbour);
  GetCursorPos(&splitter->splitter.startPos);
  SetCapture(splitter->handle);
  SetTimer(splitter->handle, kSplitterTimerId, kSplitterTimerMs, nullptr);
  splitter->splitter.dragging = 1;
}

void StopDrag(Control* splitter) {
  // Off first: releasing the capture sends WM_CAPTURECHANGED back here.
  splitter->splitter.dragging = 0;
  KillTimer(splitter->handle, kSplitterTimerId);
  if (GetCapture() == splitter->handle) ReleaseCapture();
}

POINT CursorNow() {
  POINT p{};
  GetCursorPos(&p);
  return p;
}

bool SplitterProc(Control* splitter, MessageRecord& msg, LRESULT& result) {
  switch (msg.message) {
    case WM_NCHITTEST:
      // A static without SS_NOTIFY answers HTTRANSPARENT, which would hand every click to the
      // parent and leave nothing to drag: every answer that is not "nowhere" is client area.
      result = DefaultHandling(splitter, msg);
      if (result != HTNOWHERE) result = HTCLIENT;
      return true;
    case WM_LBUTTONDOWN:
      StartDrag(splitter);
      return true;
    case WM_MOUSEMOVE:
      SetCursor(splitter->cursor);
      if (splitter->splitter.dragging) ResizeNeighbour(splitter, CursorNow());
      return true;
    case WM_LBUTTONUP:
      // Only a drag that began here ends here: a press elsewhere (or a drag cancelled with
      // Escape) released over the splitter must not resize from a stale start.
      if (splitter->splitter.dragging) {
        ResizeNeighbour(splitter, CursorNow());
        StopDrag(splitter);
      }
      return true;
    case WM_TIMER:
      if (msg.wParam != kSplitterTimerId) return false;
      if (splitter->splitter.dragging && splitterEscapeHeld()) {
        ResizeNeighbour(splitter, splitter->splitter.startPos);
        StopDrag(splitter);
      }
      return true;
    case WM_CAPTURECHANGED:
      // Capture taken away (another window, a menu): the drag is over where it stands.
      if (splitter->splitter.dragging && reinterpret_cast<HWND>(msg.lParam) != splitter->handle) {
        StopDrag(splitter);
      }
      return false;
    default:
      return false;
  }
}

bool EscapeKeyDown() { return GetAsyncKeyState(VK_ESCAPE) < 0; }

}  // namespace

bool (*splitterEscapeHeld)() = EscapeKeyDown;

// ---- Plain arithmetic ---------------------------------------------------------------------

uint32_t OptionsToStyle(const OptionStyle* table, size_t count, uint32_t options) {
  uint32_t style = 0;
  for (size_t i = 0; i < count && i < 32; ++i) {
    const bool set = (options >> i) & 1u;
    if (set != table[i].whenAbsent) style |= table[i].style;
  }
  return style;
}

uint32_t EditStyle(uint32_t options) {
  uint32_t style = kEditStyle | TableStyle(kEditOptions, options);
  if (!(options & EditOption::Multiline)) style &= ~static_cast<uint32_t>(WS_HSCROLL | WS_VSCROLL);
  return style;
}

uint32_t ListBoxStyle(uint32_t options) {
  return kListBoxStyle | TableStyle(kListBoxOptions, options);
}

uint32_t ComboBoxStyle(uint32_t options) {
  return kComboBoxStyle | TableStyle(kComboBoxOptions, options);
}

int DropDownWindowHeight(int itemCount, int comboHeight, int itemHeight) {
  const int rows = std::clamp(itemCount, 1, kDropDownMaxRows);
  return comboHeight + rows * itemHeight + 2;
}

int SplitterNeighbourSize(const SplitterDrag& drag) {
  const int delta = drag.coord - drag.startCoord;
  const bool leading = drag.align == kAlignLeft || drag.align == kAlignTop;
  int size = leading ? drag.startSize + delta : drag.startSize - delta;
  int rest = drag.parentExtent - size - drag.splitterExtent;
  if (drag.minNeighbour >= 0 && size < drag.minNeighbour) {
    rest -= drag.minNeighbour - size;
    size = drag.minNeighbour;
  }
  if (drag.minRest >= 0 && rest < drag.minRest) size -= drag.minRest - rest;
  return size;
}

RECT NeighbourBoundsForSize(RECT bounds, uint8_t align, int size) {
  switch (align) {
    case kAlignLeft:
      bounds.right = bounds.left + size;
      break;
    case kAlignTop:
      bounds.bottom = bounds.top + size;
      break;
    case kAlignRight:
      bounds.left = bounds.right - size;
      break;
    case kAlignBottom:
      bounds.top = bounds.bottom - size;
      break;
    default:
      break;
  }
  return bounds;
}

// ---- Constructors -------------------------------------------------------------------------

Control* NewButton(Control* parent, const std::string& caption) {
  return NewCaptioned(parent, kButtonStyle, caption, kButtonSize);
}

Control* NewCheckBox(Control* parent, const std::string& caption) {
  return NewCaptioned(parent, kCheckBoxStyle, caption, kCheckBoxSize);
}

Control* NewLabel(Control* parent, const std::string& caption) {
  Control* label = CreateChildControl(parent, "STATIC", kLabelStyle, false, &kStaticCommands);
  SetDefaultSize(label, kLabelSize);
  label->color = kColorBtnFace;
  label->labelMarker = 1;
  SetCaption(label, caption);
  return label;
}

Control* NewPanel(Control* parent, int edge) {
  const int kind = (edge >= EdgeRaised && edge <= EdgeNone) ? edge : EdgeNone;
  Control* panel = CreateChildControl(parent, "STATIC", kPanelStyle | kPanelEdgeStyles[kind], false,
                                      &kStaticCommands);
  SetDefaultSize(panel, kPanelSize);
  panel->color = kColorBtnFace;
  return panel;
}

Control* NewSplitter(Control* parent, int minNeighbour, int minRest) {
  Control* splitter = NewPanel(parent, EdgeNone);
  const int size = std::max(parent ? parent->margin : splitter->margin, kMinSplitterSize);
  SetDefaultSize(splitter, size, size);
  splitter->splitter.minNeighbour = minNeighbour;
  splitter->splitter.minRest = minRest;
  const int count = parent ? parent->ChildCount() : 0;
  Control* neighbour = count >= 2 ? parent->Child(count - 2) : nullptr;
  splitter->splitter.neighbour = neighbour;
  const uint8_t align = neighbour ? neighbour->align : static_cast<uint8_t>(kAlignNone);
  splitter->cursor = LoadCursorA(nullptr, AcrossHeight(align) ? IDC_SIZENS : IDC_SIZEWE);
  AttachProc(splitter, SplitterProc);
  if (neighbour) SetAlign(splitter, align);
  return splitter;
}

Control* NewEdit(Control* parent, uint32_t options) {
  Control* edit = CreateChildControl(parent, "EDIT", EditStyle(options), true, &kEditCommands);
  SetDefaultSize(edit, (options & EditOption::Multiline) ? kMultilineEditSize : kEditSize);
  edit->color = kColorWindow;
  edit->cursor = LoadCursorA(nullptr, IDC_IBEAM);
  edit->afterCreateHook = LiftEditLimit;
  return edit;
}

Control* NewListBox(Control* parent, uint32_t options) {
  Control* list =
      CreateChildControl(parent, "LISTBOX", ListBoxStyle(options), true, &kListBoxCommands);
  SetDefaultSize(list, kListBoxSize);
  list->color = kColorWindow;
  return list;
}

Control* NewComboBox(Control* parent, uint32_t options) {
  Control* combo =
      CreateChildControl(parent, "COMBOBOX", ComboBoxStyle(options), false, &kComboBoxCommands);
  SetDefaultSize(combo, kComboBoxSize);
  combo->color = kColorWindow;
  combo->afterCreateHook = SubclassComboChildren;
  return combo;
}

// ---- Generic item operations --------------------------------------------------------------

void Clear(Control* control) {
  if (control->classCommands.clear) control->classCommands.clear(control);
}

int Count(Control* control) {
  const UINT message = control->classCommands.countMsg;
  return message ? static_cast<int>(Perform(control, message, 0, 0)) : 0;
}

std::string ItemText(Control* control, int index) {
  const ClassCommands& cc = control->classCommands;
  if (!cc.itemLengthMsg || !cc.itemTextMsg) return std::string();
  if (cc.itemTextMsg == EM_GETLINE) return EditLineText(control, index);
  const LRESULT length = Perform(control, cc.itemLengthMsg, static_cast<WPARAM>(index), 0);
  if (length <= 0) return std::string();  // -1: no such item
  std::string text(static_cast<size_t>(length) + 1, '\0');
  const LRESULT got = Perform(control, cc.itemTextMsg, static_cast<WPARAM>(index),
                              reinterpret_cast<LPARAM>(&text[0]));
  text.resize(got > 0 ? std::min(static_cast<size_t>(got), static_cast<size_t>(length)) : 0);
  return text;
}

void AddItem(Control* control, const std::string& text) {
  const ClassCommands& cc = control->classCommands;
  if (cc.addMsg) {
    Perform(control, cc.addMsg, 0, reinterpret_cast<LPARAM>(text.c_str()));
    if (Count(control) == 1) SelectItem(control, 0, true);
    return;
  }
  if (IsEdit(control) && control->handle) {
    AppendLater(control, text);
    return;
  }
  SetCaption(control, Caption(control) + text);
}

// A quarter of a piece: at a wait the layout costs nothing the user waits for, the replacement's
// fixed cost and its walk of the lines still do.
void PourBeforeWait(Control* edit) {
  if (edit == nullptr || !IsEdit(edit) || !edit->handle) return;
  const EditFields& state = edit->edit;
  if (state.pendingText.size() >= std::max(kPourBytes, state.pourAt) / 4) PourWhileBusy(edit);
}

int CurrentIndex(Control* control) {
  const UINT message = control->classCommands.currentIndexMsg;
  if (!message) return control->combo.dropDownIndex;
  // EM_LINEINDEX with -1 answers for the line that holds the caret.
  const WPARAM wParam = message == EM_LINEINDEX ? static_cast<WPARAM>(-1) : 0;
  return static_cast<int>(Perform(control, message, wParam, 0));
}

void SetCurrentIndex(Control* control, int index) {
  const UINT message = control->classCommands.setCurrentIndexMsg;
  if (message) {
    Perform(control, message, static_cast<WPARAM>(index), 0);
  } else {
    SelectItem(control, index, true);
  }
}

void SelectItem(Control* control, int index, bool on) {
  const ClassCommands& cc = control->classCommands;
  if (cc.selectItemMsg) {
    // Windows ignores LB_SETSEL on a single-selection list box; Wine selects the item. The
    // program counts on Windows' answer (a freshly filled site list has no selection).
    if (cc.selectItemMsg == LB_SETSEL && !(control->style & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL))) {
      return;
    }
    Perform(control, cc.selectItemMsg, on ? TRUE : FALSE, index);
  } else if (cc.setCurrentIndexMsg) {
    Perform(control, cc.setCurrentIndexMsg, static_cast<WPARAM>(index), 0);
  } else if (cc.setTextSelectionMsg) {
    Perform(control, cc.setTextSelectionMsg, static_cast<WPARAM>(index), index);
  }
}

bool Checked(Control* control) { return (Perform(control, BM_GETCHECK, 0, 0) & 0xFF) != 0; }

void SetChecked(Control* control, bool on) {
  Perform(control, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
}
