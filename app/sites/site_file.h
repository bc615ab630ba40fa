// "Sites.sts" as it was read, line by line. Every line keeps its bytes, so a save writes what
// the program cannot show or use back exactly as it came and changes only the sites the user
// added, changed or deleted. Plain code without windows.h: the code page conversions it needs
// are handed in, and it is fuzzed natively.
#pragma once

#include <string>
#include <vector>

// What reading the file needs of the platform's code page.
struct SiteTextRules {
  // True when the bytes are text in the ANSI code page (no invalid sequence).
  bool (*isAnsiText)(const std::string& bytes);
  // The UTF-16 code units as text in the ANSI code page; false when any of them has no exact
  // counterpart there.
  bool (*utf16ToAnsi)(const std::u16string& units, std::string& ansi);
};

// True when `bytes` begin with a byte-order mark (UTF-16 of either order, UTF-8): a file that
// begins so is read in that encoding.
bool StartsWithEncodingMark(const std::string& bytes);

class SiteFile {
 public:
  enum class Encoding {
    kAnsi,
    kUtf8Bom,          // the mark is written back in front of the lines
    kUtf16Converted,   // read as ANSI text; a save writes it in the ANSI code page
    kUtf16Unwritable,  // holds characters the ANSI code page lacks: never written
  };

  // Lines end at CR LF, CR or LF; a last line without a break counts too. A line is a site
  // when it is ANSI text without NUL or other control characters (a tab allowed).
  static SiteFile Parse(const std::string& bytes, const SiteTextRules& rules);

  Encoding encoding() const { return encoding_; }
  // False when a save could only write the file with a loss.
  bool Writable() const { return encoding_ != Encoding::kUtf16Unwritable; }

  int SiteCount() const { return static_cast<int>(sites_.size()); }
  // The line of the index-th site; "" outside 0..SiteCount()-1.
  std::string Site(int index) const;
  void AddSite(const std::string& line);
  // False for an index outside 0..SiteCount()-1.
  bool ReplaceSite(int index, const std::string& line);
  bool DeleteSite(int index);

  // What a save writes: the sites and every line that was added or changed end in CR LF; a
  // line kept aside is written with the bytes it had, its own line break included. Text that
  // would start with the bytes of a byte-order mark gets an empty line in front.
  std::string Bytes() const;

 private:
  struct Line {
    std::string text;       // without its line break
    std::string lineBreak;  // as read: "\r\n", "\r", "\n", or "" at the end of the file
    bool site = false;
  };

  void AddLine(std::string text, std::string lineBreak, const SiteTextRules& rules);
  void IndexSites();

  Encoding encoding_ = Encoding::kAnsi;
  std::string prefix_;  // a UTF-8 byte-order mark
  std::vector<Line> lines_;
  std::vector<size_t> sites_;  // index in lines_ of each site, in file order
};
