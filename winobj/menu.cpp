#include "winobj/menu.h"

static_assert(kMenuTypeString == MFT_STRING && kMenuTypeSeparator == MFT_SEPARATOR &&
                  kMenuTypeRadioCheck == MFT_RADIOCHECK,
              "template entries carry the platform's item types");
static_assert(kMenuStateChecked == MFS_CHECKED && kMenuStateGrayed == MFS_GRAYED,
              "template entries carry the platform's item states");

int32_t nextMenuId = kFirstMenuId;

namespace {

// Inserts the parsed entries into `menu->handle` and its new sub-menus, numbering the items.
void BuildPlatformMenu(MenuObject* menu, const std::vector<MenuEntry>& parsed) {
  std::vector<HMENU> subMenus(parsed.size(), nullptr);
  for (size_t i = 0; i < parsed.size(); ++i) {
    const MenuEntry& entry = parsed[i];
    HMENU holder = entry.ownerEntry < 0 ? menu->handle : subMenus[entry.ownerEntry];
    if (entry.opensSubMenu) subMenus[i] = CreatePopupMenu();
    // Menus made with the default first id follow each other without gaps.
    if (!entry.separator && entry.id == nextMenuId) ++nextMenuId;

    std::string caption = entry.caption;
    MENUITEMINFOA info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_TYPE | MIIM_DATA;
    info.fType = entry.type;
    info.fState = entry.state;
    info.wID = static_cast<UINT>(entry.id);
    info.hSubMenu = subMenus[i];
    info.dwItemData = entry.kind;
    info.dwTypeData = &caption[0];
    info.cch = static_cast<UINT>(caption.size() + 1);
    InsertMenuItemA(holder, static_cast<UINT>(-1), TRUE, &info);
    if (!entry.separator) menu->items.push_back(holder);
  }
}

// freeMenusHook: a control being destroyed frees its whole menu chain.
void FreeMenusOf(Control* control) {
  MenuObject* first = control->firstMenu;
  if (first == nullptr) return;
  Free(first);
  // Should a reference have kept a menu alive, it must not reach back to the dead control.
  for (MenuObject* m = control->firstMenu; m != nullptr; m = m->next) m->parent = nullptr;
  control->firstMenu = nullptr;
}

bool ValidIndex(const MenuObject* menu, int index) {
  return menu != nullptr && index >= 0 && index < ItemCount(menu);
}

UINT ItemId(const MenuObject* menu, int index) { return static_cast<UINT>(menu->firstId + index); }

// Reads the item's state, lets `change` rewrite it and writes it back, by command on the top
// menu (which also finds items of its sub-menus).
template <typename Change>
void ChangeItemState(MenuObject* menu, int index, Change change) {
  if (!ValidIndex(menu, index) || menu->handle == nullptr) return;
  MENUITEMINFOA info{};
  info.cbSize = sizeof(info);
  info.fMask = MIIM_STATE;
  if (!GetMenuItemInfoA(menu->handle, ItemId(menu, index), FALSE, &info)) return;
  info.fState = change(info.fState);
  SetMenuItemInfoA(menu->handle, ItemId(menu, index), FALSE, &info);
}

}  // namespace

void MenuObject::Destroy() {
  if (parent != nullptr) {
    // A child control's menuOrId is its command id, never a menu handle.
    if (!parent->isControl && handle != nullptr &&
        parent->menuOrId == reinterpret_cast<uintptr_t>(handle)) {
      if (parent->handle != nullptr) SetMenu(parent->handle, nullptr);
      parent->menuOrId = 0;
    }
    // Everything after this one goes too, so the chain simply ends before it.
    if (parent->firstMenu == this) {
      parent->firstMenu = nullptr;
    } else {
      for (MenuObject* m = parent->firstMenu; m != nullptr; m = m->next) {
        if (m->next == this) {
          m->next = nullptr;
          break;
        }
      }
    }
  }
  if (handle != nullptr) DestroyMenu(handle);
  handle = nullptr;
  items.clear();
  MenuObject* rest = next;
  next = nullptr;
  Free(rest);
  Object::Destroy();
}

MenuObject* CreateMenuObject(Control* parent, int32_t firstId, const char* const* entries,
                             int count, ItemChosenProc itemChosen, void* receiver) {
  freeMenusHook = FreeMenusOf;

  MenuObject* menu = new MenuObject;
  menu->Init();
  menu->firstId = firstId > 0 ? firstId : nextMenuId;
  menu->endId = menu->firstId;
  menu->ItemChosen.proc = itemChosen;
  menu->ItemChosen.receiver = receiver;
  menu->parent = parent;

  if (entries != nullptr && count > 0 && entries[0] != nullptr && entries[0][0] != '\0') {
    // Only the first menu of a form is its menu bar.
    const bool popup = parent == nullptr || parent->firstMenu != nullptr || parent->isControl != 0;
    menu->handle = popup ? CreatePopupMenu() : CreateMenu();
    BuildPlatformMenu(menu, ParseMenuTemplate(entries, count, menu->firstId));
    menu->endId = menu->firstId + ItemCount(menu);
  }

  if (parent == nullptr) return menu;
  if (parent->firstMenu != nullptr) {
    MenuObject* last = parent->firstMenu;
    while (last->next != nullptr) last = last->next;
    last->next = menu;
  } else {
    // Before firstMenu is set: SetMenuHandle frees the form's first menu object when the bar
    // changes, and that must not be this one.
    if (!parent->isControl) SetMenuHandle(parent, menu->handle);
    parent->firstMenu = menu;
    AttachProc(parent, MenuCommandProc);
  }
  return menu;
}

