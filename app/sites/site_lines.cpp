#include "app/sites/site_lines.h"

#include "winobj/text_core.h"

namespace {

constexpr char kFieldSeparator[] = ";";
constexpr char kDefaultPort[] = "21";

}  // namespace

std::string BuildSiteLine(const SiteRecord& fields) {
  std::string line = fields.SiteName + ";";
  line += fields.HostAddress + ";";
  line += fields.UserName + ";";
  line += fields.Password + ";";
  line += fields.Anonymous == "1" ? "1;" : "0;";
  line += fields.Port.empty() ? std::string(kDefaultPort) : fields.Port;
  return line;
}

SiteRecord SplitSiteLine(const std::string& line) {
  SiteRecord fields;
  std::string rest = line;
  CutField(rest, kFieldSeparator, fields.SiteName);
  CutField(rest, kFieldSeparator, fields.HostAddress);
  CutField(rest, kFieldSeparator, fields.UserName);
  CutField(rest, kFieldSeparator, fields.Password);
  CutField(rest, kFieldSeparator, fields.Anonymous);
  fields.Port = rest;
  return fields;
}

std::string SiteNameOfLine(const std::string& line) {
  std::string rest = line;
  std::string name;
  CutField(rest, kFieldSeparator, name);
  return name;
}
