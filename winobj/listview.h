// List view: the Control over the platform's "SysListView32": creation from a view style and an
// option set (and the pure tables that turn them into style bits), columns, items, sub-items,
// and the item read and write operations the file panes use.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <string>

#include "winobj/control.h"
#include "winobj/scoped.h"

class ImageList;

enum ListViewStyle : uint8_t {
  ViewIcons = 0,
  ViewSmallIcons = 1,
  ViewList = 2,
  ViewReport = 3,
  ViewReportNoHeader = 4,
};

// Option set: bit n is member n. Members 0..10 select window style bits (HideSelection and
// MultiSelect inverted: their bit is set when they are absent), 11..23 extended styles.
struct ListViewOption {
  enum : uint32_t {
    AlignLeft = 1u << 0,
    AutoArrange = 1u << 1,
    OwnerDrawFixed = 1u << 2,
    EditLabels = 1u << 3,
    NoLabelWrap = 1u << 4,
    NoScroll = 1u << 5,
    NoSortHeader = 1u << 6,
    HideSelection = 1u << 7,
    MultiSelect = 1u << 8,
    SortAscending = 1u << 9,
    SortDescending = 1u << 10,
    GridLines = 1u << 11,
    SubItemImages = 1u << 12,
    CheckBoxes = 1u << 13,
    TrackSelect = 1u << 14,
    HeaderDragDrop = 1u << 15,
    FullRowSelect = 1u << 16,
    OneClickActivate = 1u << 17,
    TwoClickActivate = 1u << 18,
    FlatScrollBars = 1u << 19,
    Regional = 1u << 20,
    InfoTip = 1u << 21,
    UnderlineHot = 1u << 22,
    MultiWorkAreas = 1u << 23,
  };
};

// Item state set: bit n is member n.
struct ItemState {
  enum : uint32_t {
    StateCut = 1u << 0,
    StateDropHighlighted = 1u << 1,
    StateFocused = 1u << 2,
    StateSelected = 1u << 3,
  };
};

// Passed unchanged as the column format.
enum ColumnAlign : int {
  ColumnLeft = LVCFMT_LEFT,
  ColumnRight = LVCFMT_RIGHT,
  ColumnCenter = LVCFMT_CENTER,
};

// ---- Pure tables ----

// LVS_ view bits of a view style (an unknown value counts as ViewIcons).
uint32_t ListViewViewBits(uint8_t view);
// Window style bits of options 0..10.
uint32_t ListViewOptionStyleBits(uint32_t options);
// LVS_EX_ bits of options 11..23.
uint32_t ListViewExtendedBits(uint32_t options);
// The style the window gets once it exists: the bits the options own cleared from `current`,
// then the option and view bits added.
uint32_t ListViewWindowStyle(uint32_t current, uint8_t view, uint32_t options);
// LVIS_ bits of an ItemState set.
uint32_t ItemStateBits(uint32_t states);

// ---- Operations ----

Control* CreateListView(Control* parent, ListViewStyle view, uint32_t options, ImageList* small,
                        ImageList* normal, ImageList* state);
// Both return the platform's column index, below 0 when refused (then not counted).
int AppendColumn(Control* listView, const std::string& caption, ColumnAlign align, int width);
int InsertColumn(Control* listView, int position, const std::string& caption, int width,
                 ColumnAlign align);
int AppendListItem(Control* listView, const std::string& caption, int image, uint32_t states,
                   int stateImage, int overlayImage, LPARAM data);
// The new item's index, or -1.
int InsertListItem(Control* listView, int index, const std::string& caption, int image,
                   uint32_t states, int stateImage, int overlayImage, LPARAM data);
// Gives the existing item at `index` the caption, image, states and data of a new one (what
// InsertListItem would make). False when there is no such item.
bool RewriteListItem(Control* listView, int index, const std::string& caption, int image,
                     uint32_t states, int stateImage, int overlayImage, LPARAM data);
// LVM_DELETEITEM; false when there is no such item.
bool DeleteListItem(Control* listView, int index);
// Mutes the list view's item-change notifications (see MuteItemChangeNotifications) until the
// returned guard's scope ends: a listing that writes over its rows sends two for each.
inline auto MuteItemChanges(Control* listView) {
  HWND window = HandleOf(listView);
  if (window) MuteItemChangeNotifications(window, true);
  return AtScopeEnd([window] {
    if (window) MuteItemChangeNotifications(window, false);
  });
}
// Takes the selection and the focus off every item (one LVM_SETITEMSTATE for all) when any
// item is selected.
void DeselectAllListItems(Control* listView);
// Fills `item` (state with every state bit asked for); with a capacity the text goes to
// `buffer`, which must hold `capacity` characters. True when the item exists.
bool ReadListItem(Control* listView, int index, int subItem, LVITEMA& item, char* buffer,
                  int capacity);
// -1 for an item that does not exist.
int ListItemImage(Control* listView, int index);
void SetListItemImage(Control* listView, int index, int image);
// The whole text, however long: a buffer it fills up to near its end is read again larger. The
// empty text for an item that does not exist. `reads`, when given, receives how many platform
// reads the growing buffer took.
std::string ListItemText(Control* listView, int index, int subItem, int* reads = nullptr);
// Bytes of the longest character of an ANSI code page (UTF-8).
constexpr size_t kMostCharacterBytes = 4;
void SetListItemText(Control* listView, int index, int subItem, const std::string& text);
