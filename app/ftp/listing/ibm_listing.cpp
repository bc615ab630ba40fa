// IBM's listings: z/OS (MVS) data sets and the members of a partitioned data set, IBM i
// (AS/400) objects in its own LISTFMT 0 form, and z/VM (CMS) files.
//
// MVS data sets and PDS members carry no byte size (tracks and record counts are not bytes), so
// their size is 0. A PDS (DSORG PO) is shown as a folder: its members are listed by entering it.
#include <string>
#include <utility>

#include "app/ftp/listing/listing_families.h"

namespace listing {

namespace {

bool IsMvsChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || IsDigit(c) || c == '@' || c == '#' ||
         c == '$';
}

// A PDS member name: one to eight of A-Z, 0-9, @, #, $, not starting with a digit.
bool IsMemberName(std::string_view word) {
  if (word.empty() || word.size() > 8 || IsDigit(word[0])) return false;
  for (char c : word) {
    if (!IsMvsChar(c)) return false;
  }
  return true;
}

// "F", "FB", "VBA", "VBS", "U", "FBM".
bool IsRecordFormat(std::string_view word) {
  if (word.empty() || word.size() > 4 || !IsOneOf(word[0], "FVU")) {
    return false;
  }
  for (char c : word.substr(1)) {
    if (!IsOneOf(c, "BSAMT")) return false;
  }
  return true;
}

bool IsDataSetOrganisation(std::string_view word) {
  for (std::string_view dsorg : {"PS", "PO", "PO-E", "DA", "VS", "IS"}) {
    if (word == dsorg) return true;
  }
  return false;
}

// A date of two or four digit year in whatever order the separator says: year first when it
// has four digits, "/" month first, "." and "-" day first; a day that cannot be a month swaps.
uint64_t IbmDate(std::string_view word, int hour, int minute, int second) {
  NumericDate date;
  if (!SplitDate(word, date)) return 0;
  int year = 0;
  int month = 0;
  int day = 0;
  if (date.digits[0] == 4) {
    year = date.parts[0];
    month = date.parts[1];
    day = date.parts[2];
  } else {
    year = FullYear(date.parts[2], date.digits[2]);
    const bool monthFirst = date.separator == '/';
    month = date.parts[monthFirst ? 0 : 1];
    day = date.parts[monthFirst ? 1 : 0];
  }
  if (month > 12 && day <= 12) std::swap(month, day);
  return PlausibleYear(year) ? FileTimeOf(year, month, day, hour, minute, second) : 0;
}

bool IsIbmDate(std::string_view word) {
  NumericDate date;
  return SplitDate(word, date) && IbmDate(word, 0, 0, 0) != 0;
}

// "*FILE", "*MEM", "*DIR", "*STMF", "*LIB", "*SYMLNK": an IBM i object type.
bool IsObjectType(std::string_view word) {
  if (word.size() < 3 || word.size() > 10 || word[0] != '*') return false;
  for (char c : word.substr(1)) {
    if (!((c >= 'A' && c <= 'Z') || IsDigit(c))) return false;
  }
  return true;
}

}  // namespace

// "Volume Unit    Referred Ext Used Recfm Lrecl BlkSz Dsorg Dsname" then
// "WYOSPT 3390   2003/03/18  1   15  FB      80  3120  PS  USER.DATA".
LineKind ReadMvsDatasetLine(std::string_view line, const ListingClock&, ListingEntry& entry,
                            bool decided) {
  const Tokens words(line);
  if (words.size() >= 3 && words[0] == "Volume" && words[1] == "Unit" &&
      words[words.size() - 1] == "Dsname") {
    return LineKind::kHeader;
  }
  if (decided && words.size() == 2 && words[0] == "Migrated") {
    SetEntry(entry, words[1], false, 0, 0);
    return LineKind::kEntry;
  }
  if (decided && words.size() == 3 && words[0] == "Pseudo" && words[1] == "Directory") {
    SetEntry(entry, words[2], true, 0, 0);
    return LineKind::kEntry;
  }
  uint64_t number = 0;
  if (words.size() != 10 || words[0].size() > 6 || !IsIbmDate(words[2]) ||
      !ReadDecimal(words[3], number) || !ReadDecimal(words[4], number) ||
      !IsRecordFormat(words[5]) || !ReadDecimal(words[6], number) ||
      !ReadDecimal(words[7], number) || !IsDataSetOrganisation(words[8])) {
    return LineKind::kNone;
  }
  SetEntry(entry, words[9], words[8].substr(0, 2) == "PO", 0, IbmDate(words[2], 0, 0, 0));
  return LineKind::kEntry;
}

// " Name     VV.MM   Created       Changed      Size  Init   Mod   Id" then
// "MEMBER1   01.03 2002/09/12 2002/10/11 09:37    11    11     0 USER1"; load libraries:
// " Name      Size     TTR   Alias-of AC --------- Attributes --------- Amode Rmode".
LineKind ReadMvsMemberLine(std::string_view line, const ListingClock&, ListingEntry& entry,
                           bool decided) {
  const Tokens words(line);
  if (words.size() >= 3 && words[0] == "Name" &&
      (words[1] == "VV.MM" || (words[1] == "Size" && words[2] == "TTR"))) {
    return LineKind::kHeader;
  }
  if (words.size() == 0 || !IsMemberName(words[0])) return LineKind::kNone;
  const std::string_view version = words[1 % words.size()];
  int hour = 0;
  int minute = 0;
  int second = 0;
  uint64_t number = 0;
  if (words.size() >= 8 && version.size() == 5 && version[2] == '.' &&
      AllDigits(version.substr(0, 2)) && AllDigits(version.substr(3)) && IsIbmDate(words[2]) &&
      IsIbmDate(words[3]) && ReadClock(words[4], hour, minute, second) &&
      ReadDecimal(words[5], number) && ReadDecimal(words[6], number) &&
      ReadDecimal(words[7], number)) {
    SetEntry(entry, words[0], false, 0, IbmDate(words[3], hour, minute, second));
    return LineKind::kEntry;
  }
  if (!decided) return LineKind::kNone;
  // A member without statistics is its name alone; a load module's size is hexadecimal.
  uint64_t size = 0;
  if (words.size() == 1 ||
      (words.size() >= 3 && ReadHex(words[1], size) && ReadHex(words[2], number))) {
    SetEntry(entry, words[0], false, size, 0);
    return LineKind::kEntry;
  }
  return LineKind::kNone;
}

