// Which names a server may give for a download and which may go into an FTP command. A name
// that passes IsSafeLocalName is joined to the local folder, so every way out of that folder or
// onto a device must be refused.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "app/remote/name_rules.h"

namespace {

TEST(SafeNameLocal, RefusesNamesThatLeaveTheFolderOrNameADevice) {
  const std::string refused[] = {
      "..\\..\\evil.txt",
      "C:\\evil.txt",
      "a:b",
      "sub/x.txt",
      "/etc/passwd",
      "\\\\server\\share",
      ".",
      "..",
      "",
      "...",
      "CON",
      "con",
      "Con.txt",
      "PRN",
      "AUX.tar.gz",
      "NUL",
      "nul.txt",
      "NUL .txt",
      "COM1",
      "com9.log",
      "LPT1",
      "lpt9",
      "COM0",
      "CONIN$",
      "conout$",
      "trail.",
      "trail ",
      "a\x01"
      "b",
      "a\tb",
      "a\rb",
      "a\nb",
      "a<b",
      "a>b",
      "a\"b",
      "a|b",
      "a?b",
      "a*b",
      std::string(256, 'x'),
  };
  for (const std::string& name : refused) EXPECT_FALSE(IsSafeLocalName(name)) << name;
}

TEST(SafeNameLocal, AcceptsOrdinaryNames) {
  const std::string accepted[] = {
      "report.txt",          "New Folder", ".profile", "a..b",
      "CONSOLE.txt",         "COM10",      "LPT",      "nul_x.txt",
      "my file.txt",         "x.y.z",      " leading", "con-tract.doc",
      std::string(255, 'x'),
  };
  for (const std::string& name : accepted) EXPECT_TRUE(IsSafeLocalName(name)) << name;
}

TEST(SafeNameLocal, DoubleByteCharactersAreReadWhole) {
  // Shift-JIS: the trail byte of "\x95\x5C" is "\", of "\x83\x7C" it is "|".
  EXPECT_TRUE(IsSafeLocalNameInCodePage("\x95\x5C.txt", 932));
  EXPECT_TRUE(IsSafeLocalNameInCodePage("\x83\x7C", 932));
  // The same bytes are a separator and a refused character in a single-byte code page, and a
  // lead byte without its trail is malformed.
  EXPECT_FALSE(IsSafeLocalNameInCodePage("\x95\x5C.txt", 1252));
  EXPECT_FALSE(IsSafeLocalNameInCodePage("abc\x95", 932));
  EXPECT_FALSE(IsSafeLocalNameInCodePage("\x95\x5C\\x", 932));
}

// The same rules for the characters of any code page: Windows' limits count UTF-16 characters,
// and the superscript digits make device names too.
TEST(SafeNameLocal, CharactersOfEachCodePage) {
  struct Case {
    std::string name;
    UINT codePage;
    bool safe;
  } cases[] = {
      {"caf\xE9.txt", 1252, true},
      {"COM\xB9", 1252, false},
      {"lpt\xB3.txt", 1252, false},
      {"caf\xC3\xA9.txt", CP_UTF8, true},
      {"COM\xC2\xB9", CP_UTF8, false},
      {"\xCE\xA9mega.txt", CP_UTF8, true},
      {"emoji\xF0\x9F\x98\x80.txt", CP_UTF8, true},
      // 255 characters of three bytes each fit; one more does not.
      {std::string(255, 'x'), CP_UTF8, true},
      {std::string(255 * 3, 'x'), CP_UTF8, false},
      // Bytes that are no UTF-8 name no file.
      {"caf\xE9.txt", CP_UTF8, false},
      {"\xC3", CP_UTF8, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsSafeLocalNameInCodePage(c.name, c.codePage), c.safe) << c.name << " " << c.codePage;
  }
}

TEST(SafeNameLocal, FolderAndNameMustFitMaxPath) {
  const std::string folder = "c:\\" + std::string(196, 'f') + "\\";  // 200 characters
  EXPECT_TRUE(IsSafeLocalName(std::string(59, 'n'), folder));        // 259 + NUL
  EXPECT_FALSE(IsSafeLocalName(std::string(60, 'n'), folder));       // 260 + NUL: too long
  EXPECT_FALSE(IsSafeLocalName("CON", "c:\\"));
  // Characters, not bytes: 59 characters of two bytes each still fit.
  if (GetACP() == CP_UTF8) {
    std::string twoByte;
    for (int i = 0; i < 59; ++i) twoByte += "\xC3\xA9";
    EXPECT_TRUE(IsSafeLocalName(twoByte, folder));
    EXPECT_FALSE(IsSafeLocalName(twoByte + "\xC3\xA9", folder));
  }
}

TEST(SafeNameRemote, RefusesLineBreaksOnly) {
  EXPECT_FALSE(IsSafeRemoteName(""));
  EXPECT_FALSE(IsSafeRemoteName("a\rb"));
  EXPECT_FALSE(IsSafeRemoteName("a\nDELE x"));
  EXPECT_FALSE(IsSafeRemoteName(std::string("a\0b", 3)));
  // The server decides what its own names mean.
  EXPECT_TRUE(IsSafeRemoteName("my dir"));
  EXPECT_TRUE(IsSafeRemoteName("a:b"));
  EXPECT_TRUE(IsSafeRemoteName(".."));
}

}  // namespace
