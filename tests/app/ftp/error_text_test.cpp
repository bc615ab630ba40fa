// The text a failed call's error code is shown with: the system's text, WinInet's own text for
// its codes, the number as the last resort; never an empty box.
#include <gtest/gtest.h>
#include <windows.h>
#include <wininet.h>

#include <string>

#include "app/ftp/session.h"

namespace {

std::string SystemText(DWORD code) {
  char buffer[256] = {};
  FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                 buffer, sizeof buffer, nullptr);
  return buffer;
}

TEST(FtpErrorText, OrdinaryCodesShowTheSystemText) {
  ASSERT_FALSE(SystemText(ERROR_INVALID_NAME).empty());
  EXPECT_EQ(ErrorText(ERROR_INVALID_NAME), SystemText(ERROR_INVALID_NAME));
  EXPECT_EQ(ErrorText(ERROR_FILE_EXISTS), SystemText(ERROR_FILE_EXISTS));
}

TEST(FtpErrorText, TextsWithInsertsAreShownAsTheyStand) {
  // ERROR_WRONG_DISK-style texts hold %1; asked for with an argument array but no arguments,
  // FormatMessageA fails (Wine) or reads through a null pointer (Windows).
  for (DWORD code : {107u, 182u, 188u}) {
    const std::string expected = SystemText(code);
    ASSERT_NE(expected.find('%'), std::string::npos) << code << ": " << expected;
    EXPECT_EQ(ErrorText(code), expected) << code;
  }
}

TEST(FtpErrorText, WinInetCodesNeverGiveAnEmptyText) {
  // Wine's wininet has message texts for a few of its codes only (12029 among them).
  EXPECT_NE(ErrorText(ERROR_INTERNET_CANNOT_CONNECT), "");
  EXPECT_NE(ErrorText(ERROR_INTERNET_CANNOT_CONNECT), "Error 12029");
  for (DWORD code : {12003u, 12015u, 12110u, 12175u}) EXPECT_FALSE(ErrorText(code).empty()) << code;
  // A code no one has a text for shows its number.
  EXPECT_EQ(ErrorText(12999), "Error 12999");
  EXPECT_EQ(ErrorText(0xE0000001u), "Error 3758096385");
}

}  // namespace
