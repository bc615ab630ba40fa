#include "winobj/listview.h"

#include <cstring>
#include <vector>

#include "winobj/imagelist.h"

namespace {

constexpr uint32_t kListViewBaseStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_SHAREIMAGELISTS;
// The style bits 0x0400 to 0x8000, which the options and the view own once the window exists.
constexpr uint32_t kOptionOwnedStyleBits = LVS_OWNERDRAWFIXED | LVS_ALIGNMASK | LVS_OWNERDATA |
                                           LVS_NOSCROLL | LVS_NOCOLUMNHEADER | LVS_NOSORTHEADER;
static_assert(kOptionOwnedStyleBits == 0xFC00, "the bits the options and the view own");
constexpr int kDefaultWidthGrowth = 136;
constexpr int kDefaultHeightGrowth = 86;
constexpr UINT kInsertItemMask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM | LVIF_STATE | LVIF_DI_SETITEM;
constexpr UINT kAllStates = 0xFFFF;
constexpr int kFirstTextCapacity = 100;
// A text cut to a buffer stops before the character that does not fit, up to this many bytes
// short of the end (UTF-8's longest sequence less one, plus the NUL): only a shorter text is
// known to be whole.
constexpr size_t kCutSlack = kMostCharacterBytes;

constexpr uint32_t kViewBits[] = {LVS_ICON, LVS_SMALLICON, LVS_LIST, LVS_REPORT,
                                  LVS_REPORT | LVS_NOCOLUMNHEADER};

// Style bit of options 0..10, by member number.
constexpr uint32_t kOptionStyle[] = {LVS_ALIGNLEFT,     LVS_AUTOARRANGE,   LVS_OWNERDRAWFIXED,
                                     LVS_EDITLABELS,    LVS_NOLABELWRAP,   LVS_NOSCROLL,
                                     LVS_NOSORTHEADER,  LVS_SHOWSELALWAYS, LVS_SINGLESEL,
                                     LVS_SORTASCENDING, LVS_SORTDESCENDING};
constexpr uint32_t kInvertedOptions = ListViewOption::HideSelection | ListViewOption::MultiSelect;

// Extended style bit of options 11..23.
constexpr int kFirstExtendedOption = 11;
constexpr uint32_t kOptionExtended[] = {
    LVS_EX_GRIDLINES,      LVS_EX_SUBITEMIMAGES, LVS_EX_CHECKBOXES,       LVS_EX_TRACKSELECT,
    LVS_EX_HEADERDRAGDROP, LVS_EX_FULLROWSELECT, LVS_EX_ONECLICKACTIVATE, LVS_EX_TWOCLICKACTIVATE,
    LVS_EX_FLATSB,         LVS_EX_REGIONAL,      LVS_EX_INFOTIP,          LVS_EX_UNDERLINEHOT,
    LVS_EX_MULTIWORKAREAS};

// LVIS_ bit of ItemState members 0..3.
constexpr uint32_t kStateBits[] = {LVIS_CUT, LVIS_DROPHILITED, LVIS_FOCUSED, LVIS_SELECTED};

void ClearListView(Control* control) { Perform(control, LVM_DELETEALLITEMS, 0, 0); }

ClassCommands MakeListViewCommands() {
  ClassCommands c;
  c.clear = ClearListView;
  c.countMsg = LVM_GETITEMCOUNT;
  c.imageListMsg = LVM_SETIMAGELIST;
  return c;
}

const ClassCommands kListViewCommands = MakeListViewCommands();

// Runs once the window exists: the options and view become the real styles, and the image
// lists are sent.
void ApplyListViewSettings(Control* control) {
  HWND h = control->handle;
  if (!h) return;
  const uint32_t current = static_cast<uint32_t>(GetWindowLongA(h, GWL_STYLE));
  const uint32_t style =
      ListViewWindowStyle(current, control->listView.style, control->listView.options);
  control->style = style;
  SetWindowLongA(h, GWL_STYLE, static_cast<LONG>(style));
  SendMessageA(h, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
               static_cast<LPARAM>(ListViewExtendedBits(control->listView.options)));
  ApplyImageLists(control);
}

}  // namespace

