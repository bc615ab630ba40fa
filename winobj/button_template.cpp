#include "winobj/button_template.h"

std::vector<ButtonRecord> ParseButtonTemplate(const std::vector<const char*>& entries,
                                              const std::vector<int>& imageIndexes, int firstId) {
  std::vector<ButtonRecord> records;
  // Ids and images run on past the largest value into the negative ones (the bits the platform
  // record then carries) instead of overflowing.
  uint32_t nextId = static_cast<uint32_t>(firstId);
  uint32_t imageCounter =
      imageIndexes.empty() ? UINT32_MAX : static_cast<uint32_t>(imageIndexes.front()) - 1;
  for (size_t pos = 0; pos < entries.size() && entries[pos]; ++pos) {
    const std::string entry = entries[pos];
    ButtonRecord r;
    if (entry == "-") {
      r.isSeparator = true;
      r.style = kButtonStyleSeparator;
      r.state = 0;
      r.image = -1;
      r.id = 0;
      records.push_back(r);
      continue;
    }
    r.style = kButtonStyleAutoSize;
    r.state = kButtonStateEnabled;
    r.id = static_cast<int>(nextId++);
    size_t p = 0;
    if (p < entry.size() && entry[p] == '^') {
      r.style |= kButtonStyleDropDown;
      ++p;
    }
    if (p < entry.size() && (entry[p] == '-' || entry[p] == '+')) {
      r.style |= kButtonStyleCheck;
      if (entry[p] == '+') r.state |= kButtonStateChecked;
      ++p;
      if (p < entry.size() && entry[p] == '!') {
        r.style |= kButtonStyleGroup;
        ++p;
      }
    }
    r.text = entry.substr(p);
    r.hasText = !(r.text.empty() || r.text == " ");
    if (!r.hasText) r.text.clear();
    ++imageCounter;
    r.image = pos < imageIndexes.size() ? imageIndexes[pos] : static_cast<int>(imageCounter);
    records.push_back(r);
  }
  return records;
}
