// Sites.sts read line by line without any window: which lines are sites, that every other line
// is written back as it came, that only the changed site's line changes, and the encodings
// (UTF-16 with either byte order, a UTF-8 mark).
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "app/sites/site_file.h"
#include "app/sites/sites.h"
#include "tests/support/program_text.h"

namespace {

using Lines = std::vector<std::string>;

Lines SitesOf(const SiteFile& file) {
  Lines sites;
  for (int i = 0; i < file.SiteCount(); ++i) sites.push_back(file.Site(i));
  return sites;
}

SiteFile Parse(const std::string& bytes) { return SiteFile::Parse(bytes, PlatformSiteTextRules()); }

std::string Bytes(const char* text, size_t size) { return std::string(text, size); }

// UTF-16 with its byte-order mark; `big` for the big-endian order.
std::string Utf16(const std::u16string& text, bool big) {
  std::string bytes = big ? "\xFE\xFF" : "\xFF\xFE";
  for (char16_t unit : text) {
    const char high = static_cast<char>(unit >> 8);
    const char low = static_cast<char>(unit & 0xFF);
    bytes += big ? std::string{high, low} : std::string{low, high};
  }
  return bytes;
}

bool CjkCodePage() {
  const UINT acp = GetACP();
  return acp == 932 || acp == 936 || acp == 949 || acp == 950;
}

}  // namespace

TEST(SiteFileRead, WhichLinesAreSites) {
  struct Case {
    const char* what;
    std::string bytes;
    Lines sites;
  };
  const Case cases[] = {
      {"CR LF", "a;h;u;p;0;21\r\nb;;;;1;21\r\n", {"a;h;u;p;0;21", "b;;;;1;21"}},
      {"LF alone ends a line too", "a;h\nb;h\n", {"a;h", "b;h"}},
      {"CR alone", "a\rb", {"a", "b"}},
      {"an empty line is a site without a name", "a\r\n\r\nb\r\n", {"a", "", "b"}},
      {"a final break adds no line", "a\r\n", {"a"}},
      {"NUL inside: that line is kept aside, the next ones count",
       Bytes("one\r\nbad\0line\r\nthree\r\n", 22), {"one", "three"}},
      {"control characters mark bytes, not a site", "x\x01y\r\nz\tw\r\n", {"z\tw"}},
      {"a UTF-8 mark is not part of the first name", "\xEF\xBB\xBF" "a;h\r\n", {"a;h"}},
  };
  for (const Case& c : cases) EXPECT_EQ(SitesOf(Parse(c.bytes)), c.sites) << c.what;
}

