// The own FTP client against scripted servers that misbehave on real sockets: silence, replies
// beyond the caps, garbage, listings with blank or oversized lines, a "150" whose data never
// comes, a lying "226", a connection cut mid-transfer, passive addresses that point elsewhere,
// active only, and servers that would stretch a wait for ever (a byte at a time, replies or
// listings without end, "120" again and again, replies or probes each just inside their wait,
// data that drips). Each gets a clear failure within a bounded time and loses nothing. (What
// each reply means is the conversation's test.)
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/ftp/own/connection.h"
#include "tests/app/ftp/own_client_fixture.h"
#include "tests/support/scripted_ftp_server.h"

namespace {

class OwnClientHostile : public OwnClientTest {
 protected:
  bool Start(const char* scenario) {
    server_ = std::make_unique<ScriptedFtpServer>(scenario);
    return server_->Running();
  }
  std::string Local(const char* name) const { return local_.Path() + name; }
  bool Exists(const std::string& path) const {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
  }

  std::unique_ptr<ScriptedFtpServer> server_;
  TempFolder local_;
};

TEST_F(OwnClientHostile, ConnectFailsClearlyOnABrokenGreetingOrLogin) {
  struct Case {
    const char* scenario;
    DWORD error;
  };
  const std::vector<Case> table = {
      {"silent-greeting", ERROR_INTERNET_TIMEOUT},
      {"long-line", ERROR_INTERNET_CONNECTION_ABORTED},
      {"long-reply", ERROR_INTERNET_CONNECTION_ABORTED},
      {"garbage-greeting", ERROR_INTERNET_CONNECTION_ABORTED},
      // each reply inside its wait, the connect as a whole not
      {"slow-replies", ERROR_INTERNET_TIMEOUT},
  };
  for (const Case& c : table) {
    ASSERT_TRUE(Start(c.scenario)) << server_->Error();
    const DWORD start = GetTickCount();
    EXPECT_EQ(Connect(server_->Port()), nullptr) << c.scenario;
    EXPECT_EQ(GetLastError(), c.error) << c.scenario;
    // Bounded by the wait, not by the server.
    EXPECT_LT(GetTickCount() - start, kShortWaitMs * 3) << c.scenario;
  }
}

TEST_F(OwnClientHostile, ListingsWithBlankAndOversizedLinesKeepTheGoodEntries) {
  const std::vector<FoundEntry> expected = {
      {"my dir", true, 0}, {"big.bin", false, 1000000}, {"my file.txt", false, 6}};
  // Blank lines are no entries; a line too long to be one is counted as left out.
  const std::vector<std::pair<const char*, size_t>> table = {
      {"blank-lines", 0}, {"long-listing-line", 1}, {"no-mlsd", 0}};
  for (const auto& [scenario, unreadLines] : table) {
    ASSERT_TRUE(Start(scenario)) << server_->Error();
    ASSERT_NE(Connect(server_->Port()), nullptr) << scenario;
    DWORD error = 0;
    size_t unread = 99;
    EXPECT_EQ(FindAll("/*.*", &error, &unread), expected) << scenario;
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_NO_MORE_FILES)) << scenario;
    EXPECT_EQ(unread, unreadLines) << scenario;
    // Without MLST in FEAT the listing is LIST's.
    EXPECT_NE(server_->Commands().find("LIST /\n"), std::string::npos) << scenario;
    EXPECT_EQ(server_->Commands().find("MLSD"), std::string::npos) << scenario;
    client_.Close(connection_);
  }
}

TEST_F(OwnClientHostile, PassiveGoesToThePeerAndActiveOnlyWhenPassiveIsRefused) {
  struct Case {
    const char* scenario;
    const char* command;
  };
  const std::vector<Case> table = {
      {"plain", "EPSV\n"}, {"pasv-only", "PASV\n"}, {"active-only", "EPRT |1|127.0.0.1|"}};
  for (const Case& c : table) {
    ASSERT_TRUE(Start(c.scenario)) << server_->Error();
    ASSERT_NE(Connect(server_->Port()), nullptr) << c.scenario;
    // pasv-only names 10.255.255.1 in its 227: the data still comes from 127.0.0.1.
    EXPECT_EQ(FindAll("/*.*").size(), 5u) << c.scenario;
    EXPECT_TRUE(client_.GetFile(connection_, "/big.bin", Local("big.bin").c_str(), true, 0x80,
                                0x80000002, 255))
        << c.scenario << " " << GetLastError();
    EXPECT_EQ(ReadWholeFile(Local("big.bin")).size(), 1000000u) << c.scenario;
    DeleteFileA(Local("big.bin").c_str());
    const std::string commands = server_->Commands();
    EXPECT_NE(commands.find(c.command), std::string::npos) << commands;
    if (std::string(c.scenario) != "active-only") {
      EXPECT_EQ(commands.find("EPRT"), std::string::npos) << commands;
    }
    client_.Close(connection_);
  }
}