// IBM i, LISTFMT 0: "owner size date time type name", owner blank for anonymous sessions and
// size, date and time blank for members: "QPGMR  5263360 06/11/97 12:27:39 *FILE  BPTFSAVF",
// "QPGMR                                   *MEM   QCLSRC.FILE/MBR1.MBR". The name may hold
// blanks, and in the path name format (NAMEFMT 1) it is a path below the listed folder.
LineKind ReadAs400Line(std::string_view line, const ListingClock&, ListingEntry& entry,
                       bool decided) {
  const Tokens words(line);
  size_t type = 0;
  while (type < words.size() && type < 5 && !IsObjectType(words[type])) ++type;
  if (type >= words.size() || type == 2 || type >= 5 || type + 1 >= words.size()) {
    return LineKind::kNone;
  }
  uint64_t size = 0;
  uint64_t modified = 0;
  if (type >= 3) {
    int hour = 0;
    int minute = 0;
    int second = 0;
    const size_t sizeAt = type - 3;
    if (!ReadDecimal(words[sizeAt], size) ||
        !(ReadClock(words[type - 1], hour, minute, second) ||
          ReadClock(words[type - 1], hour, minute, second, '.'))) {
      return LineKind::kNone;
    }
    modified = IbmDate(words[type - 2], hour, minute, second);
    if (modified == 0) return LineKind::kNone;
  } else if (type == 1 && AllDigits(words[0])) {
    return LineKind::kNone;
  } else if (!decided && (type == 0 || words[type] != "*MEM")) {
    return LineKind::kNone;  // a bare "[owner] *TYPE name" is not sure enough to decide on
  }
  const std::string_view kind = words[type];
  std::string_view name = words.AfterBlanks(type);
  bool folder =
      kind == "*DIR" || kind == "*LIB" || kind == "*FLR" || kind == "*DDIR" ||
      (kind == "*FILE" && name.size() > 5 && EqualNoCase(name.substr(name.size() - 5), ".FILE"));
  if (name.size() > 1 && name.back() == '/') {
    folder = true;
    name.remove_suffix(1);
  }
  // An absolute path names something outside the listed folder.
  if (!name.empty() && name[0] == '/') name = std::string_view();
  SetEntry(entry, name, folder, size, modified);
  entry.link = kind == "*SYMLNK";
  return LineKind::kEntry;
}

// z/VM: "fname ftype [fm] format lrecl records blocks date time [label]", as in
// "PROFILE  EXEC     A1 V         72         25          1 2003-04-14 13:26:36 TCM191". A
// Shared File System folder has "-" for its format and counts and the type DIR. Fixed-length
// files are records times record length bytes; for variable-length ones that is no size: 0.
LineKind ReadZvmLine(std::string_view line, const ListingClock&, ListingEntry& entry, bool) {
  const Tokens words(line);
  if (words.size() < 8 || words.size() > 11) return LineKind::kNone;
  auto isFormat = [](std::string_view word) { return word == "F" || word == "V" || word == "-"; };
  // The file mode ("A1") is left out by some servers; a format word comes after it.
  const std::string_view mode = words[2];
  const bool hasMode = !mode.empty() && mode.size() <= 2 &&
                       ((mode[0] >= 'A' && mode[0] <= 'Z') || (mode[0] >= 'a' && mode[0] <= 'z')) &&
                       (mode.size() == 1 || IsDigit(mode[1])) && isFormat(words[3]);
  const size_t at = hasMode ? 3 : 2;
  if (at + 5 >= words.size() || words.size() - (at + 6) > 2 || !isFormat(words[at])) {
    return LineKind::kNone;
  }
  const bool folder = words[at] == "-";
  uint64_t counts[3] = {0, 0, 0};
  for (size_t i = 0; i < 3; ++i) {
    const std::string_view word = words[at + 1 + i];
    if (!(folder ? word == "-" : ReadDecimal(word, counts[i]))) return LineKind::kNone;
  }
  int hour = 0;
  int minute = 0;
  int second = 0;
  if (!ReadClock(words[at + 5], hour, minute, second)) return LineKind::kNone;
  const uint64_t modified = IbmDate(words[at + 4], hour, minute, second);
  for (size_t i = 0; i < 2; ++i) {
    for (char c : words[i]) {
      if (!IsMvsChar(c) && c != '_' && c != '-' && c != '+') return LineKind::kNone;
    }
  }
  if (modified == 0 || words[0].size() > 8 || words[1].size() > 8 ||
      (folder && !EqualNoCase(words[1], "DIR"))) {
    return LineKind::kNone;
  }
  if (folder) {
    SetEntry(entry, words[0], true, 0, modified);
  } else {
    std::string name(words[0]);
    name += '.';
    name += words[1];
    const uint64_t size =
        words[at] == "F" && counts[1] <= UINT64_MAX / (counts[0] + 1) ? counts[0] * counts[1] : 0;
    SetEntry(entry, name, false, size, modified);
  }
  return LineKind::kEntry;
}

}  // namespace listing
