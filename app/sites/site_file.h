// "Sites.sts" as it was read, line by line. Every line keeps its bytes, so a save writes what
// the program cannot show or use back exactly as it came and changes only the sites the user
// added, changed or deleted; those it writes in UTF-8. A line of an older file in a legacy code
// page is shown from that code page and written back as it was until its site is changed.
// Plain code without windows.h: the code page conversions it needs are handed in, and it is
// fuzzed natively.
#pragma once

#include <string>
#include <vector>

// What reading and writing the file needs of the platform's code pages. A null rule takes the
// bytes as they are.
struct SiteTextRules {
  // A line's bytes as text of the program's (ANSI) code page: UTF-8 read as UTF-8, other bytes
  // from the legacy code page; false when they have no exact form there.
  bool (*fileToProgram)(const std::string& bytes, std::string& text);
  // The UTF-16 code units as text of the program's code page; false when any of them has no
  // exact counterpart there.
  bool (*utf16ToAnsi)(const std::u16string& units, std::string& ansi);
  // A line of the program's code page as the file stores it from now on: UTF-8.
  bool (*programToFile)(const std::string& text, std::string& bytes);
};

// True when `bytes` begin with a byte-order mark (UTF-16 of either order, UTF-8): a file that
// begins so is read in that encoding.
bool StartsWithEncodingMark(const std::string& bytes);

class SiteFile {
 public:
  enum class Encoding {
    kAnsi,
    kUtf8Bom,          // the mark is written back in front of the lines
    kUtf16Converted,   // read as ANSI text; a save writes it in UTF-8
    kUtf16Unwritable,  // holds characters the ANSI code page lacks: never written
  };

  // Lines end at CR LF, CR or LF; a last line without a break counts too. A line is a site
  // when it is text of the program's code page (exactly, read as above) without NUL or other
  // control characters (a tab allowed).
  static SiteFile Parse(const std::string& bytes, const SiteTextRules& rules);

  Encoding encoding() const { return encoding_; }
  // False when a save could only write the file with a loss.
  bool Writable() const { return encoding_ != Encoding::kUtf16Unwritable; }

  int SiteCount() const { return static_cast<int>(sites_.size()); }
  // The line of the index-th site, in the program's code page; "" outside 0..SiteCount()-1.
  std::string Site(int index) const;
  void AddSite(const std::string& line);
  // False for an index outside 0..SiteCount()-1. The same line again changes nothing: the site
  // keeps the bytes it was read with.
  bool ReplaceSite(int index, const std::string& line);
  bool DeleteSite(int index);

  // What a save writes: the sites and every line that was added or changed end in CR LF, an
  // added or changed one in UTF-8; every other line is written with the bytes it had, a line
  // kept aside with its own line break. Text that would start with the bytes of a byte-order
  // mark gets an empty line in front.
  std::string Bytes() const;

 private:
  struct Line {
    std::string text;       // the program's text (a site's); without its line break
    std::string bytes;      // as the file holds it (written while the line is unchanged)
    std::string lineBreak;  // as read: "\r\n", "\r", "\n", or "" at the end of the file
    bool site = false;
  };

  void AddLine(const std::string& bytes, std::string lineBreak, const SiteTextRules& rules);
  // A new or changed line: its bytes are its text in UTF-8.
  Line NewLine(const std::string& text) const;
  void IndexSites();

  SiteTextRules rules_{};
  Encoding encoding_ = Encoding::kAnsi;
  std::string prefix_;  // a UTF-8 byte-order mark
  std::vector<Line> lines_;
  std::vector<size_t> sites_;  // index in lines_ of each site, in file order
};
