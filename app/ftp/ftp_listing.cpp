// The dispatcher over the family readers of listing/: which family a listing is, which names
// may be delivered, the server's own "..", VMS entries spread over two lines.
#include "app/ftp/ftp_listing.h"

#include <ctime>
#include <utility>

#include "app/ftp/listing/listing_families.h"

namespace {

using listing::Family;
using listing::LineKind;
using listing::LineReader;

constexpr LineReader kReaders[listing::kFamilyCount] = {
    nullptr,
    listing::ReadMlsdLine,
    listing::ReadUnixLine,
    listing::ReadNetWareLine,
    listing::ReadDosLine,
    listing::ReadOs2Line,
    listing::ReadEplfLine,
    listing::ReadVmsLine,
    listing::ReadMvsDatasetLine,
    listing::ReadMvsMemberLine,
    listing::ReadAs400Line,
    listing::ReadZvmLine,
    listing::ReadNonStopLine,
    listing::ReadOs9Line,
    listing::ReadNortelLine,
};

// A name a find record can carry and a later command can name.
bool AcceptableName(std::string_view name) {
  if (name.empty() || name.size() > kMostEntryName) return false;
  if (name == "." || name == "..") return false;
  return !HoldsLineBreak(name);
}

int64_t CurrentTime() { return static_cast<int64_t>(std::time(nullptr)); }

// '*' and '?' over the name, case-insensitive; iterative with one back-track point.
bool Glob(std::string_view name, std::string_view pattern) {
  size_t n = 0;
  size_t p = 0;
  size_t starP = std::string_view::npos;
  size_t starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() &&
        (pattern[p] == '?' || UpperAscii(pattern[p]) == UpperAscii(name[n]))) {
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

}  // namespace

void listing::SetEntry(ListingEntry& entry, std::string_view name, bool folder, uint64_t size,
                       uint64_t modified) {
  entry.name.assign(name.data(), name.size());
  entry.folder = folder;
  entry.link = false;
  entry.size = folder ? 0 : size;
  entry.modified = modified;
}

ListingParser::ListingParser(bool mlsd, int64_t now)
    : clock_(now), family_(mlsd ? listing::kMlsd : listing::kUndecided) {}

void ListingParser::Deliver(ListingEntry& entry, size_t& count) {
  if (entry.name == "..") {
    // The server's own parent entry, kept once so the pane can go up where the server says.
    // In a LIST line ".." names the parent whatever its type letter claims; MLSD says what
    // it is in its type fact.
    if (parentDelivered_ || (!entry.folder && family_ == listing::kMlsd)) return;
    entry.folder = true;
    entry.link = false;
    parentDelivered_ = true;
  } else if (!AcceptableName(entry.name)) {
    return;
  }
  std::swap(ready_[count++], entry);
}

// The family that alone reads the line becomes the listing's; a line that no family or more
// than one family reads decides nothing and is skipped.
LineKind ListingParser::Decide(std::string_view line) {
  int decided = listing::kUndecided;
  LineKind found = LineKind::kNone;
  for (int family = listing::kUnix; family < listing::kFamilyCount; ++family) {
    const LineKind kind = kReaders[family](line, clock_, probe_, false);
    if (kind == LineKind::kNone) continue;
    if (decided != listing::kUndecided) return LineKind::kNone;
    decided = family;
    found = kind;
    std::swap(work_, probe_);
  }
  family_ = decided;
  return found;
}

size_t ListingParser::Take(std::string_view line) {
  size_t count = 0;
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  const bool tooLong = line.size() > kMostListingLine;
  if (pending_) {
    pending_ = false;
    // A name whose details never came is still a listed file.
    if (!tooLong && listing::ReadVmsDetails(line, clock_, pendingEntry_)) {
      Deliver(pendingEntry_, count);
      return count;
    }
    Deliver(pendingEntry_, count);
  }
  if (tooLong) return count;
  const LineKind kind =
      family_ == listing::kUndecided ? Decide(line) : kReaders[family_](line, clock_, work_, true);
  if (kind == LineKind::kNameOnly && family_ == listing::kVms) {
    std::swap(pendingEntry_, work_);
    pending_ = true;
  } else if (kind == LineKind::kEntry || kind == LineKind::kNameOnly) {
    Deliver(work_, count);
  }
  return count;
}

size_t ListingParser::TakeEnd() {
  size_t count = 0;
  if (pending_) {
    pending_ = false;
    Deliver(pendingEntry_, count);
  }
  return count;
}

std::vector<ListingEntry> ParseListing(std::string_view bytes, bool mlsd) {
  return ParseListing(bytes, mlsd, CurrentTime());
}

std::vector<ListingEntry> ParseListing(std::string_view bytes, bool mlsd, int64_t now) {
  std::vector<ListingEntry> entries;
  ListingLineReader lines;
  ListingParser parser(mlsd, now);
  auto keep = [&](const ListingEntry& entry) {
    if (entry.name != "..") entries.push_back(entry);
  };
  auto take = [&](std::string_view line) { parser.Line(line, keep); };
  lines.Feed(bytes.data(), bytes.size(), take);
  lines.Finish(take);
  parser.End(keep);
  return entries;
}

namespace {

// One line on its own: the first entry it reads that is not the parent folder.
bool ParseOneLine(std::string_view line, bool mlsd, int64_t now, ListingEntry& entry) {
  ListingParser parser(mlsd, now);
  bool found = false;
  parser.Line(line, [&](const ListingEntry& read) {
    if (read.name == ".." || found) return;
    entry = read;
    found = true;
  });
  return found;
}

}  // namespace

bool ParseMlsdLine(std::string_view line, ListingEntry& entry) {
  return ParseOneLine(line, true, 0, entry);  // MLSD dates always hold their year
}

bool ParseListLine(std::string_view line, ListingEntry& entry) {
  return ParseOneLine(line, false, CurrentTime(), entry);
}

bool IsParentFolderLine(std::string_view line, bool mlsd) {
  ListingParser parser(mlsd, 0);
  bool parent = false;
  parser.Line(line, [&](const ListingEntry& read) { parent = parent || read.name == ".."; });
  return parent;
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
