// The own FTP client over TLS against real servers (vsftpd explicit and implicit, pyftpdlib's TLS
// handler) with the test certificates: listings and transfers byte for byte, certificates the
// system does not trust stopping the connect before USER with WinInet's code and the details the
// user is shown, a fingerprint trusted for the run, servers that do not speak TLS where it was
// asked for, and clear text slipped in after "234".
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "app/ftp/own/own_client.h"
#include "tests/app/ftp/own_client_fixture.h"
#include "tests/support/ftp_server.h"
#include "tests/support/scripted_ftp_server.h"
#include "tests/support/test_certificates.h"

namespace {

// A few MiB with a tail that fills no TLS record or read buffer.
constexpr size_t kFileSize = 3 * 1024 * 1024 + 12345;

class OwnClientTls : public OwnClientTest {
 protected:
  bool Serve(FtpServerOptions::Kind kind, FtpServerOptions::Tls tls,
             TestCertificate certificate = TestCertificate::kSigned, bool reuse = false) {
    FtpServerOptions options;
    options.kind = kind;
    options.root = served_.Path();
    options.user = "zev";
    options.password = "secret";
    options.tls = tls;
    options.certificate = certificate;
    options.requireSslReuse = reuse;
    server_ = std::make_unique<FtpServer>(options);
    return server_->Running();
  }

  HINTERNET ConnectTo(const std::string& hostText, int port = 0) {
    connection_ = client_.Connect(session_, hostText.c_str(),
                                  static_cast<INTERNET_PORT>(port ? port : server_->Port()), "zev",
                                  "secret", 255);
    return connection_;
  }

  // How many times the server's protocol log holds `command` ("USER zev").
  size_t Commands(const std::string& command) const {
    return QuotedCommandCount(server_->Log(), command);
  }

