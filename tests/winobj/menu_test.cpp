// Menu templates (parsed without windows), menu objects on real forms and controls: id ranges,
// menu bar versus popup, check and radio marks kept before the handler runs, the commands the
// menu procedure must leave alone, enabling, and freeing with the owner.
#include "winobj/menu.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/support/poll.h"
#include "winobj/application.h"
#include "winobj/control.h"

namespace {

using Template = std::vector<std::string>;

const Template kMainMenu = {"&FTP", "(",       "&Site Manager", "-", "+!&Connect", "-!&Disconnect",
                            "-",    "&Upload", "&Download",     "-", "E&xit",      ")",
                            ""};
const Template kRemotePopup = {"&DownLoad", "-", "&Delete", "&Rename", "New &Folder", ""};
const Template kLocalPopup = {"&UpLoad", "-", "&Delete", "&Rename", "New &Folder", ""};

std::vector<std::string> Captions(const std::vector<MenuEntry>& entries) {
  std::vector<std::string> captions;
  for (const MenuEntry& e : entries) captions.push_back(e.caption);
  return captions;
}

// ---- Template parsing, no windows -----------------------------------------------------------

TEST(MenuTemplate, ProgramMainMenuNumbersItemsAcrossLevels) {
  const std::vector<MenuEntry> e = ParseMenuTemplate(kMainMenu, 4104);
  ASSERT_EQ(e.size(), 10u);  // every entry but the two brackets and the end mark
  EXPECT_EQ(Captions(e),
            (std::vector<std::string>{"&FTP", "&Site Manager", "-", "&Connect", "&Disconnect", "-",
                                      "&Upload", "&Download", "-", "E&xit"}));
  // "&FTP" holds the sub-menu; everything else sits in it.
  EXPECT_TRUE(e[0].opensSubMenu);
  EXPECT_EQ(e[0].level, 0);
  EXPECT_EQ(e[0].ownerEntry, -1);
  for (size_t i = 1; i < e.size(); ++i) {
    EXPECT_EQ(e[i].level, 1) << i;
    EXPECT_EQ(e[i].ownerEntry, 0) << i;
    EXPECT_FALSE(e[i].opensSubMenu) << i;
  }
  const int items[] = {0, 1, 3, 4, 6, 7, 9};
  for (int k = 0; k < 7; ++k) {
    EXPECT_EQ(e[items[k]].itemIndex, k);
    EXPECT_EQ(e[items[k]].id, 4104 + k);
  }
  for (int s : {2, 5, 8}) {
    EXPECT_TRUE(e[s].separator);
    EXPECT_EQ(e[s].itemIndex, -1);
    EXPECT_EQ(e[s].id, 0);
    EXPECT_EQ(e[s].type, static_cast<UINT>(MFT_SEPARATOR));
    EXPECT_EQ(e[s].state, static_cast<UINT>(MFS_GRAYED));
  }
  // Connect: radio, checked; Disconnect: radio, unchecked; the rest plain.
  EXPECT_EQ(e[3].type, static_cast<UINT>(MFT_RADIOCHECK));
  EXPECT_EQ(e[3].state, static_cast<UINT>(MFS_CHECKED));
  EXPECT_EQ(e[3].kind, kMenuKindCheck | kMenuKindRadio);
  EXPECT_EQ(e[4].type, static_cast<UINT>(MFT_RADIOCHECK));
  EXPECT_EQ(e[4].state, 0u);
  EXPECT_EQ(e[4].kind, kMenuKindCheck | kMenuKindRadio);
  for (int plain : {0, 1, 6, 7, 9}) {
    EXPECT_EQ(e[plain].type, static_cast<UINT>(MFT_STRING)) << plain;
    EXPECT_EQ(e[plain].state, 0u) << plain;
    EXPECT_EQ(e[plain].kind, 0u) << plain;
  }
}

TEST(MenuTemplate, MarksMakeCheckAndRadioItemsOnlyAtTheStart) {
  const std::vector<MenuEntry> e =
      ParseMenuTemplate(Template{"+On", "-Off", "+!R1", "-!R2", "!x", "--", "+", "a+!b", ""}, 1);
  ASSERT_EQ(e.size(), 8u);
  EXPECT_EQ(Captions(e),
            (std::vector<std::string>{"On", "Off", "R1", "R2", "!x", "-", "", "a+!b"}));
  EXPECT_EQ(e[0].kind, kMenuKindCheck);
  EXPECT_EQ(e[0].state, static_cast<UINT>(MFS_CHECKED));
  EXPECT_EQ(e[1].kind, kMenuKindCheck);
  EXPECT_EQ(e[1].state, 0u);
  EXPECT_EQ(e[2].kind, kMenuKindCheck | kMenuKindRadio);
  EXPECT_EQ(e[2].state, static_cast<UINT>(MFS_CHECKED));
  EXPECT_EQ(e[3].kind, kMenuKindCheck | kMenuKindRadio);
  EXPECT_EQ(e[3].type, static_cast<UINT>(MFT_RADIOCHECK));
  // "!" not after a mark, "--" (a check item called "-"), a lone "+" and marks inside a text.
  EXPECT_EQ(e[4].kind, 0u);
  EXPECT_EQ(e[5].kind, kMenuKindCheck);
  EXPECT_FALSE(e[5].separator);
  EXPECT_EQ(e[6].kind, kMenuKindCheck);
  EXPECT_EQ(e[6].state, static_cast<UINT>(MFS_CHECKED));
  EXPECT_EQ(e[7].kind, 0u);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(e[i].itemIndex, i);
}

TEST(MenuTemplate, BracketsAndEndMarks) {
  // A missing ")" simply ends every open sub-menu at the end mark; nothing after it is read.
  std::vector<MenuEntry> e =
      ParseMenuTemplate(Template{"A", "(", "B", "(", "C", "", "D", ")", "E"}, 10);
  ASSERT_EQ(e.size(), 3u);
  EXPECT_EQ(Captions(e), (std::vector<std::string>{"A", "B", "C"}));
  EXPECT_EQ(e[2].level, 2);
  EXPECT_EQ(e[2].ownerEntry, 1);
  EXPECT_EQ(e[2].id, 12);

  // A leading "(" and a "(" right after ")" are items in their own right.
  e = ParseMenuTemplate(Template{"(", "A", "(", "B", ")", "(", "C", ""}, 1);
  ASSERT_EQ(e.size(), 5u);
  EXPECT_EQ(Captions(e), (std::vector<std::string>{"(", "A", "B", "(", "C"}));
  EXPECT_EQ(e[0].itemIndex, 0);
  EXPECT_FALSE(e[0].opensSubMenu);
  EXPECT_TRUE(e[1].opensSubMenu);
  EXPECT_EQ(e[3].level, 0);
  EXPECT_EQ(e[3].itemIndex, 3);

  // A separator can own a sub-menu; its items are numbered all the same.
  e = ParseMenuTemplate(Template{"-", "(", "X", ")", "Y", ""}, 100);
  ASSERT_EQ(e.size(), 3u);
  EXPECT_TRUE(e[0].separator);
  EXPECT_TRUE(e[0].opensSubMenu);
  EXPECT_EQ(e[1].id, 100);
  EXPECT_EQ(e[1].ownerEntry, 0);
  EXPECT_EQ(e[2].id, 101);

  // A ")" at the top level ends the template; so does a null entry inside a sub-menu.
  EXPECT_EQ(ParseMenuTemplate(Template{"A", ")", "B", ""}, 1).size(), 1u);
  const char* withNull[] = {"A", "(", "B", nullptr, "C"};
  EXPECT_EQ(Captions(ParseMenuTemplate(withNull, 5, 1)), (std::vector<std::string>{"A", "B"}));
  // Without an end mark reading stops at the given count; a "(" as last entry opens nothing.
  const char* unterminated[] = {"A", "B", "("};
  e = ParseMenuTemplate(unterminated, 2, 1);
  EXPECT_EQ(Captions(e), (std::vector<std::string>{"A", "B"}));
  EXPECT_FALSE(e[1].opensSubMenu);
  EXPECT_TRUE(ParseMenuTemplate(Template{""}, 1).empty());
  EXPECT_TRUE(ParseMenuTemplate(nullptr, 3, 1).empty());
}

// ---- Menu objects on windows ----------------------------------------------------------------

struct Choice {
  int index;
  uint32_t flags[8];  // ItemFlags of items 0..7 at the time of the call
};

std::vector<Choice> choices;
void* lastReceiver = nullptr;

void RecordChoice(void* receiver, MenuObject* sender, int index) {
  Choice c{index, {}};
  for (int i = 0; i < 8; ++i) c.flags[i] = ItemFlags(sender, i);
  choices.push_back(c);
  lastReceiver = receiver;
}

Control* NewForm() {
  Control* form = CreateForm(nullptr, "Menus");
  form->boundsRect = RECT{40, 40, 440, 340};
  form->boundsFlags |= kLeftSet | kTopSet;
  EXPECT_NE(HandleOf(form), nullptr);
  return form;
}

Control* NewChild(Control* parent) {
  return CreateChildControl(parent, "STATIC", WS_CHILD | WS_VISIBLE, false, nullptr);
}

LRESULT Choose(Control* owner, MenuObject* menu, int index, WORD code = 0) {
  return SendMessageA(HandleOf(owner), WM_COMMAND, MAKEWPARAM(menu->firstId + index, code), 0);
}

std::string PlatformCaption(HMENU menu, UINT id) {
  char text[64] = {};
  GetMenuStringA(menu, id, text, sizeof(text), MF_BYCOMMAND);
  return text;
}

UINT PlatformState(HMENU menu, UINT id) {
  MENUITEMINFOA info{};
  info.cbSize = sizeof(info);
  info.fMask = MIIM_STATE;
  EXPECT_TRUE(GetMenuItemInfoA(menu, id, FALSE, &info));
  return info.fState;
}

TEST(MenuBuild, ProgramMenusTakeConsecutiveIdsAndTheFormGetsItsBar) {
  Control* form = NewForm();
  Control* remoteList = NewChild(form);
  Control* localList = NewChild(form);

  MenuObject* remote = CreateMenuObject(remoteList, 0, kRemotePopup, RecordChoice, nullptr);
  MenuObject* local = CreateMenuObject(localList, 0, kLocalPopup, RecordChoice, nullptr);
  MenuObject* main = CreateMenuObject(form, 0, kMainMenu, RecordChoice, nullptr);
  EXPECT_EQ(remote->firstId, 4096);
  EXPECT_EQ(remote->endId, 4100);
  EXPECT_EQ(local->firstId, 4100);
  EXPECT_EQ(local->endId, 4104);
  EXPECT_EQ(main->firstId, 4104);
  EXPECT_EQ(main->endId, 4111);
  EXPECT_EQ(ItemCount(main), 7);
  EXPECT_EQ(nextMenuId, 4111);

  // The first menu of a form is its menu bar; the controls' menus are popups, not bars.
  EXPECT_EQ(form->firstMenu, main);
  EXPECT_EQ(form->menuOrId, reinterpret_cast<uintptr_t>(main->handle));
  EXPECT_EQ(GetMenu(form->handle), main->handle);
  EXPECT_EQ(remoteList->firstMenu, remote);
  EXPECT_EQ(localList->firstMenu, local);
  EXPECT_NE(localList->menuOrId, reinterpret_cast<uintptr_t>(local->handle));
  EXPECT_TRUE(IsProcAttached(form, MenuCommandProc));
  EXPECT_TRUE(IsProcAttached(remoteList, MenuCommandProc));

  // The platform sees the captions without marks, the sub-menu under "&FTP" holding items 1-6.
  HMENU sub = GetSubMenu(main->handle, 0);
  ASSERT_NE(sub, nullptr);
  EXPECT_EQ(GetMenuItemCount(main->handle), 1);
  EXPECT_EQ(GetMenuItemCount(sub), 9);
  EXPECT_EQ(ItemHolder(main, 0), main->handle);
  for (int i = 1; i < 7; ++i) EXPECT_EQ(ItemHolder(main, i), sub) << i;
  EXPECT_EQ(ItemHolder(main, 7), nullptr);
  EXPECT_EQ(PlatformCaption(main->handle, 4104), "&FTP");
  EXPECT_EQ(PlatformCaption(main->handle, 4106), "&Connect");
  EXPECT_EQ(PlatformCaption(main->handle, 4110), "E&xit");
  EXPECT_EQ(PlatformCaption(remote->handle, 4099), "New &Folder");
  EXPECT_EQ(GetMenuItemID(sub, 1), 0u);  // the separator takes no id

  EXPECT_EQ(ItemFlags(main, 2), MFS_CHECKED | kMenuKindCheck | kMenuKindRadio);
  EXPECT_EQ(ItemFlags(main, 3), kMenuKindCheck | kMenuKindRadio);
  EXPECT_EQ(ItemFlags(main, 4), 0u);
  EXPECT_EQ(ItemFlags(main, 7), 0u);

  // A second menu of a form is a popup chained after the bar; an explicit first id leaves
  // the counter alone.
  MenuObject* extra = CreateMenuObject(form, 9000, Template{"+Wrap", ""}, nullptr, nullptr);
  EXPECT_EQ(main->next, extra);
  EXPECT_EQ(GetMenu(form->handle), main->handle);
  EXPECT_EQ(extra->firstId, 9000);
  EXPECT_EQ(nextMenuId, 4111);
  MenuObject* after = CreateMenuObject(form, 0, Template{"X", ""}, nullptr, nullptr);
  EXPECT_EQ(after->firstId, 4111);
  EXPECT_EQ(extra->next, after);
  EXPECT_EQ(nextMenuId, 4112);
  Free(form);
}

TEST(MenuBuild, EmptyTemplateGivesALinkedMenuWithoutPlatformMenu) {
  Control* form = NewForm();
  MenuObject* empty = CreateMenuObject(form, 0, Template{"", "A"}, nullptr, nullptr);
  EXPECT_EQ(empty->handle, nullptr);
  EXPECT_EQ(ItemCount(empty), 0);
  EXPECT_EQ(form->firstMenu, empty);
  EXPECT_EQ(nextMenuId, 4096);
  EXPECT_EQ(ItemFlags(empty, 0), 0u);
  // The next menu is no longer the form's first, so it becomes a popup.
  MenuObject* popup = CreateMenuObject(form, 0, kRemotePopup, nullptr, nullptr);
  EXPECT_EQ(popup->firstId, 4096);
  EXPECT_EQ(GetMenu(form->handle), nullptr);
  Free(form);
}

TEST(MenuCommand, RadioMarkMovesAcrossTheSeparatorBeforeTheHandler) {
  Control* form = NewForm();
  int receiver = 0;
  MenuObject* main = CreateMenuObject(form, 0, kMainMenu, RecordChoice, &receiver);

  EXPECT_EQ(Choose(form, main, 3), 0);  // "-!&Disconnect"
  ASSERT_EQ(choices.size(), 1u);
  EXPECT_EQ(choices[0].index, 3);
  EXPECT_EQ(lastReceiver, &receiver);
  EXPECT_EQ(choices[0].flags[2] & MFS_CHECKED, 0u);
  EXPECT_EQ(choices[0].flags[3] & MFS_CHECKED, static_cast<uint32_t>(MFS_CHECKED));
  EXPECT_EQ(PlatformState(main->handle, main->firstId + 2) & MFS_CHECKED, 0u);

  // Both stay radio items, so the mark moves back as well.
  Choose(form, main, 2);
  ASSERT_EQ(choices.size(), 2u);
  EXPECT_EQ(choices[1].flags[2], MFS_CHECKED | kMenuKindCheck | kMenuKindRadio);
  EXPECT_EQ(choices[1].flags[3], kMenuKindCheck | kMenuKindRadio);

  // Plain items change no mark; "&Site Manager" next to the group stays out of it.
  Choose(form, main, 1);
  ASSERT_EQ(choices.size(), 3u);
  EXPECT_EQ(choices[2].flags[1], 0u);
  EXPECT_EQ(choices[2].flags[2] & MFS_CHECKED, static_cast<uint32_t>(MFS_CHECKED));
  Free(form);
}

TEST(MenuCommand, RadioGroupIsTheRunOfRadioItems) {
  Control* form = NewForm();
  Control* child = NewChild(form);
  // Two groups split by a plain item; the separator inside the first does not split it.
  MenuObject* m = CreateMenuObject(child, 0, Template{"+!A", "-", "-!B", "Plain", "+!C", "-!D", ""},
                                   RecordChoice, nullptr);
  Choose(child, m, 1);  // B
  ASSERT_EQ(choices.size(), 1u);
  EXPECT_EQ(choices[0].flags[0] & MFS_CHECKED, 0u);
  EXPECT_NE(choices[0].flags[1] & MFS_CHECKED, 0u);
  EXPECT_NE(choices[0].flags[3] & MFS_CHECKED, 0u);  // C, in the other group, keeps its mark
  Choose(child, m, 4);                               // D
  EXPECT_NE(ItemFlags(m, 1) & MFS_CHECKED, 0u);
  EXPECT_EQ(ItemFlags(m, 3) & MFS_CHECKED, 0u);
  EXPECT_NE(ItemFlags(m, 4) & MFS_CHECKED, 0u);
  Free(form);
}

TEST(MenuCommand, CheckItemTogglesAndTheHandlerSeesTheNewState) {
  Control* form = NewForm();
  Control* child = NewChild(form);
  MenuObject* m =
      CreateMenuObject(child, 0, Template{"-&Wrap", "+&Log", ""}, RecordChoice, nullptr);
  Choose(child, m, 0);
  Choose(child, m, 0, 1);  // an accelerator command counts as a choice too
  Choose(child, m, 1);
  ASSERT_EQ(choices.size(), 3u);
  EXPECT_EQ(choices[0].flags[0], MFS_CHECKED | kMenuKindCheck);
  EXPECT_EQ(choices[1].flags[0], kMenuKindCheck);
  EXPECT_EQ(choices[2].flags[1], kMenuKindCheck);
  EXPECT_EQ(PlatformState(m->handle, m->firstId) & MFS_CHECKED, 0u);
  Free(form);
}

TEST(MenuCommand, LeavesControlCommandsOtherCodesAndForeignIdsAlone) {
  Control* form = NewForm();
  MenuObject* m = CreateMenuObject(form, 0, Template{"-&Wrap", ""}, RecordChoice, nullptr);
  HWND foreign = CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, 5, 5, form->handle, nullptr,
                                 nullptr, nullptr);
  ASSERT_NE(foreign, nullptr);
  const UINT id = static_cast<UINT>(m->firstId);

