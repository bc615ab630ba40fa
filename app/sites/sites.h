// The stored FTP sites: SiteRecord, the one-line form of a site in "Sites.sts" (six fields joined
// by ";"), and loading and saving that file into the site lines and the site window's list box.
// The line rules are plain functions; LoadSites and SaveSites work on AppState.
#pragma once

#include <string>

class StringList;

// One stored site, six texts in file order.
struct SiteRecord {
  std::string SiteName;
  std::string HostAddress;
  std::string UserName;
  std::string Password;
  std::string Anonymous;  // "1" when the Anonymous box is checked, "0" when not
  std::string Port;
};

// The file beside the program's current directory that holds one site per line.
extern const char* const kSitesFileName;
// Written first, then moved over the real file, so a failed save never cuts the old one. When
// the name is taken the save makes its file under this name with an unforeseeable suffix.
extern const char* const kSitesTempFileName;

// The line of a site: Anonymous "1" stores 1, anything else 0; an empty Port stores 21.
std::string BuildSiteLine(const SiteRecord& fields);
// The line of what the site window's fields show now.
std::string BuildSiteLine();

// Cuts five fields at ";" from the front; Port is the whole rest, further ";" included.
// Missing fields stay empty.
SiteRecord SplitSiteLine(const std::string& line);

// The name the site list shows for a line: the text before the first ";".
std::string SiteNameOfLine(const std::string& line);

// Writes the lines (each followed by CR LF) to `fileName` through a temporary file created new
// beside it (`tempFileName`, or that name with a suffix when it is taken; whatever holds a
// taken name, a link or a leftover, is never opened): the old file is replaced only when the new
// contents were written in full; otherwise it stays whole and the temporary file is removed.
// True when the file now holds the lines.
bool WriteSiteFile(const StringList& lines, const std::string& fileName,
                   const std::string& tempFileName);

// Empties siteLines and siteList, reads "Sites.sts" into siteLines and lists the site names.
// A missing or unreadable file leaves both empty.
void LoadSites();
// Writes siteLines to "Sites.sts", then reloads; a save that fails loses the change silently.
void SaveSites();
