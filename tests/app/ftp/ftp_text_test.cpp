// Telling a server's UTF-8 names from names in another code page.
#include "app/ftp/ftp_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(FtpText, OnlyWellFormedUtf8WithNonAsciiBytesIsTakenForUtf8) {
  struct Case {
    std::string text;
    bool utf8;
  };
  const std::vector<Case> table = {
      {"caf\xC3\xA9.txt", true},    // é
      {"\xE4\xB8\xAD.txt", true},   // 中
      {"\xF0\x9F\x98\x80", true},   // U+1F600
      {"plain.txt", false},         // ASCII is no sign of UTF-8
      {"caf\xE9.txt", false},       // é in code page 1252
      {"\xC0\xAF", false},          // an overlong "/"
      {"\xED\xA0\x80", false},      // a surrogate
      {"\xF4\x90\x80\x80", false},  // past U+10FFFF
      {"\xE4\xB8", false},          // cut short
      {"\xC3\xA9\x80", false},      // a stray continuation byte
      {std::string("a\0\xC3\xA9", 4), true},
  };
  for (const Case& c : table) EXPECT_EQ(IsNonAsciiUtf8(c.text), c.utf8) << c.text;
}

}  // namespace