  auto call = [&](WPARAM wParam, LPARAM lParam) {
    MessageRecord msg{form->handle, WM_COMMAND, wParam, lParam};
    LRESULT result = 77;
    return MenuCommandProc(form, msg, result);
  };
  EXPECT_FALSE(call(MAKEWPARAM(id, 0), reinterpret_cast<LPARAM>(foreign)));
  EXPECT_FALSE(call(MAKEWPARAM(id, 2), 0));
  EXPECT_FALSE(call(MAKEWPARAM(id + 1, 0), 0));  // one past the menu's range
  EXPECT_FALSE(call(MAKEWPARAM(id - 1, 0), 0));
  EXPECT_TRUE(choices.empty());
  EXPECT_EQ(ItemFlags(m, 0), kMenuKindCheck);

  // The same commands through the window: still no choice, no mark.
  SendMessageA(form->handle, WM_COMMAND, MAKEWPARAM(id, 0), reinterpret_cast<LPARAM>(foreign));
  SendMessageA(form->handle, WM_COMMAND, MAKEWPARAM(id, 2), 0);
  EXPECT_TRUE(choices.empty());
  EXPECT_EQ(ItemFlags(m, 0), kMenuKindCheck);

  EXPECT_TRUE(call(MAKEWPARAM(id, 0), 0));
  EXPECT_EQ(choices.size(), 1u);
  Free(form);
}

