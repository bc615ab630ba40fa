// ls -l lines and what servers make of them: "mode links owner group size date name", with
// columns missing or added (no links, no owner, no group, a domain column, NetPresenz's fork
// sizes), the group (or owner) run into the size, sizes with units, any date form of
// ReadUnixStamp (seconds since 1970 among them), and lines without a date; NetWare's
// "d [RWCEAFMS] owner size date name" is a close relative.
#include "app/ftp/listing/listing_families.h"

namespace listing {

namespace {

enum class Kind { kFile, kFolder, kLink, kOther };

Kind KindOf(char type) {
  switch (type) {
    case '-':
      return Kind::kFile;
    case 'd':
      return Kind::kFolder;
    case 'l':
      return Kind::kLink;
    default:
      return Kind::kOther;
  }
}

bool IsOctal(std::string_view text) {
  if (text.empty()) return false;
  for (char c : text) {
    if (c < '0' || c > '7') return false;
  }
  return true;
}

// "drwxr-xr-x", "-rw-r--r--+", "lrwxrwxrwx@"; or numeric: a type letter and octal permissions
// ("d755", "-0644"), or the whole octal mode word of stat ("100644", "040755", "120777").
bool ReadMode(std::string_view mode, Kind& kind) {
  if (mode.size() >= 10 && mode.size() <= 11) {
    if (!IsOneOf(mode[0], "-dlbcpsDn")) return false;
    for (size_t i = 1; i < 10; ++i) {
      if (!IsOneOf(mode[i], "-rwxsStTlL")) return false;
    }
    if (mode.size() == 11 && !IsOneOf(mode[10], "+@.")) {
      return false;
    }
    kind = KindOf(mode[0]);
    return true;
  }
  if ((mode.size() == 4 || mode.size() == 5) &&
      (mode[0] == '-' || mode[0] == 'd' || mode[0] == 'l') && IsOctal(mode.substr(1))) {
    kind = KindOf(mode[0]);
    return true;
  }
  if ((mode.size() == 5 || mode.size() == 6) && IsOctal(mode)) {
    uint64_t bits = 0;
    for (char c : mode) bits = bits * 8 + static_cast<uint64_t>(c - '0');
    switch (bits >> 12) {  // the file type bits of st_mode
      case 004:
        kind = Kind::kFolder;
        return true;
      case 010:
        kind = Kind::kFile;
        return true;
      case 012:
        kind = Kind::kLink;
        return true;
      case 001:
      case 002:
      case 006:
      case 014:
        kind = Kind::kOther;
        return true;
      default:
        return false;
    }
  }
  return false;
}

bool ReadSizeWord(std::string_view word, uint64_t& size) {
  return ReadDecimal(word, size) || ReadSizeWithUnit(word, size);
}

// A device's "major, minor" before the date: no size there.
bool CommaBefore(const Tokens& words, size_t at) {
  for (size_t i = 1; i < at; ++i) {
    if (words[i].back() == ',') return true;
  }
  return false;
}

// "group12345": a long group name and the size written without a blank between them.
bool ReadRunInSize(std::string_view word, uint64_t& size) {
  size_t digits = word.size();
  while (digits > 0 && IsDigit(word[digits - 1])) --digits;
  return digits > 0 && digits < word.size() && ReadDecimal(word.substr(digits), size);
}

}  // namespace

LineKind ReadUnixLine(std::string_view line, const ListingClock& clock, ListingEntry& entry, bool) {
  const Tokens words(line);
  Kind kind = Kind::kFile;
  if (words.size() < 4 || !ReadMode(words[0], kind)) return LineKind::kNone;

  // The size is the word before the date; which column that is depends on the server. Every
  // column a size could stand in is tried: two readings that disagree mean the line is unsure,
  // unless only one of them has a date that is more than bare numbers (the other would start
  // the name with that date).
  static constexpr size_t kSizeColumns[] = {4, 3, 5, 2, 1};
  struct Reading {
    Stamp stamp;
    uint64_t size = 0;
    int count = 0;
  };
  Reading readings[2];  // [0] dates with a month name, marks or a full year; [1] bare numbers
  for (size_t at : kSizeColumns) {
    uint64_t columnSize = 0;
    Stamp columnStamp;
    if (at + 1 >= words.size() || !ReadSizeWord(words[at], columnSize) || CommaBefore(words, at) ||
        !ReadUnixStamp(words, at + 1, columnStamp)) {
      continue;
    }
    Reading& reading = readings[columnStamp.bare ? 1 : 0];
    if (reading.count > 0 && reading.stamp.last == columnStamp.last) continue;
    if (reading.count++ == 0) {
      reading.stamp = columnStamp;
      reading.size = columnSize;
    }
  }
  if (readings[0].count > 1 || (readings[0].count == 0 && readings[1].count > 1)) {
    return LineKind::kUnsure;
  }
  const Reading& chosen = readings[readings[0].count == 1 ? 0 : 1];
  Stamp stamp = chosen.stamp;
  uint64_t size = chosen.size;
  bool found = chosen.count == 1;
  // The group (or, without a link count, the owner's) column run into the size.
  for (size_t at : {size_t{3}, size_t{2}}) {
    if (found || at + 1 >= words.size()) continue;
    found = !CommaBefore(words, at) && ReadRunInSize(words[at], size) &&
            ReadUnixStamp(words, at + 1, stamp);
  }

  std::string_view name;
  uint64_t modified = 0;
  if (found) {
    // ls writes one blank after its date; a date no ls writes may be padded with more.
    name = stamp.padded ? words.AfterBlanks(stamp.last) : words.AfterOneBlank(stamp.last);
    modified = StampTime(stamp, clock);
  } else {
    // "mode links owner group size name": no date at all. Only taken when nothing after the
    // size looks like the start of a date this reader does not know.
    if (words.size() < 6 || !AllDigits(words[1]) || !ReadDecimal(words[4], size) ||
        CommaBefore(words, 4) || IsDigit(words[5][0]) || MonthOf(words[5]) != 0 ||
        (words.size() > 6 && IsDigit(words[6][0]))) {
      // The mode says it is an entry, but which words are its name is not sure.
      return LineKind::kUnsure;
    }
    name = words.AfterBlanks(4);
  }
  if (kind == Kind::kLink) {
    const size_t arrow = name.find(" -> ");
    if (arrow != std::string_view::npos) name = name.substr(0, arrow);
  }
  SetEntry(entry, name, kind == Kind::kFolder, size, modified);
  entry.link = kind == Kind::kLink;
  return LineKind::kEntry;
}

// "d [R----F--] supervisor            512       Jan 16 18:53    login".
LineKind ReadNetWareLine(std::string_view line, const ListingClock& clock, ListingEntry& entry,
                         bool) {
  const Tokens words(line);
  if (words.size() < 8 || words[0].size() != 1 || (words[0][0] != 'd' && words[0][0] != '-')) {
    return LineKind::kNone;
  }
  const std::string_view rights = words[1];
  if (rights.size() < 3 || rights.front() != '[' || rights.back() != ']') return LineKind::kNone;
  uint64_t size = 0;
  Stamp stamp;
  if (!ReadDecimal(words[3], size) || !ReadMonthFirstStamp(words, 4, stamp)) {
    return LineKind::kNone;
  }
  SetEntry(entry, words.AfterBlanks(stamp.last), words[0][0] == 'd', size, StampTime(stamp, clock));
  return LineKind::kEntry;
}

}  // namespace listing
