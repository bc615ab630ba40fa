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

listing::LineReader listing::ReaderOf(int family) { return kReaders[family]; }

void listing::SetEntry(ListingEntry& entry, std::string_view name, bool folder, uint64_t size,
                       uint64_t modified) {
  entry.name.assign(name.data(), name.size());
  entry.folder = folder;
  entry.link = false;
  entry.size = folder ? 0 : size;
  entry.sizeKnown = true;
  entry.modified = modified;
}

ListingParser::ListingParser(bool mlsd, int64_t now)
    : clock_(now), family_(mlsd ? listing::kMlsd : listing::kUndecided) {}

void ListingParser::Deliver(ListingEntry& entry) {
  if (entry.name == "..") {
    // The server's own parent entry, kept once so the pane can go up where the server says.
    // In a LIST line ".." names the parent whatever its type letter claims; MLSD says what
    // it is in its type fact.
    if (parentDelivered_ || (!entry.folder && family_ == listing::kMlsd)) return;
    entry.folder = true;
    entry.link = false;
    parentDelivered_ = true;
  } else if (!AcceptableName(entry.name)) {
    if (entry.name != ".") ++unread_;
    return;
  }
  if (readyCount_ == ready_.size()) ready_.emplace_back();
  std::swap(ready_[readyCount_++], entry);
}

bool ListingParser::ReadByAnyFamily(std::string_view line) {
  for (int family = listing::kUnix; family < listing::kFamilyCount; ++family) {
    const LineKind kind = kReaders[family](line, clock_, probe_, false);
    if (kind != LineKind::kNone && kind != LineKind::kHeader) return true;
  }
  return false;
}

void ListingParser::TakeDecided(std::string_view line) {
  if (pending_) {
    pending_ = false;
    // A name whose details never came is still a listed file.
    if (listing::ReadVmsDetails(line, clock_, pendingEntry_)) {
      Deliver(pendingEntry_);
      return;
    }
    Deliver(pendingEntry_);
  }
  const LineKind kind = kReaders[family_](line, clock_, work_, true);
  switch (kind) {
    case LineKind::kNameOnly:
      if (family_ == listing::kVms) {
        std::swap(pendingEntry_, work_);
        pending_ = true;
        return;
      }
      Deliver(work_);
      return;
    case LineKind::kEntry:
    case LineKind::kWeak:
      Deliver(work_);
      return;
    case LineKind::kUnsure:
      ++unread_;
      return;
    case LineKind::kHeader:
      return;
    case LineKind::kNone:
      // An entry of another family inside this listing is not shown, but it is said. (MLSD
      // lines are facts: a LIST reader proves nothing about them.)
      if (family_ != listing::kMlsd && ReadByAnyFamily(line)) ++unread_;
      return;
  }
}

// The family that alone reads the line becomes the listing's, and reads the lines held before
// it; a line that more than one family reads, or only in a form too plain to decide on (or that
// a family knows for its own but cannot read), is held; a line no family reads as an entry is
// none.
void ListingParser::TakeUndecided(std::string_view line) {
  int decided = listing::kUndecided;
  int sure = 0;
  bool read = false;
  for (int family = listing::kUnix; family < listing::kFamilyCount; ++family) {
    const LineKind kind = kReaders[family](line, clock_, probe_, false);
    if (kind == LineKind::kNone) continue;
    read = read || kind != LineKind::kHeader;
    if (kind == LineKind::kEntry || kind == LineKind::kHeader || kind == LineKind::kNameOnly) {
      ++sure;
      decided = family;
    }
  }
  if (sure == 1) {
    family_ = decided;
    ReleaseHeld();
    TakeDecided(line);
  } else if (read) {
    Hold(line);
  }
}

void ListingParser::Hold(std::string_view line) {
  // A listing that stays undecided is not held whole: its lines are read in batches.
  constexpr size_t kMostHeldLines = 256;
  if (held_.size() >= kMostHeldLines) ResolveHeld();
  held_.emplace_back(line);
}

void ListingParser::ReleaseHeld() {
  std::vector<std::string> held;
  held.swap(held_);
  for (const std::string& line : held) TakeDecided(line);
}

// The held lines of a listing still undecided: read by the family that reads most of them in
// its own forms, then most in plainer ones (ties go to the family listed first). A line is read
// only when every family that reads it gives it the same name.
void ListingParser::ResolveHeld() {
  if (held_.empty()) return;
  int best = listing::kUndecided;
  size_t bestSure = 0;
  size_t bestWeak = 0;
  for (int family = listing::kUnix; family < listing::kFamilyCount; ++family) {
    size_t sure = 0;
    size_t weak = 0;
    for (const std::string& line : held_) {
      const LineKind kind = kReaders[family](line, clock_, probe_, false);
      if (kind == LineKind::kEntry || kind == LineKind::kNameOnly) ++sure;
      if (kind == LineKind::kWeak) ++weak;
    }
    if (sure > bestSure || (sure == bestSure && weak > bestWeak)) {
      best = family;
      bestSure = sure;
      bestWeak = weak;
    }
  }
  for (const std::string& line : held_) {
    const LineKind kind =
        best == listing::kUndecided ? LineKind::kNone : kReaders[best](line, clock_, work_, false);
    if (kind != LineKind::kEntry && kind != LineKind::kWeak && kind != LineKind::kNameOnly) {
      ++unread_;
      continue;
    }
    bool agreed = true;
    for (int family = listing::kUnix; agreed && family < listing::kFamilyCount; ++family) {
      if (family == best) continue;
      const LineKind other = kReaders[family](line, clock_, probe_, false);
      agreed =
          (other != LineKind::kEntry && other != LineKind::kWeak && other != LineKind::kNameOnly) ||
          probe_.name == work_.name;
    }
    if (agreed) {
      Deliver(work_);
    } else {
      ++unread_;
    }
  }
  held_.clear();
}

size_t ListingParser::Take(std::string_view line) {
  readyCount_ = 0;
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  if (line.size() > kMostListingLine) {
    if (pending_) {
      pending_ = false;
      Deliver(pendingEntry_);
    }
    ++unread_;
  } else if (family_ == listing::kUndecided) {
    TakeUndecided(line);
  } else {
    TakeDecided(line);
  }
  return readyCount_;
}

size_t ListingParser::TakeEnd() {
  readyCount_ = 0;
  if (pending_) {
    pending_ = false;
    Deliver(pendingEntry_);
  }
  ResolveHeld();
  return readyCount_;
}

std::vector<ListingEntry> ParseListing(std::string_view bytes, bool mlsd) {
  return ParseListing(bytes, mlsd, CurrentTime());
}

std::vector<ListingEntry> ParseListing(std::string_view bytes, bool mlsd, int64_t now,
                                       size_t* unread) {
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
  if (unread != nullptr) *unread = parser.Unread() + lines.Dropped();
  return entries;
}

namespace {

// One line on its own: the first entry it reads that is not the parent folder.
bool ParseOneLine(std::string_view line, bool mlsd, int64_t now, ListingEntry& entry) {
  ListingParser parser(mlsd, now);
  bool found = false;
  auto take = [&](const ListingEntry& read) {
    if (read.name == ".." || found) return;
    entry = read;
    found = true;
  };
  parser.Line(line, take);
  parser.End(take);
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
  auto take = [&](const ListingEntry& read) { parent = parent || read.name == ".."; };
  parser.Line(line, take);
  parser.End(take);
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
