// The one-line form of a stored site in "Sites.sts": SiteRecord, its six fields joined by ";",
// and cutting a line back into them. Plain code without windows.h: a site file may come from
// anywhere, and these are fuzzed natively.
#pragma once

#include <string>

// One stored site, six texts in file order.
struct SiteRecord {
  std::string SiteName;
  std::string HostAddress;
  std::string UserName;
  std::string Password;
  std::string Anonymous;  // "1" when the Anonymous box is checked, "0" when not
  std::string Port;
};

// The line of a site: Anonymous "1" stores 1, anything else 0; an empty Port stores 21.
std::string BuildSiteLine(const SiteRecord& fields);
// Cuts five fields at ";" from the front; Port is the whole rest, further ";" included.
// Missing fields stay empty.
SiteRecord SplitSiteLine(const std::string& line);

// The name the site list shows for a line: the text before the first ";".
std::string SiteNameOfLine(const std::string& line);
