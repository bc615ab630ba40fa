// The readers of the listing families, one per server kind, and what the dispatcher in
// ftp_listing.cpp needs to know of them. A reader only says whether a line has its family's
// form and what the line holds; which family a listing is, and which names may be delivered,
// is decided by the dispatcher.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "app/ftp/listing/listing_entry.h"
#include "app/ftp/listing/listing_text.h"

namespace listing {

enum Family : int {
  kUndecided,
  kMlsd,
  kUnix,  // ls -l and its variants: NetPresenz, VShell, localised dates
  kNetWare,
  kDos,  // DOS / IIS
  kOs2,
  kEplf,
  kVms,
  kMvsDatasets,
  kMvsMembers,
  kAs400,
  kZvm,
  kNonStop,
  kOs9,
  kNortel,
  kFamilyCount
};

enum class LineKind {
  kNone,      // not a line of this family
  kEntry,     // an entry in a form only this family writes: it decides an undecided listing
  kWeak,      // an entry whose name is sure, in a form too plain to decide a listing on
  kHeader,    // the family's own header line: no entry, but the family is sure
  kNameOnly,  // only a name; the details may follow on the next line (VMS)
  kUnsure,    // a line of this family's form whose entry cannot be read surely
};

// `decided`: the listing is known to be of this family, so lines that only make sense inside
// it (a PDS member name alone) are read too.
using LineReader = LineKind (*)(std::string_view line, const ListingClock& clock,
                                ListingEntry& entry, bool decided);

// The reader of a family from kMlsd to kFamilyCount - 1.
LineReader ReaderOf(int family);

LineKind ReadMlsdLine(std::string_view line, const ListingClock& clock, ListingEntry& entry,
                      bool decided);
LineKind ReadEplfLine(std::string_view line, const ListingClock& clock, ListingEntry& entry,
                      bool decided);
LineKind ReadUnixLine(std::string_view line, const ListingClock& clock, ListingEntry& entry,
                      bool decided);
LineKind ReadNetWareLine(std::string_view line, const ListingClock& clock, ListingEntry& entry,
                         bool decided);
LineKind ReadDosLine(std::string_view line, const ListingClock& clock, ListingEntry& entry,
                     bool decided);
LineKind ReadOs2Line(std::string_view line, const ListingClock& clock, ListingEntry& entry,
                     bool decided);
LineKind ReadVmsLine(std::string_view line, const ListingClock& clock, ListingEntry& entry,
                     bool decided);
// The second line of a two-line VMS entry: the size, date and owner of the name before it.
bool ReadVmsDetails(std::string_view line, const ListingClock& clock, ListingEntry& entry);
LineKind ReadMvsDatasetLine(std::string_view line, const ListingClock& clock, ListingEntry& entry,
                            bool decided);
LineKind ReadMvsMemberLine(std::string_view line, const ListingClock& clock, ListingEntry& entry,
                           bool decided);
LineKind ReadAs400Line(std::string_view line, const ListingClock& clock, ListingEntry& entry,
                       bool decided);
LineKind ReadZvmLine(std::string_view line, const ListingClock& clock, ListingEntry& entry,
                     bool decided);
LineKind ReadNonStopLine(std::string_view line, const ListingClock& clock, ListingEntry& entry,
                         bool decided);
LineKind ReadOs9Line(std::string_view line, const ListingClock& clock, ListingEntry& entry,
                     bool decided);
LineKind ReadNortelLine(std::string_view line, const ListingClock& clock, ListingEntry& entry,
                        bool decided);

// A date and time as the Unix-like families write it; year 0 when the listing left it out.
struct Stamp {
  int year = 0;
  int month = 0;
  int day = 0;
  int hour = 0;
  int minute = 0;
  int second = 0;
  int zoneMinutes = 0;  // east of UTC, when the listing gave a zone ("+0200")
  size_t last = 0;      // the index of the stamp's last word
  // Bare numbers ("3 29 03:26", "09-26 2000") could as well be owner, group and size columns.
  bool bare = false;
  // A date no ls writes (a bare numeric date, seconds since 1970): the server pads it to its
  // column as it likes, so every blank after it is the separator, not part of the name.
  bool padded = false;
  int64_t epochSeconds = -1;  // the date given as seconds since 1970, when it was
};

// The date forms of ls in every locale seen, starting at word `first`: "Jan 01 10:00",
// "Jan  1  2020", "29 Jul 2005", "26. Juli, 20:43", "3 29 03:26", "3月 29日 03:26",
// "2005-06-07 21:22", "09-26 2000", "2004.07.15", "24-04-2003", "2004. szept. 20.",
// "01-jun-99 10:22", and seconds since 1970 ("1119470400") ...
bool ReadUnixStamp(const Tokens& words, size_t first, Stamp& stamp);
// Only the English "Mon DD HH:MM" / "Mon DD YYYY" forms (NetWare and other ls imitations).
bool ReadMonthFirstStamp(const Tokens& words, size_t first, Stamp& stamp);
uint64_t StampTime(const Stamp& stamp, const ListingClock& clock);

// A plausible year of a file's date: a number outside is some other column.
bool PlausibleYear(int year);
// "12-MAR-2004", "03-Sep-03", "01-jun-99": day, month name and year between dashes. The month
// is 0 for the French "JUI", which may be June or July (the date is then unknown).
bool ReadDashedDate(std::string_view word, int& year, int& month, int& day);
// "03-Sep-03", "31-Jul-2002", "4-MAR-2019" (day, month name and year between dashes) and a
// clock time, as VMS and HP NonStop write them: the last write time as a FILETIME.
bool ReadDashedDateTime(std::string_view date, std::string_view time, uint64_t& modified);

// The name and kind of an entry, set in one go.
void SetEntry(ListingEntry& entry, std::string_view name, bool folder, uint64_t size,
              uint64_t modified);

}  // namespace listing
