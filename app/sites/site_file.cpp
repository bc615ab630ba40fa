#include "app/sites/site_file.h"

#include <utility>

namespace {

constexpr char kUtf8Mark[] = "\xEF\xBB\xBF";
constexpr size_t kUtf8MarkLength = 3;
constexpr char kCrLf[] = "\r\n";
constexpr unsigned char kDelete = 0x7F;

// Control characters other than a tab cannot stand in a site's fields: such a line is no site
// but something else (random bytes, another encoding) that is kept as it is.
bool HoldsControlCharacter(const std::string& text) {
  for (char c : text) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if ((byte < 0x20 && byte != '\t') || byte == kDelete) return true;
  }
  return false;
}

bool Convert(bool (*rule)(const std::string&, std::string&), const std::string& from,
             std::string& to) {
  if (rule == nullptr || from.empty()) {
    to = from;
    return true;
  }
  return rule(from, to);
}

// Calls add(line, break) for each line of `text`: a line ends at CR LF, CR or LF (the file may
// come from any system); a last line without a break is a line too, a final break adds none.
template <typename Text, typename Add>
void SplitLines(const Text& text, Add add) {
  using Char = typename Text::value_type;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = start;
    while (end < text.size() && text[end] != Char('\r') && text[end] != Char('\n')) ++end;
    size_t next = end;
    if (next < text.size()) {
      if (text[next] == Char('\r') && next + 1 < text.size() && text[next + 1] == Char('\n'))
        ++next;
      ++next;
    }
    add(text.substr(start, end - start), text.substr(end, next - end));
    start = next;
  }
}

// The code units after a UTF-16 byte-order mark; an odd last byte is no code unit.
std::u16string Utf16Units(const std::string& bytes, bool bigEndian) {
  std::u16string units;
  units.reserve(bytes.size() / 2);
  for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
    const auto first = static_cast<unsigned char>(bytes[i]);
    const auto second = static_cast<unsigned char>(bytes[i + 1]);
    units.push_back(static_cast<char16_t>(bigEndian ? (first << 8 | second) : (second << 8 | first)));
  }
  return units;
}

std::string BreakBytes(const std::u16string& lineBreak) {
  std::string bytes;
  for (char16_t unit : lineBreak) bytes.push_back(static_cast<char>(unit));
  return bytes;
}

bool StartsWith(const std::string& bytes, const char* mark, size_t length) {
  return bytes.compare(0, length, mark, length) == 0;
}

}  // namespace

bool StartsWithEncodingMark(const std::string& bytes) {
  return StartsWith(bytes, "\xFF\xFE", 2) || StartsWith(bytes, "\xFE\xFF", 2) ||
         StartsWith(bytes, kUtf8Mark, kUtf8MarkLength);
}

SiteFile SiteFile::Parse(const std::string& bytes, const SiteTextRules& rules) {
  SiteFile file;
  file.rules_ = rules;
  const bool littleEndian = StartsWith(bytes, "\xFF\xFE", 2);
  const bool bigEndian = StartsWith(bytes, "\xFE\xFF", 2);
  if (littleEndian || bigEndian) {
    // Some Windows editors save text as UTF-16. It is read as ANSI text when every character
    // has its exact counterpart in the ANSI code page; otherwise the lines that convert are
    // shown and the file is never written, which would lose the others.
    file.encoding_ = bytes.size() % 2 == 0 ? Encoding::kUtf16Converted : Encoding::kUtf16Unwritable;
    SplitLines(Utf16Units(bytes, bigEndian),
               [&](const std::u16string& units, const std::u16string& lineBreak) {
                 std::string text;
                 if (rules.utf16ToAnsi != nullptr && rules.utf16ToAnsi(units, text)) {
                   // From now on the file is UTF-8: every line as if it had been changed.
                   Line line = file.NewLine(text);
                   line.lineBreak = BreakBytes(lineBreak);
                   line.site = !HoldsControlCharacter(text);
                   file.lines_.push_back(std::move(line));
                   return;
                 }
                 file.encoding_ = Encoding::kUtf16Unwritable;
                 file.lines_.push_back(
                     Line{std::string(), std::string(), BreakBytes(lineBreak), false});
               });
  } else {
    size_t start = 0;
    if (StartsWith(bytes, kUtf8Mark, kUtf8MarkLength)) {
      // The mark is written back in front of the lines, so editors still take the file for
      // UTF-8; the first site's name does not start with it.
      file.encoding_ = Encoding::kUtf8Bom;
      file.prefix_ = kUtf8Mark;
      start = kUtf8MarkLength;
    }
    SplitLines(bytes.substr(start), [&](const std::string& text, std::string lineBreak) {
      file.AddLine(text, std::move(lineBreak), rules);
    });
  }
  file.IndexSites();
  return file;
}

void SiteFile::AddLine(const std::string& bytes, std::string lineBreak,
                       const SiteTextRules& rules) {
  std::string text;
  const bool site = !HoldsControlCharacter(bytes) && Convert(rules.fileToProgram, bytes, text) &&
                    !HoldsControlCharacter(text);
  if (!site) text.clear();
  lines_.push_back(Line{std::move(text), bytes, std::move(lineBreak), site});
}

SiteFile::Line SiteFile::NewLine(const std::string& text) const {
  Line line;
  line.text = text;
  // The program's own text always has a UTF-8 form; should a rule refuse it, the text's bytes
  // are kept rather than lost.
  if (!Convert(rules_.programToFile, text, line.bytes)) line.bytes = text;
  line.lineBreak = kCrLf;
  line.site = true;
  return line;
}

void SiteFile::IndexSites() {
  sites_.clear();
  for (size_t i = 0; i < lines_.size(); ++i) {
    if (lines_[i].site) sites_.push_back(i);
  }
}

std::string SiteFile::Site(int index) const {
  if (index < 0 || index >= SiteCount()) return std::string();
  return lines_[sites_[static_cast<size_t>(index)]].text;
}

void SiteFile::AddSite(const std::string& line) {
  lines_.push_back(NewLine(line));
  sites_.push_back(lines_.size() - 1);
}

bool SiteFile::ReplaceSite(int index, const std::string& line) {
  if (index < 0 || index >= SiteCount()) return false;
  Line& target = lines_[sites_[static_cast<size_t>(index)]];
  if (target.text != line) target = NewLine(line);
  target.lineBreak = kCrLf;
  return true;
}

bool SiteFile::DeleteSite(int index) {
  if (index < 0 || index >= SiteCount()) return false;
  lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(sites_[static_cast<size_t>(index)]));
  IndexSites();
  return true;
}

std::string SiteFile::Bytes() const {
  size_t total = prefix_.size();
  for (const Line& line : lines_) total += line.bytes.size() + 2;
  std::string bytes;
  bytes.reserve(total);
  bytes += prefix_;
  for (size_t i = 0; i < lines_.size(); ++i) {
    const Line& line = lines_[i];
    bytes += line.bytes;
    if (line.site) {
      bytes += kCrLf;
    } else if (!line.lineBreak.empty()) {
      bytes += line.lineBreak;
    } else if (i + 1 < lines_.size()) {
      // It ended the file, and lines were added after it.
      bytes += kCrLf;
    }
  }
  // A line that starts with the bytes of a byte-order mark may come first once the lines before
  // it are deleted (or when a UTF-16 "\u00ff\u00fe" was converted): the next reading would take
  // the whole file for UTF-16, or that line's start for a UTF-8 mark. An empty line in front
  // keeps it ANSI text as it was.
  if (prefix_.empty() && StartsWithEncodingMark(bytes)) bytes.insert(0, kCrLf);
  return bytes;
}
