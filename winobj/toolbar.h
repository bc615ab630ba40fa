// Toolbar: the Control over the platform's "ToolbarWindow32", built in one call from a bitmap
// strip and a button template (short texts whose leading marks give each entry's kind), with
// process-wide command ids, tooltip texts per id and clicks reported through clickEvent.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <string>
#include <vector>

#include "winobj/button_template.h"
#include "winobj/control.h"

// Option set: bit n is member n.
struct ToolbarOption {
  enum : uint32_t {
    ListStyle = 1u << 0,
    NoListStyle = 1u << 1,
    Flat = 1u << 2,
    TransparentStyle = 1u << 3,
    Wrapable = 1u << 4,
    NoDivider = 1u << 5,
  };
};

// Command id of the next non-separator button any toolbar adds; it never goes back.
extern int32_t nextButtonId;

// ---- Pure logic ----

// NoListStyle brings in ListStyle and is then dropped, so every toolbar ends up TBSTYLE_LIST.
uint32_t NormaliseToolbarOptions(uint32_t options);
// Placement bits of an alignment value (0 none .. 5 client).
uint32_t ToolbarAlignStyle(uint8_t align);
// The whole window style for an alignment and (not yet normalised) options.
uint32_t ToolbarStyle(uint8_t align, uint32_t options);
// Bounds of a new toolbar from the control's default bounds.
RECT ToolbarBounds(const RECT& defaults, uint8_t align);
// ---- Operations ----

Control* CreateToolbar(Control* parent, uint8_t align, uint32_t options, HBITMAP bitmap,
                       const std::vector<const char*>& buttons,
                       const std::vector<int>& imageIndexes);
// A bitmap handle, 0 for nothing, or -1..-6 for the platform's standard bitmaps 0..5.
void SetToolbarBitmap(Control* toolbar, intptr_t bitmap);
// The id of the first button added, or -1 when none was.
int AddButtons(Control* toolbar, const std::vector<const char*>& buttons,
               const std::vector<int>& imageIndexes);
// As AddButtons, placed from `position` on (a position below 0 appends).
int InsertButtons(Control* toolbar, int position, const std::vector<const char*>& buttons,
                  const std::vector<int>& imageIndexes);
int ButtonIndex(Control* toolbar, int id);
void ShowButton(Control* toolbar, int id, bool visible);
LRESULT SendButtonMessage(Control* toolbar, int id, UINT message, uint8_t flag);
// -1 beyond the last button.
int ButtonIdAt(Control* toolbar, int index);
int ButtonCount(Control* toolbar);
void DeleteButton(Control* toolbar, int id);
// Texts for ids firstId, firstId + 1 ...; an id that has one gets the newer text.
void SetTooltips(Control* toolbar, int firstId, const std::vector<std::string>& texts);
// The toolbar's attached procedure: clicked button, tooltip texts, drop-downs.
bool ToolbarProc(Control* control, MessageRecord& msg, LRESULT& result);
