// The own FTP client against scripted servers that misbehave: silence, replies beyond the caps,
// garbage, listings with blank or oversized lines, a "150" whose data never comes, a lying
// "226", a connection cut mid-transfer, passive addresses that point elsewhere, active only.
// Each gets a clear failure within the wait and loses nothing; the same lying "226" against
// the platform's WinInet is recorded too.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

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
  for (const char* scenario : {"blank-lines", "long-listing-line", "no-mlsd"}) {
    ASSERT_TRUE(Start(scenario)) << server_->Error();
    ASSERT_NE(Connect(server_->Port()), nullptr) << scenario;
    DWORD error = 0;
    EXPECT_EQ(FindAll("/*.*", &error), expected) << scenario;
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_NO_MORE_FILES)) << scenario;
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
    bool listFirst;  // the size known from the listing only
    DWORD error;
  };
  const std::vector<Case> table = {
      {"lying-226", false, ERROR_INTERNET_CONNECTION_ABORTED},
      {"lying-226-nosize", true, ERROR_INTERNET_CONNECTION_ABORTED},
      {"cut", false, ERROR_INTERNET_CONNECTION_ABORTED},
      {"silent-data", false, ERROR_INTERNET_TIMEOUT},
      {"silent-reply", false, ERROR_INTERNET_TIMEOUT},
      {"refuse-all", false, ERROR_INTERNET_EXTENDED_ERROR},
  };
  for (const Case& c : table) {
    ASSERT_TRUE(Start(c.scenario)) << server_->Error();
    ASSERT_NE(Connect(server_->Port()), nullptr) << c.scenario;
    if (c.listFirst) {
      EXPECT_EQ(FindAll("/*.*").size(), 3u) << c.scenario;
    }
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
    EXPECT_TRUE(FindAll("/*.*", &error).empty()) << scenario;
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_INTERNET_TIMEOUT)) << scenario;
    EXPECT_LT(GetTickCount() - start, kShortWaitMs * 3) << scenario;
    // The connection is not trusted after that: later calls fail at once.
    EXPECT_FALSE(client_.MakeFolder(connection_, "/x")) << scenario;
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INTERNET_CONNECTION_ABORTED)) << scenario;
    client_.Close(connection_);
  }
}

// What the platform's WinInet does with the lying "226" (through the library itself, as the
// program's WinInet client calls it).
TEST_F(OwnClientHostile, WinInetOnALying226) {
  ASSERT_TRUE(Start("lying-226")) << server_->Error();
  HINTERNET session = InternetOpenA("ZEVFTP", 0, nullptr, nullptr, 0);
  ASSERT_NE(session, nullptr);
  HINTERNET connection =
      InternetConnectA(session, "127.0.0.1", static_cast<INTERNET_PORT>(server_->Port()), "u", "p",
                       INTERNET_SERVICE_FTP, 0, 255);
  ASSERT_NE(connection, nullptr) << GetLastError();
  const BOOL ok =
      FtpGetFileA(connection, "/big.bin", Local("big.bin").c_str(), TRUE, 0x80, 0x80000002, 255);
  const DWORD error = GetLastError();
  InternetCloseHandle(connection);
  InternetCloseHandle(session);
  // Wine's WinInet reports success and keeps the cut file: 50,000 of 1,000,000 bytes. The
  // program's own client refuses the same transfer (the test above).
  EXPECT_TRUE(ok) << error;
  EXPECT_EQ(ReadWholeFile(Local("big.bin")).size(), 50000u);
}

}  // namespace
