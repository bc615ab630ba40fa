// What a listing reader makes of an entry, and the limits every reader keeps to.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Longest listing line taken; a longer one is skipped whole.
constexpr size_t kMostListingLine = 8 * 1024;
// Longest name taken: 255 UTF-16 characters, as Windows allows, are up to 765 bytes of UTF-8
// (a find record's 260-byte field holds the start of such a name; the client hands out the rest).
constexpr size_t kMostEntryName = 765;

struct ListingEntry {
  std::string name;  // as the server sent it (no conversion of the code page here)
  bool folder = false;
  bool link = false;  // a symbolic link (its target's kind is not known)
  // Bytes. Where the listing gives only blocks (VMS) or a rounded size ("33.5k"), the nearest
  // byte count it stands for; 0 for folders and where the listing tells no size (MVS).
  uint64_t size = 0;
  // False when the listing gave a size that no 64-bit count holds: shown as no size, not as 0.
  bool sizeKnown = true;
  // Last write time as FILETIME units (100 ns since 1601-01-01 UTC); 0 when unknown.
  uint64_t modified = 0;
};