TEST(MenuItems, DisableThenEnableRestoresStateZero) {
  Control* form = NewForm();
  MenuObject* m = CreateMenuObject(form, 0, kMainMenu, nullptr, nullptr);
  SetItemEnabled(m, 3, false);
  EXPECT_EQ(PlatformState(m->handle, m->firstId + 3), static_cast<UINT>(MFS_GRAYED));
  EXPECT_EQ(ItemFlags(m, 3), MFS_GRAYED | kMenuKindCheck | kMenuKindRadio);
  SetItemEnabled(m, 3, true);
  EXPECT_EQ(PlatformState(m->handle, m->firstId + 3), 0u);

  // Whatever disabled bits were set, enabling clears them and keeps the check mark.
  MENUITEMINFOA info{};
  info.cbSize = sizeof(info);
  info.fMask = MIIM_STATE;
  info.fState = MFS_DISABLED | MFS_CHECKED;
  ASSERT_TRUE(SetMenuItemInfoA(m->handle, m->firstId + 4, FALSE, &info));
  SetItemEnabled(m, 4, true);
  EXPECT_EQ(PlatformState(m->handle, m->firstId + 4), static_cast<UINT>(MFS_CHECKED));
  SetItemChecked(m, 4, false);
  EXPECT_EQ(PlatformState(m->handle, m->firstId + 4), 0u);
  SetItemChecked(m, 4, true);
  SetItemEnabled(m, 4, false);
  EXPECT_EQ(PlatformState(m->handle, m->firstId + 4), static_cast<UINT>(MFS_CHECKED | MFS_GRAYED));
  // Indexes the menu does not have are ignored.
  SetItemEnabled(m, 7, false);
  SetItemChecked(m, -1, true);
  Free(form);
}

