// The text a failed call's error code is shown with: the system's text, WinInet's own text for
// its codes, the number as the last resort; never an empty box.
#include <gtest/gtest.h>
#include <windows.h>
#include <wininet.h>

#include <string>

#include "app/remote/session.h"

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

// WinInet's own codes: the library's message text where it has one, else the number. The own
// client's refusals show the server's reply (FtpBoxText, transfers).
std::string WinInetText(DWORD code) {
  char buffer[256] = {};
  HMODULE wininet = GetModuleHandleA("wininet.dll");
  if (wininet == nullptr) return std::string();
  FormatMessageA(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_IGNORE_INSERTS, wininet, code, 0,
                 buffer, sizeof buffer, nullptr);
  return buffer;
}

TEST(FtpErrorText, WinInetCodesShowTheLibrarysTextOrTheirNumber) {
  // The program links WinInet, so the library is loaded for this test as for the program.
  ASSERT_NE(GetModuleHandleA("wininet.dll"), nullptr);
  for (DWORD code : {12002u, 12015u, 12029u, 12030u, 12110u, 12175u}) {
    const std::string library = WinInetText(code);
    EXPECT_EQ(ErrorText(code), library.empty() ? "Error " + std::to_string(code) : library)
        << code;
  }
  // Wine's wininet has texts for a few of its codes (12029 among them), none for others.
  if (GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr) {
    EXPECT_NE(ErrorText(12029), "Error 12029");
    EXPECT_EQ(ErrorText(12015), "Error 12015");
  }
  // A code no one has a text for shows its number, unsigned.
  EXPECT_EQ(ErrorText(12999), "Error 12999");
  EXPECT_EQ(ErrorText(0xE0000001u), "Error 3758096385");
}

}  // namespace
