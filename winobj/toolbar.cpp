#include "winobj/toolbar.h"

#include <cstdlib>

#include "winobj/text.h"

int32_t nextButtonId = 100;

namespace {

static_assert(sizeof(TBBUTTON) == 20, "the toolbar is told this record size");
static_assert(kButtonStyleSeparator == TBSTYLE_SEP && kButtonStyleCheck == TBSTYLE_CHECK &&
                  kButtonStyleGroup == TBSTYLE_GROUP && kButtonStyleDropDown == TBSTYLE_DROPDOWN &&
                  kButtonStyleAutoSize == TBSTYLE_AUTOSIZE,
              "template records carry the platform's button styles");
static_assert(kButtonStateChecked == TBSTATE_CHECKED && kButtonStateEnabled == TBSTATE_ENABLED,
              "template records carry the platform's button states");

constexpr uint32_t kToolbarBaseStyle = WS_CHILD | WS_VISIBLE | TBSTYLE_TOOLTIPS;
constexpr int kDefaultWidthGrowth = 936;
constexpr int kDefaultHeightShrink = 38;
constexpr int kVerticalWidth = 24;
constexpr int kHorizontalHeight = 22;
constexpr int kStandardBitmapCount = 6;

constexpr uint32_t kAlignStyles[] = {
    CCS_NOPARENTALIGN | CCS_NODIVIDER,  // none
    CCS_LEFT,                           // left
    CCS_TOP,                            // top
    CCS_RIGHT,                          // right
    CCS_BOTTOM,                         // bottom
    CCS_TOP,                            // client
};

// Deletes from the front until no button is left; stops should the platform refuse one, so a
// button that cannot be deleted cannot hold the loop.
void ClearToolbar(Control* toolbar) {
  for (int count = ButtonCount(toolbar); count > 0;) {
    DeleteButton(toolbar, ButtonIdAt(toolbar, 0));
    const int after = ButtonCount(toolbar);
    if (after >= count) break;
    count = after;
  }
}

TBBUTTON MakeButton(const ButtonRecord& record, Control* toolbar, INT_PTR stringIndex) {
  TBBUTTON b{};
  b.iBitmap = record.image;
  b.idCommand = record.id;
  b.fsState = record.state;
  b.fsStyle = record.style;
  b.dwData = record.isSeparator ? 0 : reinterpret_cast<DWORD_PTR>(toolbar);
  b.iString = stringIndex;
  return b;
}

// TB_ADDSTRINGA reads a list of texts ended by an empty one, so the text gets a second NUL.
INT_PTR AddButtonText(Control* toolbar, const std::string& text) {
  std::string list = text;
  list.push_back('\0');
  return static_cast<INT_PTR>(
      Perform(toolbar, TB_ADDSTRINGA, 0, reinterpret_cast<LPARAM>(list.c_str())));
}

void FireDropDown(Control* toolbar) {
  if (toolbar->dropDownEvent) toolbar->dropDownEvent.proc(toolbar->dropDownEvent.receiver, toolbar);
}

bool HandleToolbarNotify(Control* toolbar, MessageRecord& msg, LRESULT& result) {
  auto* hdr = reinterpret_cast<NMHDR*>(msg.lParam);
  if (!hdr) return false;
  switch (hdr->code) {
    case TTN_NEEDTEXTA: {
      auto* info = reinterpret_cast<NMTTDISPINFOA*>(msg.lParam);
      info->szText[0] = '\0';
      const ToolbarFields& fields = toolbar->toolbar;
      const int at =
          fields.tooltipIds ? fields.tooltipIds->IndexOf(reinterpret_cast<void*>(hdr->idFrom)) : -1;
      if (at >= 0 && fields.tooltipTexts)
        TextToCBuffer(info->szText, fields.tooltipTexts->ItemText(at));  // at most 79 + NUL
      result = 0;
      return true;
    }
    case NM_RCLICK:
      toolbar->toolbar.clickedButtonId = toolbar->toolbar.clickedButtonIndex = -1;
      return false;
    case NM_CLICK: {
      toolbar->toolbar.clickedButtonId = toolbar->toolbar.clickedButtonIndex = -1;
      // A click on a button comes back as a command and fires the click event from there.
      const auto* mouse = reinterpret_cast<NMMOUSE*>(msg.lParam);
      result = 0;
      return mouse->dwItemSpec != static_cast<DWORD_PTR>(-1);
    }
    case TBN_DROPDOWN: {
      const auto* info = reinterpret_cast<NMTOOLBARA*>(msg.lParam);
      toolbar->toolbar.clickedButtonId = info->iItem;
      toolbar->toolbar.clickedButtonIndex = ButtonIndex(toolbar, info->iItem);
      FireDropDown(toolbar);
      return false;
    }
    default:
      return false;
  }
}

}  // namespace