TEST_F(OwnClientHostile, ACutOrShortDownloadFailsAndRemovesItsPartialFile) {
  struct Case {
    const char* scenario;
    DWORD error;
  };
  const std::vector<Case> table = {
      {"lying-226", ERROR_INTERNET_CONNECTION_ABORTED},
      {"announced-short", ERROR_INTERNET_CONNECTION_ABORTED},
      {"endless-retr", ERROR_INTERNET_CONNECTION_ABORTED},
      {"trickle-data", ERROR_INTERNET_TIMEOUT},
      {"drip-retr", ERROR_INTERNET_TIMEOUT},
      {"cut", ERROR_INTERNET_CONNECTION_ABORTED},
      {"silent-data", ERROR_INTERNET_TIMEOUT},
      {"silent-reply", ERROR_INTERNET_TIMEOUT},
      {"refuse-all", ERROR_INTERNET_EXTENDED_ERROR},
  };
  for (const Case& c : table) {
    ASSERT_TRUE(Start(c.scenario)) << server_->Error();
    ASSERT_NE(Connect(server_->Port()), nullptr) << c.scenario;
    const DWORD start = GetTickCount();
    EXPECT_FALSE(client_.GetFile(connection_, "/big.bin", Local("big.bin").c_str(), true, 0x80,
                                 0x80000002, 255))
        << c.scenario;
    EXPECT_EQ(GetLastError(), c.error) << c.scenario;
    EXPECT_LT(GetTickCount() - start, kShortWaitMs * 3) << c.scenario;
    EXPECT_FALSE(Exists(Local("big.bin"))) << c.scenario;
    client_.Close(connection_);
  }
}

// Without SIZE or a size in the 150 reply, the listing's size is no promise: a log that grew, or
// a link listed with its own length, arrives as the server sends it.
TEST_F(OwnClientHostile, ASizeOnlyTheListingGaveNeverFailsADownload) {
  struct Case {
    const char* scenario;
    size_t listed;
    size_t arrives;
  };
  for (const Case& c :
       {Case{"grown-file", 1000, 300000}, Case{"lying-226-nosize", 1000000, 50000}}) {
    ASSERT_TRUE(Start(c.scenario)) << server_->Error();
    ASSERT_NE(Connect(server_->Port()), nullptr) << c.scenario;
    const std::vector<FoundEntry> found = FindAll("/*.*");
    ASSERT_EQ(found.size(), 3u) << c.scenario;
    EXPECT_EQ(found[1], (FoundEntry{"big.bin", false, c.listed})) << c.scenario;
    EXPECT_TRUE(client_.GetFile(connection_, "/big.bin", Local("big.bin").c_str(), true, 0x80,
                                0x80000002, 255))
        << c.scenario << " " << GetLastError();
    EXPECT_EQ(ReadWholeFile(Local("big.bin")).size(), c.arrives) << c.scenario;
    DeleteFileA(Local("big.bin").c_str());
    client_.Close(connection_);
  }
}