// ---- Pure tables ----

uint32_t ListViewViewBits(uint8_t view) {
  return view < sizeof(kViewBits) / sizeof(kViewBits[0]) ? kViewBits[view] : LVS_ICON;
}

uint32_t ListViewOptionStyleBits(uint32_t options) {
  const uint32_t effective = options ^ kInvertedOptions;
  uint32_t bits = 0;
  for (size_t i = 0; i < sizeof(kOptionStyle) / sizeof(kOptionStyle[0]); ++i) {
    if (effective & (1u << i)) bits |= kOptionStyle[i];
  }
  return bits;
}

uint32_t ListViewExtendedBits(uint32_t options) {
  uint32_t bits = 0;
  for (size_t i = 0; i < sizeof(kOptionExtended) / sizeof(kOptionExtended[0]); ++i) {
    if (options & (1u << (kFirstExtendedOption + i))) bits |= kOptionExtended[i];
  }
  return bits;
}

uint32_t ListViewWindowStyle(uint32_t current, uint8_t view, uint32_t options) {
  return (current & ~kOptionOwnedStyleBits) | ListViewOptionStyleBits(options) |
         ListViewViewBits(view);
}

uint32_t ItemStateBits(uint32_t states) {
  uint32_t bits = 0;
  for (size_t i = 0; i < sizeof(kStateBits) / sizeof(kStateBits[0]); ++i) {
    if (states & (1u << i)) bits |= kStateBits[i];
  }
  return bits;
}

// ---- Operations ----

Control* CreateListView(Control* parent, ListViewStyle view, uint32_t options, ImageList* small,
                        ImageList* normal, ImageList* state) {
  Control* lv = CreateCommonControl(
      parent, WC_LISTVIEWA, kListViewBaseStyle | ListViewViewBits(view), true, &kListViewCommands);
  if (!lv) return nullptr;
  lv->listView.options = options;
  lv->listView.style = view;
  lv->afterCreateHook = ApplyListViewSettings;
  lv->boundsRect.right += kDefaultWidthGrowth;
  lv->boundsRect.bottom += kDefaultHeightGrowth;
  SetImageList(lv, StateImages, state);
  SetImageList(lv, SmallImages, small);
  SetImageList(lv, NormalImages, normal);
  lv->color = kColorWindow;
  return lv;
}

int AppendColumn(Control* listView, const std::string& caption, ColumnAlign align, int width) {
  // A position past the last column appends.
  return InsertColumn(listView, listView->listView.columnCount + 1, caption, width, align);
}

int InsertColumn(Control* listView, int position, const std::string& caption, int width,
                 ColumnAlign align) {
  LVCOLUMNA column{};
  column.mask = LVCF_FMT | LVCF_TEXT;
  if (width > 0) column.mask |= LVCF_WIDTH;  // otherwise the platform's default width
  column.fmt = align;
  column.cx = width;
  column.pszText = const_cast<char*>(caption.c_str());
  const int result = static_cast<int>(
      Perform(listView, LVM_INSERTCOLUMNA, position, reinterpret_cast<LPARAM>(&column)));
  if (result >= 0) ++listView->listView.columnCount;
  return result;
}

int AppendListItem(Control* listView, const std::string& caption, int image, uint32_t states,
                   int stateImage, int overlayImage, LPARAM data) {
  const int count = static_cast<int>(Perform(listView, LVM_GETITEMCOUNT, 0, 0));
  return InsertListItem(listView, count, caption, image, states, stateImage, overlayImage, data);
}

