// Menus built in one call from a template of short texts: MenuObject (a menu bar or popup menu
// owned by a control), the process-wide menu command id counter, the plain template parser, and
// the command procedure that keeps check and radio marks before the application hears a choice.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "winobj/control.h"
#include "winobj/menu_template.h"
#include "winobj/object.h"

class MenuObject;

// ItemChosen handler: the receiver given with it, the menu and the chosen item's index.
using ItemChosenProc = void (*)(void* receiver, MenuObject* sender, int index);

// Menu command ids handed out when a menu asks for the default first id.
constexpr int32_t kFirstMenuId = 4096;
extern int32_t nextMenuId;

class MenuObject : public Object {
 public:
  HMENU handle = nullptr;  // none when the template was empty
  Control* parent = nullptr;
  std::vector<HMENU> items;  // the platform menu holding each item, by item index
  int32_t firstId = 0;
  int32_t endId = 0;
  EventSlot<ItemChosenProc> ItemChosen;
  MenuObject* next = nullptr;  // the next menu object of the same parent

  // Removes the window's menu when it is this one, destroys the platform menu and every menu
  // object chained after this one.
  void Destroy() override;
};

// Builds the menu from `entries` (first id 0 or less: take nextMenuId) and links it to `parent`:
// the first menu of a form becomes its menu bar; every other one is a popup menu.
MenuObject* CreateMenuObject(Control* parent, int32_t firstId, const char* const* entries,
                             int count, ItemChosenProc itemChosen, void* receiver);
MenuObject* CreateMenuObject(Control* parent, int32_t firstId,
                             const std::vector<std::string>& entries, ItemChosenProc itemChosen,
                             void* receiver);

int ItemCount(const MenuObject* menu);
// The item's platform state bits OR its kind flags, bit 31 telling whether it is shown as a
// radio item. 0 for an index the menu does not have.
uint32_t ItemFlags(const MenuObject* menu, int index);
HMENU ItemHolder(const MenuObject* menu, int index);
// Shows the menu at a screen point, owned by the parent's window.
void PopupAt(MenuObject* menu, int x, int y);
// Puts the radio mark on the item and takes it from the rest of its group: the run of
// consecutive radio items around it.
void RadioCheckItem(MenuObject* menu, int index);
void SetItemChecked(MenuObject* menu, int index, bool checked);
void SetItemEnabled(MenuObject* menu, int index, bool enabled);

// Attached to the parent of a control's menus: turns menu and accelerator commands into
// ItemChosen after updating check and radio marks.
bool MenuCommandProc(Control* control, MessageRecord& msg, LRESULT& result);