// A wait counts from the first byte of a reply, not from the last; preliminary replies and
// listings have an end. Every case fails within a few waits, however long the server would go on.
TEST_F(OwnClientHostile, NoServerStretchesAWait) {
  struct Case {
    const char* scenario;
    bool listing;  // the listing misbehaves, not the greeting
    DWORD error;
  };
  const std::vector<Case> table = {
      {"trickle-reply", false, ERROR_INTERNET_TIMEOUT},
      {"endless-reply", false, ERROR_INTERNET_TIMEOUT},
      {"flood-120", false, ERROR_INTERNET_TIMEOUT},
      {"trickle-data", true, ERROR_INTERNET_TIMEOUT},
      {"endless-listing", true, ERROR_MORE_DATA},  // cut at the cap
  };
  for (const Case& c : table) {
    ASSERT_TRUE(Start(c.scenario)) << server_->Error();
    const DWORD start = GetTickCount();
    DWORD error = 0;
    if (c.listing) {
      // Entries are handed out as they arrive: an endless listing gives all up to the cap.
      ASSERT_NE(Connect(server_->Port()), nullptr) << c.scenario;
      const size_t found = FindAll("/*.*", &error).size();
      EXPECT_EQ(found, c.error == ERROR_MORE_DATA ? kMostListedEntries : 0u) << c.scenario;
      client_.Close(connection_);
    } else {
      EXPECT_EQ(Connect(server_->Port()), nullptr) << c.scenario;
      error = GetLastError();
    }
    EXPECT_EQ(error, c.error) << c.scenario;
    if (std::string(c.scenario) != "endless-listing") {
      EXPECT_LT(GetTickCount() - start, kShortWaitMs * 3) << c.scenario;
    }
  }
}

// Active mode: whoever connects to the listener first, only the server's address is let in.
TEST_F(OwnClientHostile, AThirdPartyOnTheActiveDataPortGetsNothingIn) {
  ASSERT_TRUE(Start("thief")) << server_->Error();
  ASSERT_NE(Connect(server_->Port()), nullptr);
  for (const FoundEntry& e : FindAll("/*.*")) {
    EXPECT_EQ(e.name.find("THIEF"), std::string::npos) << e.name;
  }
  EXPECT_TRUE(client_.GetFile(connection_, "/big.bin", Local("big.bin").c_str(), true, 0x80,
                              0x80000002, 255))
      << GetLastError();
  const std::string got = ReadWholeFile(Local("big.bin"));
  ASSERT_EQ(got.size(), 1000000u);
  EXPECT_EQ(got.find("THIEF"), std::string::npos);
  EXPECT_EQ(server_->Commands().find("thief could not connect"), std::string::npos)
      << server_->Commands();
}

TEST_F(OwnClientHostile, AFailedDownloadNeverRemovesAFileItDidNotCreate) {
  ASSERT_TRUE(Start("cut")) << server_->Error();
  ASSERT_TRUE(local_.MakeFile("big.bin", 5, 'K'));
  ASSERT_NE(Connect(server_->Port()), nullptr);
  EXPECT_FALSE(client_.GetFile(connection_, "/big.bin", Local("big.bin").c_str(), true, 0x80,
                               0x80000002, 255));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_EXISTS));
  EXPECT_EQ(ReadWholeFile(Local("big.bin")), "KKKKK");
  EXPECT_EQ(server_->Commands().find("RETR"), std::string::npos);
}

TEST_F(OwnClientHostile, ListingsThatStallOrCutFailWithinTheWait) {
  for (const char* scenario : {"silent-data", "silent-reply"}) {
    ASSERT_TRUE(Start(scenario)) << server_->Error();
    ASSERT_NE(Connect(server_->Port()), nullptr) << scenario;
    const DWORD start = GetTickCount();
    DWORD error = 0;
    // What arrived before the stall is handed out; the find then ends with the time-out.
    const size_t found = FindAll("/*.*", &error).size();
    EXPECT_EQ(found, std::string(scenario) == "silent-data" ? 0u : 5u) << scenario;
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_INTERNET_TIMEOUT)) << scenario;
    EXPECT_LT(GetTickCount() - start, kShortWaitMs * 3) << scenario;
    // The connection is not trusted after that: later calls fail at once.
    EXPECT_FALSE(client_.MakeFolder(connection_, "/x")) << scenario;
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INTERNET_CONNECTION_ABORTED)) << scenario;
    client_.Close(connection_);
  }
}

// The questions about a listing's links keep to one bound together, however late the server
// answers each: the links stay as listed and the listing ends well within a wait.
TEST_F(OwnClientHostile, LateAnswersAboutLinksHoldTheListingNoLonger) {
  ASSERT_TRUE(Start("slow-probes")) << server_->Error();
  ASSERT_NE(Connect(server_->Port()), nullptr);
  const DWORD start = GetTickCount();
  DWORD error = 0;
  const std::vector<FoundEntry> found = FindAll("/*.*", &error);
  EXPECT_LT(GetTickCount() - start, kShortWaitMs);
  ASSERT_EQ(found.size(), 6u);
  EXPECT_EQ(found.back(), (FoundEntry{"link3", false, 7}));
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_NO_MORE_FILES));
}

}  // namespace
