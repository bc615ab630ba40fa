// Connecting to the site of the site window against a real server: nothing before "&Ok",
// "Connection Failed" with the handles closed, anonymous logins, the port text, the command
// states on both sides of a connection, reconnecting; and the log and status bar the status
// callback writes meanwhile.
#include <gtest/gtest.h>

#include <cstdint>
#include <algorithm>
#include <string>
#include <vector>

#include "app/remote/remote_pane.h"
#include "app/remote/status_log.h"
#include "tests/app/remote/ftp_fixture.h"
#include "winobj/text.h"

namespace {

using FtpConnect = FtpClientTest;
using FtpLog = FtpClientTest;

constexpr int kConnectMenuItem = 2;
constexpr int kDisconnectMenuItem = 3;

void ExpectDisconnectedToolbar() {
  EXPECT_TRUE(ButtonEnabled(kCmdConnect));
  EXPECT_FALSE(ButtonEnabled(kCmdDisconnect));
  EXPECT_FALSE(ButtonEnabled(kCmdDownload));
  EXPECT_FALSE(ButtonEnabled(kCmdUpload));
}

TEST_P(FtpConnect, NothingHappensUntilTheSiteWindowWasClosedWithOk) {
  ASSERT_TRUE(Serve()) << server_->Error();
  MessageBoxWatcher boxes;
  SetCaption(appState.hostEdit, "127.0.0.1");
  SetCaption(appState.portEdit, Port());
  SetChecked(appState.anonymousCheck, true);
  ConnectToSite();  // never shown: modalResult 0
  Click(appState.cancelSiteButton);
  ConnectToSite();  // closed with "&Cancel"
  EXPECT_FALSE(IsConnected());
  EXPECT_EQ(appState.sessionHandle, nullptr);
  EXPECT_EQ(boxes.Count(), 0u);
  EXPECT_EQ(StatusPart(0), "");
  EXPECT_EQ(server_->Log().find("logged in"), std::string::npos);

  Click(appState.okSiteButton);
  ConnectToSite();
  EXPECT_TRUE(IsConnected());
}

TEST_P(FtpConnect, WrongPasswordSaysConnectionFailedAndClosesTheSession) {
  ASSERT_TRUE(Serve()) << server_->Error();
  MessageBoxWatcher boxes;
  EnterSite("127.0.0.1", kUser, "wrong", false, Port());
  ConnectToSite();
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.Last().text, "Connection Failed");
  EXPECT_EQ(appState.connectionHandle, nullptr);
  EXPECT_EQ(appState.sessionHandle, nullptr);
  ExpectDisconnectedToolbar();
  // The attempt's status lines stay in the log; the status bar says how it ended.
  EXPECT_TRUE(Contains(LogLines(), "Connected to Server"));
  EXPECT_FALSE(Contains(LogLines(), "Connection Failed"));
  EXPECT_EQ(StatusPart(0), "Connection Failed");

  // A second failure closes its own session only, and says so once more.
  ConnectToSite();
  EXPECT_EQ(boxes.Count(), 2u);
  EXPECT_EQ(appState.sessionHandle, nullptr);
  ExpectDisconnectedToolbar();
}

TEST_P(FtpConnect, RefusedConnectionFailsTheSameWay) {
  ASSERT_TRUE(Serve()) << server_->Error();
  const std::string port = Port();
  server_->Stop();
  MessageBoxWatcher boxes;
  EnterSite("127.0.0.1", kUser, kPassword, false, port);
  ConnectToSite();
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.Last().text, "Connection Failed");
  EXPECT_EQ(appState.sessionHandle, nullptr);
}

TEST_P(FtpConnect, AnonymousLogsInAnonymouslyWhateverTheUserFieldsHold) {
  ASSERT_TRUE(Serve()) << server_->Error();
  EnterSite("127.0.0.1", kUser, kPassword, true, Port());
  ConnectToSite();
  ASSERT_TRUE(IsConnected());
  const std::string log = server_->Log();
  EXPECT_NE(log.find("USER 'anonymous' logged in"), std::string::npos) << log;
  EXPECT_EQ(log.find("USER 'zev' logged in"), std::string::npos) << log;
}

TEST_P(FtpConnect, UserAndPasswordAreUsedWhenNotAnonymous) {
  ASSERT_TRUE(Serve()) << server_->Error();
  ASSERT_TRUE(ConnectAsUser());
  EXPECT_NE(server_->Log().find("USER 'zev' logged in"), std::string::npos);
}

