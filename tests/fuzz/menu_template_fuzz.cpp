// Menu templates of arbitrary entries and first ids: every entry must hang under an earlier one
// that opens a sub-menu, one level deeper, with items numbered without gaps.
#include "tests/fuzz/fuzz_input.h"
#include "winobj/menu_template.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput in(data, size);
  const int32_t firstId = static_cast<int32_t>(in.Word());
  // Entries one per line; an entry "\x02" stands for a null pointer.
  const std::vector<std::string> texts = CutAt(in.Rest(), '\n');
  std::vector<const char*> entries;
  for (const std::string& t : texts) entries.push_back(t == "\x02" ? nullptr : t.c_str());

  const std::vector<MenuEntry> parsed =
      ParseMenuTemplate(entries.data(), static_cast<int>(entries.size()), firstId);
  FUZZ_CHECK(parsed.size() <= entries.size());
  int items = 0;
  for (size_t i = 0; i < parsed.size(); ++i) {
    const MenuEntry& e = parsed[i];
    if (e.ownerEntry < 0) {
      FUZZ_CHECK(e.level == 0);
    } else {
      FUZZ_CHECK(static_cast<size_t>(e.ownerEntry) < i);
      FUZZ_CHECK(parsed[e.ownerEntry].opensSubMenu);
      FUZZ_CHECK(e.level == parsed[e.ownerEntry].level + 1);
    }
    if (e.separator) {
      FUZZ_CHECK(e.itemIndex == -1 && e.id == 0 && e.type == kMenuTypeSeparator);
      continue;
    }
    FUZZ_CHECK(e.itemIndex == items++);
    FUZZ_CHECK(e.id == static_cast<int32_t>(static_cast<uint32_t>(firstId) +
                                            static_cast<uint32_t>(e.itemIndex)));
    FUZZ_CHECK(e.type == kMenuTypeString || e.type == kMenuTypeRadioCheck);
    FUZZ_CHECK(e.caption.find('\0') == std::string::npos);
  }
  // The builder's own entry point for string templates reads the same.
  FUZZ_CHECK(ParseMenuTemplate(texts, firstId).size() <= texts.size());
  return 0;
}