void CALLBACK CloseStuckMenu(HWND, UINT, UINT_PTR, DWORD) { EndMenu(); }

TEST(MenuItems, PopupAtShowsTheMenuForItsParent) {
  Control* form = NewForm();
  Show(form);
  Control* child = NewChild(form);
  ASSERT_NE(HandleOf(child), nullptr);
  MenuObject* m = CreateMenuObject(child, 0, kRemotePopup, RecordChoice, nullptr);
  // The popup's own loop takes these keys: first item, then choose it. The timer ends the
  // loop should the keys never arrive, so the test cannot hang.
  PostMessageA(child->handle, WM_KEYDOWN, VK_DOWN, 0);
  PostMessageA(child->handle, WM_KEYDOWN, VK_RETURN, 0);
  const UINT_PTR timer = SetTimer(nullptr, 0, 3000, CloseStuckMenu);
  PopupAt(m, 100, 100);
  KillTimer(nullptr, timer);
  ASSERT_TRUE(PollUntil([] { return !choices.empty(); }, 2000));
  EXPECT_EQ(choices[0].index, 0);
  Free(form);
}

TEST(MenuLifetime, FreeingTheBarRemovesItAndItsChain) {
  Control* form = NewForm();
  MenuObject* main = CreateMenuObject(form, 0, kMainMenu, nullptr, nullptr);
  MenuObject* popup = CreateMenuObject(form, 0, kRemotePopup, nullptr, nullptr);
  HMENU bar = main->handle;
  HMENU sub = GetSubMenu(bar, 0);
  HMENU popupHandle = popup->handle;
  Free(main);
  EXPECT_EQ(GetMenu(form->handle), nullptr);
  EXPECT_EQ(form->menuOrId, 0u);
  EXPECT_EQ(form->firstMenu, nullptr);
  EXPECT_FALSE(IsMenu(bar));
  EXPECT_FALSE(IsMenu(sub));
  EXPECT_FALSE(IsMenu(popupHandle));
  // Ids are never given back.
  EXPECT_EQ(nextMenuId, 4107);
  Free(form);
}