MenuObject* CreateMenuObject(Control* parent, int32_t firstId,
                             const std::vector<std::string>& entries, ItemChosenProc itemChosen,
                             void* receiver) {
  std::vector<const char*> pointers = TemplatePointers(entries);
  return CreateMenuObject(parent, firstId, pointers.data(), static_cast<int>(pointers.size()),
                          itemChosen, receiver);
}

int ItemCount(const MenuObject* menu) {
  return menu != nullptr ? static_cast<int>(menu->items.size()) : 0;
}

uint32_t ItemFlags(const MenuObject* menu, int index) {
  if (!ValidIndex(menu, index) || menu->handle == nullptr) return 0;
  MENUITEMINFOA info{};
  info.cbSize = sizeof(info);
  info.fMask = MIIM_STATE | MIIM_FTYPE | MIIM_DATA;
  if (!GetMenuItemInfoA(menu->handle, ItemId(menu, index), FALSE, &info)) return 0;
  uint32_t flags = static_cast<uint32_t>(info.fState) | static_cast<uint32_t>(info.dwItemData);
  flags &= ~kMenuKindRadio;
  if (info.fType & MFT_RADIOCHECK) flags |= kMenuKindRadio;
  return flags;
}

HMENU ItemHolder(const MenuObject* menu, int index) {
  return ValidIndex(menu, index) ? menu->items[index] : nullptr;
}

void PopupAt(MenuObject* menu, int x, int y) {
  if (menu == nullptr || menu->handle == nullptr || menu->parent == nullptr) return;
  TrackPopupMenu(menu->handle, 0, x, y, 0, HandleOf(menu->parent), nullptr);
}

void RadioCheckItem(MenuObject* menu, int index) {
  if (!ValidIndex(menu, index)) return;
  // Separators are not items, so they never split a group; any non-radio item does.
  int first = index;
  while (first - 1 >= 0 && (ItemFlags(menu, first - 1) & kMenuKindRadio)) --first;
  int last = index;
  while (last + 1 < ItemCount(menu) && (ItemFlags(menu, last + 1) & kMenuKindRadio)) ++last;
  CheckMenuRadioItem(ItemHolder(menu, index), ItemId(menu, first), ItemId(menu, last),
                     ItemId(menu, index), MF_BYCOMMAND);
}

void SetItemChecked(MenuObject* menu, int index, bool checked) {
  ChangeItemState(menu, index, [checked](UINT state) -> UINT {
    state &= ~static_cast<UINT>(MFS_CHECKED);
    return checked ? state | MFS_CHECKED : state;
  });
}

void SetItemEnabled(MenuObject* menu, int index, bool enabled) {
  // The low three bits hold every form of "disabled"; clearing all of them restores state 0
  // whatever mix was set before.
  constexpr UINT kDisabledBits = 7;
  ChangeItemState(menu, index, [enabled](UINT state) -> UINT {
    state &= ~kDisabledBits;
    return enabled ? state : state | MFS_GRAYED;
  });
}

bool MenuCommandProc(Control* control, MessageRecord& msg, LRESULT& result) {
  // Only menu (code 0) and accelerator (code 1) commands; a control's command carries its
  // window in lParam.
  if ((msg.message & 0xFFFF) != WM_COMMAND || HIWORD(msg.wParam) > 1 || msg.lParam != 0) {
    return false;
  }
  result = 0;
  const int32_t id = LOWORD(msg.wParam);
  MenuObject* menu = control->firstMenu;
  while (menu != nullptr && !(menu->firstId <= id && id < menu->endId)) menu = menu->next;
  if (menu == nullptr) return false;

  const int index = id - menu->firstId;
  const uint32_t flags = ItemFlags(menu, index);
  // The marks change before the application hears of the choice, so it reads the new state.
  if (flags & kMenuKindRadio) {
    RadioCheckItem(menu, index);
  } else if (flags & kMenuKindCheck) {
    SetItemChecked(menu, index, (flags & MFS_CHECKED) == 0);
  }
  if (menu->ItemChosen) menu->ItemChosen.proc(menu->ItemChosen.receiver, menu, index);
  return true;
}
