#include "winobj/statusbar.h"

#include <commctrl.h>

#include <algorithm>

#include "winobj/geometry.h"

namespace {

// SB_SETTEXT's part index for the simple-mode text.
constexpr int kSimplePart = SB_SIMPLEID;  // 255
constexpr int kMaxParts = 255;
constexpr WPARAM kAllBits = static_cast<WPARAM>(-1);

void CreateStatusBar(Control* form, int index) {
  const int clientHeight = ClientHeight(form);
  uint32_t style = WS_CHILD;
  if (!form->preventResize) style |= SBARS_SIZEGRIP;
  Control* bar = CreateCommonControl(form, STATUSCLASSNAMEA, style, false, nullptr);
  // The platform control places itself at the bottom; alignment must leave it alone.
  bar->boundsRect = RECT{0, 0, 0, 0};
  bar->align = kAlignBottom;
  bar->excludedFromAlign = 1;
  form->form.statusBar = bar;
  HWND window = HandleOf(bar);
  form->form.statusBarWindow = window;
  SendMessageA(window, SB_SIMPLE, index >= kSimplePart ? kAllBits : 0, 0);
  RECT r{};
  GetWindowRect(window, &r);
  form->clientBottomMargin = r.bottom - r.top;
  // The form grows by the bar, so its children keep the room they had.
  SetClientHeight(form, clientHeight);
  SendMessageA(window, WM_SIZE, 0, 0);
}

// Each text that changes a part makes the platform's bar redraw itself at once (UpdateWindow),
// and under Wine even a bar that is not drawn asks the server twice per text (the invalidation
// and the update): 2 to 4 ms a drawn text, 0.1 to 0.2 ms one held, and a transfer reports
// thousands. From its first text on, the texts wait in the layer until the message loop next
// runs, as the bar would wait for its paint after a change anyway; while texts keep coming
// without a loop between (a long blocking transfer) they are drawn every kHeldDrawInterval, so
// the user still sees progress. Meanwhile each SB_SETTEXTA still reaches the bar's window, in
// order, but the platform's bar is handed only the latest text of each part, before it draws or
// answers anything that could read a text: what the bar shows and tells is the same at every
// moment anyone can look.
constexpr DWORD kHeldDrawInterval = 500;

// Asked before every text; they read no text.
bool ReadsNoText(UINT message) { return message == SB_GETPARTS || message == SB_ISSIMPLE; }

using PartTexts = std::vector<std::pair<WPARAM, std::string>>;

// The entry of the part `wParam` names (its low byte), or the end.
PartTexts::iterator EntryOf(PartTexts& texts, WPARAM wParam) {
  return std::find_if(texts.begin(), texts.end(),
                      [wParam](const auto& t) { return LOBYTE(t.first) == LOBYTE(wParam); });
}

// Notes what the platform's bar was handed for a part (`text` none: owner-drawn, not known).
void NoteGiven(Control* bar, WPARAM wParam, const char* text) {
  PartTexts& given = bar->bar.givenTexts;
  auto entry = EntryOf(given, wParam);
  if (text == nullptr) {
    if (entry != given.end()) given.erase(entry);
    return;
  }
  if (entry == given.end()) entry = given.insert(given.end(), {wParam, std::string()});
  entry->first = wParam;
  entry->second = text;
}

// Whether the platform's bar was last handed this text in this look (SBT_NOBORDERS,
// SBT_POPOUT, ...: the wParam's second byte) for the part.
bool ShowsAlready(Control* bar, WPARAM wParam, const std::string& text) {
  PartTexts& given = bar->bar.givenTexts;
  const auto entry = EntryOf(given, wParam);
  return entry != given.end() && (entry->first & 0xFF00) == (wParam & 0xFF00) &&
         entry->second == text;
}

// The part's place in the bar; the whole bar for the simple text or a part it does not know.
RECT PartPlace(Control* bar, int part) {
  RECT place{};
  MessageRecord rect{bar->handle, SB_GETRECT, static_cast<WPARAM>(part),
                     reinterpret_cast<LPARAM>(&place)};
  if (part == kSimplePart || !DefaultHandling(bar, rect)) GetClientRect(bar->handle, &place);
  return place;
}

// Straight to the platform's bar: the texts already went through the window once, in order.
// Only texts that change a part's text or look go in. The platform would draw each part as it
// takes its text: they go in with the bar's drawing held, and only those parts are invalidated,
// to be drawn in one paint.
// Under Wine's theme the whole bar takes some 2 ms to draw, one part under 1.
void HandOverHeldTexts(Control* bar) {
  if (bar->bar.heldTexts.empty() || !bar->handle || bar->windowGone) return;
  std::vector<std::pair<WPARAM, std::string>> texts;
  texts.swap(bar->bar.heldTexts);
  // A text the bar already shows costs the platform's bar its updates all the same.
  texts.erase(std::remove_if(texts.begin(), texts.end(),
                             [bar](const auto& t) { return ShowsAlready(bar, t.first, t.second); }),
              texts.end());
  if (texts.empty()) return;
  HoldDrawing(bar);
  for (const auto& text : texts) {
    MessageRecord msg{bar->handle, SB_SETTEXTA, text.first,
                      reinterpret_cast<LPARAM>(text.second.c_str())};
    DefaultHandling(bar, msg);
    NoteGiven(bar, text.first, text.second.c_str());
  }
  if (!bar->drawingHeld) return;  // not shown: nothing to draw
  GiveBackDrawing(bar);
  for (const auto& text : texts) {
    const RECT place = PartPlace(bar, LOBYTE(text.first));
    InvalidateRect(bar->handle, &place, TRUE);
  }
}

// On every bar from its creation: every text that reaches the platform's bar goes by here.
bool HeldBarProc(Control* bar, MessageRecord& msg, LRESULT& result) {
  if (msg.message == SB_SETTEXTA) {
    const char* text = reinterpret_cast<const char*>(msg.lParam);
    // Not held (the loop ran) with texts still waiting: those first. An owner-drawn part's
    // lParam is no text to keep.
    if (!bar->bar.textsHeld || (msg.wParam & SBT_OWNERDRAW)) {
      HandOverHeldTexts(bar);
      NoteGiven(bar, msg.wParam, (msg.wParam & SBT_OWNERDRAW) ? nullptr : text ? text : "");
      return false;
    }
    auto& held = bar->bar.heldTexts;
    auto same = EntryOf(held, msg.wParam);
    if (same == held.end()) same = held.insert(held.end(), {msg.wParam, std::string()});
    same->first = msg.wParam;
    same->second = text != nullptr ? text : "";
    result = TRUE;
    return true;
  }
  // Texts that reach the platform's bar in other forms: what it shows is no longer known.
  if (msg.message == SB_SETTEXTW || msg.message == WM_SETTEXT) bar->bar.givenTexts.clear();
  if (ReadsNoText(msg.message)) return false;
  HandOverHeldTexts(bar);
  if (msg.message != kDeferredWorkMessage) return false;
  bar->bar.textsHeld = 0;
  result = 0;
  return true;
}

void HoldBarTexts(Control* form) {
  Control* bar = form->form.statusBar;
  const DWORD now = GetTickCount();
  if (bar->bar.textsHeld) {
    if (now - form->form.statusBarDrawnAt < kHeldDrawInterval) return;
    HandOverHeldTexts(bar);
    UpdateWindow(bar->handle);
    form->form.statusBarDrawnAt = now;
    return;
  }
  // Not shown: nothing is drawn anyway.
  if (!bar->handle || (GetWindowLongA(bar->handle, GWL_STYLE) & WS_VISIBLE) == 0) return;
  // Without the message in the queue nothing would hand the texts over.
  if (!PostMessageA(bar->handle, kDeferredWorkMessage, 0, 0)) return;
  bar->bar.textsHeld = 1;
  form->form.statusBarDrawnAt = now;
}

}  // namespace

