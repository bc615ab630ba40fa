// The reply reader over the bytes of a control connection: single and multi-line replies
// however the bytes are split, the caps on a line and on a reply, malformed first lines, and
// the FEAT, PASV and EPSV readers over real and hostile replies.
#include "app/ftp/ftp_reply.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<FtpReply> ReadAll(const std::string& bytes, size_t piece, ReplyReader::Result& last) {
  ReplyReader reader;
  std::vector<FtpReply> replies;
  last = ReplyReader::Result::kNeedMore;
  for (size_t at = 0; at < bytes.size(); at += piece) {
    reader.Feed(bytes.data() + at, std::min(piece, bytes.size() - at));
    FtpReply reply;
    while ((last = reader.Next(reply)) == ReplyReader::Result::kReply) replies.push_back(reply);
    if (last != ReplyReader::Result::kNeedMore) break;
  }
  return replies;
}

TEST(FtpReplyReader, RepliesComeWholeHoweverTheBytesAreSplit) {
  const std::string bytes =
      "220 zev test server ready\r\n"
      "211-Features supported:\r\n EPSV\r\n 211 not the end\r\n211-nor this\r\n211 End FEAT.\r\n"
      "150 Opening\n226 Done\r\n"
      "230-Welcome\r\n230-more\r\n230 Logged in\r\n"
      "200\r\n";
  for (size_t piece : {bytes.size(), size_t{1}, size_t{3}, size_t{16}}) {
    ReplyReader::Result last;
    const std::vector<FtpReply> replies = ReadAll(bytes, piece, last);
    ASSERT_EQ(replies.size(), 6u) << piece;
    EXPECT_EQ(last, ReplyReader::Result::kNeedMore);
    EXPECT_EQ(replies[0].code, 220);
    EXPECT_EQ(replies[0].text, "220 zev test server ready\r\n");
    EXPECT_EQ(replies[1].code, 211);
    // Only the code followed by a blank at the start of a line ends a multi-line reply.
    EXPECT_EQ(replies[1].text,
              "211-Features supported:\r\n EPSV\r\n 211 not the end\r\n211-nor this\r\n"
              "211 End FEAT.\r\n");
    EXPECT_EQ(replies[2].code, 150);
    EXPECT_EQ(replies[3].code, 226);
    EXPECT_EQ(replies[3].text, "226 Done\r\n");  // a bare LF becomes CR LF
    EXPECT_EQ(replies[4].code, 230);
    EXPECT_EQ(replies[4].text, "230-Welcome\r\n230-more\r\n230 Logged in\r\n");
    EXPECT_EQ(replies[5].code, 200);
  }
}

TEST(FtpReplyReader, HostileRepliesAreRefusedNotBuffered) {
  struct Case {
    std::string bytes;
    ReplyReader::Result result;
  };
  const std::vector<Case> table = {
      {"220 " + std::string(kMostReplyLine + 1, 'x'), ReplyReader::Result::kTooLong},
      {"220 " + std::string(kMostReplyLine, 'x') + "\r\n", ReplyReader::Result::kTooLong},
      {[] {
         std::string s = "220-start\r\n";
         while (s.size() <= kMostReplyLength) s += "220-" + std::string(100, 'y') + "\r\n";
         return s;
       }(),
       ReplyReader::Result::kTooLong},
      {"hello\r\n", ReplyReader::Result::kMalformed},
      {"22 short\r\n", ReplyReader::Result::kMalformed},
      {"2200 long code\r\n", ReplyReader::Result::kMalformed},
      {"620 out of range\r\n", ReplyReader::Result::kMalformed},
      {"SSH-2.0-OpenSSH", ReplyReader::Result::kMalformed},
  };
  for (const Case& c : table) {
    for (size_t piece : {c.bytes.size(), size_t{1000}}) {
      ReplyReader::Result last;
      const std::vector<FtpReply> replies = ReadAll(c.bytes, piece, last);
      EXPECT_TRUE(replies.empty()) << c.bytes.substr(0, 40);
      EXPECT_EQ(last, c.result) << c.bytes.substr(0, 40) << " piece " << piece;
    }
  }
  // Within the caps the reader holds no more than it was given.
  ReplyReader reader;
  const std::string big = "220-" + std::string(kMostReplyLine - 10, 'z') + "\r\n";
  reader.Feed(big.data(), big.size());
  FtpReply reply;
  EXPECT_EQ(reader.Next(reply), ReplyReader::Result::kNeedMore);
  EXPECT_EQ(reader.Buffered(), big.size());
}

