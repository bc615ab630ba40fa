// OpenVMS listings (DIRECTORY/SIZE/DATE/OWNER/PROTECTION as VMS FTP servers send it):
//   Directory DISK$USER:[JOHN]
//   LOGIN.COM;3          2/4     12-MAR-2004 10:20:30  [STAFF,JOHN]  (RWED,RWED,RE,)
//   A_VERY_LONG_FILE_NAME.TEXT;1
//                        12/16   29-JAN-2004 10:20:30.45  [STAFF,JOHN]  (RWED,RWED,RE,)
// A name too long for its column stands alone and its details follow on the next line.
//
// Files keep their ";version": "RETR NAME.EXT;2" fetches exactly the version listed, where the
// bare name would fetch the newest one, so two versions listed never fetch the same file.
// Folders ("NAME.DIR;1") are shown as NAME: servers take "CWD NAME", not "CWD NAME.DIR;1".
// Sizes are in 512-byte blocks, so the size shown is the used blocks times 512.
#include "app/ftp/listing/listing_families.h"

namespace listing {

namespace {

constexpr uint64_t kBlockBytes = 512;

// "12-MAR-2004", "03-Sep-03": day, month name and year between dashes.
bool ReadDayMonthYear(std::string_view word, int& year, int& month, int& day) {
  const size_t first = word.find('-');
  const size_t second = word.rfind('-');
  if (first == std::string_view::npos || second == first) return false;
  month = MonthOf(word.substr(first + 1, second - first - 1));
  const std::string_view yearText = word.substr(second + 1);
  if (month == 0 || !ReadSmall(word.substr(0, first), day, 2) || day < 1 ||
      !ReadSmall(yearText, year, 4)) {
    return false;
  }
  year = FullYear(year, yearText.size());
  return PlausibleYear(year);
}

// "NAME.EXT;12" (ODS-2, or ODS-5 with its ^ escapes): a dot before a numeric version.
bool ReadVmsName(std::string_view word, std::string_view& name, bool& folder) {
  const size_t semicolon = word.rfind(';');
  if (semicolon == std::string_view::npos || semicolon + 6 < word.size() ||
      !AllDigits(word.substr(semicolon + 1))) {
    return false;
  }
  const std::string_view base = word.substr(0, semicolon);
  // Directory and device syntax, or a Unix path: not one file's name.
  if (base.find('.') == std::string_view::npos ||
      base.find_first_of("[]<>:/\\") != std::string_view::npos) {
    return false;
  }
  folder = base.size() > 4 && EqualNoCase(base.substr(base.size() - 4), ".DIR");
  name = folder ? base.substr(0, base.size() - 4) : word;
  return true;
}

// The details after a name, from word `at`: "used[/allocated] date time [owner] [(protection)]".
bool ReadDetails(const Tokens& words, size_t at, ListingEntry& entry) {
  if (at + 2 >= words.size()) return false;
  const std::string_view blocks = words[at];
  const size_t slash = blocks.find('/');
  uint64_t used = 0;
  uint64_t allocated = 0;
  if (!ReadDecimal(blocks.substr(0, slash), used) || used > UINT64_MAX / kBlockBytes ||
      (slash != std::string_view::npos && !ReadDecimal(blocks.substr(slash + 1), allocated))) {
    return false;
  }
  uint64_t modified = 0;
  if (!ReadDashedDateTime(words[at + 1], words[at + 2], modified)) return false;
  for (size_t i = at + 3; i < words.size(); ++i) {
    const char open = words[i].front();
    const char close = words[i].back();
    if (!(open == '[' && close == ']') && !(open == '(' && close == ')')) return false;
  }
  entry.size = entry.folder ? 0 : used * kBlockBytes;
  entry.modified = modified;
  return true;
}

}  // namespace

bool ReadDashedDateTime(std::string_view date, std::string_view time, uint64_t& modified) {
  Stamp s;
  if (!ReadDayMonthYear(date, s.year, s.month, s.day) ||
      !ReadClock(time, s.hour, s.minute, s.second)) {
    return false;
  }
  modified = FileTimeOf(s.year, s.month, s.day, s.hour, s.minute, s.second);
  return true;
}

LineKind ReadVmsLine(std::string_view line, const ListingClock&, ListingEntry& entry, bool) {
  const Tokens words(line);
  if (words.size() == 2 && words[0] == "Directory" &&
      words[1].find_first_of("[:") != std::string_view::npos) {
    return LineKind::kHeader;
  }
  std::string_view name;
  bool folder = false;
  if (words.size() == 0 || !ReadVmsName(words[0], name, folder)) return LineKind::kNone;
  SetEntry(entry, name, folder, 0, 0);
  if (words.size() == 1) return LineKind::kNameOnly;
  // "NAME.EXT;1  %RMS-E-PRV, insufficient privilege": listed, but its details are not readable.
  if (words[1].front() == '%') return LineKind::kEntry;
  return ReadDetails(words, 1, entry) ? LineKind::kEntry : LineKind::kNone;
}

bool ReadVmsDetails(std::string_view line, const ListingClock&, ListingEntry& entry) {
  const Tokens words(line);
  return ReadDetails(words, 0, entry);
}

}  // namespace listing
