// FTP over TLS through the real windows: a site "ftpes://localhost" on vsftpd with a self-signed
// certificate asks once, in a Yes/No box owned by the main window with the certificate's
// fingerprint; "Yes" connects, lists and downloads byte for byte, "No" sends nothing more and
// says nothing more. A certificate from a trusted authority asks nothing (explicit and implicit
// TLS), and a server that demands TLS session reuse says so once the connect has listed.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/remote/certificate_text.h"
#include "app/remote/transfers.h"
#include "tests/app/remote/ftp_fixture.h"
#include "tests/support/test_certificates.h"

namespace {

class FtpTlsConnect : public FtpAppTest {
 protected:
  bool ServeTls(FtpServerOptions::Tls tls, TestCertificate certificate, bool reuse = false) {
    FtpServerOptions options;
    options.kind = FtpServerOptions::kVsftpd;
    options.user = kUser;
    options.password = kPassword;
    options.tls = tls;
    options.certificate = certificate;
    options.requireSslReuse = reuse;
    return Serve(options);
  }

  // Connects to the server through the site fields, as the user would, with explicit TLS.
  void ConnectOverTls() {
    EnterSite("ftpes://localhost", kUser, kPassword, false, Port());
    ConnectToSite();
  }

  size_t Commands(const std::string& command) const {
    const std::string log = server_->Log();
    const std::string quoted = "\"" + command + "\"";
    size_t count = 0;
    for (size_t at = log.find(quoted); at != std::string::npos; at = log.find(quoted, at + 1)) {
      ++count;
    }
    return count;
  }
};

TEST_F(FtpTlsConnect, ASelfSignedCertificateIsShownOnceAndYesConnectsListsAndDownloads) {
  const CertificateFiles& files = TestCertificateFiles(TestCertificate::kSelfSigned);
  ASSERT_FALSE(files.sha256.empty()) << TestCertificatesError();
  const std::string bytes = PatternBytes(700 * 1024 + 3);
  ASSERT_TRUE(WriteWholeFile(served_.Path() + "data.bin", bytes));
  ASSERT_TRUE(ServeTls(FtpServerOptions::kExplicitTls, TestCertificate::kSelfSigned))
      << server_->Error();
  MessageBoxWatcher boxes;
  boxes.QueueAnswer(IDYES);
  ConnectOverTls();

  ASSERT_EQ(boxes.Count(), 1u);
  const MessageBoxRecord box = boxes.Last();
  EXPECT_EQ(box.caption, "ZevFtp");
  EXPECT_EQ(box.owner, appState.mainWindow->handle);
  EXPECT_TRUE(box.yesNo);
  EXPECT_NE(box.text.find(FingerprintLines(files.sha256)), std::string::npos) << box.text;
  EXPECT_NE(box.text.find("not issued by an authority"), std::string::npos) << box.text;
  EXPECT_NE(box.text.find("CN=localhost"), std::string::npos) << box.text;
  ASSERT_TRUE(IsConnected());
  EXPECT_EQ(Rows(appState.remoteList), std::vector<std::string>{"data.bin"});
  // One login, on the second connection: the first stopped at the certificate.
  EXPECT_EQ(Commands("AUTH TLS"), 2u);
  EXPECT_EQ(Commands("USER zev"), 1u);

  SelectRows(appState.remoteList, {"data.bin"});
  DownloadSelected();
  EXPECT_EQ(boxes.Count(), 1u);
  EXPECT_TRUE(LocalText("data.bin") == bytes);

  // Trusted for the rest of the run: the next connect asks nothing.
  ConnectToSite();
  EXPECT_TRUE(IsConnected());
  EXPECT_EQ(boxes.Count(), 1u);
}

// What a box shows: its place on the screen, the width of its text, and how wide each of some
// lines is in the box's font.
struct BoxLayout {
  RECT box{};
  int textWidth = 0;
  std::vector<int> lineWidths;
};

BoxLayout LayoutOf(HWND box, const std::vector<std::string>& lines) {
  BoxLayout layout;
  GetWindowRect(box, &layout.box);
  HWND text = GetDlgItem(box, 0xFFFF);
  RECT client{};
  GetClientRect(text, &client);
  layout.textWidth = client.right - client.left;
  HDC dc = GetDC(text);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(text, WM_GETFONT, 0, 0)));
  for (const std::string& line : lines) {
    SIZE size{};
    GetTextExtentPoint32A(dc, line.c_str(), static_cast<int>(line.size()), &size);
    layout.lineWidths.push_back(size.cx);
  }
  SelectObject(dc, old);
  ReleaseDC(text, dc);
  return layout;
}

