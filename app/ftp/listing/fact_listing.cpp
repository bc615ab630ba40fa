// The two listing forms made of facts: MLSD (RFC 3659: "type=file;size=12; name") and EPLF
// (D. J. Bernstein's "+i8388621.29609,m824255902,/,\tname").
#include "app/ftp/listing/listing_families.h"

namespace listing {

namespace {

// "20260101120000" or "20260101120000.123" (UTC, RFC 3659).
uint64_t MlsdTime(std::string_view value) {
  if (value.size() < 14) return 0;
  if (value.size() > 14 && (value[14] != '.' || !AllDigits(value.substr(15)))) return 0;
  int parts[6];
  const size_t widths[6] = {4, 2, 2, 2, 2, 2};
  size_t at = 0;
  for (int i = 0; i < 6; ++i) {
    if (!ReadSmall(value.substr(at, widths[i]), parts[i], widths[i])) return 0;
    at += widths[i];
  }
  return FileTimeOf(parts[0], parts[1], parts[2], parts[3], parts[4], parts[5]);
}

// "OS.unix=slink", "OS.unix=slink:/target", "OS.unix=symlink", in any case.
bool IsLinkType(std::string_view type) {
  for (std::string_view form :
       {std::string_view("OS.unix=slink"), std::string_view("OS.unix=symlink")}) {
    if (StartsWithNoCase(type, form) && (type.size() == form.size() || type[form.size()] == ':')) {
      return true;
    }
  }
  return false;
}

}  // namespace

LineKind ReadMlsdLine(std::string_view line, const ListingClock&, ListingEntry& entry, bool) {
  // The facts end at the first blank (some servers put a tab there); the name is all after it.
  const size_t blank = FindAnyOf(line, " \t");
  if (blank == std::string_view::npos) return LineKind::kNone;
  const std::string_view facts = line.substr(0, blank);
  bool folder = false;
  bool link = false;
  bool typed = false;
  bool parent = false;
  uint64_t size = 0;
  bool sizeKnown = true;
  uint64_t modified = 0;
  size_t at = 0;
  while (at < facts.size()) {
    size_t end = FindAnyOf(facts, ";", at);
    if (end == std::string_view::npos) end = facts.size();
    const std::string_view fact = facts.substr(at, end - at);
    at = end + 1;
    const size_t equals = FindAnyOf(fact, "=");
    if (equals == std::string_view::npos) {
      if (fact.empty()) continue;
      return LineKind::kNone;  // a fact without a value: not an MLSD line
    }
    const std::string_view key = fact.substr(0, equals);
    const std::string_view value = fact.substr(equals + 1);
    if (EqualNoCase(key, "type")) {
      typed = true;
      if (EqualNoCase(value, "cdir")) return LineKind::kHeader;
      // The parent is "pdir" whatever name the server gives it (RFC 3659).
      parent = EqualNoCase(value, "pdir");
      folder = EqualNoCase(value, "dir");
      link = IsLinkType(value);
    } else if (EqualNoCase(key, "size") || EqualNoCase(key, "sizd")) {
      if (!ReadDecimal(value, size)) sizeKnown = false;
    } else if (EqualNoCase(key, "modify")) {
      modified = MlsdTime(value);
    }
  }
  if (!typed && FindAnyOf(facts, "=") == std::string_view::npos) return LineKind::kNone;
  if (parent) {
    SetEntry(entry, "..", true, 0, 0);
    return LineKind::kEntry;
  }
  SetEntry(entry, line.substr(blank + 1), folder, size, modified);
  entry.link = link;
  entry.sizeKnown = sizeKnown;
  return LineKind::kEntry;
}

// "+i8388621.48594,m825718503,r,s280,\tdjb.html": facts separated by commas, a tab, the name.
LineKind ReadEplfLine(std::string_view line, const ListingClock&, ListingEntry& entry, bool) {
  const size_t tab = line.find('\t');
  if (line.size() < 3 || line[0] != '+' || tab == std::string_view::npos) {
    return LineKind::kNone;
  }
  const std::string_view facts = line.substr(1, tab - 1);
  bool folder = false;
  uint64_t size = 0;
  uint64_t modified = 0;
  size_t at = 0;
  while (at < facts.size()) {
    size_t end = facts.find(',', at);
    if (end == std::string_view::npos) end = facts.size();
    const std::string_view fact = facts.substr(at, end - at);
    at = end + 1;
    if (fact.empty()) continue;
    const std::string_view value = fact.substr(1);
    uint64_t number = 0;
    switch (fact[0]) {
      case '/':
        folder = true;
        break;
      case 'r':
        break;
      case 's':
        if (!ReadDecimal(value, size)) return LineKind::kNone;
        break;
      case 'm':
        if (!ReadDecimal(value, number) || number > INT64_MAX) return LineKind::kNone;
        modified = FileTimeOfUnix(static_cast<int64_t>(number));
        break;
      case 'i':
      case 'u':
        break;
      default:
        return LineKind::kNone;  // EPLF knows no other fact
    }
  }
  SetEntry(entry, line.substr(tab + 1), folder, size, modified);
  return LineKind::kEntry;
}

}  // namespace listing
