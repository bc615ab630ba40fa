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

// "PS", "PO", "PO-E", "VSAM" ...; "NONE" for a data set never opened, "??" or "**" when the
// server cannot tell. A GDG is the base that groups a data set's generations.
bool IsDataSetOrganisation(std::string_view word) {
  for (std::string_view dsorg :
       {"PS", "PO", "PO-E", "DA", "VS", "IS", "VSAM", "GDG", "NONE", "PS-E", "??", "**"}) {
    if (word == dsorg) return true;
  }
  return false;
}

// Digits, or a column the server could not fill ("?") or fit ("+++++").
bool IsMvsCount(std::string_view word) {
  if (AllDigits(word)) return true;
  if (word.empty() || (word[0] != '?' && word[0] != '+')) return false;
  for (char c : word) {
    if (c != word[0]) return false;
  }
  return true;
}

// A volume serial: one to six of A-Z, 0-9, @, #, $.
bool IsVolume(std::string_view word) {
  if (word.empty() || word.size() > 6) return false;
  for (char c : word) {
    if (!IsMvsChar(c) || (c >= 'a' && c <= 'z')) return false;
  }
  return true;
}

// "3390", "3380D", "3390-9", "Tape".
bool IsUnit(std::string_view word) {
  if (word == "Tape") return true;
  if (word.size() < 4 || word.size() > 8 || !AllDigits(word.substr(0, 4))) return false;
  for (char c : word.substr(4)) {
    if (!IsMvsChar(c) && c != '-') return false;
  }
  return true;
}

// "USER.DATA", "SYS1.PARMLIB": qualifiers of one to eight of A-Z, 0-9, @, #, $ and '-', none
// starting with a digit or '-', 44 characters in all.
bool IsDataSetName(std::string_view word) {
  if (word.empty() || word.size() > 44) return false;
  size_t length = 0;
  for (size_t i = 0; i <= word.size(); ++i) {
    if (i == word.size() || word[i] == '.') {
      if (length == 0 || length > 8) return false;
      length = 0;
      continue;
    }
    const char c = word[i];
    if ((c >= 'a' && c <= 'z') || (!IsMvsChar(c) && c != '-')) return false;
    if (length == 0 && (IsDigit(c) || c == '-')) return false;
    ++length;
  }
  return true;
}

struct StatePhrase {
  std::string_view text;
  size_t words;
  bool folder;
};

// What the server writes in place of a data set's columns, and whether the entry is a folder
// (the qualifiers of a pseudo directory are listed by entering it).
constexpr StatePhrase kStatePhrases[] = {
    {"Migrated", 1, false},
    {"Tape", 1, false},
    {"Not Mounted", 2, false},
    {"Not Direct Access Device", 4, false},
    {"Not a DASD device", 4, false},
    {"File not on volume", 4, false},
    {"Error determining attributes", 3, false},
    {"Pseudo Directory", 2, true},
};

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

