// Toolbar button templates of arbitrary entries, image lists and first ids.
#include "tests/fuzz/fuzz_input.h"
#include "winobj/button_template.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput in(data, size);
  const int firstId = static_cast<int>(in.Word());
  std::vector<int> images(in.Byte() % 8);
  for (int& image : images) image = static_cast<int>(in.Word());
  // Entries one per line; an entry "\x02" stands for a null pointer, which ends the template.
  const std::vector<std::string> texts = CutAt(in.Rest(), '\n');
  std::vector<const char*> entries;
  for (const std::string& t : texts) entries.push_back(t == "\x02" ? nullptr : t.c_str());

  const std::vector<ButtonRecord> records = ParseButtonTemplate(entries, images, firstId);
  FUZZ_CHECK(records.size() <= entries.size());
  uint32_t nextId = static_cast<uint32_t>(firstId);
  for (size_t i = 0; i < records.size(); ++i) {
    const ButtonRecord& r = records[i];
    FUZZ_CHECK(entries[i] != nullptr);
    if (r.isSeparator) {
      FUZZ_CHECK(r.style == kButtonStyleSeparator && r.id == 0 && r.image == -1);
      continue;
    }
    FUZZ_CHECK(r.id == static_cast<int>(nextId++));
    FUZZ_CHECK(r.style & kButtonStyleAutoSize);
    FUZZ_CHECK(r.state & kButtonStateEnabled);
    FUZZ_CHECK(r.hasText == !r.text.empty());
    const std::string entry = entries[i];
    // The text is the entry's tail: the marks come off the front only.
    FUZZ_CHECK(!r.hasText ||
               entry.compare(entry.size() - r.text.size(), r.text.size(), r.text) == 0);
    if (i < images.size()) FUZZ_CHECK(r.image == images[i]);
  }
  return 0;
}
