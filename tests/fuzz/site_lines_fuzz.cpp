// A site file of arbitrary bytes, read the way the site list reads it: cut into lines, each
// site cut into its six fields, written back without losing a line; and sites built from
// arbitrary fields, written and read back.
#include "app/sites/site_file.h"
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

// Stand-ins for the code pages: every line is text of the program's code page as it is, except
// the bytes 0x80 and 0x81 (which have no form, as a legacy line may have none); UTF-16 below
// 0x100 but those converts; the program's text is written as it is.
bool AnyBytes(const std::string& bytes, std::string& text) {
  text = bytes;
  return bytes.find_first_of("\x80\x81") == std::string::npos;
}
bool Latin1(const std::u16string& units, std::string& ansi) {
  ansi.clear();
  for (char16_t unit : units) {
    if (unit > 0xFF || unit == 0x80 || unit == 0x81) return false;
    ansi.push_back(static_cast<char>(unit));
  }
  return true;
}
const SiteTextRules kRules = {AnyBytes, Latin1, nullptr};

std::vector<std::string> SitesOf(const SiteFile& file) {
  std::vector<std::string> sites;
  for (int i = 0; i < file.SiteCount(); ++i) sites.push_back(file.Site(i));
  return sites;
}

// Whether what `file` writes reads back as `sites`, or as `sites` after the empty line a save
// puts in front of text that would start like a byte-order mark.
bool WritesSites(const SiteFile& file, const std::vector<std::string>& sites) {
  const std::string bytes = file.Bytes();
  const std::vector<std::string> read = SitesOf(SiteFile::Parse(bytes, kRules));
  if (read == sites) return true;
  std::vector<std::string> withEmpty = sites;
  withEmpty.insert(withEmpty.begin(), std::string());
  const bool guarded = bytes.compare(0, 2, "\r\n") == 0 && StartsWithEncodingMark(bytes.substr(2));
  return guarded && read == withEmpty;
}

void CheckFileText(const std::string& text) {
  SiteFile file = SiteFile::Parse(text, kRules);
  const std::vector<std::string> lines = SitesOf(file);
  if (file.Writable()) {
    // Written and read again: the same sites; written again: the same bytes; and nothing of
    // the file is dropped (only a site's lone CR or LF may grow into CR LF).
    const std::string written = file.Bytes();
    if (file.encoding() != SiteFile::Encoding::kUtf16Converted) FUZZ_CHECK(written.size() >= text.size());
    const SiteFile reread = SiteFile::Parse(written, kRules);
    FUZZ_CHECK(WritesSites(file, lines));
    FUZZ_CHECK(reread.Bytes() == written);
    // A change reaches exactly its site. The sites are the written file's: a save may have put
    // an empty line (a site) in front of a first line that would read as a byte-order mark.
    if (!lines.empty()) {
      SiteFile changed = reread;
      FUZZ_CHECK(changed.ReplaceSite(0, "x;;;;0;21"));
      std::vector<std::string> expected = SitesOf(reread);
      expected[0] = "x;;;;0;21";
      FUZZ_CHECK(WritesSites(changed, expected));
      FUZZ_CHECK(changed.DeleteSite(0));
      expected.erase(expected.begin());
      FUZZ_CHECK(WritesSites(changed, expected));
    }
  }
  for (const std::string& line : lines) {
    FUZZ_CHECK(line.find('\r') == std::string::npos);
    FUZZ_CHECK(line.find('\n') == std::string::npos);
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
  // The general line list reads what is saved (every line with CR LF) as the same lines.
  const std::vector<std::string> general = SplitTextLines(text);
  FUZZ_CHECK(SplitTextLines(Joined(general)) == general);
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
  // The site window refuses what would not read back as typed.
  const int refused = FirstUnstorableField(typed);
  bool plain = true;
  for (int i = 0; i < 6; ++i) {
    if (i == kAnonymousField) continue;
    for (char c : parts[i]) plain = plain && c != ';' && (static_cast<unsigned char>(c) >= 0x20 || c == '\t') && c != 0x7F;
  }
  FUZZ_CHECK((refused < 0) == plain);
  // A name starting like a byte-order mark is refused too; the stand-in's bytes without a form
  // cannot be typed.
  if (!plain || StartsWithEncodingMark(typed.SiteName) ||
      line.find_first_of("\x80\x81") != std::string::npos) {
    return;
  }
  // What is stored is one site line the file reads back as it was.
  FUZZ_CHECK(SitesOf(SiteFile::Parse(line + "\r\n", kRules)) == std::vector<std::string>{line});
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
