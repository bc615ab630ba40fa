// File row texts and the shell's answers, without a list view: the size text rule (in both
// panes), the key under which one listing reuses the shell's answers, and what the shell says.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <string>

#include "app/file_rows.h"

namespace {

constexpr int64_t kKiB = 1024;
constexpr int64_t kMiB = 1024 * kKiB;
constexpr int64_t kGiB = 1024 * kMiB;

}  // namespace

TEST(FileRowsSize, BelowOneKilobyteShowsOneKilobyte) {
  EXPECT_EQ(FormatFileSize(0), "1 KB");
  EXPECT_EQ(FormatFileSize(1), "1 KB");
  EXPECT_EQ(FormatFileSize(512), "1 KB");
  EXPECT_EQ(FormatFileSize(1023), "1 KB");
}

TEST(FileRowsSize, KilobytesTruncate) {
  EXPECT_EQ(FormatFileSize(1024), "1 KB");
  EXPECT_EQ(FormatFileSize(1100), "1 KB");
  EXPECT_EQ(FormatFileSize(1800), "1 KB");
  EXPECT_EQ(FormatFileSize(2047), "1 KB");
  EXPECT_EQ(FormatFileSize(2048), "2 KB");
  EXPECT_EQ(FormatFileSize(12 * kKiB + 1000), "12 KB");
  EXPECT_EQ(FormatFileSize(kMiB - 1), "1023 KB");
}

TEST(FileRowsSize, MegabytesAreTheLargestUnit) {
  EXPECT_EQ(FormatFileSize(kMiB), "1 MB");
  EXPECT_EQ(FormatFileSize(2 * kMiB - 1), "1 MB");
  EXPECT_EQ(FormatFileSize(kGiB), "1024 MB");
  EXPECT_EQ(FormatFileSize(3 * kGiB), "3072 MB");
  EXPECT_EQ(FormatFileSize(5 * kGiB), "5120 MB");
}

TEST(FileRowsSize, HugeSizesStayPositive) {
  // 4 TiB: a 32-bit kilobyte count would wrap to a negative number here.
  EXPECT_EQ(FormatFileSize(4096 * kGiB), "4194304 MB");
}

// The find record's size is unsigned: 2^63 bytes and more showed as negative numbers, and
// 2^64 - 1 as 1 KB.
TEST(FileRowsSize, SizesPast2To63StayTrue) {
  const struct {
    uint64_t size;
    const char* text;
  } cases[] = {
      {uint64_t{1} << 63, "8796093022208 MB"},
      {(uint64_t{1} << 63) + 1024, "8796093022208 MB"},
      {UINT64_MAX, "17592186044415 MB"},
      {UINT64_MAX - 1024 * kMiB, "17592186043391 MB"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatFileSize(c.size), c.text) << c.size;
  WIN32_FIND_DATAA entry{};
  entry.nFileSizeHigh = 0xFFFFFFFFu;
  entry.nFileSizeLow = 0xFFFFFFFFu;
  EXPECT_EQ(EntrySize(entry), UINT64_MAX);
}

TEST(FileRowsShell, AnswerKeyIsTheTailFromTheLastDot) {
  EXPECT_EQ(ShellAnswerKey("c:\\dir\\readme.txt"), ".txt");
  EXPECT_EQ(ShellAnswerKey("/pub/archive.tar.gz"), ".gz");
  EXPECT_EQ(ShellAnswerKey("c:\\dir\\Makefile"), "");
  // A dot in a folder name keys on the whole tail, so files without an extension in such a
  // folder never share an answer with a real extension.
  EXPECT_EQ(ShellAnswerKey("c:\\my.dir\\Makefile"), ".dir\\Makefile");
  EXPECT_NE(ShellAnswerKey("c:\\my.dir\\Makefile"), ShellAnswerKey("c:\\dir\\x.dir"));
}

TEST(FileRowsShell, OneListingAsksOncePerExtension) {
  ShellAnswers shell;
  const std::string first = shell.TypeName("c:\\a\\one.txt");
  EXPECT_EQ(shell.ShellQueries(), 1);
  EXPECT_EQ(shell.TypeName("c:\\a\\two.txt"), first);
  EXPECT_EQ(shell.TypeName("/remote/three.txt"), first);
  EXPECT_EQ(shell.ShellQueries(), 1);
  shell.TypeName("c:\\a\\four.bin");
  EXPECT_EQ(shell.ShellQueries(), 2);

  HICON icon = shell.SmallIcon("c:\\a\\one.txt");
  EXPECT_EQ(shell.SmallIcon("c:\\a\\five.txt"), icon);
  EXPECT_EQ(shell.ShellQueries(), 3);
}

TEST(FileRowsShell, TypeNamesComeFromTheNameAlone) {
  // Neither file exists: the shell answers from the extension, for local and server paths
  // alike. Wine's names differ from Windows' (".txt file" and the like), so only equality and
  // presence are checked.
  EXPECT_EQ(GetShellTypeName("c:\\does\\not\\exist.txt"), GetShellTypeName("/pub/readme.txt"));
  EXPECT_FALSE(GetShellTypeName("/pub/readme.txt").empty());
  HICON icon = GetShellSmallIcon("/pub/readme.txt");
  EXPECT_NE(icon, nullptr);
  if (icon) DestroyIcon(icon);
}