  TempFolder served_;
  TempFolder local_;
  std::unique_ptr<FtpServer> server_;
};

TEST_F(OwnClientTls, ListsUploadsAndDownloadsByteForByteOnEachServer) {
  TrustedTestAuthority trusted;
  ASSERT_TRUE(trusted.Trusted()) << TestCertificatesError();
  const std::string bytes = PatternBytes(kFileSize);
  struct Server {
    const char* name;
    FtpServerOptions::Kind kind;
    FtpServerOptions::Tls tls;
    const char* scheme;
  };
  const Server servers[] = {
      {"vsftpd, explicit", FtpServerOptions::kVsftpd, FtpServerOptions::kExplicitTls, "ftpes://"},
      {"vsftpd, implicit", FtpServerOptions::kVsftpd, FtpServerOptions::kImplicitTls, "ftps://"},
      {"pyftpdlib, explicit", FtpServerOptions::kPyftpdlib, FtpServerOptions::kExplicitTls,
       "FTPES://"},
  };
  for (const Server& s : servers) {
    SCOPED_TRACE(s.name);
    ASSERT_TRUE(WriteWholeFile(served_.Path() + "down.bin", bytes));
    ASSERT_TRUE(Serve(s.kind, s.tls)) << server_->Error();
    ASSERT_NE(ConnectTo(std::string(s.scheme) + "localhost"), nullptr) << GetLastError();
    EXPECT_EQ(LastCertificate().error, 0u);
    const std::vector<FoundEntry> listed = FindAll("/*.*");
    EXPECT_NE(std::find(listed.begin(), listed.end(), FoundEntry{"down.bin", false, kFileSize}),
              listed.end());

    ASSERT_TRUE(client_.GetFile(connection_, "/down.bin", (local_.Path() + "down.bin").c_str(),
                                true, 0, 2, 255))
        << GetLastError() << " " << client_.LastResponse();
    EXPECT_TRUE(ReadWholeFile(local_.Path() + "down.bin") == bytes);
    // After the upload the server must have seen close_notify, or it answers 426.
    ASSERT_TRUE(
        client_.PutFile(connection_, (local_.Path() + "down.bin").c_str(), "/up.bin", 2, 255))
        << GetLastError() << " " << client_.LastResponse();
    EXPECT_TRUE(ReadWholeFile(served_.Path() + "up.bin") == bytes);
    const std::string log = server_->Log();
    if (s.kind == FtpServerOptions::kVsftpd) {
      EXPECT_EQ(Commands("PROT P"), 1u) << log;
    }
    client_.Close(connection_);
    server_.reset();
    DeleteFileA((served_.Path() + "up.bin").c_str());
    DeleteFileA((local_.Path() + "down.bin").c_str());
  }
}

// The port in the host text counts when the port field is empty; the certificate names both
// loopback addresses, and an address in the host text is checked against them.
TEST_F(OwnClientTls, AddressesAndPortsInTheHostText) {
  TrustedTestAuthority trusted;
  ASSERT_TRUE(trusted.Trusted()) << TestCertificatesError();
  ASSERT_TRUE(served_.MakeFile("a.txt", 10));
  for (const char* address : {"::1", "127.0.0.1"}) {
    SCOPED_TRACE(address);
    FtpServerOptions options;
    options.kind = FtpServerOptions::kVsftpd;
    options.address = address;
    options.root = served_.Path();
    options.user = "zev";
    options.password = "secret";
    options.tls = FtpServerOptions::kExplicitTls;
    server_ = std::make_unique<FtpServer>(options);
    ASSERT_TRUE(server_->Running()) << server_->Error();
    const std::string host = std::string(address).find(':') != std::string::npos
                                 ? "[" + std::string(address) + "]"
                                 : address;
    const std::string text = "ftpes://" + host + ":" + std::to_string(server_->Port());
    connection_ = client_.Connect(session_, text.c_str(), 0, "zev", "secret", 255);
    ASSERT_NE(connection_, nullptr) << GetLastError() << " " << LastCertificate().subject;
    EXPECT_EQ(FindAll("/*.*").size(), 1u);
    client_.Close(connection_);
  }
}

TEST_F(OwnClientTls, AnUntrustedCertificateStopsTheConnectBeforeUserUntilTrusted) {
  struct Case {
    const char* name;
    TestCertificate certificate;
    bool authorityTrusted;
    DWORD error;
    bool unknownAuthority, notTimeValid, wrongName;
    bool thenTrusted;  // the user's "Yes": the fingerprint trusted for the run
  };
  const Case cases[] = {
      {"self-signed", TestCertificate::kSelfSigned, false, ERROR_INTERNET_INVALID_CA, true, false,
       false, true},
      {"another name from an unknown authority", TestCertificate::kWrongName, false,
       ERROR_INTERNET_INVALID_CA, true, false, true, false},
      {"another name", TestCertificate::kWrongName, true, ERROR_INTERNET_SEC_CERT_CN_INVALID, false,
       false, true, true},
      {"expired", TestCertificate::kExpired, true, ERROR_INTERNET_SEC_CERT_DATE_INVALID, false,
       true, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::unique_ptr<TrustedTestAuthority> trusted;
    if (c.authorityTrusted) trusted = std::make_unique<TrustedTestAuthority>();
    const CertificateFiles& files = TestCertificateFiles(c.certificate);
    ASSERT_FALSE(files.sha256.empty()) << TestCertificatesError();
    ASSERT_TRUE(Serve(FtpServerOptions::kVsftpd, FtpServerOptions::kExplicitTls, c.certificate))
        << server_->Error();

    EXPECT_EQ(ConnectTo("ftpes://localhost"), nullptr);
    EXPECT_EQ(GetLastError(), c.error);
    const ServerCertificate seen = LastCertificate();
    EXPECT_EQ(seen.error, c.error);
    EXPECT_EQ(seen.unknownAuthority, c.unknownAuthority);
    EXPECT_EQ(seen.notTimeValid, c.notTimeValid);
    EXPECT_EQ(seen.wrongName, c.wrongName);
    EXPECT_EQ(seen.host, "localhost");
    EXPECT_EQ(seen.sha256, files.sha256);
    EXPECT_NE(seen.subject.find("CN="), std::string::npos) << seen.subject;
    EXPECT_NE(seen.issuer.find("O=ZevFtp tests"), std::string::npos) << seen.issuer;
    EXPECT_FALSE(seen.validFrom.empty());
    EXPECT_FALSE(seen.validTo.empty());
    EXPECT_EQ(Commands("AUTH TLS"), 1u) << server_->Log();
    EXPECT_EQ(Commands("USER zev"), 0u) << server_->Log();

    // Trusted for the run: the same certificate passes, and the user logs in.
    if (!c.thenTrusted) continue;
    TrustCertificate(seen.sha256);
    ASSERT_NE(ConnectTo("ftpes://localhost"), nullptr) << GetLastError();
    EXPECT_EQ(LastCertificate().error, 0u);
    EXPECT_EQ(Commands("USER zev"), 1u);
    client_.Close(connection_);
    server_.reset();
  }
}

// From an authority the system trusts, a certificate that names an address by a DNS name (RFC
// 6125: only an iPAddress entry does) stops the connect before USER with the certificate-name
// code, so that the window asks.
TEST_F(OwnClientTls, AnAddressNamedOnlyByDnsNamesStopsTheConnectBeforeUser) {
  TrustedTestAuthority trusted;
  ASSERT_TRUE(trusted.Trusted()) << TestCertificatesError();
  for (const TestCertificate certificate :
       {TestCertificate::kAddressAsDnsName, TestCertificate::kWildcardAddress}) {
    SCOPED_TRACE(TestCertificateFiles(certificate).pem);
    ASSERT_TRUE(Serve(FtpServerOptions::kVsftpd, FtpServerOptions::kExplicitTls, certificate))
        << server_->Error();
    EXPECT_EQ(ConnectTo("ftpes://127.0.0.1"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INTERNET_SEC_CERT_CN_INVALID));
    EXPECT_TRUE(LastCertificate().wrongName);
    EXPECT_EQ(Commands("AUTH TLS"), 1u) << server_->Log();
    EXPECT_EQ(Commands("USER zev"), 0u) << server_->Log();
  }
}

TEST_F(OwnClientTls, TlsAskedOfAServerWithoutItFailsWithoutSendingTheUser) {
  FtpServerOptions options;
  options.root = served_.Path();
  options.user = "zev";
  options.password = "secret";
  server_ = std::make_unique<FtpServer>(options);
  ASSERT_TRUE(server_->Running()) << server_->Error();
  for (const char* text : {"ftpes://127.0.0.1", "ftps://127.0.0.1"}) {
    SCOPED_TRACE(text);
    EXPECT_EQ(ConnectTo(text), nullptr);
    EXPECT_NE(GetLastError(), 0u);
  }
  EXPECT_EQ(server_->Log().find("zev"), std::string::npos) << server_->Log();
  // A host text that names no server fails at once.
  EXPECT_EQ(ConnectTo("ftpes://:21"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INTERNET_INVALID_URL));
}

// A data connection that answers PROT P's handshake in clear text fails the listing at once: no
// entry, and no end that would look like an empty folder.
TEST_F(OwnClientTls, ClearTextOnAProtectedDataConnectionFailsTheListing) {
  TrustedTestAuthority trusted;
  ASSERT_TRUE(trusted.Trusted()) << TestCertificatesError();
  ScriptedFtpServer server("tls-clear-data");
  ASSERT_TRUE(server.Running()) << server.Error();
  connection_ = client_.Connect(session_, "ftpes://localhost",
                                static_cast<INTERNET_PORT>(server.Port()), "u", "p", 255);
  ASSERT_NE(connection_, nullptr) << GetLastError();
  DWORD error = 0;
  EXPECT_TRUE(FindAll("/*.*", &error).empty());
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_INTERNET_SECURITY_CHANNEL_ERROR));
}

// Clear text that came after "234" (read together with it) would otherwise be taken for the first
// encrypted reply: here a "230" that logs in without a password.
TEST_F(OwnClientTls, ClearTextSlippedInAfterAuthTlsEndsTheConnect) {
  TrustedTestAuthority trusted;
  ASSERT_TRUE(trusted.Trusted()) << TestCertificatesError();
  ScriptedFtpServer server("tls-injection");
  ASSERT_TRUE(server.Running()) << server.Error();
  connection_ = client_.Connect(session_, "ftpes://localhost",
                                static_cast<INTERNET_PORT>(server.Port()), "u", "p", 255);
  EXPECT_EQ(connection_, nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INTERNET_SECURITY_CHANNEL_ERROR));
  EXPECT_EQ(server.Commands(), "AUTH TLS\n");
}

}  // namespace