namespace {

LVITEMA NewItemRecord(int index, const std::string& caption, int image, uint32_t states,
                      int stateImage, int overlayImage, LPARAM data) {
  LVITEMA item{};
  item.mask = kInsertItemMask;
  item.iItem = index;
  item.iSubItem = 0;
  item.state = ItemStateBits(states);
  item.stateMask = kAllStates;
  if (stateImage != 0) item.state |= INDEXTOSTATEIMAGEMASK(stateImage & 0xF);
  if (overlayImage != 0) item.state |= INDEXTOOVERLAYMASK(overlayImage & 0xF);
  item.pszText = const_cast<char*>(caption.c_str());
  item.iImage = image;
  item.lParam = data;
  return item;
}

}  // namespace

int InsertListItem(Control* listView, int index, const std::string& caption, int image,
                   uint32_t states, int stateImage, int overlayImage, LPARAM data) {
  LVITEMA item = NewItemRecord(index, caption, image, states, stateImage, overlayImage, data);
  return static_cast<int>(Perform(listView, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

bool RewriteListItem(Control* listView, int index, const std::string& caption, int image,
                     uint32_t states, int stateImage, int overlayImage, LPARAM data) {
  LVITEMA item = NewItemRecord(index, caption, image, states, stateImage, overlayImage, data);
  return Perform(listView, LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item)) != 0;
}

bool DeleteListItem(Control* listView, int index) {
  return Perform(listView, LVM_DELETEITEM, static_cast<WPARAM>(index), 0) != 0;
}

void DeselectAllListItems(Control* listView) {
  // For "all items" Wine sets the state of each item in turn, with two notifications to the
  // parent for every one, changed or not: asked only when something is selected.
  if (Perform(listView, LVM_GETSELECTEDCOUNT, 0, 0) == 0) return;
  LVITEMA item{};
  item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  Perform(listView, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
}

bool ReadListItem(Control* listView, int index, int subItem, LVITEMA& item, char* buffer,
                  int capacity) {
  item = LVITEMA{};
  item.mask = LVIF_IMAGE | LVIF_PARAM | LVIF_STATE;
  if (subItem > 0 && !(listView->listView.options & ListViewOption::SubItemImages))
    item.mask = LVIF_PARAM | LVIF_STATE;
  item.iItem = index;
  item.iSubItem = subItem;
  item.stateMask = kAllStates;
  if (capacity != 0 && buffer) {
    item.mask |= LVIF_TEXT;
    item.pszText = buffer;
    item.cchTextMax = capacity;
  }
  return Perform(listView, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)) != 0;
}

int ListItemImage(Control* listView, int index) {
  LVITEMA item;
  // Image 0 marks a folder row, so a row that is not there must not read as 0.
  if (!ReadListItem(listView, index, 0, item, nullptr, 0)) return -1;
  return item.iImage;
}

void SetListItemImage(Control* listView, int index, int image) {
  LVITEMA item;
  if (!ReadListItem(listView, index, 0, item, nullptr, 0)) return;
  item.iImage = image;
  Perform(listView, LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
}

std::string ListItemText(Control* listView, int index, int subItem, int* reads) {
  int capacity = kFirstTextCapacity;
  int count = 0;
  std::string text;
  for (;;) {
    std::vector<char> buffer(capacity, '\0');
    LVITEMA item;
    ReadListItem(listView, index, subItem, item, buffer.data(), capacity);
    ++count;
    buffer[capacity - 1] = '\0';
    // The platform may answer with a pointer to its own copy of the whole text instead.
    if (item.pszText && item.pszText != buffer.data() && item.pszText != LPSTR_TEXTCALLBACKA) {
      text = item.pszText;
      break;
    }
    const size_t length = std::strlen(buffer.data());
    if (length + kCutSlack < static_cast<size_t>(capacity)) {
      text.assign(buffer.data(), length);
      break;
    }
    capacity = 2 * capacity + kFirstTextCapacity;
  }
  if (reads) *reads = count;
  return text;
}

void SetListItemText(Control* listView, int index, int subItem, const std::string& text) {
  LVITEMA item{};
  item.iSubItem = subItem;
  item.pszText = const_cast<char*>(text.c_str());
  Perform(listView, LVM_SETITEMTEXTA, index, reinterpret_cast<LPARAM>(&item));
}
