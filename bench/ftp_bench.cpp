// FTP listings and transfers: the program's own client and the platform's WinInet, each through
// its find loop (find first / find next over folder + "*.*") or its get and put, against curl
// (the Linux binary, the floor) on the same pyftpdlib server on 127.0.0.1 in the same run.
// Prints seconds per operation and the ratios to curl. Run by hand from the build folder:
//   wine ftp_bench.exe [--skip-wininet-10000]
// (WinInet under Wine lists about 50 entries a second: its 10,000-entry row takes minutes.)
#include <windows.h>
#include <wininet.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/ftp/ftp_client.h"
#include "tests/support/ftp_server.h"
#include "tests/support/temp_files.h"

namespace {

constexpr unsigned kBigMegabytes = 100;
constexpr unsigned kShellWaitMs = 600000;

double NowSeconds() {
  LARGE_INTEGER frequency, counter;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&counter);
  return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

std::string ReadText(const std::string& path) {
  std::string bytes;
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return bytes;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
  CloseHandle(file);
  return bytes;
}

// WinInet called straight, as the platform's client does (the program's own adapter lives
// beside the callers; the bench needs only these calls).
class PlatformWinInet : public FtpClient {
 public:
  HINTERNET OpenSession(const char* agent) override {
    return InternetOpenA(agent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
  }
  void SetStatusCallback(HINTERNET session, INTERNET_STATUS_CALLBACK callback) override {
    InternetSetStatusCallback(session, callback);
  }
  HINTERNET Connect(HINTERNET session, const char* host, INTERNET_PORT port, const char* user,
                    const char* password, DWORD_PTR context) override {
    return InternetConnectA(session, host, port, user, password, INTERNET_SERVICE_FTP, 0, context);
  }
  HINTERNET FindFirst(HINTERNET connection, const char* pattern, WIN32_FIND_DATAA* entry,
                      DWORD flags, DWORD_PTR context) override {
    return FtpFindFirstFileA(connection, pattern, entry, flags, context);
  }
  bool FindNext(HINTERNET find, WIN32_FIND_DATAA* entry) override {
    return InternetFindNextFileA(find, entry) != FALSE;
  }
  bool GetFile(HINTERNET connection, const char* remote, const char* local, bool failIfExists,
               DWORD attributes, DWORD flags, DWORD_PTR context) override {
    return FtpGetFileA(connection, remote, local, failIfExists, attributes, flags, context) !=
           FALSE;
  }
  bool PutFile(HINTERNET connection, const char* local, const char* remote, DWORD flags,
               DWORD_PTR context) override {
    return FtpPutFileA(connection, local, remote, flags, context) != FALSE;
  }
  bool RemoveFile(HINTERNET connection, const char* remote) override {
    return FtpDeleteFileA(connection, remote) != FALSE;
  }
  bool MakeFolder(HINTERNET connection, const char* remote) override {
    return FtpCreateDirectoryA(connection, remote) != FALSE;
  }
  void Close(HINTERNET handle) override {
    if (handle != nullptr) InternetCloseHandle(handle);
  }
  std::string LastResponse() override { return std::string(); }
};

// One client's connection for the whole run.
struct Client {
  FtpClient& api;
  HINTERNET session = nullptr;
  HINTERNET connection = nullptr;
};

bool Open(Client& c, int port) {
  c.session = c.api.OpenSession("ZEVFTP");
  c.connection =
      c.api.Connect(c.session, "127.0.0.1", static_cast<INTERNET_PORT>(port), "u", "p", 255);
  return c.connection != nullptr;
}

void CloseClient(Client& c) {
  c.api.Close(c.connection);
  c.api.Close(c.session);
}

// Seconds for the whole find loop; `count` the entries seen (".." included).
double TimeListing(Client& c, const std::string& folder, int& count) {
  count = 0;
  WIN32_FIND_DATAA entry{};
  const double start = NowSeconds();
  HINTERNET find = c.api.FindFirst(c.connection, (folder + "*.*").c_str(), &entry, 0, 255);
  if (find != nullptr) {
    do {
      ++count;
    } while (c.api.FindNext(find, &entry));
    c.api.Close(find);
  }
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

// curl's own total time for one command (its process start is not counted); -1 on failure.
double TimeCurl(const std::string& work, const std::string& arguments) {
  const std::string out = UnixPathOf(work) + "curl_time.txt";
  DeleteFileA((work + "curl_time.txt").c_str());
  RunShellCommand("/usr/bin/curl -s -S " + arguments + " -w '%{time_total}' > '" + out + "'",
                  kShellWaitMs);
  const std::string text = ReadText(work + "curl_time.txt");
  return text.empty() ? -1.0 : std::atof(text.c_str());
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

}  // namespace

int main(int argc, char** argv) {
  bool skipWinInet10000 = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--skip-wininet-10000") == 0) skipWinInet10000 = true;
  }
  const std::string work = MakeUniqueTempFolder("zevbench");
  const std::string served = work + "served\\";
  const std::string local = work + "local\\";
  CreateDirectoryA(served.c_str(), nullptr);
  CreateDirectoryA(local.c_str(), nullptr);
  const std::string root = UnixPathOf(served);
  // Made on the Linux side: creating 11,000 files through Wine would take longer than the run.
  RunShellCommand(
      "cd '" + root +
          "' && mkdir l1000 l10000 && (cd l1000 && seq -f 'entry %05g.txt' "
          "1000 | tr '\\n' '\\0' | xargs -0 touch) && (cd l10000 && seq -f 'entry %05g.txt' "
          "10000 | tr '\\n' '\\0' | xargs -0 touch) && head -c " +
          std::to_string(kBigMegabytes) + "M /dev/urandom > big.bin",
      kShellWaitMs);
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
  const int port = server.Port();
  const std::string url = "ftp://u:p@127.0.0.1:" + std::to_string(port) + "/";
  const std::string localUnix = UnixPathOf(local);

  Client own{OwnFtpClient()};
  PlatformWinInet platform;
  Client wininet{platform};
  if (!Open(own, port) || !Open(wininet, port)) {
    std::printf("cannot connect (%lu)\n", GetLastError());
    return 1;
  }

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

  const double curlPut = TimeCurl(work, "-T '" + localUnix + "curl.bin' '" + url + "up_curl.bin'");
  const double ownPut = TimePut(own, local + "own.bin", "/up_own.bin", ok1);
  const double wininetPut = TimePut(wininet, local + "wininet.bin", "/up_wininet.bin", ok2);
  Row("upload 100 MB", ok1 ? ownPut : -1, ok2 ? wininetPut : -1, curlPut);
  std::printf("download throughput own / curl: %.2f\n", ownGet > 0 ? curlGet / ownGet : 0.0);

  CloseClient(own);
  CloseClient(wininet);
  server.Stop();
  RemoveFolderTree(work);
  return 0;
}