// ---- Pure logic ----

uint32_t NormaliseToolbarOptions(uint32_t options) {
  if (options & ToolbarOption::NoListStyle) options |= ToolbarOption::ListStyle;
  if (options & ToolbarOption::ListStyle) options &= ~ToolbarOption::NoListStyle;
  return options;
}

uint32_t ToolbarAlignStyle(uint8_t align) {
  return align < sizeof(kAlignStyles) / sizeof(kAlignStyles[0]) ? kAlignStyles[align] : CCS_TOP;
}

uint32_t ToolbarStyle(uint8_t align, uint32_t options) {
  options = NormaliseToolbarOptions(options);
  uint32_t style = kToolbarBaseStyle | ToolbarAlignStyle(align);
  if (options & ToolbarOption::ListStyle) style |= TBSTYLE_LIST;
  if (!(options & ToolbarOption::NoListStyle)) style |= TBSTYLE_LIST;
  if (options & ToolbarOption::Flat) style |= TBSTYLE_FLAT;
  if (options & ToolbarOption::TransparentStyle) style |= TBSTYLE_TRANSPARENT;
  if (options & ToolbarOption::Wrapable) style |= TBSTYLE_WRAPABLE;
  if (options & ToolbarOption::NoDivider) style |= CCS_NODIVIDER;
  return style;
}

RECT ToolbarBounds(const RECT& defaults, uint8_t align) {
  if (align == kAlignNone) return RECT{0, 0, 0, 0};
  RECT r = defaults;
  r.right += kDefaultWidthGrowth;
  r.bottom -= kDefaultHeightShrink;
  if (align == kAlignLeft || align == kAlignRight) {
    r.right = r.left + kVerticalWidth;
  } else {
    r.bottom = r.top + kHorizontalHeight;
  }
  return r;
}

// ---- Operations ----