TEST_F(FtpTlsConnect, TheCertificateBoxShowsTheWholeFingerprintWithinA1024By768Screen) {
  const CertificateFiles& files = TestCertificateFiles(TestCertificate::kSelfSigned);
  ASSERT_FALSE(files.sha256.empty()) << TestCertificatesError();
  const std::vector<std::string> fingerprintLines = {files.sha256.substr(0, 47),
                                                     files.sha256.substr(48)};
  ASSERT_EQ(FingerprintLines(files.sha256), fingerprintLines[0] + "\r\n" + fingerprintLines[1]);
  std::string manyLines;
  for (int i = 0; i < 2000; ++i) manyLines += "CN=line\r\n";
  struct Case {
    const char* what;
    std::string subject, issuer, host;
  };
  const std::vector<Case> cases = {
      {"as the test server sends it", "O=ZevFtp tests, CN=localhost",
       "O=ZevFtp tests, CN=localhost", "localhost"},
      {"many lines, no blank", std::string(5000, 'W'), manyLines, std::string(3000, 'W')},
  };
  for (const Case& c : cases) {
    ServerCertificate certificate;
    certificate.error = ERROR_INTERNET_INVALID_CA;
    certificate.unknownAuthority = certificate.notTimeValid = certificate.wrongName = true;
    certificate.subject = c.subject;
    certificate.issuer = c.issuer;
    certificate.host = c.host;
    certificate.validFrom = "2020-01-01 00:00:00 UTC";
    certificate.validTo = "2021-01-01 00:00:00 UTC";
    certificate.sha256 = files.sha256;
    MessageBoxWatcher boxes(IDNO);
    BoxLayout layout;
    boxes.SetInspector([&](HWND box) { layout = LayoutOf(box, fingerprintLines); });
    EXPECT_FALSE(AskToTrustCertificate(certificate)) << c.what;
    ASSERT_EQ(boxes.Count(), 1u) << c.what;
    EXPECT_NE(boxes.Last().text.find(FingerprintLines(files.sha256)), std::string::npos) << c.what;
    EXPECT_LE(layout.box.right - layout.box.left, 1024) << c.what;
    EXPECT_LE(layout.box.bottom - layout.box.top, 768) << c.what;
    ASSERT_EQ(layout.lineWidths.size(), 2u);
    for (int width : layout.lineWidths) EXPECT_LE(width, layout.textWidth) << c.what;
  }
}

TEST_F(FtpTlsConnect, NoToTheCertificateSendsNoUserAndShowsNothingMore) {
  ASSERT_TRUE(ServeTls(FtpServerOptions::kExplicitTls, TestCertificate::kSelfSigned))
      << server_->Error();
  MessageBoxWatcher boxes;
  boxes.QueueAnswer(IDNO);
  ConnectOverTls();
  ASSERT_EQ(boxes.Count(), 1u);  // no "Connection Failed" after it
  EXPECT_TRUE(boxes.Last().yesNo);
  EXPECT_FALSE(IsConnected());
  EXPECT_EQ(appState.sessionHandle, nullptr);
  EXPECT_TRUE(ButtonEnabled(kCmdConnect));
  const std::string log = server_->Log();
  EXPECT_EQ(Commands("AUTH TLS"), 1u) << log;
  EXPECT_EQ(log.find("USER"), std::string::npos) << log;
  EXPECT_EQ(log.find(kPassword), std::string::npos) << log;
}

TEST_F(FtpTlsConnect, ATrustedAuthorityAsksNothingExplicitOrImplicit) {
  TrustedTestAuthority trusted;
  ASSERT_TRUE(trusted.Trusted()) << TestCertificatesError();
  ASSERT_TRUE(served_.MakeFile("hello.txt", 5));
  for (const auto tls : {FtpServerOptions::kExplicitTls, FtpServerOptions::kImplicitTls}) {
    SCOPED_TRACE(tls);
    ASSERT_TRUE(ServeTls(tls, TestCertificate::kSigned)) << server_->Error();
    const char* scheme = tls == FtpServerOptions::kExplicitTls ? "ftpes://" : "ftps://";
    EnterSite(std::string(scheme) + "localhost", kUser, kPassword, false, Port());
    MessageBoxWatcher boxes;
    ConnectToSite();
    EXPECT_EQ(boxes.Count(), 0u);
    ASSERT_TRUE(IsConnected());
    EXPECT_EQ(Rows(appState.remoteList), std::vector<std::string>{"hello.txt"});
    EXPECT_EQ(Commands("PROT P"), 1u);
    Disconnect();
  }
}

TEST_F(FtpTlsConnect, AServerThatRequiresSessionReuseIsNamedInOneBoxAfterTheConnect) {
  TrustedTestAuthority trusted;
  ASSERT_TRUE(trusted.Trusted()) << TestCertificatesError();
  ASSERT_TRUE(served_.MakeFile("hello.txt", 5));
  ASSERT_TRUE(ServeTls(FtpServerOptions::kExplicitTls, TestCertificate::kSigned, true))
      << server_->Error();
  MessageBoxWatcher boxes;
  ConnectOverTls();
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_NE(boxes.Last().text.find("The server requires TLS session reuse"), std::string::npos)
      << boxes.Last().text;
  EXPECT_NE(boxes.Last().text.find("522 SSL connection failed"), std::string::npos);
  EXPECT_TRUE(Rows(appState.remoteList).empty());
}

}  // namespace
