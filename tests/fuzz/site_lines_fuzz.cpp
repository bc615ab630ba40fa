// A site file of arbitrary bytes, read the way the site list reads it: cut into lines, each line
// cut into its six fields; and sites built from arbitrary fields, written and read back.
#include "app/sites/site_lines.h"
#include "tests/fuzz/fuzz_input.h"
#include "winobj/text_core.h"

namespace {

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

// The fields of a line, joined again exactly as they stood.
std::string Rejoined(const SiteRecord& r, size_t separators) {
  std::string line = r.SiteName;
  const std::string* rest[] = {&r.HostAddress, &r.UserName, &r.Password, &r.Anonymous, &r.Port};
  for (size_t i = 0; i < 5; ++i)
    if (i < separators) line += ";" + *rest[i];
  return line;
}

void CheckFileText(const std::string& text) {
  const std::vector<std::string> lines = SplitTextLines(text);
  for (const std::string& line : lines) {
    FUZZ_CHECK(line.find('\r') == std::string::npos);
    FUZZ_CHECK(line.find('\0') == std::string::npos);
    const SiteRecord r = SplitSiteLine(line);
    FUZZ_CHECK(SiteNameOfLine(line) == r.SiteName);
    // Cutting loses nothing: the fields and the separators between them are the line.
    size_t separators = 0;
    for (char c : line) separators += c == ';';
    FUZZ_CHECK(Rejoined(r, separators) == line);
    for (const std::string* f :
         {&r.SiteName, &r.HostAddress, &r.UserName, &r.Password, &r.Anonymous})
      FUZZ_CHECK(f->find(';') == std::string::npos);
  }
  // What is saved (every line with CR LF) reads back as the same lines.
  FUZZ_CHECK(SplitTextLines(Joined(lines)) == lines);
}

void CheckBuiltLine(std::vector<std::string> parts) {
  parts.resize(6);
  SiteRecord typed;
  typed.SiteName = parts[0];
  typed.HostAddress = parts[1];
  typed.UserName = parts[2];
  typed.Password = parts[3];
  typed.Anonymous = parts[4];
  typed.Port = parts[5];
  const std::string line = BuildSiteLine(typed);
  const SiteRecord back = SplitSiteLine(line);
  bool plain = true;  // a ";" in one of the first four fields shifts the rest, as stored files do
  for (int i = 0; i < 4; ++i) plain = plain && parts[i].find(';') == std::string::npos;
  if (!plain) return;
  FUZZ_CHECK(back.SiteName == typed.SiteName);
  FUZZ_CHECK(back.HostAddress == typed.HostAddress);
  FUZZ_CHECK(back.UserName == typed.UserName);
  FUZZ_CHECK(back.Password == typed.Password);
  FUZZ_CHECK(back.Anonymous == (typed.Anonymous == "1" ? "1" : "0"));
  FUZZ_CHECK(back.Port == (typed.Port.empty() ? "21" : typed.Port));
  FUZZ_CHECK(BuildSiteLine(back) == line);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  CheckFileText(text);
  CheckBuiltLine(CutAt(text, '\x01'));
  return 0;
}
