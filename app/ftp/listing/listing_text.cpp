#include "app/ftp/listing/listing_text.h"

#include <array>

namespace listing {

namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

constexpr uint64_t kUnitsPerSecond = 10000000;
constexpr uint64_t kUnixEpochAsFileTime = 116444736000000000ull;

// Days from 1970-01-01 to the civil date (proleptic Gregorian).
int64_t DaysFromCivil(int64_t year, int month, int day) {
  year -= month <= 2;
  const int64_t era = (year >= 0 ? year : year - 399) / 400;
  const int64_t yoe = year - era * 400;
  const int64_t doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

int YearOfDays(int64_t days) {
  days += 719468;
  const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const int64_t doe = days - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  const int64_t month = mp < 10 ? mp + 3 : mp - 9;
  return static_cast<int>(yoe + era * 400 + (month <= 2));
}

bool LeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && LeapYear(year) ? 29 : kDays[month - 1];
}

struct MonthName {
  std::string_view text;  // lower case; bytes past ASCII as the server sends them
  int month;
};

// English first: nearly every listing uses it. Accented names come in UTF-8 and in Latin-1/2.
// clang-format off
constexpr MonthName kMonthNames[] = {
    {"jan", 1}, {"feb", 2}, {"mar", 3}, {"apr", 4}, {"may", 5}, {"jun", 6}, {"jul", 7},
    {"aug", 8}, {"sep", 9}, {"oct", 10}, {"nov", 11}, {"dec", 12},
    // English, German and Dutch full names and longer abbreviations
    {"january", 1}, {"february", 2}, {"march", 3}, {"april", 4}, {"june", 6}, {"july", 7},
    {"august", 8}, {"sept", 9}, {"september", 9}, {"october", 10}, {"november", 11},
    {"december", 12}, {"januar", 1}, {"februar", 2}, {"m\xc3\xa4rz", 3}, {"m\xe4rz", 3},
    {"juni", 6}, {"juli", 7}, {"oktober", 10}, {"dezember", 12},
    // German
    {"m\xc3\xa4r", 3}, {"m\xe4r", 3}, {"mrz", 3}, {"mai", 5}, {"okt", 10}, {"dez", 12},
    // French
    {"janv", 1}, {"f\xc3\xa9vr", 2}, {"f\xe9vr", 2}, {"fevr", 2}, {"mars", 3}, {"avr", 4},
    {"juin", 6}, {"juil", 7}, {"ao\xc3\xbbt", 8}, {"ao\xfbt", 8}, {"aout", 8}, {"aou", 8},
    {"d\xc3\xa9" "c", 12}, {"d\xe9" "c", 12},
    // Spanish, Italian, Portuguese, Dutch, Swedish
    {"ene", 1}, {"abr", 4}, {"ago", 8}, {"dic", 12}, {"gen", 1}, {"mag", 5}, {"giu", 6},
    {"lug", 7}, {"set", 9}, {"ott", 10}, {"fev", 2}, {"out", 10}, {"mrt", 3}, {"mei", 5},
    {"maj", 5},
    // Polish
    {"sty", 1}, {"lut", 2}, {"kwi", 4}, {"cze", 6}, {"lip", 7}, {"sie", 8}, {"wrz", 9},
    {"pa\xc5\xba", 10}, {"pa\xbc", 10}, {"lis", 11}, {"gru", 12},
    // Hungarian
    {"febr", 2}, {"m\xc3\xa1rc", 3}, {"m\xe1rc", 3}, {"\xc3\xa1pr", 4}, {"\xe1pr", 4},
    {"m\xc3\xa1j", 5}, {"m\xe1j", 5}, {"j\xc3\xban", 6}, {"j\xfan", 6}, {"j\xc3\xbal", 7},
    {"j\xfal", 7}, {"szept", 9},
    // Russian (UTF-8): янв фев мар апр май июн июл авг сен окт ноя дек
    {"\xd1\x8f\xd0\xbd\xd0\xb2", 1}, {"\xd1\x84\xd0\xb5\xd0\xb2", 2},
    {"\xd0\xbc\xd0\xb0\xd1\x80", 3}, {"\xd0\xb0\xd0\xbf\xd1\x80", 4},
    {"\xd0\xbc\xd0\xb0\xd0\xb9", 5}, {"\xd0\xb8\xd1\x8e\xd0\xbd", 6},
    {"\xd0\xb8\xd1\x8e\xd0\xbb", 7}, {"\xd0\xb0\xd0\xb2\xd0\xb3", 8},
    {"\xd1\x81\xd0\xb5\xd0\xbd", 9}, {"\xd0\xbe\xd0\xba\xd1\x82", 10},
    {"\xd0\xbd\xd0\xbe\xd1\x8f", 11}, {"\xd0\xb4\xd0\xb5\xd0\xba", 12},
};
// clang-format on

struct Mark {
  std::string_view bytes;
  DateMark mark;
};

// 年, 月, 日 in UTF-8, Shift_JIS, EUC-JP, GBK and Big5; 년, 월, 일 in UTF-8 and EUC-KR.
// clang-format off
constexpr Mark kMarks[] = {
    {"\xe5\xb9\xb4", DateMark::kYear},  {"\x94\x4e", DateMark::kYear},  {"\xc7\xaf", DateMark::kYear},
    {"\xc4\xea", DateMark::kYear},      {"\xa6\x7e", DateMark::kYear},  {"\xeb\x85\x84", DateMark::kYear},
    {"\xb3\xe2", DateMark::kYear},
    {"\xe6\x9c\x88", DateMark::kMonth}, {"\x8c\x8e", DateMark::kMonth}, {"\xb7\xee", DateMark::kMonth},
    {"\xd4\xc2", DateMark::kMonth},     {"\xa4\xeb", DateMark::kMonth}, {"\xec\x9b\x94", DateMark::kMonth},
    {"\xbf\xf9", DateMark::kMonth},
    {"\xe6\x97\xa5", DateMark::kDay},   {"\x93\xfa", DateMark::kDay},   {"\xc6\xfc", DateMark::kDay},
    {"\xc8\xd5", DateMark::kDay},       {"\xa4\xe9", DateMark::kDay},   {"\xec\x9d\xbc", DateMark::kDay},
    {"\xc0\xcf", DateMark::kDay},
};
// clang-format on

}  // namespace

