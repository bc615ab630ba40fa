// The listing reader over real lines: vsftpd's and pyftpdlib's LIST and MLSD output as captured
// from the servers used here, an IIS (DOS form) sample, names with blanks, symbolic links, and
// lines that must be skipped rather than guessed at.
#include "app/ftp/ftp_listing.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

struct Row {
  const char* line;
  bool ok;
  const char* name;
  bool folder;
  uint64_t size;
};

// 2019-03-04 05:06 UTC as FILETIME units.
constexpr uint64_t kMarch2019 = 131961495600000000ull;

TEST(FtpListLine, RealLinesOfEachServerAndForm) {
  const std::vector<Row> table = {
      // vsftpd 3 (numeric owner and group, eight-column padding)
      {"drwxr-xr-x    2 0        0            4096 Dec 09 03:38 my dir", true, "my dir", true, 0},
      {"-rw-r--r--    1 0        0               6 Dec 09 03:38 my file.txt", true, "my file.txt",
       false, 6},
      {"lrwxrwxrwx    1 0        0               9 Dec 09 03:38 link to plain -> plain.txt", true,
       "link to plain", false, 9},
      // pyftpdlib
      {"-rw-r--r--   1 root     root            0 Mar 04  2019 old.bin", true, "old.bin", false, 0},
      {"drwxr-xr-x   2 root     root         4096 Dec 09 03:38 New Folder", true, "New Folder",
       true, 0},
      // no group column (some embedded servers, "ls -lG")
      {"-rw-r--r-- 1 owner 1234 Jan 01 10:00 no group.txt", true, "no group.txt", false, 1234},
      // ACL and extended-attribute marks after the mode
      {"-rw-r--r--+ 1 u g 5 Jan 01 10:00 acl", true, "acl", false, 5},
      {"-rw-r--r--@ 1 u g 5 Jan 01 2020 mac", true, "mac", false, 5},
      // a name with leading, doubled and trailing blanks stays exactly as sent
      {"-rw-r--r-- 1 u g 5 Jan 01 10:00  two  blanks ", true, " two  blanks ", false, 5},
      // sizes past 4 GiB keep all 64 bits
      {"-rw-r--r-- 1 u g 5000000000 Jan 01 2020 big.iso", true, "big.iso", false, 5000000000ull},
      // IIS, DOS form, both year widths, 12-hour clock
      {"01-15-24  10:30AM       <DIR>          my dir", true, "my dir", true, 0},
      {"01-15-2024  10:30PM             1234 file name.txt", true, "file name.txt", false, 1234},
      {"12-31-99  12:00AM                0 y2k", true, "y2k", false, 0},
      // to be skipped
      {"total 12", false, "", false, 0},
      {"", false, "", false, 0},
      {"   ", false, "", false, 0},
      {"\t", false, "", false, 0},
      {"garbage that is no listing line", false, "", false, 0},
      {"-rw-r--r-- 1 u g 5 Jan 01 10:00", false, "", false, 0},   // no name
      {"-rw-r--r-- 1 u g 5 Jan 01 10:00 ", false, "", false, 0},  // empty name
      {"drwxr-xr-x 2 u g 4096 Jan 01 10:00 .", false, "", false, 0},
      {"drwxr-xr-x 2 u g 4096 Jan 01 10:00 ..", false, "", false, 0},
      {"-rw-r--r-- 1 u g 5x Jan 01 10:00 badsize", false, "", false, 0},
      {"-rw-r--r-- 1 u g 99999999999999999999999 Jan 01 2020 overflow", false, "", false, 0},
      {"-rw-r--r-- 1 u g 5 Foo 01 10:00 nomonth", false, "", false, 0},
      {"-rw-r--r-- 1 u g 5 Jan 41 10:00 badday", false, "", false, 0},
      {"crw-rw-rw- 1 root root 1, 3 Jan 01 10:00 null", false, "", false, 0},
      {"-rw-r--r-- 1 u g 5 Jan 01 10:00 cr\rinside", false, "", false, 0},
      {"13-45-24  10:30AM  <DIR> baddate", false, "", false, 0},
      {"01-15-24  13:30PM  <DIR> badhour", false, "", false, 0},
      {"01-15-24  10:30AM  <DIR>", false, "", false, 0},
  };
  for (const Row& row : table) {
    ListingEntry entry;
    const bool ok = ParseListLine(row.line, entry);
    EXPECT_EQ(ok, row.ok) << row.line;
    if (!ok || !row.ok) continue;
    EXPECT_EQ(entry.name, row.name) << row.line;
    EXPECT_EQ(entry.folder, row.folder) << row.line;
    EXPECT_EQ(entry.size, row.size) << row.line;
  }
}

