// A listing of arbitrary bytes, fed in pieces of arbitrary sizes, cut into lines and read line
// by line (as MLSD and as LIST lines) and as a whole listing; a name taken must be one a find
// record can hold, and how the bytes were split must not change what is read.
#include "app/ftp/ftp_listing.h"
#include "tests/fuzz/fuzz_input.h"

namespace {

void CheckEntry(const ListingEntry& e) {
  FUZZ_CHECK(!e.name.empty());
  FUZZ_CHECK(e.name.size() <= kMostEntryName);
  FUZZ_CHECK(e.name.find_first_of(std::string("\r\n\0", 3)) == std::string::npos);
  FUZZ_CHECK(e.name != "." && e.name != "..");
  FUZZ_CHECK(!e.folder || e.size == 0);
  FUZZ_CHECK(MatchesPattern(e.name, "*.*"));
  FUZZ_CHECK(MatchesPattern(e.name, "*"));
  FUZZ_CHECK(MatchesPattern(e.name, e.name) || e.name.find_first_of("*?") != std::string::npos);
}

// A name is taken from the line, never made up: it stands in the line as it is, or (z/VM's
// "NAME TYPE" columns) as its two parts joined with a dot.
bool FromLine(std::string_view name, std::string_view line) {
  if (line.find(name) != std::string_view::npos) return true;
  const size_t dot = name.find('.');
  return dot != std::string_view::npos &&
         line.find(name.substr(0, dot)) != std::string_view::npos &&
         line.find(name.substr(dot + 1)) != std::string_view::npos;
}

void ReadLine(std::string_view line) {
  FUZZ_CHECK(line.size() <= kMostListingLine);
  FUZZ_CHECK(line.find('\n') == std::string_view::npos);
  ListingEntry mlsd;
  if (ParseMlsdLine(line, mlsd)) {
    CheckEntry(mlsd);
    FUZZ_CHECK(FromLine(mlsd.name, line));
  }
  ListingEntry list;
  if (ParseListLine(line, list)) {
    CheckEntry(list);
    FUZZ_CHECK(FromLine(list.name, line));
  }
}

bool Same(const ListingEntry& a, const ListingEntry& b) {
  return a.name == b.name && a.folder == b.folder && a.link == b.link && a.size == b.size &&
         a.modified == b.modified;
}

// Two "now"s: mid-year, and early in a year after a leap year (dates without a year reach back
// over New Year and 29 February).
constexpr int64_t kNows[2] = {1718452800, 1736942400};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput in(data, size);
  const uint8_t first = in.Byte();
  const size_t piece = 1 + first % 64;
  const int64_t now = kNows[(first >> 6) & 1];
  const bool mlsd = (first & 0x80) != 0;
  const std::string_view bytes = in.Rest();

  // The streaming reader fed in pieces, each line also read on its own.
  std::vector<std::string> lines;
  std::vector<ListingEntry> streamed;
  bool parentSeen = false;
  ListingLineReader reader;
  ListingParser parser(mlsd, now);
  auto keep = [&](const ListingEntry& e) {
    if (e.name == "..") {
      FUZZ_CHECK(e.folder && !parentSeen);
      parentSeen = true;
      return;
    }
    CheckEntry(e);
    streamed.push_back(e);
  };
  auto take = [&](std::string_view line) {
    ReadLine(line);
    lines.emplace_back(line);
    parser.Line(line, keep);
  };
  for (size_t at = 0; at < bytes.size(); at += piece) {
    const std::string_view part = bytes.substr(at, piece);
    reader.Feed(part.data(), part.size(), take);
  }
  reader.Finish(take);
  parser.End(keep);

  // How the bytes were split into pieces must not change the lines or the entries.
  std::vector<std::string> once;
  ListingLineReader single;
  single.Feed(bytes.data(), bytes.size(), [&](std::string_view line) { once.emplace_back(line); });
  single.Finish([&](std::string_view line) { once.emplace_back(line); });
  FUZZ_CHECK(once == lines);
  const std::vector<ListingEntry> whole = ParseListing(bytes, mlsd, now);
  FUZZ_CHECK(whole.size() == streamed.size());
  for (size_t i = 0; i < whole.size(); ++i) {
    CheckEntry(whole[i]);
    FUZZ_CHECK(Same(whole[i], streamed[i]));
  }

  // A name and a find pattern, cut at the first NUL: matching must end in reasonable time
  // however many stars the pattern holds.
  const size_t nul = bytes.find('\0');
  if (nul != std::string_view::npos) MatchesPattern(bytes.substr(0, nul), bytes.substr(nul + 1));
  return 0;
}
