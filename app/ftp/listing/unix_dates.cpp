// The date and time forms that ls writes in the locales seen on servers, and that servers
// imitating ls write: month names of many languages before or after the day, numeric months,
// the marks of Chinese, Japanese and Korean dates, ISO and other numeric dates.
#include <utility>

#include "app/ftp/listing/listing_families.h"

namespace listing {

namespace {

bool ReadDay(std::string_view word, int& day) {
  word = WithoutTrailing(word, ".,");
  return ReadSmall(word, day, 2) && day >= 1 && day <= 31;
}

// "2005", or "2005." / "2005," as some locales write it.
bool ReadYearWord(std::string_view word, int& year) {
  word = WithoutTrailing(word, ".,");
  return word.size() == 4 && ReadSmall(word, year, 4) && PlausibleYear(year);
}

// Whether a name follows word `at` (the clock time a stamp may end with must not be the name).
bool NameFollows(const Tokens& words, size_t at) {
  return at < words.size() && !words.AfterOneBlank(at).empty();
}

// An optional clock time at word `at`, taken only when a name follows it.
void OptionalClock(const Tokens& words, size_t at, Stamp& stamp) {
  if (at < words.size() && NameFollows(words, at) &&
      ReadClock(words[at], stamp.hour, stamp.minute, stamp.second)) {
    stamp.last = at;
  }
}

// The word after a day: a clock time (the year left out), or a year.
bool ReadTimeOrYear(const Tokens& words, size_t at, Stamp& stamp) {
  if (at >= words.size()) return false;
  stamp.last = at;
  if (ReadClock(words[at], stamp.hour, stamp.minute, stamp.second)) {
    stamp.year = 0;
    return true;
  }
  if (!ReadYearWord(words[at], stamp.year)) return false;
  // ls right-aligns a year in the five places of "HH:MM", so two blanks come before it and
  // the name after it. Servers that write the year and the time (VShell) leave one blank.
  if (words.BlanksBefore(at) == 1) OptionalClock(words, at + 1, stamp);
  return true;
}

// "Jan 01 10:00", "Jan  1  2020", "szept 20. 10:20", "Okt. 2 2005".
bool NamedMonthFirst(const Tokens& words, size_t at, Stamp& stamp) {
  if (at + 2 >= words.size()) return false;
  stamp.month = MonthOf(words[at]);
  return stamp.month != 0 && ReadDay(words[at + 1], stamp.day) &&
         ReadTimeOrYear(words, at + 2, stamp);
}

// "29 Jul 2005", "01 oct 10:20", "26. Juli, 20:43", "2.   Okt. 2005".
bool NamedDayFirst(const Tokens& words, size_t at, Stamp& stamp) {
  if (at + 2 >= words.size() || !ReadDay(words[at], stamp.day)) return false;
  stamp.month = MonthOf(words[at + 1]);
  return stamp.month != 0 && ReadTimeOrYear(words, at + 2, stamp);
}

// "2004. szept. 20." (Hungarian: year, month, day, each with its dot).
bool NamedYearFirst(const Tokens& words, size_t at, Stamp& stamp) {
  if (at + 2 >= words.size()) return false;
  const std::string_view year = words[at];
  if (year.size() != 5 || year.back() != '.' || !ReadYearWord(year, stamp.year)) return false;
  stamp.month = MonthOf(words[at + 1]);
  stamp.last = at + 2;
  return stamp.month != 0 && ReadDay(words[at + 2], stamp.day);
}

// A whole word of one number with an optional mark of the kind wanted; `marked` is set when
// the mark is there.
bool ReadMarkedWord(std::string_view word, DateMark wanted, int& value, bool& marked) {
  DateMark mark = DateMark::kNone;
  if (!ReadMarkedNumber(word, value, mark) || !word.empty()) return false;
  marked = marked || mark == wanted;
  return mark == DateMark::kNone || mark == wanted;
}

// "3 29 03:26", "3月 29日 03:26", "11月 5 2003", "3월 29일 2003".
bool NumericMonthFirst(const Tokens& words, size_t at, Stamp& stamp) {
  if (at + 2 >= words.size()) return false;
  bool marked = false;
  if (!ReadMarkedWord(words[at], DateMark::kMonth, stamp.month, marked) || stamp.month < 1 ||
      stamp.month > 12 || !ReadMarkedWord(words[at + 1], DateMark::kDay, stamp.day, marked) ||
      stamp.day < 1 || stamp.day > 31) {
    return false;
  }
  stamp.last = at + 2;
  stamp.bare = !marked;
  if (ReadClock(words[at + 2], stamp.hour, stamp.minute, stamp.second)) return true;
  return ReadMarkedWord(words[at + 2], DateMark::kYear, stamp.year, marked) &&
         PlausibleYear(stamp.year);
}

// "2003年11月5日", "2003年 11月 5日", "2003년 11월 5일", optionally with a clock time.
bool MarkedYearFirst(const Tokens& words, size_t at, Stamp& stamp) {
  const DateMark order[3] = {DateMark::kYear, DateMark::kMonth, DateMark::kDay};
  int* const fields[3] = {&stamp.year, &stamp.month, &stamp.day};
  size_t word = at;
  std::string_view text = words[word];
  for (int i = 0; i < 3; ++i) {
    if (text.empty()) {
      if (++word >= words.size()) return false;
      text = words[word];
    }
    DateMark mark = DateMark::kNone;
    if (!ReadMarkedNumber(text, *fields[i], mark) || mark != order[i]) return false;
  }
  if (!text.empty() || !PlausibleYear(stamp.year) || stamp.month < 1 || stamp.month > 12 ||
      stamp.day < 1 || stamp.day > 31) {
    return false;
  }
  stamp.last = word;
  OptionalClock(words, word + 1, stamp);
  return true;
}

// "+0200" after a full time stamp (ls --full-time).
void OptionalZone(const Tokens& words, size_t at, Stamp& stamp) {
  if (at >= words.size() || !NameFollows(words, at)) return;
  const std::string_view zone = words[at];
  int hours = 0;
  int minutes = 0;
  if (zone.size() != 5 || (zone[0] != '+' && zone[0] != '-') ||
      !ReadSmall(zone.substr(1, 2), hours, 2) || !ReadSmall(zone.substr(3, 2), minutes, 2) ||
      hours > 14 || minutes > 59) {
    return;
  }
  stamp.zoneMinutes = (zone[0] == '-' ? -1 : 1) * (hours * 60 + minutes);
  stamp.last = at;
}

// "2005-06-07 21:22", "2005-06-07 21:22:33.000000000 +0200", "2004.07.15", "1999/10/12",
// "24-04-2003" (day first with '-' and '.'), "10/12/1999" (month first with '/').
bool FullNumeric(const Tokens& words, size_t at, Stamp& stamp) {
  NumericDate date;
  if (!SplitDate(words[at], date)) return false;
  if (date.digits[0] == 4) {
    stamp.year = date.parts[0];
    stamp.month = date.parts[1];
    stamp.day = date.parts[2];
  } else if (date.digits[2] == 4) {
    stamp.year = date.parts[2];
    const bool monthFirst = date.separator == '/';
    stamp.month = date.parts[monthFirst ? 0 : 1];
    stamp.day = date.parts[monthFirst ? 1 : 0];
    if (stamp.month > 12 && stamp.day <= 12) std::swap(stamp.month, stamp.day);
  } else {
    return false;
  }
  if (!PlausibleYear(stamp.year) || stamp.month < 1 || stamp.month > 12 || stamp.day < 1 ||
      stamp.day > 31) {
    return false;
  }
  stamp.last = at;
  OptionalClock(words, at + 1, stamp);
  if (stamp.last == at + 1) OptionalZone(words, at + 2, stamp);
  stamp.padded = stamp.last == at;
  return true;
}

// "01-jun-99", "15-Sep-2003 10:22": day, month name and year between dashes, as VMS writes them.
bool DashedNamed(const Tokens& words, size_t at, Stamp& stamp) {
  if (!ReadDashedDate(words[at], stamp.year, stamp.month, stamp.day) || stamp.month == 0) {
    return false;
  }
  stamp.last = at;
  OptionalClock(words, at + 1, stamp);
  stamp.padded = stamp.last == at;
  return true;
}

// Seconds since 1970 in place of a date ("1119470400"), as some embedded servers write it:
// nine or ten digits between 1980 and 2100, so that no size or id is taken for one.
bool EpochSeconds(const Tokens& words, size_t at, Stamp& stamp) {
  const std::string_view word = words[at];
  uint64_t seconds = 0;
  if (word.size() < 9 || word.size() > 10 || !ReadDecimal(word, seconds) || seconds < 315532800 ||
      seconds > 4102444800) {
    return false;
  }
  stamp.epochSeconds = static_cast<int64_t>(seconds);
  stamp.last = at;
  stamp.bare = true;
  stamp.padded = true;
  return true;
}

// "09-26 2000", "09-26 13:45".
bool MonthDayNumeric(const Tokens& words, size_t at, Stamp& stamp) {
  const std::string_view word = words[at];
  const size_t dash = word.find('-');
  if (dash == std::string_view::npos || !ReadSmall(word.substr(0, dash), stamp.month, 2) ||
      !ReadSmall(word.substr(dash + 1), stamp.day, 2) || stamp.month < 1 || stamp.month > 12 ||
      stamp.day < 1 || stamp.day > 31) {
    return false;
  }
  stamp.bare = true;
  return ReadTimeOrYear(words, at + 1, stamp);
}

// A word of digits alone starts a numeric date only as a month (1 to 12, "3 29 03:26") or as
// a day of at most two digits ("29 Jul 2005"); the other forms need a separator or a mark in
// their first word. Most words tried are the link count, owner, group and size columns of
// every line, and this settles them without trying each form.
bool CanStartNumericDate(std::string_view word) {
  if (!AllDigits(word)) return true;
  int value = 0;
  if (!ReadSmall(word, value, 4)) return word.size() >= 9 && word.size() <= 10;  // seconds
  return (value >= 1 && value <= 12) || (word.size() <= 2 && value >= 1 && value <= 31);
}

}  // namespace

bool PlausibleYear(int year) { return year >= 1900 && year <= 2199; }

bool ReadDashedDate(std::string_view word, int& year, int& month, int& day) {
  const size_t first = word.find('-');
  const size_t second = word.rfind('-');
  if (first == std::string_view::npos || second == first) return false;
  const std::string_view monthText = word.substr(first + 1, second - first - 1);
  const std::string_view yearText = word.substr(second + 1);
  month = MonthOf(monthText);
  // French VMS servers cut "juin" and "juillet" alike to "JUI": the day is known, the month not.
  if (month == 0 && !EqualNoCase(monthText, "jui")) return false;
  if (!ReadSmall(word.substr(0, first), day, 2) || day < 1 || day > 31 ||
      !ReadSmall(yearText, year, 4)) {
    return false;
  }
  year = FullYear(year, yearText.size());
  return PlausibleYear(year);
}

bool ReadMonthFirstStamp(const Tokens& words, size_t first, Stamp& stamp) {
  stamp = Stamp();
  return first < words.size() && NamedMonthFirst(words, first, stamp);
}

bool ReadUnixStamp(const Tokens& words, size_t first, Stamp& stamp) {
  if (first >= words.size()) return false;
  using Form = bool (*)(const Tokens&, size_t, Stamp&);
  static constexpr Form kNumericForms[] = {FullNumeric,     MonthDayNumeric, NumericMonthFirst,
                                           MarkedYearFirst, NamedDayFirst,   NamedYearFirst,
                                           DashedNamed,     EpochSeconds};
  if (!IsDigit(words[first][0])) return ReadMonthFirstStamp(words, first, stamp);
  if (!CanStartNumericDate(words[first])) return false;
  for (Form form : kNumericForms) {
    stamp = Stamp();
    if (form(words, first, stamp)) return true;
  }
  return false;
}

uint64_t StampTime(const Stamp& stamp, const ListingClock& clock) {
  if (stamp.epochSeconds >= 0) return FileTimeOfUnix(stamp.epochSeconds);
  const uint64_t time =
      stamp.year == 0
          ? clock.WithoutYear(stamp.month, stamp.day, stamp.hour, stamp.minute, stamp.second)
          : FileTimeOf(stamp.year, stamp.month, stamp.day, stamp.hour, stamp.minute, stamp.second);
  const int64_t zone = static_cast<int64_t>(stamp.zoneMinutes) * 60 * 10000000;
  if (time == 0 || static_cast<int64_t>(time) - zone <= 0) return time;
  return static_cast<uint64_t>(static_cast<int64_t>(time) - zone);
}

}  // namespace listing