Tokens::Tokens(std::string_view line) : line_(line) {
  size_t at = 0;
  while (count_ < kMostTokens) {
    while (at < line.size() && IsBlank(line[at])) ++at;
    if (at >= line.size()) break;
    const size_t start = at;
    while (at < line.size() && !IsBlank(line[at])) ++at;
    words_[count_] = line.substr(start, at - start);
    ends_[count_] = at;
    ++count_;
  }
}

std::string_view Tokens::AfterOneBlank(size_t i) const {
  const size_t at = ends_[i] + 1;
  return at <= line_.size() ? line_.substr(at) : std::string_view();
}

std::string_view Tokens::AfterBlanks(size_t i) const {
  size_t at = ends_[i];
  while (at < line_.size() && IsBlank(line_[at])) ++at;
  return line_.substr(at);
}

size_t Tokens::BlanksBefore(size_t i) const {
  size_t at = ends_[i] - words_[i].size();
  size_t blanks = 0;
  while (at > 0 && IsBlank(line_[at - 1])) {
    --at;
    ++blanks;
  }
  return blanks;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool AllDigits(std::string_view text) {
  if (text.empty()) return false;
  for (char c : text) {
    if (!IsDigit(c)) return false;
  }
  return true;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualNoCase(text.substr(0, prefix.size()), prefix);
}

std::string_view WithoutTrailing(std::string_view text, std::string_view marks) {
  if (!text.empty() && IsOneOf(text.back(), marks)) text.remove_suffix(1);
  return text;
}

bool ReadSmall(std::string_view text, int& value, size_t most) {
  uint64_t wide = 0;
  if (text.size() > most || text.size() > 9 || !ReadDecimal(text, wide)) return false;
  value = static_cast<int>(wide);
  return true;
}

bool ReadHex(std::string_view text, uint64_t& value) {
  if (text.empty() || text.size() > 16) return false;
  uint64_t result = 0;
  for (char c : text) {
    const char l = Lower(c);
    int digit = 0;
    if (IsDigit(l)) {
      digit = l - '0';
    } else if (l >= 'a' && l <= 'f') {
      digit = l - 'a' + 10;
    } else {
      return false;
    }
    result = result * 16 + static_cast<uint64_t>(digit);
  }
  value = result;
  return true;
}

bool ReadGroupedNumber(std::string_view text, uint64_t& value) {
  if (ReadDecimal(text, value)) return true;
  const size_t first = text.find_first_of(",.");
  if (first == 0 || first == std::string_view::npos || first > 3) return false;
  const char separator = text[first];
  uint64_t result = 0;
  if (!ReadDecimal(text.substr(0, first), result)) return false;
  // Every group after a separator holds exactly three digits.
  for (size_t at = first; at < text.size(); at += 4) {
    uint64_t group = 0;
    if (text[at] != separator || text.size() - at < 4 || !AllDigits(text.substr(at + 1, 3)) ||
        !ReadDecimal(text.substr(at + 1, 3), group) || result > (UINT64_MAX - group) / 1000) {
      return false;
    }
    result = result * 1000 + group;
  }
  value = result;
  return true;
}

bool ReadSizeWithUnit(std::string_view text, uint64_t& value) {
  if (text.size() < 2 || text.size() > 12) return false;
  const size_t power = std::string_view("bkmgt").find(Lower(text.back()));
  if (power == std::string_view::npos) return false;
  text.remove_suffix(1);
  const size_t point = text.find_first_of(".,");
  uint64_t whole = 0;
  uint64_t fraction = 0;
  uint64_t scale = 1;
  if (!ReadDecimal(text.substr(0, point), whole) || whole > 999999999) return false;
  if (point != std::string_view::npos) {
    const std::string_view tail = text.substr(point + 1);
    if (tail.empty() || tail.size() > 3 || !ReadDecimal(tail, fraction)) return false;
    for (size_t i = 0; i < tail.size(); ++i) scale *= 10;
  }
  uint64_t unit = 1;
  for (size_t i = 0; i < power; ++i) unit *= 1024;
  // (whole + fraction / scale) * unit, rounded; a size past 64 bits is no size ("16777216T"
  // would wrap to 0).
  const uint64_t part = (fraction * unit + scale / 2) / scale;
  if (whole > UINT64_MAX / unit || part > UINT64_MAX - whole * unit) return false;
  value = whole * unit + part;
  return true;
}

bool ReadClock(std::string_view text, int& hour, int& minute, int& second, char separator) {
  const size_t first = text.find(separator);
  if (first == std::string_view::npos || first == 0 || first > 2) return false;
  // "24:00" is the end of the day, as some servers write midnight; FileTimeOf takes it.
  if (!ReadSmall(text.substr(0, first), hour, 2) || hour > 24) return false;
  std::string_view rest = text.substr(first + 1);
  if (rest.size() < 2 || !ReadSmall(rest.substr(0, 2), minute, 2) || minute > 59) return false;
  rest.remove_prefix(2);
  second = 0;
  if (!rest.empty()) {
    if (rest[0] != separator || rest.size() < 3) return false;
    if (!ReadSmall(rest.substr(1, 2), second, 2) || second > 60) return false;
    rest.remove_prefix(3);
    if (!rest.empty() && (rest[0] != '.' || !AllDigits(rest.substr(1)))) return false;
  }
  return hour < 24 || (minute == 0 && second == 0);
}

int MonthOf(std::string_view word) {
  word = WithoutTrailing(WithoutTrailing(word, ","), ".");  // "Jan.," as German dates end
  // Most words asked about are numbers and user names: a first letter no month name has
  // settles them without going through the table.
  static const auto kFirstBytes = [] {
    std::array<bool, 256> first{};
    for (const MonthName& name : kMonthNames) {
      const unsigned char c = static_cast<unsigned char>(name.text[0]);
      first[c] = true;
      if (c >= 'a' && c <= 'z') first[c - 'a' + 'A'] = true;
    }
    return first;
  }();
  if (word.size() < 3 || word.size() > 9 || !kFirstBytes[static_cast<unsigned char>(word[0])]) {
    return 0;
  }
  for (const MonthName& name : kMonthNames) {
    if (EqualNoCase(word, name.text)) return name.month;
  }
  return 0;
}

bool SplitDate(std::string_view text, NumericDate& date) {
  size_t at = 0;
  date.separator = 0;
  for (int part = 0; part < 3; ++part) {
    const size_t start = at;
    while (at < text.size() && IsDigit(text[at])) ++at;
    date.digits[part] = at - start;
    if (!ReadSmall(text.substr(start, at - start), date.parts[part], 4)) return false;
    if (part == 2) break;
    if (at >= text.size()) return false;
    const char separator = text[at];
    if (separator != '-' && separator != '/' && separator != '.') return false;
    if (date.separator != 0 && separator != date.separator) return false;
    date.separator = separator;
    ++at;
  }
  // "2004.07.15." as Hungarian dates end.
  if (at + 1 == text.size() && text[at] == '.' && date.separator == '.') return true;
  return at == text.size();
}

int FullYear(int year, size_t digits) {
  if (digits == 4) return year;
  // Years since 1900, as C's struct tm counts them ("103" is 2003): OS/2 writes them so.
  if (digits == 3) return year >= 100 ? 1900 + year : 0;
  if (digits != 2) return 0;
  return year + (year < 70 ? 2000 : 1900);
}

bool ReadMarkedNumber(std::string_view& text, int& value, DateMark& mark) {
  size_t digits = 0;
  while (digits < text.size() && IsDigit(text[digits])) ++digits;
  if (!ReadSmall(text.substr(0, digits), value, 4)) return false;
  text.remove_prefix(digits);
  mark = DateMark::kNone;
  for (const Mark& m : kMarks) {
    if (text.substr(0, m.bytes.size()) == m.bytes) {
      mark = m.mark;
      text.remove_prefix(m.bytes.size());
      break;
    }
  }
  return true;
}

uint64_t FileTimeOf(int year, int month, int day, int hour, int minute, int second) {
  const bool endOfDay = hour == 24 && minute == 0 && second == 0;
  if (year < 1601 || year > 9999 || month < 1 || month > 12 || day < 1 ||
      day > DaysInMonth(year, month) || hour < 0 || (hour > 23 && !endOfDay) || minute < 0 ||
      minute > 59 || second < 0 || second > 60) {
    return 0;
  }
  const int64_t seconds =
      DaysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
  return FileTimeOfUnix(seconds);
}

uint64_t FileTimeOfUnix(int64_t seconds) {
  // Past 9999 the units would leave what a FILETIME of a find record means.
  const int64_t kLast = 253402300799;   // 9999-12-31 23:59:59
  const int64_t kFirst = -11644473600;  // 1601-01-01
  if (seconds < kFirst || seconds > kLast) return 0;
  const int64_t units =
      seconds * static_cast<int64_t>(kUnitsPerSecond) + static_cast<int64_t>(kUnixEpochAsFileTime);
  return units > 0 ? static_cast<uint64_t>(units) : 0;
}

ListingClock::ListingClock(int64_t now) : now_(now) {
  const int64_t days = now >= 0 ? now / 86400 : -((-now + 86399) / 86400);
  year_ = YearOfDays(days);
}

uint64_t ListingClock::WithoutYear(int month, int day, int hour, int minute, int second) const {
  const int64_t kDay = 86400;
  int year = year_;
  uint64_t time = FileTimeOf(year, month, day, hour, minute, second);
  // 29 February without a year: only a leap year has it, and ls shows the last months only.
  if (time == 0) time = FileTimeOf(--year, month, day, hour, minute, second);
  if (time == 0) return 0;
  const uint64_t limit = FileTimeOfUnix(now_ + kDay);
  if (limit != 0 && time > limit && year == year_) {
    time = FileTimeOf(year - 1, month, day, hour, minute, second);
  }
  return time;
}

}  // namespace listing