TEST(FtpListLine, NamesTooLongOrHoldingNulAreSkipped) {
  ListingEntry entry;
  const std::string prefix = "-rw-r--r-- 1 u g 5 Jan 01 10:00 ";
  EXPECT_TRUE(ParseListLine(prefix + std::string(kMostEntryName, 'a'), entry));
  EXPECT_FALSE(ParseListLine(prefix + std::string(kMostEntryName + 1, 'a'), entry));
  EXPECT_FALSE(ParseListLine(prefix + std::string("nul\0x", 5), entry));
  EXPECT_FALSE(ParseListLine(prefix + std::string(kMostListingLine, 'a'), entry));
}

TEST(FtpListLine, DatesBecomeFileTimes) {
  ListingEntry entry;
  ASSERT_TRUE(
      ParseListLine("-rw-r--r--   1 root     root            0 Mar 04  2019 old.bin", entry));
  // A year form holds no time of day.
  EXPECT_EQ(entry.modified, kMarch2019 - (5 * 3600ull + 6 * 60) * 10000000);
  ASSERT_TRUE(ParseListLine("03-04-19  05:06AM  0 dos.bin", entry));
  EXPECT_EQ(entry.modified, kMarch2019);
  // Without a year the date lies within the last twelve months: never ahead of now by a year.
  ASSERT_TRUE(ParseListLine("-rw-r--r-- 1 u g 5 Jan 01 10:00 recent", entry));
  EXPECT_GT(entry.modified, 0u);
}

TEST(FtpMlsdLine, RealLinesAndSkippedOnes) {
  const std::vector<Row> table = {
      // pyftpdlib
      {"modify=20261209033808;perm=el;size=4096;type=dir;unique=fe00ga7a066; my dir", true,
       "my dir", true, 0},
      {"modify=20261209033808;perm=r;size=6;type=file;unique=fe00ga7a068; my file.txt", true,
       "my file.txt", false, 6},
      {"type=file;size=5000000000; big", true, "big", false, 5000000000ull},
      {"Type=DIR;Modify=20260101000000; Upper Case Facts", true, "Upper Case Facts", true, 0},
      {"type=OS.unix=slink:/etc;size=4; link", true, "link", false, 4},
      {"size=3; no type", true, "no type", false, 3},
      {"type=file;size=1;  leading blank", true, " leading blank", false, 1},
      {"type=cdir;modify=20260101000000; /pub", false, "", false, 0},
      {"type=pdir;modify=20260101000000; ..", false, "", false, 0},
      {"type=dir; .", false, "", false, 0},
      {"type=file;size=1;", false, "", false, 0},   // no blank, no name
      {"type=file;size=1; ", false, "", false, 0},  // empty name
      {"", false, "", false, 0},
      {"just words here", false, "", false, 0},
      {"-rw-r--r-- 1 u g 5 Jan 01 10:00 a LIST line", false, "", false, 0},
  };
  for (const Row& row : table) {
    ListingEntry entry;
    const bool ok = ParseMlsdLine(row.line, entry);
    EXPECT_EQ(ok, row.ok) << row.line;
    if (!ok || !row.ok) continue;
    EXPECT_EQ(entry.name, row.name) << row.line;
    EXPECT_EQ(entry.folder, row.folder) << row.line;
    EXPECT_EQ(entry.size, row.size) << row.line;
  }
  ListingEntry entry;
  ASSERT_TRUE(ParseMlsdLine("modify=20190304050600;type=file; t", entry));
  EXPECT_EQ(entry.modified, kMarch2019);
  ASSERT_TRUE(ParseMlsdLine("modify=2019;type=file; t", entry));
  EXPECT_EQ(entry.modified, 0u);
}