TEST_P(FtpConnect, PortTextCountsUpToTheFirstNonDigit) {
  ASSERT_TRUE(Serve()) << server_->Error();
  MessageBoxWatcher boxes;
  EnterSite("127.0.0.1", "", "", true, Port() + "x21");
  ConnectToSite();
  EXPECT_TRUE(IsConnected());
  EXPECT_EQ(boxes.Count(), 0u);

  // 65536 more would reach the same server once cut to 16 bits: it fails instead.
  Disconnect();
  EnterSite("127.0.0.1", "", "", true, std::to_string(std::stoi(Port()) + 65536));
  ConnectToSite();
  EXPECT_FALSE(IsConnected());
  EXPECT_EQ(appState.sessionHandle, nullptr);
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.Last().text, "Connection Failed");
}

// The decimal text of `big` + `small`, for numbers past 64 bits.
std::string DecimalSum(std::string big, unsigned small) {
  for (size_t i = big.size(); i-- > 0 && small > 0;) {
    const unsigned digit = static_cast<unsigned>(big[i] - '0') + small % 10;
    small = small / 10 + digit / 10;
    big[i] = static_cast<char>('0' + digit % 10);
  }
  return small > 0 ? std::to_string(small) + big : big;
}

TEST_P(FtpConnect, PortTextsPastThirtyTwoBitsFailInsteadOfWrappingOntoTheServer) {
  ASSERT_TRUE(Serve()) << server_->Error();
  const unsigned port = static_cast<unsigned>(server_->Port());
  ASSERT_EQ(DecimalSum("18446744073709551616", 47100), "18446744073709598716");
  // Each of these, cut to 32 and then 16 bits, is the server's port.
  const std::vector<std::string> texts = {
      std::to_string((uint64_t{1} << 32) + port),
      "-" + std::to_string((uint64_t{1} << 32) - port),
      DecimalSum("18446744073709551616", port),
  };
  MessageBoxWatcher boxes;
  for (const std::string& text : texts) {
    EnterSite("127.0.0.1", kUser, kPassword, false, text);
    ConnectToSite();
    EXPECT_FALSE(IsConnected()) << text;
    EXPECT_EQ(appState.sessionHandle, nullptr) << text;
  }
  ASSERT_EQ(boxes.Count(), texts.size());
  for (const MessageBoxRecord& box : boxes.Boxes()) EXPECT_EQ(box.text, "Connection Failed");
  EXPECT_EQ(server_->Log().find("logged in"), std::string::npos) << server_->Log();
}

TEST_P(FtpConnect, ALineBreakInASiteFieldFailsTheConnectAndSendsNothing) {
  ASSERT_TRUE(served_.MakeFolder("pub"));
  ASSERT_TRUE(served_.MakeFile("pub\\victim.txt", 4));
  ASSERT_TRUE(Serve()) << server_->Error();
  struct Case {
    const char* what;
    std::string host, user, password;
  };
  const std::string host = "127.0.0.1";
  const std::string user = kUser;
  const std::string password = kPassword;
  const std::vector<Case> cases = {
      {"password LF", host, user, "x@y\nDELE /pub/victim.txt"},
      {"password CR", host, user, password + "\rDELE /pub/victim.txt"},
      {"user LF", host, user + "\nDELE /pub/victim.txt", password},
      {"user CR LF", host, user + "\r\nDELE /pub/victim.txt", password},
      {"host LF", host + "\nDELE /pub/victim.txt", user, password},
  };
  MessageBoxWatcher boxes;
  for (const Case& c : cases) {
    EnterSite(c.host, c.user, c.password, false, Port());
    // The edits keep the break, as the site manager leaves a field read from Sites.sts.
    ASSERT_EQ(Caption(appState.passwordEdit), c.password) << c.what;
    ASSERT_EQ(Caption(appState.userEdit), c.user) << c.what;
    ConnectToSite();
    EXPECT_FALSE(IsConnected()) << c.what;
    EXPECT_EQ(appState.sessionHandle, nullptr) << c.what;
  }
  ASSERT_EQ(boxes.Count(), cases.size());
  for (const MessageBoxRecord& box : boxes.Boxes()) EXPECT_EQ(box.text, "Connection Failed");
  const std::string log = server_->Log();
  EXPECT_EQ(log.find("session opened"), std::string::npos) << log;
  EXPECT_EQ(log.find("DELE"), std::string::npos) << log;
  EXPECT_TRUE(FileExists(served_.Path() + "pub\\victim.txt"));

  // Anonymous passes neither field, so whatever they hold goes nowhere.
  EnterSite(host, cases[2].user, cases[0].password, true, Port());
  ConnectToSite();
  EXPECT_TRUE(IsConnected());
  EXPECT_TRUE(FileExists(served_.Path() + "pub\\victim.txt"));
}

