// An upload's data without a socket: the file goes whole, in order, with the same progress steps
// whether the stream takes it from views of the file or from a buffer it was read into.
#include "app/ftp/own/data_channel.h"

#include <gtest/gtest.h>
#include <wininet.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/support/temp_files.h"

namespace {

constexpr uint64_t kStep = kProgressStep;

std::vector<DWORD>& SentCounts() {
  static std::vector<DWORD> counts;
  return counts;
}

void CALLBACK Collect(HINTERNET, DWORD_PTR, DWORD status, LPVOID info, DWORD length) {
  if (status == INTERNET_STATUS_REQUEST_SENT && info != nullptr && length >= sizeof(DWORD)) {
    SentCounts().push_back(*static_cast<const DWORD*>(info));
  }
}

// Keeps what is sent.
class RecordingStream : public ByteStream {
 public:
  explicit RecordingStream(bool withoutReading) : withoutReading_(withoutReading) {}
  DWORD Send(const char* data, size_t size, Deadline) override {
    sent.append(data, size);
    sends.push_back(size);
    return ERROR_SUCCESS;
  }
  DWORD Receive(char*, size_t, size_t& got, Deadline) override { return got = 0, ERROR_SUCCESS; }
  DWORD ReceiveData(char*, size_t, size_t& got) override { return got = 0, ERROR_SUCCESS; }
  DWORD Finish(Deadline) override { return finished = true, ERROR_SUCCESS; }
  void Close() override {}
  bool IsOpen() const override { return true; }
  bool SendsWithoutReading() const override { return withoutReading_; }

  std::string sent;
  std::vector<size_t> sends;
  bool finished = false;

 private:
  bool withoutReading_;
};

// A step per MiB, then what is left (0 when the size is a whole number of steps).
std::vector<DWORD> Steps(uint64_t size) {
  std::vector<DWORD> steps(static_cast<size_t>(size / kStep), static_cast<DWORD>(kStep));
  steps.push_back(static_cast<DWORD>(size % kStep));
  return steps;
}

TEST(UploadMover, SendsTheWholeFileInStepsFromViewsOrByReading) {
  const std::string folder = MakeUniqueTempFolder("upmover");
  ASSERT_FALSE(folder.empty());
  const std::string path = folder + "up.bin";
  // Across a view's end (16 MiB) and a piece's (four steps).
  for (const uint64_t size :
       {0ull, 1ull, kStep - 1, kStep, 4 * kStep + 5, 16 * kStep + 3, 33 * kStep + 7}) {
    std::string bytes(static_cast<size_t>(size), '\0');
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>((i * 7 + 3) % 251);
    for (const bool views : {true, false}) {
      SCOPED_TRACE(std::to_string(size) + (views ? " from views" : " by reading"));
      HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                                nullptr, CREATE_ALWAYS, 0, nullptr);
      ASSERT_NE(file, INVALID_HANDLE_VALUE);
      DWORD written = 0;
      ASSERT_TRUE(WriteFile(file, bytes.data(), static_cast<DWORD>(size), &written, nullptr));
      SetFilePointer(file, 0, nullptr, FILE_BEGIN);
      SentCounts().clear();
      RecordingStream stream(views);
      UploadMover mover(file, ProgressReporter(nullptr, &Collect, 255), 30000);
      uint64_t moved = 0;
      EXPECT_EQ(mover.Move(stream, false, 0, moved), static_cast<DWORD>(ERROR_SUCCESS));
      CloseHandle(file);

      EXPECT_EQ(moved, size);
      EXPECT_TRUE(stream.sent == bytes) << stream.sent.size() << " bytes sent";
      EXPECT_TRUE(stream.finished);
      EXPECT_EQ(SentCounts(), Steps(size));
      // From views a stream this fast takes four steps a send after the first; reading goes a
      // step at a time.
      const size_t largest =
          stream.sends.empty() ? 0 : *std::max_element(stream.sends.begin(), stream.sends.end());
      EXPECT_EQ(largest,
                views && size > kStep ? std::min(4 * kStep, size - kStep) : std::min(size, kStep));
    }
  }
  RemoveFolderTree(folder);
}

// Four steps a send only while one leaves in under a 32nd of the wait.
TEST(UploadMover, SendsFourStepsOnlyWhileAStepTakesLittleOfTheWait) {
  struct Case {
    uint64_t sent, elapsedUs;
    DWORD waitMs;
    bool four;
  };
  const Case cases[] = {
      {kStep, 800, 30000, true},                  // loopback: 0.8 ms a MiB
      {kStep, 937500, 30000, true},               // exactly a 32nd of 30 s
      {kStep, 937501, 30000, false},              // just over
      {4 * kStep, 3750000, 30000, true},          // four steps in 3.75 s: the same rate
      {kStep, 16000000, 30000, false},            // 64 KiB/s: a step takes half the wait
      {kStep / 2, 600000, 30000, false},          // half a step in 0.6 s: 1.2 s a step
      {0, 0, 30000, false},                       // nothing sent says nothing of the link
      {kStep, 1000, 0, false},                    // no wait to measure against
      {64 * kStep, 120000000, 0xFFFFFFFF, true},  // no overflow at the largest wait
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SendsFourSteps(c.sent, c.elapsedUs, c.waitMs), c.four)
        << c.sent << " bytes in " << c.elapsedUs << " us, wait " << c.waitMs;
  }
}

}  // namespace
