// Which FTP client the program uses: the shipped default for the platform (the own client under
// Wine), the own client for every TLS site, and the handles of a connection staying with the
// client that made them whatever is chosen after.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/ftp/ftp_client.h"
#include "tests/app/remote/ftp_fixture.h"

namespace {

// Wine is told apart here by its own registry key, not by the program's test.
bool WineRegistryPresent() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Wine", 0, KEY_READ, &key) != ERROR_SUCCESS) {
    return false;
  }
  RegCloseKey(key);
  return true;
}

TEST(FtpClientChoice, TheShippedDefaultIsTheOwnClientUnderWineAndWinInetOnWindows) {
  const bool wine = WineRegistryPresent();
  EXPECT_EQ(RunningUnderWine(), wine);
  FtpClient* expected = wine ? &OwnFtpClient() : &WinInetFtpClient();
  SelectFtpClient(FtpClientKind::kPlatform);
  EXPECT_EQ(ChosenFtpClientKind(), wine ? FtpClientKind::kOwn : FtpClientKind::kWinInet);
  EXPECT_EQ(&FtpClientOf(FtpClientKind::kPlatform), expected);
  EXPECT_EQ(&UseChosenFtpClient(), expected);
  EXPECT_EQ(&CurrentFtpClient(), expected);
}

// WinInet has no FTP over TLS: a TLS site takes the own client whatever is chosen; every other
// host text the chosen one.
TEST(FtpClientChoice, TlsSitesAlwaysTakeTheOwnClient) {
  struct Case {
    const char* host;
    FtpClientKind chosen;
    FtpClient* client;
  };
  const std::vector<Case> cases = {
      {"ftpes://files.example", FtpClientKind::kWinInet, &OwnFtpClient()},
      {"FTPS://[::1]:990", FtpClientKind::kWinInet, &OwnFtpClient()},
      {"files.example", FtpClientKind::kWinInet, &WinInetFtpClient()},
      {"ftp://files.example", FtpClientKind::kWinInet, &WinInetFtpClient()},
      {"ftpsx.example", FtpClientKind::kWinInet, &WinInetFtpClient()},
      {"files.example", FtpClientKind::kOwn, &OwnFtpClient()},
  };
  for (const Case& c : cases) {
    SelectFtpClient(c.chosen);
    EXPECT_EQ(&UseFtpClientFor(c.host), c.client) << c.host;
    EXPECT_EQ(&CurrentFtpClient(), c.client) << c.host;
  }
  SelectFtpClient(FtpClientKind::kPlatform);
}

using FtpClientOwner = FtpAppTest;  // connects through WinInet

TEST_F(FtpClientOwner, DisconnectClosesThroughTheClientThatConnected) {
  ASSERT_TRUE(Serve()) << server_->Error();
  ASSERT_TRUE(ConnectAsUser());
  ASSERT_EQ(&CurrentFtpClient(), &WinInetFtpClient());
  // A choice made while connected is for the next connect; the open handles are WinInet's.
  SelectFtpClient(FtpClientKind::kOwn);
  EXPECT_EQ(&CurrentFtpClient(), &WinInetFtpClient());
  const size_t before = LogLines().size();
  Disconnect();
  // WinInet reports closing its own handles to the callback; no other client could.
  const std::vector<std::string> lines = LogLines();
  ASSERT_GT(lines.size(), before);
  EXPECT_TRUE(
      Contains(std::vector<std::string>(lines.begin() + before, lines.end()), "Handle Closing"));
  EXPECT_EQ(appState.connectionHandle, nullptr);

  // The next connect, failed or not, belongs to the chosen client.
  MessageBoxWatcher boxes;
  ConnectAsUser();
  EXPECT_EQ(&CurrentFtpClient(), &OwnFtpClient());
}

}  // namespace