TEST_P(FtpConnect, ConnectAndDisconnectSwitchTheCommands) {
  ASSERT_TRUE(served_.MakeFile("hello.txt", 5));
  ASSERT_TRUE(Serve()) << server_->Error();
  auto part0 = SpyStatusPart(0);
  const size_t logged = LogLines().size();
  ASSERT_TRUE(ConnectAsUser());
  // The connect's own "Connected" goes to the status bar only: the status bar shows one more
  // "Connected" than the log (where code 20 of the control and any data connection writes it).
  const std::vector<std::string> lines = LogLines();
  const auto connectedIn = [](const std::vector<std::string>& texts) {
    return std::count(texts.begin(), texts.end(), std::string("Connected"));
  };
  EXPECT_EQ(connectedIn(part0->Notes()),
            connectedIn(std::vector<std::string>(lines.begin() + logged, lines.end())) + 1)
      << Joined(part0->Notes());
  // It comes after the login and before the listing's texts.
  EXPECT_TRUE(InOrder(part0->Notes(),
                      {"Connected to Server", "Connected", "Sending Request", "Handle Closing"}))
      << Joined(part0->Notes());
  EXPECT_FALSE(ButtonEnabled(kCmdConnect));
  EXPECT_TRUE(ButtonEnabled(kCmdDisconnect));
  EXPECT_TRUE(ButtonEnabled(kCmdDownload));
  EXPECT_TRUE(ButtonEnabled(kCmdUpload));
  for (int i = 0; i < ItemCount(appState.remotePopup); ++i) {
    EXPECT_TRUE(MenuItemEnabled(appState.remotePopup, i)) << i;
  }
  EXPECT_FALSE(MenuItemEnabled(appState.mainMenu, kConnectMenuItem));
  EXPECT_TRUE(MenuItemEnabled(appState.mainMenu, kDisconnectMenuItem));
  EXPECT_EQ(Rows(appState.remoteList), std::vector<std::string>{"hello.txt"});

  Disconnect();
  EXPECT_EQ(appState.connectionHandle, nullptr);
  EXPECT_EQ(appState.sessionHandle, nullptr);
  EXPECT_EQ(StatusPart(0), "Disconnected");
  ExpectDisconnectedToolbar();
  // The rows, the path and the menus stay as they were.
  EXPECT_EQ(Rows(appState.remoteList), std::vector<std::string>{"hello.txt"});
  EXPECT_EQ(appState.remotePath, "/");
  EXPECT_FALSE(MenuItemEnabled(appState.mainMenu, kConnectMenuItem));
  EXPECT_TRUE(MenuItemEnabled(appState.mainMenu, kDisconnectMenuItem));
  EXPECT_TRUE(MenuItemEnabled(appState.remotePopup, 0));

  Disconnect();  // nothing left to close
  EXPECT_EQ(appState.sessionHandle, nullptr);
}

TEST_P(FtpConnect, ReconnectingClosesFirstAndListsTheFolderCurrentBefore) {
  ASSERT_TRUE(served_.MakeFolder("pub"));
  ASSERT_TRUE(served_.MakeFile("pub\\inside.txt", 3));
  ASSERT_TRUE(served_.MakeFile("top.txt", 3));
  ASSERT_TRUE(Serve()) << server_->Error();
  ASSERT_TRUE(ConnectAsUser());
  ASSERT_TRUE(DoubleClickRow(appState.remoteList, "pub"));
  ASSERT_EQ(appState.remotePath, "/pub/");

  auto part0 = SpyStatusPart(0);
  ConnectToSite();
  ASSERT_TRUE(IsConnected());
  const std::vector<std::string>& texts = part0->Notes();
  EXPECT_TRUE(InOrder(texts, {"Disconnected", "Resolving Name", "Connected to Server", "Connected",
                              "Sending Request", "Handle Closing"}))
      << Joined(texts);
  EXPECT_EQ(appState.remotePath, "/pub/");
  EXPECT_EQ(Rows(appState.remoteList), BelowRoot({"inside.txt"}));
}

