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
// once: by the first line that exactly one family reads (or a family's own header line); lines
// before that are skipped, and so is every later line the family does not read. A name is
// never guessed: an unsure line is skipped rather than read wrong.
class ListingParser {
 public:
  // `now`: the current time as seconds since 1970-01-01 UTC, read once by the caller (dates
  // written without a year lie within the year before it).
  ListingParser(bool mlsd, int64_t now);
  // One line (no CR/LF). sink(const ListingEntry&) gets every entry the line completes, the
  // server's own parent folder too (once, named "..", a folder); never ".", an empty name, a
  // name over kMostEntryName bytes or one holding CR, LF or NUL.
  template <typename Sink>
  void Line(std::string_view line, Sink&& sink);
  // The end of the listing: an entry still waiting for its next line (VMS) is complete now.
  template <typename Sink>
  void End(Sink&& sink);

 private:
  size_t Take(std::string_view line);
  size_t TakeEnd();
  listing::LineKind Decide(std::string_view line);
  void Deliver(ListingEntry& entry, size_t& count);

  listing::ListingClock clock_;
  int family_;  // a listing::Family
  bool parentDelivered_ = false;
  bool pending_ = false;  // pendingEntry_ waits for its details on the next line
  ListingEntry pendingEntry_;
  ListingEntry work_;
  ListingEntry probe_;
  ListingEntry ready_[2];
};

// A whole listing (the clock read once, or `now` given): every entry in the server's order,
// without the server's ".." entry.
std::vector<ListingEntry> ParseListing(std::string_view bytes, bool mlsd);
std::vector<ListingEntry> ParseListing(std::string_view bytes, bool mlsd, int64_t now);

// One MLSD line ("type=file;size=12;modify=20260101120000; name"). False for a line that is no
// entry: unknown form, "cdir" / "pdir" types, "." or "..", a name that is empty, too long, or
// holds CR, LF or NUL.
bool ParseMlsdLine(std::string_view line, ListingEntry& entry);

// One LIST line on its own, of any family whose lines stand alone, read as the first line of a
// listing is (the clock is read for each call: a listing is read with ListingParser). False for
// a line no family or more than one family reads ("total 12", blank lines, garbage) and for
// names refused as above.
bool ParseListLine(std::string_view line, ListingEntry& entry);

// Whether the line is the server's own entry for the parent folder: a ".." line in a LIST form
// (whatever its type letter says), or an MLSD "type=pdir" fact or ".." folder (the entries the
// two readers above refuse).
bool IsParentFolderLine(std::string_view line, bool mlsd);

// Cuts a stream of listing bytes into lines (CR LF or LF). A line longer than kMostListingLine
// is dropped whole, however it is split across the pieces fed.
class ListingLineReader {
 public:
  // Adds bytes; calls sink(std::string_view line) for every complete line.
  template <typename Sink>
  void Feed(const char* data, size_t size, Sink&& sink);
  // The end of the data: a last line without a line break is complete now.
  template <typename Sink>
  void Finish(Sink&& sink);

 private:
  std::string pending_;
  bool dropping_ = false;
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
  if (!dropping_) sink(line);
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
