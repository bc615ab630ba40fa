// The FTP test servers themselves: each kind starts on 127.0.0.1 and on ::1, lets its users log in
// and list the served folder (and the full users write to it) through curl, speaks TLS where
// asked with the certificate asked for, logs what it did, and is gone once stopped.
// (vsftpd against the program: VsftpdServer.*)
#include <gtest/gtest.h>
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#include <wininet.h>

#include <string>
#include <vector>

#include "tests/app/temp_folder.h"
#include "tests/support/ftp_server.h"
#include "tests/support/test_certificates.h"

namespace {

HINTERNET Connect(HINTERNET session, int port, const char* user, const char* password) {
  return InternetConnectA(session, "127.0.0.1", static_cast<INTERNET_PORT>(port), user, password,
                          INTERNET_SERVICE_FTP, 0, 255);
}

TEST(FtpServerHarness, PyftpdlibServesTheTreeAndStops) {
  TempFolder root;
  TempFolder local;
  ASSERT_TRUE(root.MakeFile("hello.txt", 5, 'h'));
  FtpServerOptions options;
  options.root = root.Path();
  options.user = "zev";
  options.password = "secret";
  FtpServer server(options);
  ASSERT_TRUE(server.Running()) << server.Error();

  HINTERNET session = InternetOpenA("ZEVFTP", 0, nullptr, nullptr, 0);
  ASSERT_NE(session, nullptr);
  HINTERNET connection = Connect(session, server.Port(), "zev", "secret");
  ASSERT_NE(connection, nullptr) << GetLastError();
  const std::string target = local.Path() + "hello.txt";
  EXPECT_TRUE(FtpGetFileA(connection, "/hello.txt", target.c_str(), TRUE, 0x80, 0x80000002, 255));
  EXPECT_EQ(ReadWholeFile(target), "hhhhh");
  InternetCloseHandle(connection);
  EXPECT_NE(server.Log().find("USER 'zev' logged in"), std::string::npos) << server.Log();

  const int port = server.Port();
  server.Stop();
  EXPECT_EQ(Connect(session, port, "zev", "secret"), nullptr);
  InternetCloseHandle(session);
}

// ---- Every kind on both loopback addresses, through curl ----

// A plain TCP connection of this process to a server (its session process, for most servers).
class RawConnection {
 public:
  RawConnection(const std::string& address, int port) {
    WSADATA data;
    started_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICHOST;
    addrinfo* found = nullptr;
    if (!started_ ||
        getaddrinfo(address.c_str(), std::to_string(port).c_str(), &hints, &found) != 0) {
      return;
    }
    socket_ = socket(found->ai_family, SOCK_STREAM, IPPROTO_TCP);
    if (socket_ != INVALID_SOCKET &&
        connect(socket_, found->ai_addr, static_cast<int>(found->ai_addrlen)) != 0) {
      closesocket(socket_);
      socket_ = INVALID_SOCKET;
    }
    freeaddrinfo(found);
    const DWORD timeoutMs = 5000;
    if (socket_ != INVALID_SOCKET) {
      setsockopt(socket_, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeoutMs),
                 sizeof timeoutMs);
    }
  }
  ~RawConnection() {
    if (socket_ != INVALID_SOCKET) closesocket(socket_);
    if (started_) WSACleanup();
  }
  RawConnection(const RawConnection&) = delete;
  RawConnection& operator=(const RawConnection&) = delete;

  bool Connected() const { return socket_ != INVALID_SOCKET; }
  bool Send(const std::string& text) {
    return send(socket_, text.data(), static_cast<int>(text.size()), 0) ==
           static_cast<int>(text.size());
  }
  // Reads until `reply` starts a line of what came (or the connection ends).
  std::string ReceiveUntil(const std::string& reply) {
    std::string got;
    while (got.compare(0, reply.size(), reply) != 0 && got.find("\n" + reply) == std::string::npos) {
      const std::string more = Receive();
      if (more.empty()) break;
      got += more;
    }
    return got;
  }
  // True when the server has closed the connection (or reset it), false when it stays open
  // for the receive time-out.
  bool ClosedByServer() {
    char buffer[512];
    int got = 0;
    while ((got = recv(socket_, buffer, sizeof buffer, 0)) > 0) {
    }
    return got == 0 || WSAGetLastError() != WSAETIMEDOUT;
  }
  // What one recv brings: empty once the server closed the connection (or on an error).
  std::string Receive() {
    char buffer[512];
    const int got = recv(socket_, buffer, sizeof buffer, 0);
    return got > 0 ? std::string(buffer, static_cast<size_t>(got)) : std::string();
  }

