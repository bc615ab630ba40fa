// Through the program's windows with the own client: a server that would hold the program for
// ever (a reply a byte at a time, "120" again and again, a download a byte at a time) ends in one
// message box within a few waits, and the window is usable again.
#include <gtest/gtest.h>

#include <string>

#include "app/ftp/own/own_client.h"
#include "app/remote/transfers.h"
#include "tests/app/remote/ftp_fixture.h"
#include "tests/support/scripted_ftp_server.h"

namespace {

constexpr DWORD kWaitMs = 1500;

class StallingServer : public FtpAppTest {
 protected:
  FtpClientKind ClientKind() const override { return FtpClientKind::kOwn; }
  void SetUp() override {
    FtpAppTest::SetUp();
    SetOwnClientTimeout(kWaitMs);
  }
  void TearDown() override {
    FtpAppTest::TearDown();
    SetOwnClientTimeout(30000);
  }
  void EnterScriptedSite(const ScriptedFtpServer& server) {
    EnterSite("127.0.0.1", "u", "p", false, std::to_string(server.Port()));
  }
  // The window answers again: no command is left pressed and the local pane relists.
  void ExpectUsable() {
    EXPECT_FALSE(ButtonPressed(kCmdDownload));
    ListLocalFolder();
    EXPECT_FALSE(Rows(appState.localList).empty());
  }
};

TEST_F(StallingServer, AConnectThatWouldNeverEndShowsConnectionFailed) {
  for (const char* scenario : {"trickle-reply", "flood-120"}) {
    ScriptedFtpServer server(scenario);
    ASSERT_TRUE(server.Running()) << server.Error();
    EnterScriptedSite(server);
    MessageBoxWatcher boxes;
    const DWORD start = GetTickCount();
    ConnectToSite();
    EXPECT_LT(GetTickCount() - start, 3 * kWaitMs) << scenario;
    EXPECT_FALSE(IsConnected()) << scenario;
    ASSERT_EQ(boxes.Count(), 1u) << scenario;
    EXPECT_EQ(boxes.Last().text, "Connection Failed") << scenario;
    EXPECT_TRUE(ButtonEnabled(kCmdConnect));
    ExpectUsable();
  }
}

TEST_F(StallingServer, ADownloadAByteAtATimeEndsInItsBoxAndLeavesNoFile) {
  ScriptedFtpServer server("trickle-retr");
  ASSERT_TRUE(server.Running()) << server.Error();
  EnterScriptedSite(server);
  ConnectToSite();
  ASSERT_TRUE(IsConnected());
  SelectRows(appState.remoteList, {"big.bin"});
  MessageBoxWatcher boxes;
  const DWORD start = GetTickCount();
  DownloadSelected();
  EXPECT_LT(GetTickCount() - start, 3 * kWaitMs);
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.Last().text, ErrorText(ERROR_INTERNET_TIMEOUT));
  EXPECT_EQ(GetFileAttributesA((local_.Path() + "big.bin").c_str()), INVALID_FILE_ATTRIBUTES);
  ExpectUsable();
}

}  // namespace
