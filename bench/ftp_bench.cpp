// FTP listings and transfers: the program's own client and the platform's WinInet, each through
// its find loop (find first / find next over folder + "*.*") or its get and put, against curl
// (the Linux binary, the floor) on the same pyftpdlib server on 127.0.0.1 in the same run; then
// the own client against curl on each real server (vsftpd, ProFTPD, Pure-FTPd, GNU inetutils
// ftpd, pyftpdlib, Twisted), median of five runs; then 100 MB over TLS (vsftpd, explicit).
// Prints seconds per operation and the ratios to curl (remote_listing_bench times the listing
// into the pane). Run by hand from the build folder, after scripts/test has set it up:
//   wine ftp_bench.exe [--skip-wininet-10000] [--servers-only | --tls-only]
// (WinInet under Wine lists about 50 entries a second: its 10,000-entry row takes minutes.)
#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "bench/curl_support.h"
#include "app/ftp/ftp_client.h"
#include "tests/support/ftp_server.h"
#include "tests/support/poll.h"
#include "tests/support/temp_files.h"
#include "tests/support/test_certificates.h"

namespace {

constexpr unsigned kBigMegabytes = 100;
constexpr unsigned kShellWaitMs = 600000;
constexpr int kRuns = 5;
// A listing takes a few milliseconds, within which three processes (client, server and, under
// Wine, wineserver) share this machine's cores: its median needs more runs than a download's.
constexpr int kListingRuns = 21;
constexpr int kTlsRuns = 3;

// One client's connection for the whole run.
struct Client {
  FtpClient& api;
  HINTERNET session = nullptr;
  HINTERNET connection = nullptr;
};

// A null user logs in anonymously.
bool Open(Client& c, int port, const char* user = "u", const char* password = "p") {
  c.session = c.api.OpenSession("ZEVFTP");
  c.connection =
      c.api.Connect(c.session, "127.0.0.1", static_cast<INTERNET_PORT>(port), user, password, 255);
  return c.connection != nullptr;
}

void CloseClient(Client& c) {
  c.api.Close(c.connection);
  c.api.Close(c.session);
}

// Seconds for the whole find loop; `count` the entries seen (".." included).
double TimeListing(Client& c, const std::string& folder, int& count) {
  const std::string pattern = folder + "*.*";
  const double start = NowSeconds();
  count = CountFoundEntries(c.api, c.connection, pattern.c_str());
  return NowSeconds() - start;
}

double TimeGet(Client& c, const std::string& remote, const std::string& local, bool& ok) {
  DeleteFileA(local.c_str());
  const double start = NowSeconds();
  ok = c.api.GetFile(c.connection, remote.c_str(), local.c_str(), true, 0x80, 0x80000002, 255);
  return NowSeconds() - start;
}

double TimePut(Client& c, const std::string& local, const std::string& remote, bool& ok) {
  const double start = NowSeconds();
  ok = c.api.PutFile(c.connection, local.c_str(), remote.c_str(), 2, 255);
  return NowSeconds() - start;
}

void Row(const char* name, double own, double wininet, double curl, const char* note = "") {
  auto cell = [](double v) {
    static char buffers[4][32];
    static int next = 0;
    char* b = buffers[next++ % 4];
    if (v < 0) {
      std::snprintf(b, 32, "%10s", "-");
    } else {
      std::snprintf(b, 32, "%10.3f", v);
    }
    return b;
  };
  auto ratio = [](double a, double b) {
    static char buffers[4][32];
    static int next = 0;
    char* r = buffers[next++ % 4];
    if (a < 0 || b <= 0) {
      std::snprintf(r, 32, "%10s", "-");
    } else {
      std::snprintf(r, 32, "%9.2fx", a / b);
    }
    return r;
  };
  std::printf("%-26s %s %s %s %s %s %s\n", name, cell(own), cell(wininet), cell(curl),
              ratio(own, curl), ratio(wininet, curl), note);
}

char* Cell(double v) {
  static char buffers[8][32];
  static int next = 0;
  char* b = buffers[next++ % 8];
  if (v < 0) {
    std::snprintf(b, 32, "%9s", "-");
  } else {
    std::snprintf(b, 32, "%9.3f", v);
  }
  return b;
}

char* Ratio(double a, double b) {
  static char buffers[8][32];
  static int next = 0;
  char* r = buffers[next++ % 8];
  if (a < 0 || b <= 0) {
    std::snprintf(r, 32, "%9s", "-");
  } else {
    std::snprintf(r, 32, "%8.2fx", a / b);
  }
  return r;
}

// One real server of the run: started before any is measured and stopped after all (a process
// that held data connections to a server that was then stopped could not open new sockets).
struct RealServer {
  const char* name;
  std::unique_ptr<FtpServer> server;
  bool anonymous = false;  // logs in as anonymous (inetutils: its user is not locked in)
};

std::unique_ptr<FtpServer> StartServer(FtpServerOptions::Kind kind, const std::string& served,
                                       bool user) {
  FtpServerOptions options;
  options.kind = kind;
  options.root = served;
  if (user) {
    options.user = "u";
    options.password = "p";
  } else {
    options.anonymous = true;
  }
  options.lifetimeSeconds = 1800;
  return std::make_unique<FtpServer>(options);
}

// The own client and curl on one server: the 1,000-entry listing (median of kListingRuns) and
// the 100 MB download (median of kRuns).
void ServerRow(const char* name, const FtpServer& server, bool anonymous, const std::string& work,
               const std::string& local) {
  if (!server.Running()) {
    std::printf("%-12s not started: %s\n", name, server.Error().c_str());
    return;
  }
  const int port = server.Port();
  const std::string credentials = anonymous ? "anonymous:zev" : "u:p";
  const std::string url = "ftp://" + credentials + "@127.0.0.1:" + std::to_string(port) + "/";
  const std::string localUnix = UnixPathOf(local);
  Client own{OwnFtpClient()};
  if (!(anonymous ? Open(own, port, nullptr, nullptr) : Open(own, port))) {
    std::printf("%-12s own client cannot connect (%lu)\n", name, GetLastError());
    CloseClient(own);
    return;
  }
  std::vector<double> ownList, curlList, curlMlsd, ownGet, curlGet;
  int count = 0;
  for (int run = 0; run < kListingRuns; ++run) {
    curlList.push_back(TimeCurlLoggedIn(work, "-o /dev/null '" + url + "l1000/'"));
    // The own client lists with MLSD where the server offers it, which costs some servers
    // (ProFTPD) twice their LIST: curl asked for the same listing the same way.
    const std::string mlsd = "-X MLSD -o /dev/null '" + url + "l1000/'";
    curlMlsd.push_back(TimeCurl(work, mlsd + " " + mlsd + " 2>/dev/null"));
    // As curl's timed listing follows its first on the same connection, the own client's timed
    // listing follows one it made just before.
    TimeListing(own, "/l1000/", count);
    const double t = TimeListing(own, "/l1000/", count);
    ownList.push_back(count >= 1000 ? t : -1);
  }
  for (int run = 0; run < kRuns; ++run) {
    // One transfer per curl: a second RETR on the same connection can wait a second for the
    // server (pyftpdlib), and 100 MB dwarfs the login.
    curlGet.push_back(TimeCurl(work, "-o '" + localUnix + "curl.bin' '" + url + "big.bin'", true));
    bool ok = false;
    const double t = TimeGet(own, "/big.bin", local + "own.bin", ok);
    ownGet.push_back(ok ? t : -1);
  }
  CloseClient(own);
  const double ol = Median(ownList), cl = Median(curlList), cm = Median(curlMlsd);
  const double og = Median(ownGet), cg = Median(curlGet);
  std::printf("%-12s %s %s %s %s %s   %s %s %s   (own listed %d)\n", name, Cell(ol), Cell(cl),
              Ratio(ol, cl), Cell(cm), Ratio(ol, cm), Cell(og), Cell(cg), Ratio(og, cg), count);
  // Each row as it is done: a run cut short (or a child that ends the process's output) loses
  // none of the rows before it.
  std::fflush(stdout);
}

// 100 MB over TLS: the own client ("ftpes://localhost", the test authority trusted) against
// curl --ssl-reqd --cacert on vsftpd (explicit TLS, the authority's certificate, no session reuse
// required), alternating, median of kTlsRuns.
void TlsDownloadRow(FtpServer& server, const TrustedTestAuthority& trusted, const std::string& work,
                    const std::string& local) {
  if (!server.Running()) {
    std::printf("%-12s not started: %s\n", "vsftpd TLS", server.Error().c_str());
    return;
  }
  const std::string url = "ftp://u:p@127.0.0.1:" + std::to_string(server.Port()) + "/big.bin";
  const std::string authority = UnixPathOf(TestCertificateFiles(TestCertificate::kAuthority).pem);
  Client own{OwnFtpClient()};
  own.session = own.api.OpenSession("ZEVFTP");
  own.connection = own.api.Connect(own.session, "ftpes://localhost",
                                   static_cast<INTERNET_PORT>(server.Port()), "u", "p", 255);
  if (!trusted.Trusted() || own.connection == nullptr) {
    std::printf("%-12s own client cannot connect (%lu)\n", "vsftpd TLS", GetLastError());
  }
  std::vector<double> ownGet, curlGet;
  for (int run = 0; run < kTlsRuns; ++run) {
    curlGet.push_back(TimeCurl(work,
                               "--ssl-reqd --cacert '" + authority + "' -o '" + UnixPathOf(local) +
                                   "curl_tls.bin' '" + url + "'",
                               true));
    bool ok = false;
    const double t =
        own.connection != nullptr ? TimeGet(own, "/big.bin", local + "own_tls.bin", ok) : -1;
    ownGet.push_back(ok ? t : -1);
  }
  CloseClient(own);
  const bool same = ReadFileText(local + "own_tls.bin") == ReadFileText(local + "curl_tls.bin");
  const double ownTime = Median(ownGet);
  const double curlTime = Median(curlGet);
  std::printf("%-12s %9s %9s %9s %9s %9s   %s %s %s   (explicit TLS, median of %d%s)\n",
              "vsftpd TLS", "", "", "", "", "", Cell(ownTime), Cell(curlTime),
              Ratio(ownTime, curlTime), kTlsRuns, same ? "" : ", THE FILES DIFFER");
}

}  // namespace

