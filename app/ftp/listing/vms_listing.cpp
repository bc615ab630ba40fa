// OpenVMS listings (DIRECTORY/SIZE/DATE/OWNER/PROTECTION as VMS FTP servers send it):
//   Directory DISK$USER:[JOHN]
//   LOGIN.COM;3          2/4     12-MAR-2004 10:20:30  [STAFF,JOHN]  (RWED,RWED,RE,)
//   A_VERY_LONG_FILE_NAME.TEXT;1
//                        12/16   29-JAN-2004 10:20:30.45  [STAFF,JOHN]  (RWED,RWED,RE,)
// A name too long for its column stands alone and its details follow on the next line. Some
// servers leave out the owner or the protection, write the fields in another order, give the
// size in bytes with a unit ("2KB"), or write months in French ("JUI" is June or July: the date
// is then unknown).
//
// Files keep their ";version": "RETR NAME.EXT;2" fetches exactly the version listed, where the
// bare name would fetch the newest one, so two versions listed never fetch the same file.
// Folders ("NAME.DIR;1") are shown as NAME: servers take "CWD NAME", not "CWD NAME.DIR;1".
// Sizes are in 512-byte blocks, so the size shown is the used blocks times 512.
#include "app/ftp/listing/listing_families.h"

namespace listing {

namespace {

constexpr uint64_t kBlockBytes = 512;

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

// "12", "12/16" (used and allocated blocks), or "2KB", "1.5MB" as some servers write it.
bool ReadBlocks(std::string_view word, uint64_t& bytes) {
  uint64_t used = 0;
  uint64_t allocated = 0;
  const size_t slash = word.find('/');
  if (ReadDecimal(word.substr(0, slash), used)) {
    if (used > UINT64_MAX / kBlockBytes ||
        (slash != std::string_view::npos && !ReadDecimal(word.substr(slash + 1), allocated))) {
      return false;
    }
    bytes = used * kBlockBytes;
    return true;
  }
  return word.size() > 2 && (word.back() == 'B' || word.back() == 'b') &&
         IsOneOf(word[word.size() - 2], "KMGkmg") &&
         ReadSizeWithUnit(word.substr(0, word.size() - 1), bytes);
}

// "[STAFF,JOHN]", "(RWED,RWED,RE,)", also when a blank splits them ("[STAFF, JOHN]"): the
// index of the word that closes the one opened at word `at`, or words.size() when none does.
size_t BracketedEnd(const Tokens& words, size_t at) {
  const char open = words[at].front();
  const char close = open == '[' ? ']' : open == '(' ? ')' : 0;
  if (close == 0) return words.size();
  for (size_t i = at; i < words.size(); ++i) {
    if (words[i].back() == close) return i;
    if (i > at && words[i].find_first_of("[(") != std::string_view::npos) break;
  }
  return words.size();
}

// The details after a name, from word `at`: the size ("used[/allocated]" blocks), the date and
// time, and optionally the owner [..] and protection (..), in whatever order the server writes
// them; each once.
bool ReadDetails(const Tokens& words, size_t at, ListingEntry& entry) {
  if (at + 2 >= words.size()) return false;
  bool sized = false;
  bool dated = false;
  uint64_t bytes = 0;
  uint64_t modified = 0;
  for (size_t i = at; i < words.size(); ++i) {
    if (!dated && i + 1 < words.size() && ReadDashedDateTime(words[i], words[i + 1], modified)) {
      dated = true;
      ++i;
    } else if (!sized && ReadBlocks(words[i], bytes)) {
      sized = true;
    } else {
      const size_t end = BracketedEnd(words, i);
      if (end == words.size()) return false;
      i = end;
    }
  }
  if (!sized || !dated) return false;
  entry.size = entry.folder ? 0 : bytes;
  entry.modified = modified;
  return true;
}

}  // namespace

bool ReadDashedDateTime(std::string_view date, std::string_view time, uint64_t& modified) {
  Stamp s;
  if (!ReadDashedDate(date, s.year, s.month, s.day) ||
      !ReadClock(time, s.hour, s.minute, s.second)) {
    return false;
  }
  // An unknown month ("JUI") leaves the date unknown: 0, which FileTimeOf gives for month 0.
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
