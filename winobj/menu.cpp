#include "winobj/menu.h"

#include <cstring>

int32_t nextMenuId = kFirstMenuId;

namespace {

// Sets type, state, kind flags and caption of one entry from its leading marks.
void ClassifyEntry(const char* text, MenuEntry& entry) {
  if (std::strcmp(text, "-") == 0) {
    entry.separator = true;
    entry.type = MFT_SEPARATOR;
    entry.state = MFS_GRAYED;
    entry.caption = "-";
    return;
  }
  if (text[0] == '+' || text[0] == '-') {
    entry.kind = kMenuKindCheck;
    entry.state = text[0] == '+' ? MFS_CHECKED : 0;
    const char* rest = text + 1;
    // "!" makes a radio item only right after the check mark; anywhere else it is text.
    if (*rest == '!') {
      entry.kind |= kMenuKindRadio;
      entry.type = MFT_RADIOCHECK;
      ++rest;
    }
    entry.caption = rest;
    return;
  }
  entry.caption = text;
}

bool OpensSubMenu(const char* text) { return text != nullptr && text[0] == '('; }

// Reads one menu level from `index`; returns where reading stopped. A ")" is consumed by the
// level it closes; a null or empty entry is left in place so every enclosing level stops on it
// too.
int ParseLevel(const char* const* entries, int count, int32_t firstId, int level, int owner,
               int index, std::vector<MenuEntry>& out, int& itemCount) {
  while (index < count) {
    const char* text = entries[index];
    if (text == nullptr || text[0] == '\0') return index;
    if (text[0] == ')') return index + 1;

    MenuEntry entry;
    entry.level = level;
    entry.ownerEntry = owner;
    ClassifyEntry(text, entry);
    entry.opensSubMenu = index + 1 < count && OpensSubMenu(entries[index + 1]);
    if (!entry.separator) {
      entry.itemIndex = itemCount++;
      entry.id = firstId + entry.itemIndex;
    }
    const int self = static_cast<int>(out.size());
    out.push_back(entry);
    // The "(" itself is skipped: a "(" is an item only when read in its own right.
    index = entry.opensSubMenu
                ? ParseLevel(entries, count, firstId, level + 1, self, index + 2, out, itemCount)
                : index + 1;
  }
  return index;
}

std::vector<const char*> Pointers(const std::vector<std::string>& entries) {
  std::vector<const char*> pointers;
  pointers.reserve(entries.size());
  for (const std::string& e : entries) pointers.push_back(e.c_str());
  return pointers;
}

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

std::vector<MenuEntry> ParseMenuTemplate(const char* const* entries, int count, int32_t firstId) {
  std::vector<MenuEntry> out;
  if (entries == nullptr || count <= 0) return out;
  int itemCount = 0;
  ParseLevel(entries, count, firstId, 0, -1, 0, out, itemCount);
  return out;
}

std::vector<MenuEntry> ParseMenuTemplate(const std::vector<std::string>& entries, int32_t firstId) {
  std::vector<const char*> pointers = Pointers(entries);
  return ParseMenuTemplate(pointers.data(), static_cast<int>(pointers.size()), firstId);
}

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
  std::vector<const char*> pointers = Pointers(entries);
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
