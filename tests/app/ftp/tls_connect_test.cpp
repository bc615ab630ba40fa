// FTP over TLS through the real windows: a site "ftpes://localhost" on vsftpd with a self-signed
// certificate asks once, in a Yes/No box owned by the main window with the certificate's
// fingerprint; "Yes" connects, lists and downloads byte for byte, "No" sends nothing more and
// says nothing more. A certificate from a trusted authority asks nothing (explicit and implicit
// TLS), and a server that demands TLS session reuse says so once the connect has listed.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/ftp/transfers.h"
#include "tests/app/ftp/ftp_fixture.h"
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
  EnterSite("ftpes://localhost", kUser, kPassword, false, Port());
  MessageBoxWatcher boxes;
  boxes.QueueAnswer(IDYES);
  ConnectToSite();

  ASSERT_EQ(boxes.Count(), 1u);
  const MessageBoxRecord box = boxes.Last();
  EXPECT_EQ(box.caption, "ZevFtp");
  EXPECT_EQ(box.owner, appState.mainWindow->handle);
  EXPECT_TRUE(box.yesNo);
  EXPECT_NE(box.text.find(files.sha256), std::string::npos) << box.text;
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

TEST_F(FtpTlsConnect, NoToTheCertificateSendsNoUserAndShowsNothingMore) {
  ASSERT_TRUE(ServeTls(FtpServerOptions::kExplicitTls, TestCertificate::kSelfSigned))
      << server_->Error();
  EnterSite("ftpes://localhost", kUser, kPassword, false, Port());
  MessageBoxWatcher boxes;
  boxes.QueueAnswer(IDNO);
  ConnectToSite();
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
  EnterSite("ftpes://localhost", kUser, kPassword, false, Port());
  MessageBoxWatcher boxes;
  ConnectToSite();
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_NE(boxes.Last().text.find("The server requires TLS session reuse"), std::string::npos)
      << boxes.Last().text;
  EXPECT_NE(boxes.Last().text.find("522 SSL connection failed"), std::string::npos);
  EXPECT_TRUE(Rows(appState.remoteList).empty());
}

}  // namespace
