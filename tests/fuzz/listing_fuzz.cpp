// A listing of arbitrary bytes, fed in pieces of arbitrary sizes, cut into lines and read as
// MLSD and as LIST lines; a name taken must be one a find record can hold.
#include "app/ftp/ftp_listing.h"
#include "tests/fuzz/fuzz_input.h"

namespace {

void CheckEntry(const ListingEntry& e) {
  FUZZ_CHECK(!e.name.empty());
  FUZZ_CHECK(e.name.size() <= kMostEntryName);
  FUZZ_CHECK(e.name.find_first_of(std::string("\r\n\0", 3)) == std::string::npos);
  FUZZ_CHECK(e.name != "." && e.name != "..");
  FUZZ_CHECK(MatchesPattern(e.name, "*.*"));
  FUZZ_CHECK(MatchesPattern(e.name, "*"));
  FUZZ_CHECK(MatchesPattern(e.name, e.name) || e.name.find_first_of("*?") != std::string::npos);
}

void ReadLine(std::string_view line) {
  FUZZ_CHECK(line.size() <= kMostListingLine);
  FUZZ_CHECK(line.find('\n') == std::string_view::npos);
  ListingEntry mlsd;
  if (ParseMlsdLine(line, mlsd)) CheckEntry(mlsd);
  ListingEntry list;
  if (ParseListLine(line, list)) CheckEntry(list);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput in(data, size);
  const size_t piece = 1 + in.Byte() % 64;
  const std::string_view bytes = in.Rest();

  std::vector<std::string> whole;
  ListingLineReader reader;
  for (size_t at = 0; at < bytes.size(); at += piece) {
    const std::string_view part = bytes.substr(at, piece);
    reader.Feed(part.data(), part.size(), [&](std::string_view line) {
      ReadLine(line);
      whole.emplace_back(line);
    });
  }
  reader.Finish([&](std::string_view line) {
    ReadLine(line);
    whole.emplace_back(line);
  });

  // How the bytes were split into pieces must not change the lines.
  std::vector<std::string> once;
  ListingLineReader single;
  single.Feed(bytes.data(), bytes.size(), [&](std::string_view line) { once.emplace_back(line); });
  single.Finish([&](std::string_view line) { once.emplace_back(line); });
  FUZZ_CHECK(once == whole);

  // A name and a find pattern, cut at the first NUL: matching must end in reasonable time
  // however many stars the pattern holds.
  const size_t nul = bytes.find('\0');
  if (nul != std::string_view::npos) MatchesPattern(bytes.substr(0, nul), bytes.substr(nul + 1));
  return 0;
}
