#include "app/ftp/ftp_listing.h"

#include <cctype>
#include <ctime>
#include <vector>

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

char Upper(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (Upper(a[i]) != Upper(b[i])) return false;
  }
  return true;
}

// Whole text of decimal digits, no overflow.
bool ReadSize(std::string_view text, uint64_t& value) {
  if (text.empty() || text.size() > 20) return false;
  uint64_t result = 0;
  for (char c : text) {
    if (!IsDigit(c)) return false;
    const uint64_t digit = static_cast<uint64_t>(c - '0');
    if (result > (UINT64_MAX - digit) / 10) return false;
    result = result * 10 + digit;
  }
  value = result;
  return true;
}

bool ReadSmall(std::string_view text, int& value) {
  uint64_t wide = 0;
  if (text.size() > 4 || !ReadSize(text, wide)) return false;
  value = static_cast<int>(wide);
  return true;
}

// A name a find record can carry and a later command can name.
bool AcceptableName(std::string_view name) {
  if (name.empty() || name.size() > kMostEntryName) return false;
  if (name == "." || name == "..") return false;
  return name.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

// What a parse looks for: an entry the find returns, or the server's own ".." entry.
enum class Want { kEntry, kParent };

bool NameFits(std::string_view name, Want want) {
  return want == Want::kParent ? name == ".." : AcceptableName(name);
}

// Days from 1970-01-01 to the civil date (proleptic Gregorian).
int64_t DaysFromCivil(int year, int month, int day) {
  year -= month <= 2;
  const int64_t era = (year >= 0 ? year : year - 399) / 400;
  const int64_t yoe = year - era * 400;
  const int64_t doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

constexpr uint64_t kUnixEpochAsFileTime = 116444736000000000ull;

// 0 (unknown) for a date out of range, so a hostile value never wraps.
uint64_t FileTimeOf(int year, int month, int day, int hour, int minute, int second) {
  if (year < 1601 || year > 9999 || month < 1 || month > 12 || day < 1 || day > 31 || hour < 0 ||
      hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 60) {
    return 0;
  }
  const int64_t seconds =
      DaysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
  const int64_t units = seconds * 10000000 + static_cast<int64_t>(kUnixEpochAsFileTime);
  return units > 0 ? static_cast<uint64_t>(units) : 0;
}

int MonthOf(std::string_view token) {
  static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  for (int i = 0; i < 12; ++i) {
    if (EqualNoCase(token, kMonths[i])) return i + 1;
  }
  return 0;
}

struct Token {
  std::string_view text;
  size_t end;  // offset just past the token in the line
};

// The first `most` blank-separated tokens of the line.
std::vector<Token> Tokens(std::string_view line, size_t most) {
  std::vector<Token> tokens;
  size_t at = 0;
  while (tokens.size() < most) {
    while (at < line.size() && (line[at] == ' ' || line[at] == '\t')) ++at;
    if (at >= line.size()) break;
    const size_t start = at;
    while (at < line.size() && line[at] != ' ' && line[at] != '\t') ++at;
    tokens.push_back({line.substr(start, at - start), at});
  }
  return tokens;
}

// "drwxr-xr-x", "-rw-r--r--+", "lrwxrwxrwx@": a file type letter and nine permission letters.
bool IsUnixMode(std::string_view mode) {
  if (mode.size() < 10 || mode.size() > 11) return false;
  if (std::string_view("-dlbcpsD").find(mode[0]) == std::string_view::npos) return false;
  for (size_t i = 1; i < 10; ++i) {
    if (std::string_view("-rwxsStTlL").find(mode[i]) == std::string_view::npos) return false;
  }
  return mode.size() == 10 || std::string_view("+@.").find(mode[10]) != std::string_view::npos;
}

int CurrentYear() {
  const std::time_t now = std::time(nullptr);
  // Listings are read on one thread at a time; gmtime's shared result is not kept.
  const std::tm* parts = std::gmtime(&now);
  return parts != nullptr ? parts->tm_year + 1900 : 1970;
}

// "ls -l": mode, links, owner, [group], size, month, day, time-or-year, name.
bool ParseUnixLine(std::string_view line, ListingEntry& entry, Want want) {
  const std::vector<Token> tokens = Tokens(line, 9);
  if (tokens.size() < 7 || !IsUnixMode(tokens[0].text)) return false;
  // The month follows the size; with the group column missing everything moves one left.
  for (size_t month = 4; month <= 5 && month + 2 < tokens.size(); ++month) {
    const int monthNumber = MonthOf(tokens[month].text);
    int day = 0;
    uint64_t size = 0;
    if (monthNumber == 0 || !ReadSmall(tokens[month + 1].text, day) || day < 1 || day > 31 ||
        !ReadSize(tokens[month - 1].text, size)) {
      continue;
    }
    const std::string_view stamp = tokens[month + 2].text;
    int year = 0;
    int hour = 0;
    int minute = 0;
    const size_t colon = stamp.find(':');
    if (colon == std::string_view::npos) {
      if (stamp.size() != 4 || !ReadSmall(stamp, year)) continue;
    } else {
      if (!ReadSmall(stamp.substr(0, colon), hour) || !ReadSmall(stamp.substr(colon + 1), minute)) {
        continue;
      }
      // Without a year, ls means the last twelve months: a date ahead of today is last year's.
      year = CurrentYear();
      const std::time_t now = std::time(nullptr);
      const uint64_t nowUnits = static_cast<uint64_t>(now) * 10000000ull + kUnixEpochAsFileTime;
      const uint64_t dayUnits = 86400ull * 10000000ull;
      if (FileTimeOf(year, monthNumber, day, hour, minute, 0) > nowUnits + dayUnits) --year;
    }
    // The name is everything after the one blank that follows the stamp, blanks included.
    const size_t nameStart = tokens[month + 2].end + 1;
    if (nameStart > line.size()) return false;
    std::string_view name = line.substr(nameStart);
    const char kind = tokens[0].text[0];
    if (kind == 'l') {
      const size_t arrow = name.find(" -> ");
      if (arrow != std::string_view::npos) name = name.substr(0, arrow);
    }
    if (!NameFits(name, want)) return false;
    entry.name.assign(name.data(), name.size());
    entry.folder = kind == 'd';
    entry.link = kind == 'l';
    entry.size = entry.folder ? 0 : size;
    entry.modified = FileTimeOf(year, monthNumber, day, hour, minute, 0);
    return true;
  }
  return false;
}

// "01-15-24  10:30AM       <DIR>          my dir" or "01-15-2024  10:30PM  1234 file.txt".
bool ParseDosLine(std::string_view line, ListingEntry& entry, Want want) {
  const std::vector<Token> tokens = Tokens(line, 3);
  if (tokens.size() < 3) return false;
  const std::string_view date = tokens[0].text;
  if (date.size() != 8 && date.size() != 10) return false;
  if (date[2] != '-' || date[5] != '-') return false;
  int month = 0;
  int day = 0;
  int year = 0;
  if (!ReadSmall(date.substr(0, 2), month) || !ReadSmall(date.substr(3, 2), day) ||
      !ReadSmall(date.substr(6), year)) {
    return false;
  }
  if (month < 1 || month > 12 || day < 1 || day > 31) return false;
  if (date.size() == 8) year += year < 70 ? 2000 : 1900;
  std::string_view time = tokens[1].text;
  int hour = 0;
  int minute = 0;
  bool pm = false;
  bool twelveHour = false;
  if (time.size() > 2 && (EqualNoCase(time.substr(time.size() - 2), "AM") ||
                          EqualNoCase(time.substr(time.size() - 2), "PM"))) {
    pm = EqualNoCase(time.substr(time.size() - 2), "PM");
    twelveHour = true;
    time.remove_suffix(2);
  }
  const size_t colon = time.find(':');
  if (colon == std::string_view::npos || !ReadSmall(time.substr(0, colon), hour) ||
      !ReadSmall(time.substr(colon + 1), minute) || minute > 59 || hour > 23) {
    return false;
  }
  if (twelveHour) {
    if (hour < 1 || hour > 12) return false;
    hour = hour % 12 + (pm ? 12 : 0);
  }
  const std::string_view third = tokens[2].text;
  bool folder = false;
  uint64_t size = 0;
  if (EqualNoCase(third, "<DIR>")) {
    folder = true;
  } else if (!ReadSize(third, size)) {
    return false;
  }
  size_t nameStart = tokens[2].end;
  while (nameStart < line.size() && (line[nameStart] == ' ' || line[nameStart] == '\t')) {
    ++nameStart;
  }
  const std::string_view name = line.substr(nameStart);
  if (!NameFits(name, want)) return false;
  entry.name.assign(name.data(), name.size());
  entry.folder = folder;
  entry.size = size;
  entry.modified = FileTimeOf(year, month, day, hour, minute, 0);
  return true;
}

// "20260101120000" or "20260101120000.123" (UTC, RFC 3659).
uint64_t MlsdTime(std::string_view value) {
  if (value.size() < 14) return 0;
  int parts[6];
  const size_t widths[6] = {4, 2, 2, 2, 2, 2};
  size_t at = 0;
  for (int i = 0; i < 6; ++i) {
    if (!ReadSmall(value.substr(at, widths[i]), parts[i])) return 0;
    at += widths[i];
  }
  return FileTimeOf(parts[0], parts[1], parts[2], parts[3], parts[4], parts[5]);
}

// '*' and '?' over the name, case-insensitive; iterative with one back-track point.
bool Glob(std::string_view name, std::string_view pattern) {
  size_t n = 0;
  size_t p = 0;
  size_t starP = std::string_view::npos;
  size_t starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || Upper(pattern[p]) == Upper(name[n]))) {
      ++n;
      ++p;
    } else if (p < pattern.size() && pattern[p] == '*') {
      starP = p++;
      starN = n;
    } else if (starP != std::string_view::npos) {
      p = starP + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

bool ParseMlsd(std::string_view line, ListingEntry& entry, Want want) {
  // Facts end at the first blank; the name is everything after it (blanks included).
  const size_t blank = line.find(' ');
  if (blank == std::string_view::npos) return false;
  const std::string_view facts = line.substr(0, blank);
  const std::string_view name = line.substr(blank + 1);
  bool folder = false;
  bool typed = false;
  uint64_t size = 0;
  uint64_t modified = 0;
  size_t at = 0;
  while (at < facts.size()) {
    size_t end = facts.find(';', at);
    if (end == std::string_view::npos) end = facts.size();
    const std::string_view fact = facts.substr(at, end - at);
    at = end + 1;
    const size_t equals = fact.find('=');
    if (equals == std::string_view::npos) {
      if (fact.empty()) continue;
      return false;  // a fact without a value: not an MLSD line
    }
    const std::string_view key = fact.substr(0, equals);
    const std::string_view value = fact.substr(equals + 1);
    if (EqualNoCase(key, "type")) {
      typed = true;
      if (EqualNoCase(value, "cdir")) return false;
      // The parent is "pdir" whatever name the server gives it (RFC 3659).
      if (EqualNoCase(value, "pdir")) {
        if (want != Want::kParent) return false;
        entry.name = "..";
        entry.folder = true;
        entry.size = 0;
        entry.modified = 0;
        return true;
      }
      folder = EqualNoCase(value, "dir");
    } else if (EqualNoCase(key, "size") || EqualNoCase(key, "sizd")) {
      if (!ReadSize(value, size)) size = 0;
    } else if (EqualNoCase(key, "modify")) {
      modified = MlsdTime(value);
    }
  }
  if (!typed && facts.find('=') == std::string_view::npos) return false;
  if (!NameFits(name, want) || (want == Want::kParent && !folder)) return false;
  entry.name.assign(name.data(), name.size());
  entry.folder = folder;
  entry.size = folder ? 0 : size;
  entry.modified = modified;
  return true;
}

bool ParseList(std::string_view line, ListingEntry& entry, Want want) {
  if (line.size() > kMostListingLine) return false;
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  if (line.empty()) return false;
  if (IsDigit(line[0])) return ParseDosLine(line, entry, want);
  return ParseUnixLine(line, entry, want);
}

}  // namespace

bool ParseMlsdLine(std::string_view line, ListingEntry& entry) {
  return ParseMlsd(line, entry, Want::kEntry);
}

bool ParseListLine(std::string_view line, ListingEntry& entry) {
  return ParseList(line, entry, Want::kEntry);
}

bool IsParentFolderLine(std::string_view line, bool mlsd) {
  ListingEntry entry;
  return mlsd ? ParseMlsd(line, entry, Want::kParent) : ParseList(line, entry, Want::kParent);
}

bool MatchesPattern(std::string_view name, std::string_view pattern) {
  if (pattern.empty() || pattern == "*" || pattern == "*.*") return true;
  if (Glob(name, pattern)) return true;
  // Windows lets "x*.*" match a name without a dot, as "*.*" does.
  if (pattern.size() >= 2 && pattern.substr(pattern.size() - 2) == ".*" &&
      name.find('.') == std::string_view::npos) {
    return Glob(name, pattern.substr(0, pattern.size() - 2));
  }
  return false;
}
