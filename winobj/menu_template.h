// Menu templates read without any window: arrays of short texts whose leading marks give each
// entry's kind ("-" separator, "+" / "-" check items, "!" radio, "(" / ")" sub-menus). Plain code
// without windows.h, fuzzed natively; the menu builder turns the entries into platform items.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Kind flags kept in each platform item's data value.
constexpr uint32_t kMenuKindCheck = 0x40000000;
constexpr uint32_t kMenuKindRadio = 0x80000000;

// Item types and states as the platform's menu item records carry them (MFT_STRING,
// MFT_SEPARATOR, MFT_RADIOCHECK, MFS_CHECKED, MFS_GRAYED); the menu builder checks they agree.
constexpr uint32_t kMenuTypeString = 0x0000;
constexpr uint32_t kMenuTypeSeparator = 0x0800;
constexpr uint32_t kMenuTypeRadioCheck = 0x0200;
constexpr uint32_t kMenuStateChecked = 0x0008;
constexpr uint32_t kMenuStateGrayed = 0x0003;

// One template entry as the parser understood it. Separators are kept (they are inserted into
// the platform menu) but take no item index and no id.
struct MenuEntry {
  int level = 0;        // 0 for the top menu, 1 for its sub-menus, ...
  int ownerEntry = -1;  // index (in the parsed list) of the entry whose sub-menu holds this one
  bool separator = false;
  bool opensSubMenu = false;
  int itemIndex = -1;               // -1 for separators
  int32_t id = 0;                   // firstId + itemIndex; 0 for separators
  uint32_t type = kMenuTypeString;  // kMenuTypeString, kMenuTypeSeparator or kMenuTypeRadioCheck
  uint32_t state = 0;               // 0, kMenuStateChecked or (separators) kMenuStateGrayed
  uint32_t kind = 0;                // kMenuKindCheck and kMenuKindRadio bits
  std::string caption;
};

// Reads a template the way the menu builder does, without touching any window or menu.
// An entry that is null or empty ends the whole template. Entries are listed in template order.
std::vector<MenuEntry> ParseMenuTemplate(const char* const* entries, int count, int32_t firstId);
std::vector<MenuEntry> ParseMenuTemplate(const std::vector<std::string>& entries, int32_t firstId);

// The C texts of a template held as strings, for the builder that reads C texts; valid while
// `entries` is.
std::vector<const char*> TemplatePointers(const std::vector<std::string>& entries);
