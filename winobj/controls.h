// Simple controls: push button, check box, label, panel, splitter, edit, list box and combo box
// as Controls, the generic item operations that serve every kind through its ClassCommands, and
// the plain arithmetic behind option sets, the combo box's drop-down height and splitter drags.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "winobj/control.h"

// Option sets: bit n selects entry n of the kind's option table.
struct EditOption {
  enum : uint32_t {
    NoHScroll = 1u << 0,
    NoVScroll = 1u << 1,
    LowerCase = 1u << 2,
    Multiline = 1u << 3,
    NoHideSel = 1u << 4,
    OemConvert = 1u << 5,
    Password = 1u << 6,
    ReadOnly = 1u << 7,
    UpperCase = 1u << 8,
    WantReturn = 1u << 9,
  };
};

struct ListBoxOption {
  enum : uint32_t {
    DisableNoScroll = 1u << 0,
    ExtendedSel = 1u << 1,
    MultiColumn = 1u << 2,
    MultipleSel = 1u << 3,
    NoIntegralHeight = 1u << 4,
    NoSel = 1u << 5,
    Sort = 1u << 6,
    UseTabStops = 1u << 7,
  };
};

struct ComboBoxOption {
  enum : uint32_t {
    DropDownList = 1u << 0,
    NoAutoHScroll = 1u << 1,
    DisableNoScroll = 1u << 2,
    LowerCase = 1u << 3,
    NoIntegralHeight = 1u << 4,
    OemConvert = 1u << 5,
    Sort = 1u << 6,
    UpperCase = 1u << 7,
  };
};

// Panel edges.
enum PanelEdge : int {
  EdgeRaised = 0,
  EdgeSunken = 1,
  EdgeNone = 2,
};

// ---- Constructors (the window is made on first need) ----

Control* NewButton(Control* parent, const std::string& caption);
Control* NewCheckBox(Control* parent, const std::string& caption);
Control* NewLabel(Control* parent, const std::string& caption);
Control* NewPanel(Control* parent, int edge);
// Resizes the child created just before it; a negative minimum means none.
Control* NewSplitter(Control* parent, int minNeighbour, int minRest);
Control* NewEdit(Control* parent, uint32_t options);
Control* NewListBox(Control* parent, uint32_t options);
Control* NewComboBox(Control* parent, uint32_t options);

// ---- Generic item operations ----

void Clear(Control* control);
int Count(Control* control);
// "" for an index outside the list.
std::string ItemText(Control* control, int index);
// Lists add an item (the first one added becomes selected where the kind allows); an edit gets
// the text appended at its end; other kinds append it to their caption.
void AddItem(Control* control, const std::string& text);
// The thread is about to wait inside a blocking call (on a server's reply): text appended to
// the edit meanwhile that still waits goes in now, when there is enough of it to be worth a
// replacement. The rest goes in as before.
void PourBeforeWait(Control* edit);
int CurrentIndex(Control* control);
void SetCurrentIndex(Control* control, int index);
void SelectItem(Control* control, int index, bool on);
bool Checked(Control* control);
void SetChecked(Control* control, bool on);

// Asked every 100 ms while a splitter is dragged; true cancels the drag and puts the old size
// back. By default whether Escape is held down (GetAsyncKeyState); tests replace it.
extern bool (*splitterEscapeHeld)();

// ---- Plain arithmetic ----

// One entry of an option table: `style` is ORed in when the option's bit is set, or, for an
// entry marked `whenAbsent`, when it is not set.
struct OptionStyle {
  uint32_t style;
  bool whenAbsent;
};
uint32_t OptionsToStyle(const OptionStyle* table, size_t count, uint32_t options);

// Complete window styles of the kinds, base style included.
uint32_t EditStyle(uint32_t options);
uint32_t ListBoxStyle(uint32_t options);
uint32_t ComboBoxStyle(uint32_t options);

// Most rows a dropped combo box list shows.
constexpr int kDropDownMaxRows = 8;
// Window height that makes a combo box drop a list of `itemCount` rows, clamped to 1..8.
int DropDownWindowHeight(int itemCount, int comboHeight, int itemHeight);

// A splitter drag along one axis: x for left and right neighbours, y for top and bottom ones.
struct SplitterDrag {
  uint8_t align = kAlignNone;  // the neighbour's alignment
  int startSize = 0;           // neighbour's width or height at the button press
  int startCoord = 0;          // cursor coordinate at the button press
  int coord = 0;               // cursor coordinate now
  int parentExtent = 0;        // parent's client width or height
  int splitterExtent = 0;      // splitter's own width or height
  int minNeighbour = -1;       // negative: no minimum
  int minRest = -1;            // negative: no minimum
};
// The neighbour's new width or height.
int SplitterNeighbourSize(const SplitterDrag& drag);
// `bounds` with the edge that faces the splitter moved so the extent becomes `size`.
RECT NeighbourBoundsForSize(RECT bounds, uint8_t align, int size);