 private:
  bool started_ = false;
  SOCKET socket_ = INVALID_SOCKET;
};

constexpr const char* kAddresses[] = {"127.0.0.1", "::1"};
constexpr char kCurl[] = "/usr/bin/curl -sS -g --max-time 20 ";

// How one server is reached and what it allows.
struct Reach {
  std::string scheme = "ftp";
  std::string curlOptions;  // TLS options
  bool user = true;         // "zev"/"secret" logs in and lists
  bool userWrites = true;   // and may upload
  bool anonymous = false;   // anonymous lists
  bool anonymousPlain = false;  // without the TLS options
  bool transfersOverIpv6 = true;  // Twisted: no data connection over ::1 (no EPSV)
  bool greets = true;       // a plain connection gets the greeting (not with implicit TLS)
};

std::string Url(const Reach& reach, const std::string& address, int port,
                const std::string& credentials, const std::string& path = "") {
  const std::string host = address.find(':') != std::string::npos ? "[" + address + "]" : address;
  return "'" + reach.scheme + "://" + credentials + "@" + host + ":" + std::to_string(port) + "/" +
         path + "'";
}

bool Exited(const std::string& output, int status) {
  const std::string tail = "exit " + std::to_string(status) + "\n";
  return output.size() >= tail.size() &&
         output.compare(output.size() - tail.size(), tail.size(), tail) == 0;
}

class FtpServerKinds : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(root_.MakeFile("hello.txt", 5, 'h'));
    ASSERT_TRUE(upload_.MakeFile("up.txt", 3, 'u'));
  }

  // Starts the server on each address in turn: the users log in and list (curl), a full user
  // uploads, and once stopped nothing answers on its port.
  void ServeOnBothAddresses(FtpServerOptions options, const Reach& reach) {
    options.root = root_.Path();
    for (const char* address : kAddresses) {
      SCOPED_TRACE(address);
      options.address = address;
      FtpServer server(options);
      ASSERT_TRUE(server.Running()) << server.Error();
      const int port = server.Port();
      // Without transfers, SIZE shows the login (it needs no data connection).
      const bool lists = reach.transfersOverIpv6 || std::string(address) != "::1";
      std::string script;
      if (reach.user) {
        script += kCurl + reach.curlOptions + " " +
                  Url(reach, address, port, "zev:secret", lists ? "" : "hello.txt") +
                  (lists ? "" : " --head") + " && ";
        if (reach.userWrites && lists) {
          script += kCurl + reach.curlOptions + " -T '" + UnixPathOf(upload_.Path() + "up.txt") +
                    "' " + Url(reach, address, port, "zev:secret") + " && ";
        }
      }
      if (reach.anonymous && lists) {
        script += kCurl + (reach.anonymousPlain ? std::string() : reach.curlOptions) + " " +
                  Url(reach, address, port, "anonymous:zev") + " && ";
      }
      const std::string output = RunShellCommandOutput(script + "true");
      EXPECT_TRUE(Exited(output, 0)) << output << server.Log();
      if (lists) {
        const size_t listings = (reach.user ? 1u : 0u) + (reach.anonymous ? 1u : 0u);
        size_t found = 0;
        for (size_t at = output.find("hello.txt"); at != std::string::npos;
             at = output.find("hello.txt", at + 1)) {
          ++found;
        }
        EXPECT_EQ(found, listings) << output;
      } else {
        EXPECT_NE(output.find("Content-Length: 5"), std::string::npos) << output;
      }
      if (reach.user && reach.userWrites && lists) {
        EXPECT_EQ(ReadWholeFile(root_.Path() + "up.txt"), "uuu") << server.Log();
        DeleteFileA((root_.Path() + "up.txt").c_str());
      }
      log_ = server.Log();

      // A session open when the server stops ends with it (vsftpd makes a logged-in session
      // the leader of a session of its own).
      RawConnection open(address, port);
      ASSERT_TRUE(open.Connected());
      if (reach.greets) {
        EXPECT_NE(open.ReceiveUntil("220 ").find("220 "), std::string::npos);
        if (reach.user && reach.curlOptions.empty()) {
          ASSERT_TRUE(open.Send("USER zev\r\nPASS secret\r\n"));
          EXPECT_NE(open.ReceiveUntil("230 ").find("230 "), std::string::npos);
        }
      }
      server.Stop();
      EXPECT_TRUE(open.ClosedByServer());
      // curl's 7: nothing accepted the connection.
      const std::string after =
          RunShellCommandOutput(kCurl + reach.curlOptions + " " +
                                Url(reach, address, port, "zev:secret"));
      EXPECT_TRUE(Exited(after, 7)) << after;
    }
  }

  TempFolder root_;
  TempFolder upload_;
  std::string log_;  // the last server's log
};

