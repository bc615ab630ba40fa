// The status callback's vocabulary and byte totals, as plain functions: the text of every code,
// the second lines of 11, 31 and 41, totals that never wrap, and report data read no further
// than its stated length.
#include "app/remote/status_log.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "tests/app/app_harness.h"

namespace {

// Every code WinInet reports from 10 to 200 has a text of its own (two codes sharing one would
// leave the log unable to tell them apart); the rest, the gaps between them included, are
// unknown. Two are spelled as the program has always written them.
TEST(StatusLogText, KnownCodesHaveTextsOfTheirOwnAndTheRestAreUnknown) {
  EXPECT_EQ(StatusText(INTERNET_STATUS_CONNECTING_TO_SERVER), "Connected");
  EXPECT_EQ(StatusText(INTERNET_STATUS_REQUEST_SENT), "Request Send");
  std::set<std::string> texts;
  for (DWORD code = 0; code <= 1000; ++code) {
    const std::string text = StatusText(code);
    if (text != "Status Unknown") {
      EXPECT_TRUE(texts.insert(text).second) << code << " " << text;
    }
  }
  EXPECT_EQ(texts.size(), 18u);
  for (DWORD code : {0u, 12u, 19u, 80u, 201u, 0xFFFFFFFFu}) {
    EXPECT_EQ(StatusText(code), "Status Unknown") << code;
  }
}

TEST(StatusLogText, TotalsPrintInFullWithTheirSuffix) {
  EXPECT_EQ(SentTotalText(0), "0 bytes send");
  EXPECT_EQ(SentTotalText(2147483648ull), "2147483648 bytes send");
  EXPECT_EQ(ReceivedTotalText(4294967296ull), "4294967296 bytes received");
  EXPECT_EQ(SentTotalText(18446744073709551615ull), "18446744073709551615 bytes send");
}

TEST(StatusLogLines, PlainCodesGiveOneLineInPartZero) {
  uint64_t sent = 7;
  uint64_t received = 9;
  const auto lines = StatusLines(60, nullptr, 0, sent, received);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].text, "Handle Created");
  EXPECT_EQ(lines[0].part, 0);
  EXPECT_EQ(sent, 7u);
  EXPECT_EQ(received, 9u);
}

TEST(StatusLogLines, NameResolvedShowsTheAddressInPartOne) {
  uint64_t sent = 0;
  uint64_t received = 0;
  const char terminated[] = "127.0.0.1\0junk";
  auto lines = StatusLines(11, terminated, sizeof terminated, sent, received);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].text, "Name Resolved");
  EXPECT_EQ(lines[0].part, 0);
  EXPECT_EQ(lines[1].text, "127.0.0.1");
  EXPECT_EQ(lines[1].part, 1);

  // No terminator within the stated length: the text stops at the length, not at whatever
  // follows in memory.
  const char unterminated[] = "10.1.2.3XXXXXXXX";
  lines = StatusLines(11, unterminated, 8, sent, received);
  EXPECT_EQ(lines[1].text, "10.1.2.3");

  lines = StatusLines(11, nullptr, 40, sent, received);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1].text, "");
}

TEST(StatusLogLines, ByteCountsAddUpAcrossReportsAndNeverWrap) {
  uint64_t sent = 0;
  uint64_t received = 0;
  uint32_t count = 100;
  auto lines = StatusLines(31, &count, sizeof count, sent, received);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].text, "Request Send");
  EXPECT_EQ(lines[1].text, "100 bytes send");
  EXPECT_EQ(lines[1].part, 2);
  count = 50;  // the next connection: totals are never reset
  lines = StatusLines(31, &count, sizeof count, sent, received);
  EXPECT_EQ(lines[1].text, "150 bytes send");

  count = 0;  // a zero count still logs the unchanged total
  lines = StatusLines(31, &count, sizeof count, sent, received);
  EXPECT_EQ(lines[1].text, "150 bytes send");

  // The count is unsigned 32-bit and the total 64-bit.
  count = 0xFFFFFFFFu;
  StatusLines(41, &count, sizeof count, sent, received);
  lines = StatusLines(41, &count, sizeof count, sent, received);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].text, "Response Received");
  EXPECT_EQ(lines[1].text, "8589934590 bytes received");
  EXPECT_EQ(lines[1].part, 3);
  EXPECT_EQ(sent, 150u);
}

TEST(StatusLogLines, CountDataShorterThanFourBytesCountsNothing) {
  uint64_t sent = 5;
  uint64_t received = 0;
  const unsigned char two[2] = {0xFF, 0xFF};
  const auto lines = StatusLines(31, two, sizeof two, sent, received);
  EXPECT_EQ(lines[1].text, "5 bytes send");
  StatusLines(41, nullptr, 4, sent, received);
  EXPECT_EQ(received, 0u);
}

// The callback runs inside a library call that may have set its error already.
TEST(StatusLogWindow, TheCallbackLeavesTheCallersLastErrorAsItWas) {
  AppHarness app;
  for (const DWORD status : {DWORD{10}, DWORD{41}, DWORD{70}, DWORD{999}}) {
    const DWORD count = 12;
    SetLastError(ERROR_NO_MORE_FILES);
    StatusCallback(nullptr, 255, status, const_cast<DWORD*>(&count), sizeof count);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_FILES)) << status;
  }
}

bool CountReplacement(void* count, MessageRecord& msg, LRESULT&) {
  if (msg.message == EM_REPLACESEL) ++*static_cast<int*>(count);
  return false;
}

// The log's waiting text goes into the edit while the thread waits for a reply to a request
// it sent; a download's own progress (a reply's bytes reported as they come, no wait between)
// leaves it waiting.
TEST(StatusLogWindow, TheLogTakesItsWaitingTextWhileAReplyIsAwaited) {
  AppHarness app;
  int replacements = 0;
  appState.logEdit->messageEvent = {&CountReplacement, &replacements};
  const DWORD megabyte = 1 << 20;
  const auto report = [](DWORD status, DWORD count = 0) {
    StatusCallback(nullptr, 255, status, &count, sizeof count);
  };
  for (int i = 0; i < 15; ++i) {  // some 900 bytes of log
    report(INTERNET_STATUS_RECEIVING_RESPONSE);
    report(INTERNET_STATUS_RESPONSE_RECEIVED, megabyte);
  }
  EXPECT_EQ(replacements, 0);
  report(INTERNET_STATUS_SENDING_REQUEST);
  report(INTERNET_STATUS_REQUEST_SENT, 6);
  report(INTERNET_STATUS_RECEIVING_RESPONSE);
  EXPECT_EQ(replacements, 1);
  PumpMessages();
  appState.logEdit->messageEvent = {};
}

}  // namespace
