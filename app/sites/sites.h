// The stored FTP sites: SiteRecord, the one-line form of a site in "Sites.sts" (six fields joined
// by ";"), and loading and saving that file into the site lines and the site window's list box.
// The line rules are plain functions; LoadSites and SaveSites work on AppState.
#pragma once

#include <string>

#include "app/sites/site_file.h"
#include "app/sites/site_lines.h"

class StringList;

// The file beside the program's current directory that holds one site per line.
extern const char* const kSitesFileName;
// Written first, then moved over the real file, so a failed save never cuts the old one. When
// the name is taken the save makes its file under this name with an unforeseeable suffix.
extern const char* const kSitesTempFileName;

// What the site window's fields show now, and its line.
SiteRecord ShownSiteFields();
std::string BuildSiteLine();

// The platform's code page rules for the file: lines read from UTF-8, or from the legacy code
// page where they are no UTF-8, into the ANSI code page, and written in UTF-8; refusing what
// does not convert exactly.
SiteTextRules PlatformSiteTextRules();

// Changes of the stored sites, made alike in the file's lines and in siteLines (the index is
// the site's in siteLines and the site list); SaveSites writes them.
void AddSiteLine(const std::string& line);
void ReplaceSiteLine(int index, const std::string& line);
void DeleteSiteLine(int index);

// Writes `bytes` to `fileName` through a temporary file created new
// beside it (`tempFileName`, or that name with a suffix when it is taken; whatever holds a
// taken name, a link or a leftover, is never opened): the old file is replaced only when the new
// contents were written in full; otherwise it stays whole and the temporary file is removed.
// True when the file now holds the lines.
bool WriteSiteFile(const std::string& bytes, const std::string& fileName,
                   const std::string& tempFileName);
// The lines, each followed by CR LF.
bool WriteSiteFile(const StringList& lines, const std::string& fileName,
                   const std::string& tempFileName);

// The text of the box a save refused for the file's encoding shows.
extern const char* const kUnwritableSitesText;

// Reads "Sites.sts" into siteFile, its sites into siteLines, and lists their names. A missing
// or unreadable file leaves them empty.
void LoadSites();
// Writes siteFile to "Sites.sts", then reloads; a save that fails loses the change silently.
// A file that cannot be written without loss (UTF-16 holding characters the ANSI code page
// lacks) is left as it is: a box owned by the site window says so.
void SaveSites();
