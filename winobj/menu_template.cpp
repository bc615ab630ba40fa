#include "winobj/menu_template.h"

#include <cstring>

namespace {

// Sets type, state, kind flags and caption of one entry from its leading marks.
void ClassifyEntry(const char* text, MenuEntry& entry) {
  if (std::strcmp(text, "-") == 0) {
    entry.separator = true;
    entry.type = kMenuTypeSeparator;
    entry.state = kMenuStateGrayed;
    entry.caption = "-";
    return;
  }
  if (text[0] == '+' || text[0] == '-') {
    entry.kind = kMenuKindCheck;
    entry.state = text[0] == '+' ? kMenuStateChecked : 0;
    const char* rest = text + 1;
    // "!" makes a radio item only right after the check mark; anywhere else it is text.
    if (*rest == '!') {
      entry.kind |= kMenuKindRadio;
      entry.type = kMenuTypeRadioCheck;
      ++rest;
    }
    entry.caption = rest;
    return;
  }
  entry.caption = text;
}

// Ids run on past the largest value into the negative ones, the bits the platform's unsigned
// item id then carries; the sum in int32_t would be undefined.
int32_t IdAfter(int32_t firstId, int offset) {
  return static_cast<int32_t>(static_cast<uint32_t>(firstId) + static_cast<uint32_t>(offset));
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
      entry.id = IdAfter(firstId, entry.itemIndex);
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

}  // namespace

std::vector<MenuEntry> ParseMenuTemplate(const char* const* entries, int count, int32_t firstId) {
  std::vector<MenuEntry> out;
  if (entries == nullptr || count <= 0) return out;
  int itemCount = 0;
  ParseLevel(entries, count, firstId, 0, -1, 0, out, itemCount);
  return out;
}

std::vector<MenuEntry> ParseMenuTemplate(const std::vector<std::string>& entries, int32_t firstId) {
  std::vector<const char*> pointers = TemplatePointers(entries);
  return ParseMenuTemplate(pointers.data(), static_cast<int>(pointers.size()), firstId);
}

std::vector<const char*> TemplatePointers(const std::vector<std::string>& entries) {
  std::vector<const char*> pointers;
  pointers.reserve(entries.size());
  for (const std::string& e : entries) pointers.push_back(e.c_str());
  return pointers;
}