int main(int argc, char** argv) {
  bool skipWinInet10000 = false;
  bool serversOnly = false;
  bool tlsOnly = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--skip-wininet-10000") == 0) skipWinInet10000 = true;
    if (std::strcmp(argv[i], "--servers-only") == 0) serversOnly = true;
    if (std::strcmp(argv[i], "--tls-only") == 0) serversOnly = tlsOnly = true;
  }
  // Trusted before anything else runs: under Wine, an authority added to the store later in a
  // long run was not always found by the chain (a partial chain), whatever engine asked.
  TrustedTestAuthority trusted;
  const std::string work = MakeUniqueTempFolder("zevbench");
  const std::string served = work + "served\\";
  const std::string local = work + "local\\";
  CreateDirectoryA(served.c_str(), nullptr);
  CreateDirectoryA(local.c_str(), nullptr);
  const std::string root = UnixPathOf(served);
  // Made on the Linux side: creating 11,000 files through Wine would take longer than the run.
  // (RunShellCommand takes no double quotes or backslashes: names without blanks.)
  RunShellCommand("cd '" + root +
                      "' && mkdir l1000 l10000 && (cd l1000 && seq -f entry%05g.txt 1000 | xargs "
                      "touch) && (cd l10000 && seq -f entry%05g.txt 10000 | xargs touch) && "
                      "head -c " +
                      std::to_string(kBigMegabytes) + "M /dev/urandom > big.bin && touch '" +
                      UnixPathOf(work) + "ready'",
                  kShellWaitMs);
  const std::string ready = work + "ready";
  if (!PollUntil([&] { return GetFileAttributesA(ready.c_str()) != INVALID_FILE_ATTRIBUTES; },
                 kShellWaitMs)) {
    std::printf("the served files could not be made\n");
    return 1;
  }
  FtpServerOptions options;
  options.root = served;
  options.user = "u";
  options.password = "p";
  options.lifetimeSeconds = 1800;
  FtpServer server(options);
  if (!server.Running()) {
    std::printf("no server: %s\n", server.Error().c_str());
    return 1;
  }
  // Every server is up before the first is measured, and stays up until the end.
  std::vector<RealServer> servers;
  if (!tlsOnly) {
    servers.push_back({"vsftpd", StartServer(FtpServerOptions::kVsftpd, served, true)});
    servers.push_back({"ProFTPD", StartServer(FtpServerOptions::kProftpd, served, true)});
    servers.push_back({"Pure-FTPd", StartServer(FtpServerOptions::kPureFtpd, served, true)});
    servers.push_back(
        {"inetutils", StartServer(FtpServerOptions::kInetutils, served, false), true});
    servers.push_back({"Twisted", StartServer(FtpServerOptions::kTwisted, served, true)});
  }
  FtpServerOptions tlsOptions;
  tlsOptions.kind = FtpServerOptions::kVsftpd;
  tlsOptions.root = served;
  tlsOptions.user = "u";
  tlsOptions.password = "p";
  tlsOptions.tls = FtpServerOptions::kExplicitTls;
  tlsOptions.lifetimeSeconds = 1800;
  FtpServer tlsServer(tlsOptions);

  const int port = server.Port();
  const std::string url = "ftp://u:p@127.0.0.1:" + std::to_string(port) + "/";
  const std::string localUnix = UnixPathOf(local);

  if (!serversOnly) {
    Client own{OwnFtpClient()};
    Client wininet{WinInetFtpClient()};
    if (!Open(own, port) || !Open(wininet, port)) {
      std::printf("cannot connect (%lu)\n", GetLastError());
      return 1;
    }

    std::printf("pyftpdlib, one run each\n");
    std::printf("%-26s %10s %10s %10s %10s %10s\n", "seconds", "own", "WinInet", "curl", "own/curl",
                "WinInet/c");
    for (int entries : {1000, 10000}) {
      const std::string folder = "/l" + std::to_string(entries) + "/";
      int ownCount = 0;
      int wininetCount = 0;
      const double curl = TimeCurl(work, "-o /dev/null '" + url + folder.substr(1) + "'");
      const double ownTime = TimeListing(own, folder, ownCount);
      double wininetTime = -1;
      if (entries < 10000 || !skipWinInet10000)
        wininetTime = TimeListing(wininet, folder, wininetCount);
      char name[64];
      std::snprintf(name, sizeof name, "list %d entries", entries);
      char note[64];
      std::snprintf(note, sizeof note, "(own %d, WinInet %d)", ownCount, wininetCount);
      Row(name, ownTime, wininetTime, curl, note);
    }

    bool ok1 = false;
    bool ok2 = false;
    const double curlGet = TimeCurl(work, "-o '" + localUnix + "curl.bin' '" + url + "big.bin'");
    const double ownGet = TimeGet(own, "/big.bin", local + "own.bin", ok1);
    const double wininetGet = TimeGet(wininet, "/big.bin", local + "wininet.bin", ok2);
    Row("download 100 MB", ok1 ? ownGet : -1, ok2 ? wininetGet : -1, curlGet);

    const double curlPut =
        TimeCurl(work, "-T '" + localUnix + "curl.bin' '" + url + "up_curl.bin'");
    const double ownPut = TimePut(own, local + "own.bin", "/up_own.bin", ok1);
    const double wininetPut = TimePut(wininet, local + "wininet.bin", "/up_wininet.bin", ok2);
    Row("upload 100 MB", ok1 ? ownPut : -1, ok2 ? wininetPut : -1, curlPut);
    std::printf("download throughput own / curl: %.2f\n\n", ownGet > 0 ? curlGet / ownGet : 0.0);
    CloseClient(own);
    CloseClient(wininet);
    // The uploads are not part of what the servers below serve.
    RunShellCommandOutput("rm -f '" + root + "up_curl.bin' '" + root + "up_own.bin' '" + root +
                          "up_wininet.bin'");
  }

  std::printf(
      "own client and curl, seconds, median of %d listings and %d downloads, 127.0.0.1; listings "
      "both on a logged-in connection, curl's download with its login (not its TCP connect); "
      "curl MLSD: curl -X MLSD ('-' where the server has none)\n",
      kListingRuns, kRuns);
  std::printf("%-12s %9s %9s %9s %9s %9s   %9s %9s %9s\n", "server", "list 1000", "curl",
              "own/curl", "curl MLSD", "own/MLSD", "get 100MB", "curl", "own/curl");
  for (const RealServer& s : servers) {
    if (std::strcmp(s.name, "Twisted") == 0) ServerRow("pyftpdlib", server, false, work, local);
    ServerRow(s.name, *s.server, s.anonymous, work, local);
  }
  TlsDownloadRow(tlsServer, trusted, work, local);

  tlsServer.Stop();
  for (RealServer& s : servers) s.server->Stop();
  server.Stop();
  RemoveFolderTree(work);
  return 0;
}
