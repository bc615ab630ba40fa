// The listings of HP NonStop (Guardian), OS-9 and Nortel (Wellfleet / Bay Networks, and the
// VxWorks form) servers.
#include "app/ftp/listing/listing_families.h"

namespace listing {

namespace {

bool IsAlphanumeric(std::string_view word) {
  if (word.empty()) return false;
  for (char c : word) {
    if (!IsDigit(c) && !((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))) return false;
  }
  return true;
}

}  // namespace

// "File         Code             EOF  Last Modification    Owner  RWEP" then
// "TACLCSTM      101             924  18-Jan-01 16:56:48 255, 60 "nunu"": Guardian names
// (a letter and up to seven letters or digits), the file code, the end-of-file in bytes.
LineKind ReadNonStopLine(std::string_view line, const ListingClock&, ListingEntry& entry, bool) {
  const Tokens words(line);
  if (words.size() >= 4 && words[0] == "File" && words[1] == "Code" && words[2] == "EOF") {
    return LineKind::kHeader;
  }
  if (words.size() < 7 || words.size() > 8) return LineKind::kNone;
  const std::string_view name = words[0];
  std::string_view code = words[1];
  if (!code.empty() && !IsDigit(code.back())) code.remove_suffix(1);  // "101O": open
  uint64_t size = 0;
  uint64_t number = 0;
  uint64_t modified = 0;
  if (name.size() > 8 || !IsAlphanumeric(name) || IsDigit(name[0]) || !ReadDecimal(code, number) ||
      !ReadDecimal(words[2], size) || !ReadDashedDateTime(words[3], words[4], modified) ||
      words[4].size() != 8) {
    return LineKind::kNone;
  }
  // The owner "group,user", written "255,255" or "255, 60", or its name in quotes
  // ("SUPER.SUPER"); then the security in quotes.
  std::string_view owner = words[5];
  size_t security = 6;
  if (owner.size() > 2 && owner.front() == '"' && owner.back() == '"') {
    owner = "0";  // a name where the numbers would stand: nothing more to check of it
  } else if (owner.back() == ',' && words.size() == 8) {
    owner.remove_suffix(1);
    if (!AllDigits(words[6])) return LineKind::kNone;
    security = 7;
  } else {
    const size_t comma = owner.find(',');
    if (comma == std::string_view::npos || !AllDigits(owner.substr(comma + 1))) {
      return LineKind::kNone;
    }
    owner = owner.substr(0, comma);
  }
  const std::string_view rwep = words[security];
  if (!AllDigits(owner) || security + 1 != words.size() || rwep.size() != 6 ||
      rwep.front() != '"' || rwep.back() != '"') {
    return LineKind::kNone;
  }
  SetEntry(entry, name, false, size, modified);
  return LineKind::kEntry;
}

// " Owner    Last modified  Attributes Sector Bytecount Name" then
// "   0.0    03/12/31 1543  d-ewrewr      2a      1060 CMDS": dates year first, times as HHMM,
// sector and byte count in hexadecimal.
LineKind ReadOs9Line(std::string_view line, const ListingClock&, ListingEntry& entry, bool) {
  const Tokens words(line);
  if (words.size() >= 3 && words[0] == "Owner" && words[1] == "Last" && words[2] == "modified") {
    return LineKind::kHeader;
  }
  if (words.size() < 7) return LineKind::kNone;
  const std::string_view owner = words[0];
  const size_t dot = owner.find('.');
  if (dot == std::string_view::npos || !AllDigits(owner.substr(0, dot)) ||
      !AllDigits(owner.substr(dot + 1))) {
    return LineKind::kNone;
  }
  NumericDate date;
  int hour = 0;
  int minute = 0;
  const std::string_view time = words[2];
  if (!SplitDate(words[1], date) || date.separator != '/' || date.digits[0] != 2 ||
      date.digits[1] != 2 || date.digits[2] != 2 || time.size() != 4 || !AllDigits(time) ||
      !ReadSmall(time.substr(0, 2), hour, 2) || !ReadSmall(time.substr(2), minute, 2)) {
    return LineKind::kNone;
  }
  const std::string_view attributes = words[3];
  static constexpr std::string_view kAttributes = "dsewrewr";
  if (attributes.size() != kAttributes.size()) return LineKind::kNone;
  for (size_t i = 0; i < attributes.size(); ++i) {
    if (attributes[i] != '-' && attributes[i] != kAttributes[i]) return LineKind::kNone;
  }
  uint64_t sector = 0;
  uint64_t size = 0;
  const uint64_t modified =
      FileTimeOf(FullYear(date.parts[0], 2), date.parts[1], date.parts[2], hour, minute, 0);
  if (!ReadHex(words[4], sector) || !ReadHex(words[5], size) || modified == 0) {
    return LineKind::kNone;
  }
  SetEntry(entry, words.AfterBlanks(5), attributes[0] == 'd', size, modified);
  return LineKind::kEntry;
}

namespace {

// The VxWorks form of Nortel's routers and other embedded servers: "size date time name
// [<DIR>]", under a header "size date time name" and a line of dashes:
// "       512    MAR-04-2005  10:16:40   TEMP                <DIR>".
LineKind ReadVxWorksLine(const Tokens& words, ListingEntry& entry) {
  if (words.size() == 4 && words[0] == "size" && words[1] == "date" && words[2] == "time" &&
      words[3] == "name") {
    return LineKind::kHeader;
  }
  uint64_t size = 0;
  int year = 0;
  int month = 0;
  int day = 0;
  int hour = 0;
  int minute = 0;
  int second = 0;
  // The date is "MON-DD-YYYY": the month first, unlike VMS's "DD-MON-YYYY".
  const std::string_view date = words[1];
  if (words.size() < 4 || !ReadDecimal(words[0], size) || date.size() != 11 || date[3] != '-' ||
      date[6] != '-' || (month = MonthOf(date.substr(0, 3))) == 0 ||
      !ReadSmall(date.substr(4, 2), day, 2) || day < 1 || day > 31 ||
      !ReadSmall(date.substr(7), year, 4) || !PlausibleYear(year) ||
      !ReadClock(words[2], hour, minute, second) || words[2].size() != 8) {
    return LineKind::kNone;
  }
  std::string_view name = words.AfterBlanks(2);
  const bool folder = words[words.size() - 1] == "<DIR>" && words.size() > 4;
  if (folder) {
    name.remove_suffix(5);
    while (!name.empty() && IsBlank(name.back())) name.remove_suffix(1);
  }
  SetEntry(entry, name, folder, size, FileTimeOf(year, month, day, hour, minute, second));
  return LineKind::kEntry;
}

}  // namespace

// Nortel's routers (WfFtp): "name size date [weekday] time", as in
// "bn.exe                5962240  03/15/99   Mon.   10:11:23"; names hold no blanks.
LineKind ReadNortelLine(std::string_view line, const ListingClock&, ListingEntry& entry, bool) {
  const Tokens words(line);
  const LineKind vxWorks = words.size() >= 4 ? ReadVxWorksLine(words, entry) : LineKind::kNone;
  if (vxWorks != LineKind::kNone || (words.size() != 4 && words.size() != 5)) return vxWorks;
  uint64_t size = 0;
  NumericDate date;
  int hour = 0;
  int minute = 0;
  int second = 0;
  const std::string_view time = words[words.size() - 1];
  if (!ReadDecimal(words[1], size) || !SplitDate(words[2], date) || date.separator != '/' ||
      date.digits[0] != 2 || date.digits[1] != 2 || !ReadClock(time, hour, minute, second) ||
      time.size() != 8) {
    return LineKind::kNone;
  }
  if (words.size() == 5) {
    static constexpr std::string_view kDays[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
    const std::string_view weekday = WithoutTrailing(words[3], ".");
    bool known = false;
    for (std::string_view day : kDays) known = known || EqualNoCase(weekday, day);
    if (!known) return LineKind::kNone;
  }
  const int year = FullYear(date.parts[2], date.digits[2]);
  const uint64_t modified = FileTimeOf(year, date.parts[0], date.parts[1], hour, minute, second);
  if (modified == 0) return LineKind::kNone;
  SetEntry(entry, words[0], false, size, modified);
  return LineKind::kEntry;
}

}  // namespace listing