// The lines of a data set listing, in the server's columns "Volume Unit Referred Ext Used Recfm
// Lrecl BlkSz Dsorg Dsname" (older servers leave out Unit):
//   "WYOSPT 3390   2003/03/18  1   15  FB      80  3120  PS  USER.DATA"
//   "SMS123 3390   **NONE**    1   45  ?        0     0 NONE USER.NEW"       (never referred)
//   "                                                  VSAM USER.KSDS"    (a VSAM cluster)
//   "SMS007 3390                                       VSAM USER.KSDS.DATA"
//   "Migrated                                               USER.OLD"
//   "ARCIVE Not Direct Access Device                        USER.ARCHIVED"
//   "T00001 Tape                                            USER.BACKUP"
// Columns that do not fit their width are written as "+" signs, unknown ones as "?".
LineKind ReadMvsDatasetLine(std::string_view line, const ListingClock&, ListingEntry& entry, bool) {
  const Tokens words(line);
  const size_t count = words.size();
  if (count >= 3 && words[0] == "Volume" && words[count - 1] == "Dsname") return LineKind::kHeader;
  if (count < 2 || count > 10 || !IsDataSetName(words[count - 1])) return LineKind::kNone;
  const std::string_view name = words[count - 1];
  // A state the server writes in place of the columns, after the volume or without one.
  for (const StatePhrase& state : kStatePhrases) {
    const size_t phraseWords = state.words;
    if (count != phraseWords + 1 && count != phraseWords + 2) continue;
    const size_t first = count - 1 - phraseWords;
    if ((first == 1 && !IsVolume(words[0])) || (first == 0 && state.text == "Tape")) continue;
    const std::string_view phrase =
        line.substr(static_cast<size_t>(words[first].data() - line.data()),
                    static_cast<size_t>(words[count - 2].data() - words[first].data()) +
                        words[count - 2].size());
    if (phrase == state.text) {
      SetEntry(entry, name, state.folder, 0, 0);
      return LineKind::kEntry;
    }
  }
  // "[volume [unit]] [referred ext used recfm lrecl blksize] dsorg dsname". Ext and Used
  // stand in adjoining columns: a Used too wide for its column runs into Ext ("1+++++").
  const std::string_view dsorg = words[count - 2];
  if (!IsDataSetOrganisation(dsorg)) return LineKind::kNone;
  std::string_view columns[2 * 8];  // at most 8 words before the organisation, each split once
  size_t head = 0;
  for (size_t i = 0; i + 2 < count; ++i) {
    const std::string_view word = words[i];
    const size_t plus = word.find('+');
    if (plus != 0 && plus != std::string_view::npos && AllDigits(word.substr(0, plus)) &&
        IsMvsCount(word.substr(plus))) {
      columns[head++] = word.substr(0, plus);
      columns[head++] = word.substr(plus);
    } else {
      columns[head++] = word;
    }
  }
  uint64_t modified = 0;
  if (head >= 6) {
    const size_t at = head - 6;
    for (size_t i = at + 1; i < head; ++i) {
      if (!IsMvsCount(columns[i]) && !(i == at + 3 && IsRecordFormat(columns[i]))) {
        return LineKind::kNone;
      }
    }
    if (columns[at] != "**NONE**") {
      modified = IbmDate(columns[at], 0, 0, 0);
      if (modified == 0) return LineKind::kNone;
    }
    head = at;
  }
  if (head > 2 || (head >= 1 && !IsVolume(columns[0])) || (head == 2 && !IsUnit(columns[1]))) {
    return LineKind::kNone;
  }
  const bool folder = dsorg == "PO" || dsorg == "PO-E" || dsorg == "GDG";
  SetEntry(entry, name, folder, 0, modified);
  // "VSAM NAME" alone is two words any text could hold: not enough to decide a listing on.
  return head == 0 && count == 2 ? LineKind::kWeak : LineKind::kEntry;
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
  // A load module: "name size TTR [alias-of] AC attributes...", size and TTR in hexadecimal.
  // Its name is sure, but hexadecimal columns are too plain to decide a listing on.
  uint64_t size = 0;
  if (words.size() >= 4 && ReadHex(words[1], size) && ReadHex(words[2], number) &&
      words[1].size() == 6 && words[2].size() == 6) {
    SetEntry(entry, words[0], false, size, 0);
    return decided ? LineKind::kEntry : LineKind::kWeak;
  }
  // A member without statistics is its name alone, a member only where the listing is one.
  if (decided && words.size() == 1) {
    SetEntry(entry, words[0], false, 0, 0);
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
  }
  // A bare "[owner] *TYPE name" is not sure enough to decide a listing on.
  const LineKind read = type < 3 && !decided && (type == 0 || words[type] != "*MEM")
                            ? LineKind::kWeak
                            : LineKind::kEntry;
  const std::string_view kind = words[type];
  std::string_view name = words.AfterBlanks(type);
  // A *FILE (a save file, a database file) is fetched whole, with the size listed; a server
  // that lets one be entered for its members writes it with a trailing "/".
  bool folder = kind == "*DIR" || kind == "*LIB" || kind == "*FLR" || kind == "*DDIR";
  if (name.size() > 1 && name.back() == '/') {
    folder = true;
    name.remove_suffix(1);
  }
  // An absolute path names something outside the listed folder.
  if (!name.empty() && name[0] == '/') name = std::string_view();
  SetEntry(entry, name, folder, size, modified);
  entry.link = kind == "*SYMLNK";
  return read;
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
