// Reading a long multi-line reply (a FEAT or HELP answer, or a hostile server's) as it comes off
// the control connection in pieces of 1, 16 and 4096 bytes, against reading it in one piece (the
// floor: every byte looked at once). Prints microseconds per reply and the ratio to the floor
// for several reply lengths: a ratio that grows with the length means the reader looks at the
// same bytes again for every piece. Run by hand from the build folder: wine reply_bench.exe
#include <chrono>
#include <cstdio>
#include <string>

#include "app/ftp/ftp_reply.h"

namespace {

std::string LongReply(size_t length) {
  std::string text = "211-Features:\r\n";
  while (text.size() + 9 < length) text += " FEATURE WITH A NAME OF SOME LENGTH\r\n";
  return text + "211 End\r\n";
}

// Microseconds per reply, fed in pieces of `piece` bytes, best of a few rounds.
double MicrosecondsPerReply(const std::string& text, size_t piece) {
  double best = 1e30;
  for (int round = 0; round < 5; ++round) {
    const auto start = std::chrono::steady_clock::now();
    ReplyReader reader;
    FtpReply reply;
    int replies = 0;
    for (size_t at = 0; at < text.size(); at += piece) {
      const size_t n = text.size() - at < piece ? text.size() - at : piece;
      reader.Feed(text.data() + at, n);
      if (reader.Next(reply) == ReplyReader::Result::kReply) ++replies;
    }
    const std::chrono::duration<double, std::micro> took = std::chrono::steady_clock::now() - start;
    if (replies != 1) return -1;
    if (took.count() < best) best = took.count();
  }
  return best;
}

}  // namespace

int main() {
  const size_t pieces[] = {1, 16, 4096};
  std::printf("%-12s %12s", "reply bytes", "whole (us)");
  for (size_t piece : pieces) {
    char label[32];
    std::snprintf(label, sizeof label, "%zu-byte (us)", piece);
    std::printf(" %20s ratio", label);
  }
  std::printf("\n");
  for (size_t length : {1024u, 8192u, 32768u, 64000u}) {
    const std::string text = LongReply(length);
    const double floor = MicrosecondsPerReply(text, text.size());
    std::printf("%-12zu %12.1f", text.size(), floor);
    for (size_t piece : pieces) {
      const double us = MicrosecondsPerReply(text, piece);
      std::printf(" %20.1f %5.1f", us, floor > 0 ? us / floor : 0.0);
    }
    std::printf("\n");
  }
  return 0;
}