Control* CreateToolbar(Control* parent, uint8_t align, uint32_t options, HBITMAP bitmap,
                       const std::vector<const char*>& buttons,
                       const std::vector<int>& imageIndexes) {
  options = NormaliseToolbarOptions(options);
  const bool ctl3D = !(options & ToolbarOption::NoDivider) && align != kAlignNone;
  Control* tb =
      CreateCommonControl(parent, TOOLBARCLASSNAMEA, ToolbarStyle(align, options), ctl3D, nullptr);
  if (!tb) return nullptr;
  tb->classCommands.clear = ClearToolbar;
  tb->boundsRect = ToolbarBounds(tb->boundsRect, align);
  const LRESULT extended = Perform(tb, TB_GETEXTENDEDSTYLE, 0, 0);
  Perform(tb, TB_SETEXTENDEDSTYLE, 0, extended | TBSTYLE_EX_DRAWDDARROWS);
  AttachProc(tb, ToolbarProc);
  Perform(tb, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  Perform(tb, TB_SETINDENT, tb->margin, 0);
  if (bitmap) SetToolbarBitmap(tb, reinterpret_cast<intptr_t>(bitmap));
  AddButtons(tb, buttons, imageIndexes);
  Perform(tb, WM_SIZE, 0, 0);
  return tb;
}

void SetToolbarBitmap(Control* toolbar, intptr_t bitmap) {
  if (bitmap == 0) return;
  if (bitmap < 0 && bitmap >= -kStandardBitmapCount) {
    TBADDBITMAP standard{HINST_COMMCTRL, static_cast<UINT_PTR>(-bitmap - 1)};
    Perform(toolbar, TB_ADDBITMAP, 0, reinterpret_cast<LPARAM>(&standard));
    return;
  }
  BITMAP info{};
  if (!GetObjectA(reinterpret_cast<HBITMAP>(bitmap), sizeof(info), &info)) return;
  // Images are square, as high as the strip.
  const int side = std::abs(info.bmHeight);
  if (side == 0) return;
  const int imageCount = info.bmWidth / side;
  Perform(toolbar, TB_SETBITMAPSIZE, 0, MAKELPARAM(side, side));
  Perform(toolbar, TB_AUTOSIZE, 0, 0);
  TBADDBITMAP strip{nullptr, static_cast<UINT_PTR>(bitmap)};
  Perform(toolbar, TB_ADDBITMAP, imageCount, reinterpret_cast<LPARAM>(&strip));
}

int AddButtons(Control* toolbar, const std::vector<const char*>& buttons,
               const std::vector<int>& imageIndexes) {
  return InsertButtons(toolbar, -1, buttons, imageIndexes);
}

int InsertButtons(Control* toolbar, int position, const std::vector<const char*>& buttons,
                  const std::vector<int>& imageIndexes) {
  const std::vector<ButtonRecord> records =
      ParseButtonTemplate(buttons, imageIndexes, nextButtonId);
  if (records.empty()) return -1;
  int firstId = -1;
  std::vector<TBBUTTON> platform;
  platform.reserve(records.size());
  for (const ButtonRecord& r : records) {
    if (r.isSeparator) {
      platform.push_back(MakeButton(r, toolbar, -1));
      continue;
    }
    // The counter moves with every button, whether or not the platform takes it.
    nextButtonId = r.id + 1;
    if (firstId < 0) firstId = r.id;
    platform.push_back(MakeButton(r, toolbar, r.hasText ? AddButtonText(toolbar, r.text) : -1));
  }
  bool added;
  if (position < 0) {
    added = Perform(toolbar, TB_ADDBUTTONSA, platform.size(),
                    reinterpret_cast<LPARAM>(platform.data())) != 0;
  } else {
    // TB_INSERTBUTTONA places a single record, so each goes in after the one before.
    added = true;
    for (size_t i = 0; i < platform.size(); ++i) {
      added = Perform(toolbar, TB_INSERTBUTTONA, position + i,
                      reinterpret_cast<LPARAM>(&platform[i])) != 0 &&
              added;
    }
  }
  return added ? firstId : -1;
}

int ButtonIndex(Control* toolbar, int id) {
  return static_cast<int>(Perform(toolbar, TB_COMMANDTOINDEX, id, 0));
}

void ShowButton(Control* toolbar, int id, bool visible) {
  Perform(toolbar, TB_HIDEBUTTON, id, visible ? 0 : 1);
}

LRESULT SendButtonMessage(Control* toolbar, int id, UINT message, uint8_t flag) {
  return Perform(toolbar, message, id, flag);
}

int ButtonIdAt(Control* toolbar, int index) {
  TBBUTTON b{};
  if (Perform(toolbar, TB_GETBUTTON, index, reinterpret_cast<LPARAM>(&b)) == 0) return -1;
  return b.idCommand;
}

int ButtonCount(Control* toolbar) {
  return static_cast<int>(Perform(toolbar, TB_BUTTONCOUNT, 0, 0));
}

void DeleteButton(Control* toolbar, int id) {
  Perform(toolbar, TB_DELETEBUTTON, ButtonIndex(toolbar, id), 0);
}

void SetTooltips(Control* toolbar, int firstId, const std::vector<std::string>& texts) {
  ToolbarFields& fields = toolbar->toolbar;
  if (!fields.tooltipIds) fields.tooltipIds = CreateObjectList();
  if (!fields.tooltipTexts) fields.tooltipTexts = new StringList;
  int id = firstId;
  for (const std::string& text : texts) {
    void* key = reinterpret_cast<void*>(static_cast<intptr_t>(id));
    const int at = fields.tooltipIds->IndexOf(key);
    if (at >= 0) {
      fields.tooltipTexts->Replace(at, text);
    } else {
      fields.tooltipIds->Append(key);
      fields.tooltipTexts->Add(text);
    }
    ++id;
  }
}

bool ToolbarProc(Control* control, MessageRecord& msg, LRESULT& result) {
  switch (msg.message) {
    case kReflectedCommand:
      control->toolbar.clickedButtonId = LOWORD(msg.wParam);
      control->toolbar.clickedButtonIndex = ButtonIndex(control, control->toolbar.clickedButtonId);
      return false;  // the spine goes on to fire clickEvent
    case WM_NOTIFYFORMAT:
      // The toolbar's tooltip asks which form of TTN_NEEDTEXT to send. Left to the platform,
      // Wine's toolbar answers Unicode and then hands the ANSI form to our parent with the
      // tooltip as sender, where no control claims it. Answering ANSI here brings TTN_NEEDTEXTA
      // to this procedure, as the texts are kept in the toolbar.
      if (msg.lParam == NF_QUERY) {
        result = NFR_ANSI;
        return true;
      }
      return false;
    case WM_NOTIFY:
      return HandleToolbarNotify(control, msg, result);
    default:
      return false;
  }
}