std::vector<int> StatusPartEdges(int formWidth, int index) {
  if (index < 0) return {};
  const int parts = std::min(index + 1, kMaxParts);
  const int width = formWidth / parts;
  std::vector<int> edges;
  edges.reserve(static_cast<size_t>(parts));
  for (int i = 1; i < parts; ++i) edges.push_back(i * width);
  edges.push_back(-1);
  return edges;
}

void SetStatusText(Control* form, int index, const std::string& text) {
  if (!form || index < 0) return;
  if (!form->form.statusBar) {
    CreateStatusBar(form, index);
    AttachProc(form->form.statusBar, HeldBarProc);
  }
  HoldBarTexts(form);
  HWND window = form->form.statusBarWindow;
  if (index < kSimplePart) {
    const LRESULT parts = SendMessageA(window, SB_GETPARTS, 0, 0);
    if (parts <= index) {
      const std::vector<int> edges = StatusPartEdges(Width(form), index);
      SendMessageA(window, SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
    }
    // Leaving simple mode redraws the whole bar and notifies the form: only when it is on.
    if (SendMessageA(window, SB_ISSIMPLE, 0, 0)) SendMessageA(window, SB_SIMPLE, FALSE, 0);
  }
  // Any index from 255 up names the simple text; passed on unchanged, 256 would be read as
  // part 0 drawn without borders.
  SendMessageA(window, SB_SETTEXTA, static_cast<WPARAM>(std::min(index, kSimplePart)),
               reinterpret_cast<LPARAM>(text.c_str()));
}
