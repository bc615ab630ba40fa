// Names between code pages, for any system: how a server's bytes are shown, which bytes a new
// name goes to a server with, and the box that names a file the program cannot use. Each rule
// takes its code pages as arguments.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "app/code_page.h"

namespace {

constexpr UINT kUtf8 = CP_UTF8;
constexpr UINT kLatin = 1252;
constexpr UINT kCyrillic = 1251;
constexpr UINT kJapanese = 932;

TEST(CodePage, HowAServersNameIsShown) {
  struct Case {
    const char* bytes;
    UINT program;
    UINT legacy;
    const char* shown;  // null: not checked
    bool exact;
  } cases[] = {
      {"plain.txt", kUtf8, kLatin, "plain.txt", true},
      {"caf\xC3\xA9.txt", kUtf8, kLatin, "caf\xC3\xA9.txt", true},
      // Not UTF-8: a Latin-1 server's name, read from the legacy code page.
      {"caf\xE9.txt", kUtf8, kLatin, "caf\xC3\xA9.txt", true},
      {"\xCF\xF0\xE8\xE2\xE5\xF2.txt", kUtf8, kCyrillic,
       "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82.txt", true},
      // The legacy code page as the program's: UTF-8 names converted where they have a form...
      {"caf\xC3\xA9.txt", kLatin, kLatin, "caf\xE9.txt", true},
      {"caf\xE9.txt", kLatin, kLatin, "caf\xE9.txt", true},
      {"\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E.txt", kJapanese, kJapanese,
       "\x93\xFA\x96\x7B\x8C\xEA.txt", true},
      // ... and "?" where they have none, never a look-alike ("Omega.txt" is another file).
      {"\xCE\xA9mega.txt", kLatin, kLatin, "?mega.txt", false},
      {"\xE6\x97\xA5.txt", kLatin, kLatin, "?.txt", false},
      {"emoji\xF0\x9F\x98\x80.txt", kLatin, kLatin, nullptr, false},
  };
  for (const Case& c : cases) {
    std::string shown;
    EXPECT_EQ(ShownServerName(c.bytes, c.program, c.legacy, shown), c.exact) << c.bytes;
    if (c.shown != nullptr) {
      EXPECT_EQ(shown, c.shown) << c.bytes;
    }
    EXPECT_EQ(shown.find('O'), std::string::npos) << c.bytes;
  }
  EXPECT_TRUE(SpeaksLegacyCodePage("caf\xE9.txt"));
  EXPECT_FALSE(SpeaksLegacyCodePage("caf\xC3\xA9.txt"));
  EXPECT_FALSE(SpeaksLegacyCodePage("plain.txt"));
}

TEST(CodePage, WhichBytesANewNameGoesToTheServerWith) {
  struct Case {
    const char* name;
    UINT program;
    bool folderSpeaksLegacy;
    const char* sent;
  } cases[] = {
      {"New Folder", kUtf8, true, "New Folder"},
      {"caf\xC3\xA9 up.txt", kUtf8, false, "caf\xC3\xA9 up.txt"},
      // A folder whose listing is in code page 1252 gets names in 1252 ...
      {"caf\xC3\xA9 up.txt", kUtf8, true, "caf\xE9 up.txt"},
      // ... unless the name has no form there.
      {"\xCE\xA9mega.txt", kUtf8, true, "\xCE\xA9mega.txt"},
      // A legacy program's text goes out in UTF-8.
      {"caf\xE9 up.txt", kLatin, false, "caf\xC3\xA9 up.txt"},
      {"caf\xE9 up.txt", kLatin, true, "caf\xE9 up.txt"},
  };
  for (const Case& c : cases) {
    std::string sent;
    ASSERT_TRUE(NewServerName(c.name, c.program, c.folderSpeaksLegacy, kLatin, sent)) << c.name;
    EXPECT_EQ(sent, c.sent) << c.name;
  }
  std::string sent;
  EXPECT_FALSE(NewServerName("caf\xE9", kUtf8, false, kLatin, sent));  // no UTF-8 text
}

// An unpaired surrogate is a name Windows allows that has no UTF-8 form either.
TEST(CodePage, ALocalNameWithoutAnExactFormIsSaidSo) {
  std::string out;
  EXPECT_FALSE(FromWide(std::wstring(L"a") + wchar_t(0xD800) + L"b", kUtf8, out));
  EXPECT_EQ(out, "a?b");
  EXPECT_FALSE(FromWide(L"\u03a9mega", kLatin, out));
  EXPECT_EQ(out, "?mega");
  EXPECT_NE(UnusableNameText(L"\u03a9mega.txt", "uploaded", kLatin)
                .find(L"\"\u03a9mega.txt\" cannot be uploaded: its name holds characters that "
                      L"this system's code page (1252) lacks"),
            std::wstring::npos);
}

}  // namespace
