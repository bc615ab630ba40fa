// The pieces every listing family is read with: blank-separated words, numbers that never
// overflow, sizes with units, clock times, month names in the languages servers use, dates as
// FILETIME units, and the year rule for dates written without a year.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "app/ftp/ftp_text.h"

namespace listing {

using ::EqualNoCase;
using ::IsDigit;
using ::ReadDecimal;

// Words looked at per line; what follows the last one is part of a name.
constexpr size_t kMostTokens = 16;

// The words of a line, split at blanks and tabs, with their places in the line.
class Tokens {
 public:
  explicit Tokens(std::string_view line);
  size_t size() const { return count_; }
  std::string_view operator[](size_t i) const { return words_[i]; }
  // The line after word i and the one blank or tab that follows it ("" when there is none).
  std::string_view AfterOneBlank(size_t i) const;
  // The line after word i and every blank that follows it.
  std::string_view AfterBlanks(size_t i) const;
  // The number of blanks and tabs just before word i.
  size_t BlanksBefore(size_t i) const;

 private:
  std::string_view line_;
  std::string_view words_[kMostTokens];
  size_t ends_[kMostTokens];
  size_t count_ = 0;
};

bool IsBlank(char c);
bool AllDigits(std::string_view text);
bool StartsWithNoCase(std::string_view text, std::string_view prefix);
// The text without one trailing character out of `marks`.
std::string_view WithoutTrailing(std::string_view text, std::string_view marks);

// Decimal digits only, at most `most` of them.
bool ReadSmall(std::string_view text, int& value, size_t most = 4);
bool ReadHex(std::string_view text, uint64_t& value);
// "1234", "1,234,567" or "1.234.567": separators only between groups of three digits.
bool ReadGroupedNumber(std::string_view text, uint64_t& value);
// "33.5k", "12K", "1,5M", "3G", "100B": what `ls -h` writes, as bytes rounded to the nearest.
bool ReadSizeWithUnit(std::string_view text, uint64_t& value);

// "9:05", "09:05", "09:05:07" or "09:05:07.25" (the fraction is dropped); `separator` may be ':'
// or '.' (some servers use the dot). "24:00" is read as hour 24: the end of the day.
bool ReadClock(std::string_view text, int& hour, int& minute, int& second, char separator = ':');

// 1 to 12 for a month name or abbreviation in any of the languages `ls` is run in (English,
// German, French, Spanish, Italian, Dutch, Portuguese, Swedish, Polish, Hungarian, Russian), in
// any case of ASCII letters, with or without a trailing '.' or ','; 0 for anything else.
int MonthOf(std::string_view word);

// Three numbers split by one kind of separator out of "-/.": "2005-06-07", "15.07.2004".
struct NumericDate {
  int parts[3] = {0, 0, 0};
  size_t digits[3] = {0, 0, 0};
  char separator = 0;
};
bool SplitDate(std::string_view text, NumericDate& date);
// A two-digit year as a four-digit one (70-99: 1900s, else 2000s); a three-digit one counts
// from 1900 ("103": 2003); 0 for any other width.
int FullYear(int year, size_t digits);

// The date marks of Chinese, Japanese and Korean listings after a number ("3月", "29日",
// "2003年"), in UTF-8 and in the legacy code pages (Shift_JIS, EUC-JP, GBK, Big5, EUC-KR).
enum class DateMark { kNone, kYear, kMonth, kDay };
// Reads digits and the mark after them off the front of `text`; false when it starts with no digit.
bool ReadMarkedNumber(std::string_view& text, int& value, DateMark& mark);

// FILETIME units (100 ns since 1601-01-01 UTC) of a civil date and time; 0 (unknown) for a date
// that does not exist (31 June, 29 February of a common year) or lies outside 1601 to 9999.
// Hour 24 (with no minutes or seconds) is midnight at the end of the day.
uint64_t FileTimeOf(int year, int month, int day, int hour, int minute, int second);
uint64_t FileTimeOfUnix(int64_t seconds);

// The current time, read once per listing by the caller, and the year rule derived from it.
class ListingClock {
 public:
  explicit ListingClock(int64_t now);
  // A date written without a year (ls: the last six months): this year's, unless that lies
  // more than a day ahead of now, then last year's.
  uint64_t WithoutYear(int month, int day, int hour, int minute, int second) const;
  int64_t now() const { return now_; }

 private:
  int64_t now_;
  int year_;
};

}  // namespace listing