TEST_F(FtpServerKinds, Pyftpdlib) {
  FtpServerOptions options;
  options.user = "zev";
  options.password = "secret";
  options.anonymous = true;
  Reach reach;
  reach.anonymous = true;
  ServeOnBothAddresses(options, reach);
}

TEST_F(FtpServerKinds, VsftpdAnonymousAndALocalUserLockedIntoTheRoot) {
  FtpServerOptions options;
  options.kind = FtpServerOptions::kVsftpd;
  options.user = "zev";
  options.password = "secret";
  Reach reach;
  reach.anonymous = true;
  ServeOnBothAddresses(options, reach);
  EXPECT_NE(log_.find("[zev] FTP response: Client \"::1\", \"257 \"/\" is the current directory"),
            std::string::npos)
      << log_;
}

TEST_F(FtpServerKinds, VsftpdAsDebianShipsItReadOnlyUserNotLockedIn) {
  FtpServerOptions options;
  options.kind = FtpServerOptions::kVsftpdDebian;
  options.user = "zev";
  options.password = "secret";
  Reach reach;
  reach.userWrites = false;
  ServeOnBothAddresses(options, reach);
  // The login folder is the served root's Linux path (symbolic links resolved).
  std::string folder = root_.Path();
  folder.pop_back();
  folder = folder.substr(folder.rfind('\\') + 1);
  EXPECT_NE(log_.find("/" + folder + "\" is the current directory"), std::string::npos) << log_;
  EXPECT_EQ(log_.find("MLSD"), std::string::npos);
}

TEST_F(FtpServerKinds, Proftpd) {
  FtpServerOptions options;
  options.kind = FtpServerOptions::kProftpd;
  options.user = "zev";
  options.password = "secret";
  options.anonymous = true;
  Reach reach;
  reach.anonymous = true;
  ServeOnBothAddresses(options, reach);
  EXPECT_NE(log_.find("zev PASS (hidden) -> 230"), std::string::npos) << log_;
}

TEST_F(FtpServerKinds, PureFtpd) {
  FtpServerOptions options;
  options.kind = FtpServerOptions::kPureFtpd;
  options.user = "zev";
  options.password = "secret";
  options.anonymous = true;
  Reach reach;
  reach.anonymous = true;
  ServeOnBothAddresses(options, reach);
  // Its syslog lines reach the log.
  EXPECT_NE(log_.find("(zev@::1) [INFO] Logout."), std::string::npos) << log_;
}

TEST_F(FtpServerKinds, InetutilsFtpd) {
  FtpServerOptions options;
  options.kind = FtpServerOptions::kInetutils;
  options.user = "zev";
  options.password = "secret";
  options.anonymous = true;
  Reach reach;
  reach.anonymous = true;
  ServeOnBothAddresses(options, reach);
  EXPECT_NE(log_.find("FTP LOGIN FROM "), std::string::npos) << log_;
}

TEST_F(FtpServerKinds, TwistedLogsInOverIpv6ButTransfersOnlyOverIpv4) {
  FtpServerOptions options;
  options.kind = FtpServerOptions::kTwisted;
  options.user = "zev";
  options.password = "secret";
  options.anonymous = true;
  Reach reach;
  reach.anonymous = true;
  reach.transfersOverIpv6 = false;
  ServeOnBothAddresses(options, reach);
}

// ---- TLS ----

