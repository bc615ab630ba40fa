// Reading a folder listing that an FTP server sent: MLSD (RFC 3659 facts), or LIST in any of
// the forms real servers write (Unix ls and its imitations, DOS/IIS, EPLF, NetWare, OS/2, VMS,
// MVS, IBM i, z/VM, HP NonStop, OS-9, Nortel; one reader per family under listing/); cutting
// the data into lines; the wildcard of a find pattern. Plain code over bytes, without
// windows.h: what a server writes is untrusted, and these are fuzzed natively.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/ftp/listing/listing_entry.h"
#include "app/ftp/listing/listing_text.h"

namespace listing {
enum class LineKind;
}

// Reads a listing line by line, as it arrives. The family is decided from the listing itself,
// once: by the first line that exactly one family reads in a form of its own (or a family's own
// header line). Lines that more than one family reads before that are held, and read by the
// family once it is decided; a listing that ends (or holds too many lines) still undecided has
// them read by the family that reads the most of them with the fewest doubts. A name is never
// guessed: a line two families read with two different names is left out, and so is a line
// of the family's form that it cannot read surely; Unread() counts such lines.
class ListingParser {
 public:
  // `now`: the current time as seconds since 1970-01-01 UTC, read once by the caller (dates
  // written without a year lie within the year before it).
  ListingParser(bool mlsd, int64_t now);
  // One line (no CR/LF). sink(const ListingEntry&) gets every entry the line completes (and
  // those of lines held before it), the server's own parent folder too (once, named "..", a
  // folder); never ".", an empty name, a name over kMostEntryName bytes or one holding CR, LF
  // or NUL.
  template <typename Sink>
  void Line(std::string_view line, Sink&& sink);
  // The end of the listing: an entry still waiting for its next line (VMS) is complete now,
  // and lines held while the family was undecided are read.
  template <typename Sink>
  void End(Sink&& sink);
  // Lines left out so far because they could not be read surely: entries of the listing's form
  // that could not be read, lines two families read with different names, entries of another
  // family, names no find record can hold, lines too long to take. Blank lines, totals, headers
  // and the server's "." and ".." are not counted. A caller can tell the user "N lines could
  // not be read" from it once the listing has ended.
  size_t Unread() const { return unread_; }

 private:
  size_t Take(std::string_view line);
  size_t TakeEnd();
  void TakeDecided(std::string_view line);
  void TakeUndecided(std::string_view line);
  void Hold(std::string_view line);
  void ReleaseHeld();
  void ResolveHeld();
  bool ReadByAnyFamily(std::string_view line);
  void Deliver(ListingEntry& entry);

  listing::ListingClock clock_;
  int family_;  // a listing::Family
  bool parentDelivered_ = false;
  bool pending_ = false;  // pendingEntry_ waits for its details on the next line
  size_t unread_ = 0;
  ListingEntry pendingEntry_;
  ListingEntry work_;
  ListingEntry probe_;
  std::vector<std::string> held_;  // lines read by more than one family, family undecided
  std::vector<ListingEntry> ready_;
  size_t readyCount_ = 0;
};

// A whole listing (the clock read once, or `now` given): every entry in the server's order,
// without the server's ".." entry. `unread`, when given, receives ListingParser::Unread() plus
// the lines dropped for their length.
std::vector<ListingEntry> ParseListing(std::string_view bytes, bool mlsd);
std::vector<ListingEntry> ParseListing(std::string_view bytes, bool mlsd, int64_t now,
                                       size_t* unread = nullptr);

// One MLSD line ("type=file;size=12;modify=20260101120000; name"). False for a line that is no
// entry: unknown form, "cdir" / "pdir" types, "." or "..", a name that is empty, too long, or
// holds CR, LF or NUL.
bool ParseMlsdLine(std::string_view line, ListingEntry& entry);

// One LIST line on its own, of any family whose lines stand alone, read as a listing of one
// line is (the clock is read for each call: a listing is read with ListingParser). False for a
// line no family reads ("total 12", blank lines, garbage), for one two families read with two
// different names, and for names refused as above.
bool ParseListLine(std::string_view line, ListingEntry& entry);

// Whether the line is the server's own entry for the parent folder: a ".." line in a LIST form
// (whatever its type letter says), or an MLSD "type=pdir" fact or ".." folder (the entries the
// two readers above refuse).
bool IsParentFolderLine(std::string_view line, bool mlsd);

// Cuts a stream of listing bytes into lines (CR LF or LF). A line longer than kMostListingLine
// is dropped whole, however it is split across the pieces fed, and counted.
class ListingLineReader {
 public:
  // Adds bytes; calls sink(std::string_view line) for every complete line.
  template <typename Sink>
  void Feed(const char* data, size_t size, Sink&& sink);
  // The end of the data: a last line without a line break is complete now.
  template <typename Sink>
  void Finish(Sink&& sink);
  // Lines dropped so far for their length.
  size_t Dropped() const { return dropped_; }

 private:
  std::string pending_;
  bool dropping_ = false;
  size_t dropped_ = 0;
  template <typename Sink>
  void Emit(Sink& sink);
};

// Whether the name matches the pattern's wildcards (* and ?), without regard to case as on
// Windows; "*.*" and "*" match every name, a dot-less name included.
bool MatchesPattern(std::string_view name, std::string_view pattern);

// ---- template members ----

template <typename Sink>
void ListingLineReader::Emit(Sink& sink) {
  std::string_view line(pending_);
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  if (!dropping_) {
    sink(line);
  } else {
    ++dropped_;
  }
  pending_.clear();
  dropping_ = false;
}

template <typename Sink>
void ListingLineReader::Feed(const char* data, size_t size, Sink&& sink) {
  // A line wholly inside the piece goes out as it lies there; only a line cut by the end of a
  // piece is gathered. A line may hold one byte more than kMostListingLine (its CR); a longer
  // one is dropped whole.
  constexpr size_t kMostKept = kMostListingLine + 1;
  const char* const end = data + size;
  const char* at = data;
  while (at < end) {
    const char* const lineEnd = std::find(at, end, '\n');
    const size_t length = static_cast<size_t>(lineEnd - at);
    if (!dropping_) {
      if (pending_.empty() && lineEnd != end && length <= kMostKept) {
        std::string_view line(at, length);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        sink(line);
        at = lineEnd + 1;
        continue;
      }
      if (pending_.size() + length > kMostKept) {
        dropping_ = true;
        pending_.clear();
      } else {
        pending_.append(at, length);
      }
    }
    if (lineEnd == end) break;
    Emit(sink);
    at = lineEnd + 1;
  }
}

template <typename Sink>
void ListingLineReader::Finish(Sink&& sink) {
  if (!pending_.empty() || dropping_) Emit(sink);
}

template <typename Sink>
void ListingParser::Line(std::string_view line, Sink&& sink) {
  const size_t count = Take(line);
  for (size_t i = 0; i < count; ++i) sink(static_cast<const ListingEntry&>(ready_[i]));
}

template <typename Sink>
void ListingParser::End(Sink&& sink) {
  const size_t count = TakeEnd();
  for (size_t i = 0; i < count; ++i) sink(static_cast<const ListingEntry&>(ready_[i]));
}
