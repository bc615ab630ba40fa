// The stored FTP sites: SiteRecord, the one-line form of a site in "Sites.sts" (six fields joined
// by ";"), and loading and saving that file into the site lines and the site window's list box.
// The line rules are plain functions; LoadSites and SaveSites work on AppState.
#pragma once

#include <string>

#include "app/sites/site_lines.h"

class StringList;

// The file beside the program's current directory that holds one site per line.
extern const char* const kSitesFileName;
// Written first, then moved over the real file, so a failed save never cuts the old one. When
// the name is taken the save makes its file under this name with an unforeseeable suffix.
extern const char* const kSitesTempFileName;

// The line of what the site window's fields show now.
std::string BuildSiteLine();

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
