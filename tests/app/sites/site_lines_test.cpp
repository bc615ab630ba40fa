// Site lines and the site file without any window: the line format, cutting a line into its
// fields, and writing the file so that a failed save never cuts the old one.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "app/sites/sites.h"
#include "tests/app/sites/site_files.h"
#include "tests/app/temp_folder.h"
#include "winobj/text.h"

namespace {

SiteRecord Record(const char* name, const char* host, const char* user, const char* password,
                  const char* anonymous, const char* port) {
  SiteRecord r;
  r.SiteName = name;
  r.HostAddress = host;
  r.UserName = user;
  r.Password = password;
  r.Anonymous = anonymous;
  r.Port = port;
  return r;
}

}  // namespace

TEST(SitesLine, ArchiveRoundTrip) {
  const std::string line = BuildSiteLine(Record("Archive", "files", "anonymous", "", "1", ""));
  EXPECT_EQ(line, "Archive;files;anonymous;;1;21");
  SiteRecord back = SplitSiteLine(line);
  EXPECT_EQ(back.SiteName, "Archive");
  EXPECT_EQ(back.HostAddress, "files");
  EXPECT_EQ(back.UserName, "anonymous");
  EXPECT_EQ(back.Password, "");
  EXPECT_EQ(back.Anonymous, "1");
  EXPECT_EQ(back.Port, "21");
}

TEST(SitesLine, PortIsStoredAsTypedAndDefaultsTo21OnlyWhenEmpty) {
  EXPECT_EQ(BuildSiteLine(Record("", "", "", "", "0", "")), ";;;;0;21");
  EXPECT_EQ(BuildSiteLine(Record("a", "h", "u", "p", "0", "0021")), "a;h;u;p;0;0021");
  EXPECT_EQ(BuildSiteLine(Record("a", "h", "u", "p", "0", " ")), "a;h;u;p;0; ");
}

TEST(SitesLine, OnlyAnAnonymousFlagOfOneIsStoredAsOne) {
  EXPECT_EQ(BuildSiteLine(Record("s", "", "", "", "1", "21")), "s;;;;1;21");
  EXPECT_EQ(BuildSiteLine(Record("s", "", "", "", "0", "21")), "s;;;;0;21");
  EXPECT_EQ(BuildSiteLine(Record("s", "", "", "", "yes", "21")), "s;;;;0;21");
}

TEST(SitesLine, ALineWithoutSeparatorIsANameOnly) {
  SiteRecord r = SplitSiteLine("Just a name");
  EXPECT_EQ(r.SiteName, "Just a name");
  EXPECT_EQ(r.HostAddress, "");
  EXPECT_EQ(r.UserName, "");
  EXPECT_EQ(r.Password, "");
  EXPECT_EQ(r.Anonymous, "");
  EXPECT_EQ(r.Port, "");
  EXPECT_EQ(SiteNameOfLine("Just a name"), "Just a name");
}

TEST(SitesLine, PortKeepsEveryFurtherSeparator) {
  SiteRecord r = SplitSiteLine("n;h;u;p;1;2121;x");
  EXPECT_EQ(r.Anonymous, "1");
  EXPECT_EQ(r.Port, "2121;x");
  EXPECT_EQ(SplitSiteLine("n;h;u;p;0;;;").Port, ";;");
}

TEST(SitesLine, ShortLinesLeaveTheMissingFieldsEmpty) {
  SiteRecord r = SplitSiteLine("n;h;u");
  EXPECT_EQ(r.SiteName, "n");
  EXPECT_EQ(r.HostAddress, "h");
  EXPECT_EQ(r.UserName, "u");
  EXPECT_EQ(r.Password, "");
  EXPECT_EQ(r.Port, "");
  EXPECT_EQ(SplitSiteLine(";x").SiteName, "");
  EXPECT_EQ(SiteNameOfLine(";host;;;0;21"), "");
}

TEST(SitesLine, ASeparatorInsideAFieldShiftsTheRestOnReading) {
  const std::string line = BuildSiteLine(Record("a;b", "h", "u", "p", "1", "21"));
  EXPECT_EQ(line, "a;b;h;u;p;1;21");
  SiteRecord r = SplitSiteLine(line);
  EXPECT_EQ(r.SiteName, "a");
  EXPECT_EQ(r.HostAddress, "b");
  EXPECT_EQ(r.Anonymous, "p");
  EXPECT_EQ(r.Port, "1;21");
}

TEST(SitesFile, WritesEveryLineWithCrLfAndNothingElse) {
  TempFolder folder;
  const std::string file = folder.Path() + "Sites.sts";
  StringList lines;
  lines.Add("Archive;files;anonymous;;1;21");
  lines.Add(";;;;0;21");
  ASSERT_TRUE(WriteSiteFile(lines, file, file + ".tmp"));
  EXPECT_EQ(ReadWholeFile(file), "Archive;files;anonymous;;1;21\r\n;;;;0;21\r\n");
  EXPECT_FALSE(FileExists(file + ".tmp"));
}

TEST(SitesFile, NoSitesWriteZeroBytesOverALongerFile) {
  TempFolder folder;
  const std::string file = folder.Path() + "Sites.sts";
  ASSERT_TRUE(WriteWholeFile(file, "old;;;;0;21\r\nother;;;;0;21\r\n"));
  StringList none;
  ASSERT_TRUE(WriteSiteFile(none, file, file + ".tmp"));
  bool readable = false;
  EXPECT_EQ(ReadWholeFile(file, &readable), "");
  EXPECT_TRUE(readable);
}