TEST(MenuLifetime, FreeingAPopupEndsTheChainBeforeIt) {
  Control* form = NewForm();
  Control* child = NewChild(form);
  MenuObject* first = CreateMenuObject(child, 0, kRemotePopup, nullptr, nullptr);
  MenuObject* second = CreateMenuObject(child, 0, kLocalPopup, nullptr, nullptr);
  HMENU secondHandle = second->handle;
  Free(second);
  EXPECT_EQ(first->next, nullptr);
  EXPECT_FALSE(IsMenu(secondHandle));
  EXPECT_TRUE(IsMenu(first->handle));
  // The child's command id is not a menu handle and stays as it was.
  const uintptr_t id = child->menuOrId;
  Free(first);
  EXPECT_EQ(child->menuOrId, id);
  EXPECT_EQ(child->firstMenu, nullptr);
  Free(form);
}

TEST(MenuLifetime, DestroyingTheOwnersFreesTheirMenus) {
  Control* form = NewForm();
  Control* child = NewChild(form);
  MenuObject* bar = CreateMenuObject(form, 0, kMainMenu, nullptr, nullptr);
  MenuObject* popup = CreateMenuObject(child, 0, kRemotePopup, nullptr, nullptr);
  HMENU barHandle = bar->handle;
  HMENU popupHandle = popup->handle;
  Free(form);
  EXPECT_FALSE(IsMenu(barHandle));
  EXPECT_FALSE(IsMenu(popupHandle));
}