// Nothing it holds is lost: what the program cannot use is written back byte for byte, sites
// are written with CR LF.
TEST(SiteFileWrite, UnchangedFilesComeBackWhole) {
  struct Case {
    const char* what;
    std::string bytes;
    std::string written;
  };
  const std::string nul = Bytes("one;h;u;p;0;21\r\nbad\0line;x\r\nthree;h;u;p;0;21\r\n", 46);
  const Case cases[] = {
      {"NUL inside", nul, nul},
      {"kept lines keep their own breaks", "a\r\n\x01\nb\r\x02\r", "a\r\n\x01\nb\r\n\x02\r"},
      {"a last line without break stays so when it is no site", "a\r\n\x7F", "a\r\n\x7F"},
      {"sites get CR LF", "a\nb", "a\r\nb\r\n"},
      {"the UTF-8 mark stays", "\xEF\xBB\xBF" "a\r\n", "\xEF\xBB\xBF" "a\r\n"},
      {"empty", "", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(Parse(c.bytes).Bytes(), c.written) << c.what;
}

TEST(SiteFileWrite, OnlyTheChangedSiteChanges) {
  const std::string kept = Bytes("\x01kept\0", 6);
  const std::string bytes = "a;;;;0;21\r\n" + kept + "\r\nb;;;;0;21\r\n" + kept + "\nc;;;;0;21";
  SiteFile file = Parse(bytes);
  ASSERT_EQ(SitesOf(file), (Lines{"a;;;;0;21", "b;;;;0;21", "c;;;;0;21"}));
  // The index counts sites only: site 1 is b, behind the first kept line.
  ASSERT_TRUE(file.ReplaceSite(1, "B;h;u;p;1;21"));
  EXPECT_EQ(file.Bytes(),
            "a;;;;0;21\r\n" + kept + "\r\nB;h;u;p;1;21\r\n" + kept + "\nc;;;;0;21\r\n");
  ASSERT_TRUE(file.DeleteSite(2));
  ASSERT_TRUE(file.DeleteSite(0));
  file.AddSite("new;;;;0;21");
  EXPECT_EQ(file.Bytes(), kept + "\r\nB;h;u;p;1;21\r\n" + kept + "\nnew;;;;0;21\r\n");
  EXPECT_FALSE(file.ReplaceSite(2, "x"));
  EXPECT_FALSE(file.DeleteSite(-1));
  EXPECT_EQ(SitesOf(Parse(file.Bytes())), (Lines{"B;h;u;p;1;21", "new;;;;0;21"}));
}

TEST(SiteFileWrite, ASiteAddedAfterAKeptLastLineStartsALineOfItsOwn) {
  SiteFile file = Parse("a\r\n\x01tail");
  file.AddSite("b");
  EXPECT_EQ(file.Bytes(), "a\r\n\x01tail\r\nb\r\n");
}

// Deleting the sites before a line that starts with the bytes of a UTF-16 mark would have the
// next reading take the whole file for UTF-16.
TEST(SiteFileWrite, TextThatWouldStartLikeAMarkGetsAnEmptyLineInFront) {
  SiteFile file = Parse("a\r\n\xFF\xFE\x01kept\r\n\xFE\xFF" "b\r\n");
  ASSERT_EQ(SitesOf(file), (Lines{"a", ProgramText(L"\u00fe\u00ff"
                                                   L"b")}));
  ASSERT_TRUE(file.DeleteSite(0));
  EXPECT_EQ(file.Bytes(), "\r\n\xFF\xFE\x01kept\r\n\xFE\xFF" "b\r\n");
  EXPECT_EQ(Parse(file.Bytes()).encoding(), SiteFile::Encoding::kAnsi);
}

TEST(SiteFileEncoding, Utf16InEitherByteOrder) {
  for (bool big : {false, true}) {
    SCOPED_TRACE(big ? "big-endian" : "little-endian");
    // "é" is in every ANSI code page this runs under.
    SiteFile file = Parse(Utf16(u"caf\u00e9;h;u;p;0;21\r\nb;;;;0;21\r\n", big));
    EXPECT_EQ(file.encoding(), SiteFile::Encoding::kUtf16Converted);
    ASSERT_TRUE(file.Writable());
    std::string cafe;
    ASSERT_TRUE(PlatformSiteTextRules().utf16ToAnsi(u"caf\u00e9", cafe));
    EXPECT_EQ(SitesOf(file), (Lines{cafe + ";h;u;p;0;21", "b;;;;0;21"}));
    // Written in UTF-8 from then on.
    EXPECT_EQ(file.Bytes(), "caf\xC3\xA9;h;u;p;0;21\r\nb;;;;0;21\r\n");
  }
}

TEST(SiteFileEncoding, Utf16ThatTheCodePageCannotHoldIsNeverWritten) {
  struct Case {
    const char* what;
    std::string bytes;
    Lines sites;
  };
  const bool cjkHeld = CjkCodePage() || GetACP() == CP_UTF8;
  const Case cases[] = {
      {"a CJK character", Utf16(u"a;h\r\n\u4e2d;h\r\nb;h\r\n", false), {"a;h", "b;h"}},
      {"an unpaired surrogate", Utf16(u"a;h\r\n\xd800;h\r\n", true), {"a;h"}},
      {"an odd last byte", Utf16(u"a;h\r\n", false) + "x", {"a;h"}},
  };
  for (const Case& c : cases) {
    const SiteFile file = Parse(c.bytes);
    if (cjkHeld && std::string(c.what) == "a CJK character") {
      // Held by the code page: read, and written in UTF-8.
      std::string cjk;
      ASSERT_TRUE(PlatformSiteTextRules().utf16ToAnsi(u"\u4e2d;h", cjk));
      EXPECT_EQ(SitesOf(file), (Lines{"a;h", cjk, "b;h"}));
      EXPECT_EQ(file.Bytes(), "a;h\r\n\xE4\xB8\xAD;h\r\nb;h\r\n");
      continue;
    }
    EXPECT_EQ(file.encoding(), SiteFile::Encoding::kUtf16Unwritable) << c.what;
    EXPECT_FALSE(file.Writable()) << c.what;
    EXPECT_EQ(SitesOf(file), c.sites) << c.what;
  }
}

// Lines this program writes are UTF-8; a line an older ZevFtp wrote in code page 1252 is shown
// from 1252 and written back byte for byte until its site changes. A line the program's code
// page cannot show (UTF-8 names under a legacy code page) is kept aside, not lost.
TEST(SiteFileEncoding, LinesOfEachCodePage) {
  const std::wstring japanese =
      L"\u65e5\u672c\u8a9e\u30b5\u30fc\u30d0\u30fc;h;u;\u043f\u0430\u0440\u043e\u043b\u044c;0;21";
  struct Case {
    const char* what;
    std::string line;    // as the file holds it
    std::wstring shown;  // the site's text
  } cases[] = {
      {"code page 1252", "caf\xE9;h;u;p;0;21", L"caf\u00e9;h;u;p;0;21"},
      {"UTF-8 Latin", "caf\xC3\xA9;h;u;p;0;21", L"caf\u00e9;h;u;p;0;21"},
      {"UTF-8 Japanese and Cyrillic", Utf8Bytes(japanese), japanese},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string bytes = "a;;;;0;21\r\n" + c.line + "\r\nz;;;;0;21\r\n";
    SiteFile file = Parse(bytes);
    EXPECT_EQ(file.Bytes(), bytes);
    if (!ProgramCodePageHolds(c.shown)) {
      EXPECT_EQ(SitesOf(file), (Lines{"a;;;;0;21", "z;;;;0;21"}));
      continue;
    }
    const std::string shown = ProgramText(c.shown);
    ASSERT_EQ(SitesOf(file), (Lines{"a;;;;0;21", shown, "z;;;;0;21"}));
    // Stored again as it shows: still the bytes it was read with.
    ASSERT_TRUE(file.ReplaceSite(1, shown));
    EXPECT_EQ(file.Bytes(), bytes);
    // Changed: the line is the program's, in UTF-8.
    ASSERT_TRUE(file.ReplaceSite(1, shown + "0"));
    EXPECT_EQ(file.Bytes(), "a;;;;0;21\r\n" + Utf8Bytes(c.shown) + "0\r\nz;;;;0;21\r\n");
    EXPECT_EQ(SitesOf(Parse(file.Bytes()))[1], shown + "0");
  }
}
