// A control connection of arbitrary bytes, fed in pieces of arbitrary sizes: replies come out
// whole and within the caps, the same however the bytes were split, and the features and
// passive ports of each are read.
#include "app/ftp/ftp_reply.h"
#include "tests/fuzz/fuzz_input.h"

namespace {

// Every reply up to the end or the first failure, the failure last as a reply of code -1.
std::vector<FtpReply> ReadAll(std::string_view bytes, size_t piece) {
  std::vector<FtpReply> replies;
  ReplyReader reader;
  for (size_t at = 0; at < bytes.size(); at += piece) {
    const std::string_view part = bytes.substr(at, piece);
    reader.Feed(part.data(), part.size());
    for (;;) {
      FtpReply reply;
      const ReplyReader::Result result = reader.Next(reply);
      if (result == ReplyReader::Result::kNeedMore) {
        // Nothing piles up without bound while the reader waits for a line's end.
        FUZZ_CHECK(reader.Buffered() <= kMostReplyLength + kMostReplyLine + piece);
        break;
      }
      if (result != ReplyReader::Result::kReply) {
        FtpReply failure;
        failure.code = -1;
        replies.push_back(failure);
        return replies;  // the connection is given up
      }
      FUZZ_CHECK(reply.code >= 100 && reply.code <= 599);
      FUZZ_CHECK(reply.text.size() >= 5 && reply.text.size() <= kMostReplyLength);
      FUZZ_CHECK(reply.text.back() == '\n');
      FUZZ_CHECK(reply.text.compare(0, 3, std::to_string(reply.code)) == 0);
      ParseFeatures(reply);
      uint16_t port = 0;
      ParsePasvPort(reply.text, port);
      ParseEpsvPort(reply.text, port);
      replies.push_back(reply);
    }
  }
  return replies;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput in(data, size);
  const size_t piece = 1 + in.Byte() % 128;
  const std::string_view bytes = in.Rest();
  const std::vector<FtpReply> pieces = ReadAll(bytes, piece);
  const std::vector<FtpReply> whole = ReadAll(bytes, bytes.size() + 1);
  FUZZ_CHECK(pieces.size() == whole.size());
  for (size_t i = 0; i < pieces.size(); ++i) {
    FUZZ_CHECK(pieces[i].code == whole[i].code);
    FUZZ_CHECK(pieces[i].text == whole[i].text);
  }
  return 0;
}