TEST(FtpReplyFeatures, RealFeatRepliesOfEachServer) {
  FtpReply pyftpdlib{211,
                     "211-Features supported:\r\n EPRT\r\n EPSV\r\n MDTM\r\n MFMT\r\n"
                     " MLST type*;perm*;size*;modify*;unique*;unix.mode;unix.uid;unix.gid;\r\n"
                     " REST STREAM\r\n SIZE\r\n TVFS\r\n UTF8\r\n211 End FEAT.\r\n"};
  FtpFeatures f = ParseFeatures(pyftpdlib);
  EXPECT_TRUE(f.mlsd && f.utf8 && f.epsv && f.size);
  FtpReply vsftpd{211,
                  "211-Features:\r\n EPRT\r\n EPSV\r\n MDTM\r\n PASV\r\n REST STREAM\r\n SIZE\r\n"
                  " TVFS\r\n211 End\r\n"};
  f = ParseFeatures(vsftpd);
  EXPECT_FALSE(f.mlsd);
  EXPECT_FALSE(f.utf8);
  EXPECT_TRUE(f.epsv && f.size);
  // Names are not case sensitive; a word that only starts like one is another feature.
  f = ParseFeatures({211, "211-x\r\n mlst size*;\r\n utf8\r\n UTF8X\r\n MLSTX\r\n211 End\r\n"});
  EXPECT_TRUE(f.mlsd && f.utf8);
  f = ParseFeatures({211, "211-x\r\n UTF8X\r\n MLSTX\r\n211 End\r\n"});
  EXPECT_FALSE(f.mlsd || f.utf8);
  // A refused FEAT offers nothing, whatever its text says.
  f = ParseFeatures({500, "500 MLST UTF8 unknown\r\n"});
  EXPECT_FALSE(f.mlsd || f.utf8 || f.epsv || f.size);
}

TEST(FtpReplyPassive, PortsOfPasvAndEpsvReplies) {
  struct Case {
    const char* text;
    bool ok;
    uint16_t port;
  };
  const std::vector<Case> pasv = {
      {"227 Entering Passive Mode (127,0,0,1,195,80).", true, 50000},
      {"227 Entering passive mode (10,1,2,3,4,1)", true, 1025},  // the address is not used
      {"227 =127,0,0,1,0,21", true, 21},
      {"227 Entering Passive Mode (127,0,0,1,256,1)", false, 0},
      {"227 Entering Passive Mode (127,0,0,1,0,0)", false, 0},
      {"227 Entering Passive Mode (127,0,0,1,4)", false, 0},
      {"227 nothing here", false, 0},
  };
  for (const Case& c : pasv) {
    uint16_t port = 0;
    EXPECT_EQ(ParsePasvPort(c.text, port), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(port, c.port) << c.text;
    }
  }
  const std::vector<Case> epsv = {
      {"229 Entering Extended Passive Mode (|||50000|)", true, 50000},
      {"229 Entering extended passive mode (!!!21!)", true, 21},
      {"229 Entering Extended Passive Mode (|||65536|)", false, 0},
      {"229 Entering Extended Passive Mode (|||0|)", false, 0},
      {"229 Entering Extended Passive Mode (||50000|)", false, 0},
      {"229 Entering Extended Passive Mode (|||50000)", false, 0},
      {"229 Entering Extended Passive Mode (|||)", false, 0},
      {"229 (", false, 0},
  };
  for (const Case& c : epsv) {
    uint16_t port = 0;
    EXPECT_EQ(ParseEpsvPort(c.text, port), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(port, c.port) << c.text;
    }
  }
}

}  // namespace

namespace {

TEST(FtpReplySizes, SizeRepliesAndAnnouncedSizes) {
  struct Case {
    std::string reply;
    bool sizeReply;  // read by ParseSizeReply
    bool announced;  // read by ParseAnnouncedSize
    uint64_t size;
  };
  const std::vector<Case> table = {
      {"213 1234", true, false, 1234},
      {"213 18446744073709551615", true, false, UINT64_MAX},
      {"213 18446744073709551616", false, false, 0},
      {"213 99999999999999999999", false, false, 0},
      {"213 12x", false, false, 0},
      {"213 ", false, false, 0},
      {"550 1234", false, false, 0},
      {"150 Opening BINARY mode data connection for a.bin (1234 bytes).", false, true, 1234},
      {"150 Opening data connection for my (3 bytes) file (77 BYTES)", false, true, 77},
      {"150 Opening data connection for x (bytes)", false, false, 0},
      {"150 Opening data connection (-5 bytes)", false, false, 0},
      {"150 Here it comes.\r\n150 (99 bytes)", false, false, 0},
      {"125 (0 bytes)", false, true, 0},
  };
  for (const Case& c : table) {
    ReplyReader reader;
    const std::string bytes = c.reply + "\r\n";
    reader.Feed(bytes.data(), bytes.size());
    FtpReply reply;
    reader.Next(reply);
    uint64_t size = 0;
    EXPECT_EQ(ParseSizeReply(reply, size), c.sizeReply) << c.reply;
    if (c.sizeReply) {
      EXPECT_EQ(size, c.size) << c.reply;
    }
    size = 0;
    EXPECT_EQ(ParseAnnouncedSize(reply.text, size), c.announced) << c.reply;
    if (c.announced) {
      EXPECT_EQ(size, c.size) << c.reply;
    }
  }
}

}  // namespace