// Records every DestroyMenu this program makes while it lives, by pointing the program's
// import of DestroyMenu at a recorder (the menus themselves are still destroyed).
class DestroyMenuRecorder {
 public:
  DestroyMenuRecorder() {
    real_ = reinterpret_cast<DestroyMenuProc>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "DestroyMenu")));
    slot_ = FindImportSlot(reinterpret_cast<void*>(real_));
    if (slot_ == nullptr) return;
    active_ = this;
    Write(reinterpret_cast<void*>(&Record));
  }
  ~DestroyMenuRecorder() {
    if (slot_ != nullptr) Write(reinterpret_cast<void*>(real_));
    active_ = nullptr;
  }
  DestroyMenuRecorder(const DestroyMenuRecorder&) = delete;
  DestroyMenuRecorder& operator=(const DestroyMenuRecorder&) = delete;

  bool Installed() const { return slot_ != nullptr; }
  int TimesDestroyed(HMENU menu) const {
    return static_cast<int>(std::count(destroyed_.begin(), destroyed_.end(), menu));
  }

 private:
  using DestroyMenuProc = BOOL(WINAPI*)(HMENU);

  static BOOL WINAPI Record(HMENU menu) {
    active_->destroyed_.push_back(menu);
    return active_->real_(menu);
  }

  // The import address table entry of this program that holds `target`.
  static void** FindImportSlot(void* target) {
    auto* base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (dir.VirtualAddress == 0 || target == nullptr) return nullptr;
    for (auto* desc = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress);
         desc->Name != 0; ++desc) {
      for (auto* thunk = reinterpret_cast<void**>(base + desc->FirstThunk); *thunk; ++thunk) {
        if (*thunk == target) return thunk;
      }
    }
    return nullptr;
  }

  void Write(void* value) {
    DWORD old = 0;
    VirtualProtect(slot_, sizeof(void*), PAGE_READWRITE, &old);
    *slot_ = value;
    VirtualProtect(slot_, sizeof(void*), old, &old);
  }

  static DestroyMenuRecorder* active_;
  DestroyMenuProc real_ = nullptr;
  void** slot_ = nullptr;
  std::vector<HMENU> destroyed_;
};

