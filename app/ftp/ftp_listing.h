// Reading a folder listing that an FTP server sent: MLSD lines (RFC 3659 facts), and LIST lines
// in the Unix "ls -l" form or the DOS/IIS form; the wildcard of a find pattern. Plain code over
// bytes, without windows.h: what a server writes is untrusted, and these are fuzzed natively.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Longest listing line taken; a longer one is skipped whole.
constexpr size_t kMostListingLine = 8 * 1024;
// Longest name a find record holds (its 260-byte field, NUL included).
constexpr size_t kMostEntryName = 259;

struct ListingEntry {
  std::string name;  // as the server sent it (no conversion of the code page here)
  bool folder = false;
  bool link = false;  // a symbolic link: what it points to is not known from the listing
  uint64_t size = 0;
  // Last write time as FILETIME units (100 ns since 1601-01-01 UTC); 0 when unknown.
  uint64_t modified = 0;
};

// One MLSD line ("type=file;size=12;modify=20260101120000; name"). False for a line that is no
// entry: unknown form, "cdir" / "pdir" types, "." or "..", a name that is empty, too long, or
// holds CR, LF or NUL.
bool ParseMlsdLine(std::string_view line, ListingEntry& entry);

// One LIST line in the Unix form (names with blanks kept whole, "name -> target" as name, both
// date forms, with or without the group column) or the DOS/IIS form ("<DIR>" or a size). False
// for a line of neither form ("total 12", blank lines, garbage) and for names refused as above.
bool ParseListLine(std::string_view line, ListingEntry& entry);

// Whether the line is the server's own entry for the parent folder: a ".." folder in either
// LIST form, or an MLSD "type=pdir" fact (the entries the two readers above refuse).
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
  for (size_t i = 0; i < size; ++i) {
    const char c = data[i];
    if (c == '\n') {
      Emit(sink);
      continue;
    }
    if (dropping_) continue;
    if (pending_.size() > kMostListingLine) {  // one more byte than a line may hold: the CR
      dropping_ = true;
      pending_.clear();
      continue;
    }
    pending_.push_back(c);
  }
}

template <typename Sink>
void ListingLineReader::Finish(Sink&& sink) {
  if (!pending_.empty() || dropping_) Emit(sink);
}
