// Reading an FTP server's control connection: replies of one or more lines (RFC 959 "123-" ...
// "123 "), the features of a FEAT reply (RFC 2389), the port of a PASV (227) or EPSV (229)
// reply. Plain code over bytes, without windows.h, so it is unit-tested and fuzzed natively.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

constexpr size_t kMostReplyLine = 8 * 1024;
constexpr size_t kMostReplyLength = 64 * 1024;

struct FtpReply {
  int code = 0;        // 100..599
  std::string text;    // every line of the reply, each ended by CR LF, as the server sent them
};

// Takes the bytes of the control connection as they come and hands out whole replies.
class ReplyReader {
 public:
  enum class Result {
    kNeedMore,  // no whole reply yet
    kReply,     // `reply` holds the next one
    kTooLong,   // a line over kMostReplyLine or a reply over kMostReplyLength: the connection
                // is beyond saving
    kMalformed, // a first line that does not start with three digits and a blank or "-"
  };
  void Feed(const char* data, size_t size);
  Result Next(FtpReply& reply);
  // Bytes fed and not yet handed out (bounded by the caps above).
  size_t Buffered() const { return buffer_.size() - start_; }

 private:
  std::string buffer_;
  size_t start_ = 0;
  // The reply being read: its lines read so far (each ended by CR LF) and where, from start_,
  // the next line starts. Each Next goes on from there, so a reply that comes a byte at a time
  // is read in linear time, not scanned again from its start for every byte.
  std::string partText_;
  size_t partEnd_ = 0;
};

struct FtpFeatures {
  bool mlsd = false;  // "MLST ..." offered
  bool utf8 = false;
  bool epsv = false;
  bool size = false;
};
// The features a FEAT reply lists (211-Features: ... 211 End); none for any other code.
FtpFeatures ParseFeatures(const FtpReply& reply);

// The port of "227 Entering Passive Mode (h1,h2,h3,h4,p1,p2)"; the address in it is not used
// (the data connection goes to the control connection's peer). False when no such group.
bool ParsePasvPort(std::string_view text, uint16_t& port);
// The port of "229 Entering Extended Passive Mode (|||port|)"; false when malformed.
bool ParseEpsvPort(std::string_view text, uint16_t& port);

// The folder in '257 "/home/u" is the current directory' (RFC 959: a quote inside the name is
// doubled). False when the reply holds no quoted name.
bool ParsePwdReply(const FtpReply& reply, std::string& folder);

// The size in "213 1234" (RFC 3659): decimal digits only, no more than 64 bits hold.
bool ParseSizeReply(const FtpReply& reply, uint64_t& size);
// The size a transfer's 1xx reply announces: "150 Opening BINARY mode data connection for x
// (1234 bytes)." The last "(N bytes)" of the first line counts (a file name may hold one too).
bool ParseAnnouncedSize(std::string_view text, uint64_t& size);