DestroyMenuRecorder* DestroyMenuRecorder::active_ = nullptr;

// A new bar replaces the old one, which is destroyed exactly once: by its menu object when the
// form has one, else by the form itself.
TEST(MenuLifetime, ANewBarDestroysTheOldOneOnce) {
  Control* form = NewForm();
  MenuObject* main = CreateMenuObject(form, 0, kMainMenu, nullptr, nullptr);
  const HMENU bar = main->handle;
  const HMENU plain = CreateMenu();
  const HMENU last = CreateMenu();
  {
    DestroyMenuRecorder recorder;
    ASSERT_TRUE(recorder.Installed());
    SetMenuHandle(form, plain);
    EXPECT_EQ(recorder.TimesDestroyed(bar), 1);
    EXPECT_FALSE(IsMenu(bar));
    EXPECT_EQ(form->firstMenu, nullptr);
    EXPECT_EQ(GetMenu(form->handle), plain);

    SetMenuHandle(form, last);  // a bar that belongs to no menu object
    EXPECT_EQ(recorder.TimesDestroyed(plain), 1);
    EXPECT_FALSE(IsMenu(plain));
    EXPECT_EQ(GetMenu(form->handle), last);
  }
  Free(form);
  EXPECT_FALSE(IsMenu(last));
}

}  // namespace
