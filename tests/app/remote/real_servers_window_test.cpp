// Through the program's windows with the own client, on servers people run: a folder named with a
// blank on GNU inetutils ftpd, links and a UTF-8 name on vsftpd as Debian ships it, ProFTPD over
// IPv6. Those servers start a user in the user's folder, which the program reaches as the empty
// path (".." from "/").
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/ftp/own/own_client.h"
#include "app/remote/remote_pane.h"
#include "app/remote/transfers.h"
#include "tests/app/remote/ftp_fixture.h"
#include "tests/support/program_text.h"

namespace {

// The program's text of the name (the row's caption and the local file's name).
const std::string kCafe = ProgramText(L"caf\u00e9.txt");

class RealServerWindows : public FtpAppTest {
 protected:
  FtpClientKind ClientKind() const override { return FtpClientKind::kOwn; }

  bool Start(FtpServerOptions::Kind kind, const std::string& address = "127.0.0.1") {
    FtpServerOptions options;
    options.kind = kind;
    options.address = address;
    options.user = kUser;
    options.password = kPassword;
    return Serve(options);
  }
  // Connects to the user's own folder, as after ".." from "/".
  bool ConnectToLoginFolder(const std::string& host = "127.0.0.1") {
    appState.remotePath.clear();
    EnterSite(host, kUser, kPassword, false, Port());
    ConnectToSite();
    return IsConnected();
  }
};

TEST_F(RealServerWindows, AFolderNamedWithABlankOpensOnInetutils) {
  ASSERT_TRUE(served_.MakeFolder("my dir"));
  ASSERT_TRUE(served_.MakeFile("my dir\\inner file.txt", 5));
  ASSERT_TRUE(Start(FtpServerOptions::kInetutils)) << server_->Error();
  ASSERT_TRUE(ConnectToLoginFolder()) << server_->Log();
  EXPECT_EQ(Rows(appState.remoteList), std::vector<std::string>{"my dir"});
  ASSERT_TRUE(DoubleClickRow(appState.remoteList, "my dir"));
  EXPECT_EQ(appState.remotePath, "my dir/");
  EXPECT_EQ(Rows(appState.remoteList), BelowRoot({"inner file.txt"}));
}

TEST_F(RealServerWindows, LinksAndUtf8NamesOnVsftpdAsDebianShipsIt) {
  ASSERT_TRUE(served_.MakeFolder("sub"));
  ASSERT_TRUE(served_.MakeFile("sub\\deep.txt", 7, 'p'));
  ASSERT_TRUE(served_.MakeFile("data.bin", 70000, 'd'));
  ASSERT_TRUE(served_.MakeFile(kCafe, 4, 'c'));
  RunShellCommandOutput(
      "cd '" + UnixPathOf(served_.Path()) +
      "' && ln -s sub dirlink && ln -s data.bin filelink && ln -s nowhere broken");
  ASSERT_TRUE(Start(FtpServerOptions::kVsftpdDebian)) << server_->Error();
  ASSERT_TRUE(ConnectToLoginFolder()) << server_->Log();
  // Each link as what it points to; a link to nothing has no size to show. The pane sorts by
  // the size column: the rows without a size (the two folders, the broken link) come first.
  const std::vector<std::string> rows = Rows(appState.remoteList);
  const std::vector<std::string> sizes = ColumnTexts(appState.remoteList, 1);
  ASSERT_EQ(rows.size(), 6u);
  EXPECT_EQ(std::vector<std::string>(rows.begin() + 3, rows.end()),
            (std::vector<std::string>{kCafe, "data.bin", "filelink"}));
  EXPECT_EQ(sizes, (std::vector<std::string>{"", "", "", "1 KB", "68 KB", "68 KB"}));
  for (const char* sizeless : {"broken", "dirlink", "sub"}) {
    EXPECT_NE(std::find(rows.begin(), rows.begin() + 3, sizeless), rows.begin() + 3) << sizeless;
  }
  EXPECT_EQ(
      ColumnTexts(
          appState.remoteList,
          2)[static_cast<size_t>(std::find(rows.begin(), rows.end(), "dirlink") - rows.begin())],
      ColumnTexts(
          appState.remoteList,
          2)[static_cast<size_t>(std::find(rows.begin(), rows.end(), "sub") - rows.begin())]);

  SelectRows(appState.remoteList, {kCafe, "filelink"});
  MessageBoxWatcher boxes;
  DownloadSelected();
  EXPECT_EQ(boxes.Count(), 0u) << boxes.Last().text;
  EXPECT_EQ(LocalText(kCafe), "cccc");
  EXPECT_EQ(LocalText("filelink"), std::string(70000, 'd'));

  ASSERT_TRUE(DoubleClickRow(appState.remoteList, "dirlink"));
  EXPECT_EQ(Rows(appState.remoteList), BelowRoot({"deep.txt"}));
}

TEST(OwnClientParentRow, ARootListsDotDotOnlyWhereTheLoginFolderIsAnotherOne) {
  struct Case {
    const char* folder;
    const char* loginFolder;
    bool parentFirst;
  };
  const std::vector<Case> cases = {
      {"/pub/", "", true},      {"/pub/", "/", true}, {"pub/", "/home/zev", true},
      {"/", "/home/zev", true}, {"/", "/", false},    {"/", "", false},
      {"", "/home/zev", false}, {"", "", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ListsParentFirst(c.folder, c.loginFolder), c.parentFirst)
        << "\"" << c.folder << "\" logged in at \"" << c.loginFolder << "\"";
  }
}

TEST_F(RealServerWindows, DotDotAtTheRootLeadsToTheLoginFolderOnVsftpdAsDebianShipsIt) {
  ASSERT_TRUE(served_.MakeFile("mine.txt", 3));
  ASSERT_TRUE(Start(FtpServerOptions::kVsftpdDebian)) << server_->Error();
  // The program starts at "/", which on this server is the machine's root.
  ASSERT_EQ(appState.remotePath, "/");
  EnterSite("127.0.0.1", kUser, kPassword, false, Port());
  ConnectToSite();
  ASSERT_TRUE(IsConnected()) << server_->Log();
  ASSERT_TRUE(DoubleClickRow(appState.remoteList, "..")) << Joined(Rows(appState.remoteList));
  EXPECT_EQ(appState.remotePath, "");
  EXPECT_EQ(Rows(appState.remoteList), std::vector<std::string>{"mine.txt"});
}

TEST_F(RealServerWindows, ProftpdOverIpv6ListsAndDownloads) {
  ASSERT_TRUE(served_.MakeFile("six.txt", 600, '6'));
  ASSERT_TRUE(Start(FtpServerOptions::kProftpd, "::1")) << server_->Error();
  ASSERT_TRUE(ConnectToLoginFolder("::1")) << server_->Log();
  EXPECT_EQ(StatusPart(1), "::1");
  // ProFTPD lists its own ".." at its root.
  EXPECT_EQ(Rows(appState.remoteList), (std::vector<std::string>{"..", "six.txt"}));
  SelectRows(appState.remoteList, {"six.txt"});
  MessageBoxWatcher boxes;
  DownloadSelected();
  EXPECT_EQ(boxes.Count(), 0u) << boxes.Last().text;
  EXPECT_EQ(LocalText("six.txt"), std::string(600, '6'));
}

}  // namespace
