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

// Field numbers in line order, for the checks below.
enum SiteField { kSiteNameField, kHostField, kUserField, kPasswordField, kAnonymousField, kPortField };

// The first text field that a site line cannot hold as it is, or -1 when all can: a ";" would
// move the rest of the line into the next fields, a line break would end the line, and another
// control character would keep the line from being read back as a site. Anonymous is stored as
// 1 or 0 and never refused.
int FirstUnstorableField(const SiteRecord& fields);
// The label the site window shows beside the field ("Password:").
const char* SiteFieldLabel(int field);
// The box text for a refused field: The field "Password:" may not hold ";", ...
std::string UnstorableFieldText(int field);
// The box text for a site name that starts with the bytes of a byte-order mark: as the first
// line of the file it would have the whole file read in another encoding.
std::string EncodingMarkNameText();