// The file system holding Sites.sts has room for only part of the new contents, or for none.
TEST(SitesFile, AFailedWriteLeavesTheOldFileWhole) {
  constexpr unsigned kPage = 4096;
  struct Case {
    const char* what;
    unsigned fillerBytes;  // of the four pages, one holds the old file
  } cases[] = {{"the write comes up short", 2 * kPage}, {"no room at all", 3 * kPage}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SmallFolder small(4 * kPage);
    if (!small.Mounted()) GTEST_SKIP() << "mounting a small tmpfs needs the right to mount";
    const std::string file = small.Path() + "Sites.sts";
    const std::string old = "keep;host;user;pw;0;21\r\n";
    ASSERT_TRUE(WriteWholeFile(file, old));
    ASSERT_TRUE(WriteWholeFile(small.Path() + "filler", std::string(c.fillerBytes, 'f')));
    StringList lines;
    for (int i = 0; i < 500; ++i) lines.Add("site" + std::to_string(i) + ";host;user;pw;0;21");
    ASSERT_GT(lines.JoinedText().size(), 2 * kPage);
    EXPECT_FALSE(WriteSiteFile(lines, file, file + ".tmp"));
    EXPECT_EQ(ReadWholeFile(file), old);
    EXPECT_EQ(FolderNames(small.Path()), "Sites.sts filler");
  }
}

// Whatever holds the temporary name is passed over, never opened: a link planted there (it used
// to be written through and then moved in as Sites.sts), or what a crashed save left behind.
TEST(SitesFile, ATakenTemporaryNameIsPassedOverNeverOpened) {
  enum Plant { kLinkToFile, kLinkToMissingFile, kLeftoverFile, kFolder };
  struct Case {
    const char* what;
    Plant plant;
    const char* namesAfter;
  } cases[] = {
      {"link to a file", kLinkToFile, "Sites.sts Sites.sts.tmp victim.txt"},
      // Wine leaves a link whose target is missing out of folder listings.
      {"link to a missing file", kLinkToMissingFile, "Sites.sts"},
      {"leftover file", kLeftoverFile, "Sites.sts Sites.sts.tmp"},
      {"folder", kFolder, "Sites.sts Sites.sts.tmp"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempFolder folder;
    const std::string file = folder.Path() + "Sites.sts";
    const std::string temp = file + ".tmp";
    const std::string victim = folder.Path() + "victim.txt";
    const std::string precious = "not a site file\r\n";
    PlantedLink link;
    ASSERT_TRUE(WriteWholeFile(file, "old;;;;0;21\r\n"));
    switch (c.plant) {
      case kLinkToFile:
        ASSERT_TRUE(WriteWholeFile(victim, precious));
        ASSERT_TRUE(link.Plant(victim, temp));
        break;
      case kLinkToMissingFile:
        ASSERT_TRUE(link.Plant(victim, temp));
        break;
      case kLeftoverFile:
        ASSERT_TRUE(WriteWholeFile(temp, "half a sa"));
        break;
      case kFolder:
        ASSERT_TRUE(folder.MakeFolder("Sites.sts.tmp"));
        break;
    }
    // Twice: a taken name must not make every later save fail either.
    for (const char* site : {"new;h;u;p;0;21", "newer;h;u;p;1;2121"}) {
      StringList lines;
      lines.Add(site);
      ASSERT_TRUE(WriteSiteFile(lines, file, temp));
      EXPECT_EQ(ReadWholeFile(file), std::string(site) + "\r\n");
    }
    EXPECT_EQ(FolderNames(folder.Path()), c.namesAfter);
    if (c.plant == kLinkToFile) {
      EXPECT_EQ(ReadWholeFile(victim), precious);
    } else if (c.plant == kLinkToMissingFile) {
      EXPECT_FALSE(FileExists(victim));
    } else if (c.plant == kLeftoverFile) {
      EXPECT_EQ(ReadWholeFile(temp), "half a sa");
    }
  }
}

TEST(SitesFile, AStaleTemporaryFileIsReplacedNotAppendedTo) {
  TempFolder folder;
  const std::string file = folder.Path() + "Sites.sts";
  ASSERT_TRUE(WriteWholeFile(file + ".tmp", std::string(5000, 'z')));
  StringList lines;
  lines.Add("a;;;;0;21");
  ASSERT_TRUE(WriteSiteFile(lines, file, file + ".tmp"));
  EXPECT_EQ(ReadWholeFile(file), "a;;;;0;21\r\n");
}

TEST(SitesFile, AFileHeldOpenByAnotherProgramIsLeftAlone) {
  TempFolder folder;
  const std::string file = folder.Path() + "Sites.sts";
  const std::string old = "held;;;;0;21\r\n";
  ASSERT_TRUE(WriteWholeFile(file, old));
  // Opened without sharing: the plain save could not open it either.
  HANDLE holder = CreateFileA(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  StringList lines;
  lines.Add("new;;;;0;21");
  EXPECT_FALSE(WriteSiteFile(lines, file, file + ".tmp"));
  CloseHandle(holder);
  EXPECT_EQ(ReadWholeFile(file), old);
  EXPECT_FALSE(FileExists(file + ".tmp"));
}

TEST(SitesFile, AMissingFileIsCreated) {
  TempFolder folder;
  const std::string file = folder.Path() + "Sites.sts";
  StringList lines;
  lines.Add("first;;;;0;21");
  ASSERT_TRUE(WriteSiteFile(lines, file, file + ".tmp"));
  EXPECT_EQ(ReadWholeFile(file), "first;;;;0;21\r\n");
}