// A size that no 64-bit count holds is unknown (MLSD) or leaves the line unread, never wraps.
TEST(FtpListingSizes, SizesPast64BitsAreNeverWrapped) {
  ListingEntry entry;
  ASSERT_TRUE(ParseMlsdLine("type=file;size=18446744073709551616; huge", entry));
  EXPECT_FALSE(entry.sizeKnown);
  ASSERT_TRUE(ParseMlsdLine("type=file;size=18446744073709551615; largest", entry));
  EXPECT_TRUE(entry.sizeKnown);
  EXPECT_EQ(entry.size, UINT64_MAX);
  EXPECT_FALSE(ParseListLine("-rw-r--r-- 1 u g 16777216T Jan 01 10:00 wraps", entry));
  ASSERT_TRUE(ParseListLine("-rw-r--r-- 1 u g 16777215T Jan 01 10:00 fits", entry));
  EXPECT_EQ(entry.size, uint64_t{16777215} << 40);
}

TEST(FtpListingParent, TheServersOwnDotDotIsRecognisedApart) {
  struct Case {
    const char* line;
    bool mlsd;
    bool parent;
  };
  const std::vector<Case> table = {
      {"drwxr-xr-x 2 u g 4096 Jan 01 10:00 ..", false, true},
      {"01-15-24  10:30AM       <DIR>          ..", false, true},
      {"type=pdir;modify=20260101000000; /pub", true, true},
      {"type=dir; ..", true, true},
      {"drwxr-xr-x 2 u g 4096 Jan 01 10:00 .", false, false},
      {"drwxr-xr-x 2 u g 4096 Jan 01 10:00 ...", false, false},
      {"drwxr-xr-x 2 u g 4096 Jan 01 10:00 pub", false, false},
      {"type=cdir; /pub", true, false},
      {"type=file; ..", true, false},
      {"", false, false},
      {"", true, false},
  };
  for (const Case& c : table) {
    EXPECT_EQ(IsParentFolderLine(c.line, c.mlsd), c.parent) << c.line;
  }
}

TEST(FtpListingLines, CutAtLineBreaksWhereverThePiecesEnd) {
  const std::string stream = "one\r\ntwo\nthree\r\n\r\n" + std::string(kMostListingLine + 1, 'x') +
                             "\r\nafter long\r\nlast";
  // Fed whole, byte by byte and in odd pieces, the lines are the same.
  for (size_t piece : {stream.size(), size_t{1}, size_t{7}, size_t{4096}}) {
    ListingLineReader reader;
    std::vector<std::string> lines;
    auto sink = [&](std::string_view line) { lines.emplace_back(line); };
    for (size_t at = 0; at < stream.size(); at += piece) {
      reader.Feed(stream.data() + at, std::min(piece, stream.size() - at), sink);
    }
    reader.Finish(sink);
    const std::vector<std::string> expected = {"one", "two", "three", "", "after long", "last"};
    EXPECT_EQ(lines, expected) << "piece " << piece;
  }
}

TEST(FtpPattern, WildcardsAsOnWindows) {
  struct Case {
    const char* name;
    const char* pattern;
    bool matches;
  };
  const std::vector<Case> table = {
      {"readme", "*.*", true},
      {"a.b.c", "*.*", true},
      {"..", "*.*", true},
      {"readme", "*", true},
      {"x.TXT", "*.txt", true},
      {"x.txt.bak", "*.txt", false},
      {"abc", "a?c", true},
      {"ac", "a?c", false},
      {"report", "rep*.*", true},
      {"other", "rep*.*", false},
      {"file.txt", "file.txt", true},
      {"file.txt", "FILE.TXT", true},
      {"file.txt", "file.tx", false},
      {"aaab", "*a*b", true},
      {"", "*.*", true},
  };
  for (const Case& c : table) {
    EXPECT_EQ(MatchesPattern(c.name, c.pattern), c.matches) << c.name << " ~ " << c.pattern;
  }
}

}  // namespace