TEST_F(FtpServerKinds, VsftpdExplicitTlsForcedOnTheUserWithTheCertificateAsked) {
  const CertificateFiles& selfSigned = TestCertificateFiles(TestCertificate::kSelfSigned);
  ASSERT_FALSE(selfSigned.pem.empty()) << TestCertificatesError();
  FtpServerOptions options;
  options.kind = FtpServerOptions::kVsftpd;
  options.user = "zev";
  options.password = "secret";
  options.tls = FtpServerOptions::kExplicitTls;
  options.certificate = TestCertificate::kSelfSigned;
  Reach reach;
  // A self-signed certificate is its own authority.
  reach.curlOptions = "--ssl-reqd --cacert '" + UnixPathOf(selfSigned.pem) + "'";
  reach.anonymous = true;
  reach.anonymousPlain = true;  // vsftpd offers anonymous no TLS
  ServeOnBothAddresses(options, reach);
  EXPECT_NE(log_.find("\"PROT P\""), std::string::npos) << log_;
  EXPECT_NE(log_.find("\"USER zev\""), std::string::npos) << log_;

  // Plain logins of the user are refused; a client that refuses the certificate sends no USER.
  options.root = root_.Path();
  options.address = "127.0.0.1";
  FtpServer server(options);
  ASSERT_TRUE(server.Running()) << server.Error();
  Reach plain;
  const std::string refused = RunShellCommandOutput(
      kCurl + Url(plain, "127.0.0.1", server.Port(), "zev:secret") + "; " + kCurl +
      "--ssl-reqd --cacert '" +
      UnixPathOf(TestCertificateFiles(TestCertificate::kAuthority).pem) + "' " +
      Url(plain, "127.0.0.1", server.Port(), "zev:secret"));
  EXPECT_EQ(refused.find("hello.txt"), std::string::npos) << refused;
  const std::string log = server.Log();
  EXPECT_NE(log.find("530 Non-anonymous sessions must use encryption."), std::string::npos)
      << log;
  ASSERT_NE(log.find("\"USER zev\""), std::string::npos) << log;
  EXPECT_EQ(log.find("\"USER zev\""), log.rfind("\"USER zev\"")) << log;
}

TEST_F(FtpServerKinds, VsftpdImplicitTlsRequiringSessionReuse) {
  FtpServerOptions options;
  options.kind = FtpServerOptions::kVsftpd;
  options.user = "zev";
  options.password = "secret";
  options.tls = FtpServerOptions::kImplicitTls;
  options.requireSslReuse = true;
  const CertificateFiles& authority = TestCertificateFiles(TestCertificate::kAuthority);
  ASSERT_FALSE(authority.pem.empty()) << TestCertificatesError();
  Reach reach;
  reach.scheme = "ftps";
  reach.greets = false;
  reach.curlOptions = "--cacert '" + UnixPathOf(authority.pem) + "'";
  // curl resumes the control connection's session on the data connection: reuse passes.
  ServeOnBothAddresses(options, reach);
  EXPECT_NE(log_.find("\"PBSZ 0\""), std::string::npos) << log_;
}

TEST_F(FtpServerKinds, PyftpdlibExplicitTls) {
  const CertificateFiles& authority = TestCertificateFiles(TestCertificate::kAuthority);
  ASSERT_FALSE(authority.pem.empty()) << TestCertificatesError();
  const std::string probe = UnixPathOf(SourceRootFolder() + "scripts\\ftp_tls_probe.py");
  FtpServerOptions options;
  options.user = "zev";
  options.password = "secret";
  options.tls = FtpServerOptions::kExplicitTls;
  options.root = root_.Path();
  for (const char* address : kAddresses) {
    SCOPED_TRACE(address);
    options.address = address;
    FtpServer server(options);
    ASSERT_TRUE(server.Running()) << server.Error();
    const std::string probeCommand = "/usr/bin/python3 '" + probe + "' --host " + address +
                                     " --port " + std::to_string(server.Port()) +
                                     " --user zev --password secret --cafile '" +
                                     UnixPathOf(authority.pem) + "'";
    const std::string listed = RunShellCommandOutput(probeCommand);
    EXPECT_TRUE(Exited(listed, 0)) << listed << server.Log();
    EXPECT_NE(listed.find("hello.txt"), std::string::npos) << listed;
    // TLS is required: a plain login is refused.
    Reach plain;
    const std::string refused =
        RunShellCommandOutput(kCurl + Url(plain, address, server.Port(), "zev:secret"));
    EXPECT_EQ(refused.find("hello.txt"), std::string::npos) << refused;
  }
}

}  // namespace
