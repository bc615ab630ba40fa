// The client against a server no one here wrote: vsftpd in the foreground, anonymous, with a
// read-only root and one folder open for uploads. Connect, list, browse, download, upload.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/remote/remote_pane.h"
#include "app/remote/transfers.h"
#include "tests/app/remote/ftp_fixture.h"

namespace {

using VsftpdServer = FtpClientTest;

FtpServerOptions VsftpdOptions() {
  FtpServerOptions options;
  options.kind = FtpServerOptions::kVsftpd;
  options.writableFolders = {"incoming"};
  return options;
}

TEST_P(VsftpdServer, ConnectListDownloadAndUpload) {
  ASSERT_TRUE(served_.MakeFolder("pub"));
  ASSERT_TRUE(served_.MakeFile("pub\\a.txt", 1500, 'a'));
  ASSERT_TRUE(served_.MakeFile("pub\\b.bin", 70000, 'b'));
  ASSERT_TRUE(local_.MakeFile("up.txt", 300, 'u'));
  ASSERT_TRUE(Serve(VsftpdOptions())) << server_->Error();
  EnterSite("127.0.0.1", "", "", true, Port());
  MessageBoxWatcher boxes;
  ConnectToSite();
  ASSERT_TRUE(IsConnected()) << server_->Log();
  EXPECT_EQ(Rows(appState.remoteList), (std::vector<std::string>{"incoming", "pub"}));

  ASSERT_TRUE(DoubleClickRow(appState.remoteList, "pub"));
  EXPECT_EQ(Rows(appState.remoteList), BelowRoot({"a.txt", "b.bin"}));
  EXPECT_EQ(ColumnTexts(appState.remoteList, 1), BelowRoot({"1 KB", "68 KB"}, ""));
  SelectRows(appState.remoteList, {"a.txt", "b.bin"});
  DownloadSelected();
  EXPECT_EQ(LocalText("a.txt"), std::string(1500, 'a'));
  EXPECT_EQ(LocalText("b.bin"), std::string(70000, 'b'));

  // No ".." comes from vsftpd, and Wine's WinInet adds none: the way back is the path the
  // user started from (with the own client's ".." as well).
  appState.remotePath = "/";
  ListRemoteFolder();
  ASSERT_TRUE(DoubleClickRow(appState.remoteList, "incoming"));
  SelectRows(appState.localList, {"up.txt"});
  UploadSelected();
  EXPECT_EQ(ServedText("incoming\\up.txt"), std::string(300, 'u'));
  EXPECT_EQ(Rows(appState.remoteList), BelowRoot({"up.txt"}));

  // The read-only folder refuses an upload with the server's own reply.
  appState.remotePath = "/pub/";
  UploadSelected();
  EXPECT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.Last().text.compare(0, 4, "553 "), 0) << boxes.Last().text;
  EXPECT_FALSE(FileExists(served_.Path() + "pub\\up.txt"));
}

TEST_P(VsftpdServer, OnlyAnonymousMayLogIn) {
  ASSERT_TRUE(Serve(VsftpdOptions())) << server_->Error();
  MessageBoxWatcher boxes;
  EnterSite("127.0.0.1", "zev", "secret", false, Port());
  ConnectToSite();
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.Last().text, "Connection Failed");
  EXPECT_FALSE(IsConnected());
}

FTP_CLIENT_TEST_SUITE(VsftpdServer);

}  // namespace
