#include "app/sites/site_lines.h"

#include <utility>

#include "winobj/text_core.h"

namespace {

constexpr char kFieldSeparator[] = ";";
constexpr char kDefaultPort[] = "21";

// Window labels in field order; the check box's own text stands for Anonymous.
const char* const kFieldLabels[] = {"Site:",     "Host Address:", "User Name:",
                                    "Password:", "Anonymous",     "Port Number:"};

bool Storable(const std::string& field) {
  for (char c : field) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if (c == ';' || (byte < 0x20 && c != '\t') || byte == 0x7F) return false;
  }
  return true;
}

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

int FirstUnstorableField(const SiteRecord& fields) {
  const std::pair<int, const std::string*> checked[] = {
      {kSiteNameField, &fields.SiteName}, {kHostField, &fields.HostAddress},
      {kUserField, &fields.UserName},     {kPasswordField, &fields.Password},
      {kPortField, &fields.Port},
  };
  for (const auto& field : checked) {
    if (!Storable(*field.second)) return field.first;
  }
  return -1;
}

const char* SiteFieldLabel(int field) {
  if (field < kSiteNameField || field > kPortField) return "";
  return kFieldLabels[field];
}

std::string EncodingMarkNameText() {
  return std::string("The field \"") + SiteFieldLabel(kSiteNameField) +
         "\" may not start with the characters of a byte-order mark: Sites.sts would be read "
         "in another encoding.";
}

std::string UnstorableFieldText(int field) {
  return std::string("The field \"") + SiteFieldLabel(field) +
         "\" may not hold \";\", a line break or a control character.";
}
