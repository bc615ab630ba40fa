// The listings of Microsoft's servers (IIS, "DOS" form: "01-15-24  10:30AM  <DIR>  name") and of
// OS/2's ("     1234  A   12-18-01   19:18  name").
#include "app/ftp/listing/listing_families.h"

namespace listing {

namespace {

// "01-15-24", "01-15-2024", "2024-01-15", "15.01.2024", "01/15/2024".
bool ReadDosDate(std::string_view word, int& year, int& month, int& day) {
  NumericDate date;
  if (!SplitDate(word, date)) return false;
  if (date.digits[0] == 4) {
    year = date.parts[0];
    month = date.parts[1];
    day = date.parts[2];
  } else if (date.digits[0] <= 2 && date.digits[1] <= 2) {
    year = FullYear(date.parts[2], date.digits[2]);
    const bool dayFirst = date.separator == '.';
    month = date.parts[dayFirst ? 1 : 0];
    day = date.parts[dayFirst ? 0 : 1];
  } else {
    return false;
  }
  return PlausibleYear(year) && month >= 1 && month <= 12 && day >= 1 && day <= 31;
}

bool IsNoonMark(std::string_view word, bool& pm) {
  if (EqualNoCase(word, "AM")) {
    pm = false;
    return true;
  }
  if (EqualNoCase(word, "PM")) {
    pm = true;
    return true;
  }
  return false;
}

// "10:30AM", "10:30PM", "22:30", "10:30:15"; a separate "AM" / "PM" word is taken too.
bool ReadDosTime(const Tokens& words, size_t& at, int& hour, int& minute) {
  std::string_view time = words[at];
  bool pm = false;
  bool twelveHour = time.size() > 2 && IsNoonMark(time.substr(time.size() - 2), pm);
  if (twelveHour) time.remove_suffix(2);
  int second = 0;
  if (!ReadClock(time, hour, minute, second)) return false;
  if (!twelveHour && at + 1 < words.size() && IsNoonMark(words[at + 1], pm)) {
    twelveHour = true;
    ++at;
  }
  if (twelveHour) {
    if (hour < 1 || hour > 12) return false;
    hour = hour % 12 + (pm ? 12 : 0);
  }
  return true;
}

// OS/2's attribute words between the size and the date.
bool IsOs2Attributes(std::string_view word) {
  if (word == "DIR") return true;
  if (word.empty() || word.size() > 4) return false;
  for (char c : word) {
    if (!IsOneOf(c, "AHRS")) return false;
  }
  return true;
}

}  // namespace

LineKind ReadDosLine(std::string_view line, const ListingClock&, ListingEntry& entry, bool) {
  const Tokens words(line);
  int year = 0;
  int month = 0;
  int day = 0;
  int hour = 0;
  int minute = 0;
  size_t at = 1;
  if (words.size() < 4 || !ReadDosDate(words[0], year, month, day) ||
      !ReadDosTime(words, at, hour, minute) || ++at + 1 >= words.size()) {
    return LineKind::kNone;
  }
  bool folder = false;
  uint64_t size = 0;
  if (EqualNoCase(words[at], "<DIR>")) {
    folder = true;
  } else if (!ReadGroupedNumber(words[at], size)) {
    return LineKind::kNone;
  }
  SetEntry(entry, words.AfterBlanks(at), folder, size,
           FileTimeOf(year, month, day, hour, minute, 0));
  return LineKind::kEntry;
}

LineKind ReadOs2Line(std::string_view line, const ListingClock&, ListingEntry& entry, bool) {
  const Tokens words(line);
  uint64_t size = 0;
  if (words.size() < 4 || !ReadDecimal(words[0], size)) return LineKind::kNone;
  bool folder = false;
  size_t at = 1;
  while (at < 4 && at < words.size() && IsOs2Attributes(words[at])) {
    folder = folder || words[at] == "DIR";
    ++at;
  }
  NumericDate date;
  int hour = 0;
  int minute = 0;
  int second = 0;
  // The year has two digits, or three counted from 1900 ("04-23-103" is 2003).
  if (at + 2 >= words.size() || !SplitDate(words[at], date) || date.separator != '-' ||
      date.digits[0] != 2 || date.digits[1] != 2 || date.digits[2] < 2 || date.digits[2] > 3 ||
      !ReadClock(words[at + 1], hour, minute, second) || second != 0 || words[at + 1].size() != 5) {
    return LineKind::kNone;
  }
  const int year = FullYear(date.parts[2], date.digits[2]);
  const uint64_t modified = FileTimeOf(year, date.parts[0], date.parts[1], hour, minute, 0);
  if (modified == 0) return LineKind::kNone;
  SetEntry(entry, words.AfterBlanks(at + 1), folder, size, modified);
  return LineKind::kEntry;
}

}  // namespace listing