TEST_P(FtpConnect, AnotherSiteOpensAtItsLoginFolderTheSameSiteWhereItWas) {
  ASSERT_TRUE(served_.MakeFolder("pub"));
  ASSERT_TRUE(served_.MakeFile("pub\\inside.txt", 3));
  ASSERT_TRUE(served_.MakeFile("top.txt", 3));
  ASSERT_TRUE(Serve()) << server_->Error();
  TempFolder otherServed;
  ASSERT_TRUE(otherServed.MakeFile("other.txt", 3));
  FtpServerOptions otherOptions = DefaultOptions();
  otherOptions.root = otherServed.Path();
  FtpServer other(otherOptions);
  ASSERT_TRUE(other.Running()) << other.Error();

  struct Case {
    const char* what;
    std::string user;
    bool anonymous;
    int port;
    std::string path;
    std::vector<std::string> rows;
  };
  const int port = server_->Port();
  const std::vector<Case> cases = {
      {"the same site again", kUser, false, port, "/pub/", BelowRoot({"inside.txt"})},
      {"another port", kUser, false, other.Port(), "", {"other.txt"}},
      {"another user", "", true, port, "", {"pub", "top.txt"}},
  };
  MessageBoxWatcher boxes;
  for (const Case& c : cases) {
    appState.remotePath = "/";
    ASSERT_TRUE(ConnectAsUser()) << c.what;
    ASSERT_TRUE(DoubleClickRow(appState.remoteList, "pub")) << c.what;
    // A failed connect in between changes nothing.
    EnterSite("127.0.0.1", kUser, "wrong", false, Port());
    ConnectToSite();
    EnterSite("127.0.0.1", c.user, c.anonymous ? "" : kPassword, c.anonymous,
              std::to_string(c.port));
    ConnectToSite();
    ASSERT_TRUE(IsConnected()) << c.what;
    EXPECT_EQ(appState.remotePath, c.path) << c.what;
    EXPECT_EQ(Rows(appState.remoteList), c.rows) << c.what;
  }
  // One box for each failed connect, none from a listing.
  EXPECT_EQ(boxes.Count(), cases.size());
  for (const MessageBoxRecord& box : boxes.Boxes()) EXPECT_EQ(box.text, "Connection Failed");
}

TEST_P(FtpLog, ConnectToLocalhostLogsEachStepInOrder) {
  ASSERT_TRUE(Serve()) << server_->Error();
  EnterSite("localhost", kUser, kPassword, false, Port());
  ConnectToSite();
  ASSERT_TRUE(IsConnected());
  const std::vector<std::string> lines = LogLines();
  // "localhost" may resolve to ::1 first (the server listens on 127.0.0.1 only; the next
  // address is tried). The resolved address is logged and shown in part 1.
  const std::string address = StatusPart(1);
  EXPECT_TRUE(address == "127.0.0.1" || address == "::1") << address;
  EXPECT_TRUE(InOrder(lines, {"Resolving Name", "Name Resolved", address, "Connected",
                              "Connected to Server", "Response Received"}))
      << Caption(appState.logEdit);
  // Every line of the log is one report's text; the totals lines carry their suffixes.
  EXPECT_EQ(StatusPart(2), SentTotalText(bytesSentTotal));
  EXPECT_EQ(StatusPart(3), ReceivedTotalText(bytesReceivedTotal));
  EXPECT_GT(bytesReceivedTotal, 0u);
  EXPECT_TRUE(Contains(lines, ReceivedTotalText(bytesReceivedTotal)));
}

TEST_P(FtpLog, TotalsContinueAcrossConnections) {
  ASSERT_TRUE(Serve()) << server_->Error();
  ASSERT_TRUE(ConnectAsUser());
  Disconnect();
  const uint64_t sent = bytesSentTotal;
  const uint64_t received = bytesReceivedTotal;
  ASSERT_GT(sent, 0u);
  ASSERT_TRUE(ConnectAsUser());
  EXPECT_GT(bytesSentTotal, sent);
  EXPECT_GT(bytesReceivedTotal, received);
  EXPECT_EQ(StatusPart(2), UInt64ToText(bytesSentTotal) + " bytes send");
  EXPECT_EQ(StatusPart(3), UInt64ToText(bytesReceivedTotal) + " bytes received");
}

FTP_CLIENT_TEST_SUITE(FtpConnect);
FTP_CLIENT_TEST_SUITE(FtpLog);

}  // namespace
