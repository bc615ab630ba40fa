// A listing of arbitrary bytes, fed in pieces of arbitrary sizes, cut into lines and read line
// by line (as MLSD and as LIST lines) and as a whole listing; a name taken must be one a find
// record can hold, taken from the bytes as they stand, never one that another family would read
// differently; a line left out is counted; how the bytes were split must not change what is read.
#include "app/ftp/ftp_listing.h"
#include "app/ftp/listing/listing_families.h"
#include "tests/fuzz/fuzz_input.h"

namespace {

using listing::LineKind;

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

bool IsRead(LineKind kind) {
  return kind == LineKind::kEntry || kind == LineKind::kWeak || kind == LineKind::kNameOnly;
}

// A date no ls writes, after which a server pads as it likes: "2004.07.15", "1999/10/12",
// "24-04-2003", "01-jun-99", or nine or ten digits of seconds.
bool IsPaddedDate(std::string_view word) {
  if (word.size() >= 9 && word.size() <= 10 && listing::AllDigits(word)) return true;
  size_t separators = 0;
  bool digits = false;
  for (char c : word) {
    if (c == '.' || c == '-' || c == '/') {
      ++separators;
    } else if (IsDigit(c)) {
      digits = true;
    } else if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))) {
      return false;
    }
  }
  return digits && separators == 2 && word.back() != '.';
}

// Blanks that pad a column are no part of a name: only ls's own single blank after a date may
// be followed by a name that starts with a blank, and only a Unix or MLSD name (EPLF's follows
// a tab) may start with one at all.
void CheckLeadingBlanks(int family, std::string_view name, std::string_view line) {
  if (name.empty() || !listing::IsBlank(name[0])) return;
  FUZZ_CHECK(family == listing::kUnix || family == listing::kMlsd || family == listing::kEplf);
  if (family != listing::kUnix) return;
  const size_t at = line.rfind(name);
  if (at == std::string_view::npos || at < 2 || !listing::IsBlank(line[at - 1])) return;
  size_t start = at - 1;  // the separator blank
  while (start > 0 && !listing::IsBlank(line[start - 1])) --start;
  FUZZ_CHECK(!IsPaddedDate(line.substr(start, at - 1 - start)));
}

// Every family's reading of one line: a name is delivered for a listing of that line alone only
// when no family that reads it as surely gives another name; a line some family reads with a
// name a find record can hold is delivered or counted, never dropped in silence.
void CheckAgainstFamilies(std::string_view line, int64_t now) {
  // A listing strips one more CR from a line's end than the readers see.
  if (!line.empty() && line.back() == '\r') return;
  const listing::ListingClock clock(now);
  ListingEntry reading;
  int sure = 0;
  bool readable = false;
  std::string sureName;
  std::string weakName;
  bool sureAgree = true;
  bool weakAgree = true;
  for (int family = listing::kUnix; family < listing::kFamilyCount; ++family) {
    const LineKind kind = listing::ReaderOf(family)(line, clock, reading, false);
    if (!IsRead(kind)) continue;
    CheckLeadingBlanks(family, reading.name, line);
    readable = readable || (!reading.name.empty() && reading.name != "." && reading.name != "..");
    const bool isSure = kind != LineKind::kWeak;
    std::string& name = isSure ? sureName : weakName;
    bool& agree = isSure ? sureAgree : weakAgree;
    if (isSure && sure++ == 0) {
      name = reading.name;
    } else if (!isSure && weakName.empty() && weakAgree) {
      name = reading.name;
    } else if (name != reading.name) {
      agree = false;
    }
  }
  size_t unread = 0;
  const std::vector<ListingEntry> alone = ParseListing(line, false, now, &unread);
  FUZZ_CHECK(alone.size() <= 1);
  FUZZ_CHECK(unread <= 1);
  if (!alone.empty()) {
    FUZZ_CHECK(sure == 1 || (sure > 1 ? sureAgree : weakAgree));
    if (sure == 1) FUZZ_CHECK(alone[0].name == sureName);
  }
  if (readable && line.size() <= kMostListingLine) FUZZ_CHECK(alone.size() + unread >= 1);
}

void ReadLine(std::string_view line, int64_t now) {
  FUZZ_CHECK(line.size() <= kMostListingLine);
  FUZZ_CHECK(line.find('\n') == std::string_view::npos);
  ListingEntry mlsd;
  if (ParseMlsdLine(line, mlsd)) {
    CheckEntry(mlsd);
    FUZZ_CHECK(FromLine(mlsd.name, line));
    CheckLeadingBlanks(listing::kMlsd, mlsd.name, line);
  }
  ListingEntry list;
  if (ParseListLine(line, list)) {
    CheckEntry(list);
    FUZZ_CHECK(FromLine(list.name, line));
  }
  CheckAgainstFamilies(line, now);
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
    ReadLine(line, now);
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
  FUZZ_CHECK(single.Dropped() == reader.Dropped());
  size_t unread = 0;
  const std::vector<ListingEntry> whole = ParseListing(bytes, mlsd, now, &unread);
  FUZZ_CHECK(whole.size() == streamed.size());
  FUZZ_CHECK(unread == parser.Unread() + reader.Dropped());
  FUZZ_CHECK(whole.size() + parser.Unread() <= lines.size());
  // Every name of the whole listing stands in the listing's lines.
  std::string all;
  for (const std::string& line : lines) all += line + '\n';
  for (size_t i = 0; i < whole.size(); ++i) {
    CheckEntry(whole[i]);
    FUZZ_CHECK(Same(whole[i], streamed[i]));
    FUZZ_CHECK(FromLine(whole[i].name, all));
  }

  // A name and a find pattern, cut at the first NUL: matching must end in reasonable time
  // however many stars the pattern holds.
  const size_t nul = bytes.find('\0');
  if (nul != std::string_view::npos) MatchesPattern(bytes.substr(0, nul), bytes.substr(nul + 1));
  return 0;
}
