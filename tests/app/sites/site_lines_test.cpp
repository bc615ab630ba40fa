// Site lines and the site file without any window: the line format, cutting a line into its
// fields, and writing the file so that a failed save never cuts the old one.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "app/sites/sites.h"
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

TEST(SitesFile, AFailedWriteLeavesTheOldFileWhole) {
  TempFolder folder;
  const std::string file = folder.Path() + "Sites.sts";
  const std::string old = "keep;host;user;pw;0;21\r\n";
  ASSERT_TRUE(WriteWholeFile(file, old));
  // A folder where the temporary file should go: the new contents cannot be written at all.
  ASSERT_TRUE(folder.MakeFolder("Sites.sts.tmp"));
  StringList lines;
  lines.Add("new;;;;0;21");
  EXPECT_FALSE(WriteSiteFile(lines, file, file + ".tmp"));
  EXPECT_EQ(ReadWholeFile(file), old);
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
