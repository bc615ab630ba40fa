// The platform's internet client library behind the FtpClient interface: every operation is the
// WinInet call of the same shape, with the caller's arguments passed through unchanged.
#include "app/ftp/ftp_client.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

constexpr DWORD kAccessPreconfigured = 0;  // INTERNET_OPEN_TYPE_PRECONFIG
constexpr DWORD kResponseCapacity = 1024;
// The library keeps what the server replied, however long; a longer reply is not shown.
constexpr DWORD kMostResponseLength = 64 * 1024;

class WinInetClient : public FtpClient {
 public:
  HINTERNET OpenSession(const char* agent) override {
    return InternetOpenA(agent, kAccessPreconfigured, nullptr, nullptr, 0);
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

  std::string FoundName(HINTERNET, const WIN32_FIND_DATAA& entry) override {
    return std::string(entry.cFileName, strnlen(entry.cFileName, sizeof entry.cFileName));
  }

  size_t UnreadLines(HINTERNET) override { return 0; }

  bool GetFile(HINTERNET connection, const char* remote, const char* local, bool failIfExists,
               DWORD attributes, DWORD flags, DWORD_PTR context) override {
    return FtpGetFileA(connection, remote, local, failIfExists ? TRUE : FALSE, attributes, flags,
                       context) != FALSE;
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

  std::string LastResponse() override {
    std::vector<char> buffer(kResponseCapacity + 1, '\0');
    for (int attempt = 0; attempt < 2; ++attempt) {
      DWORD error = 0;
      DWORD length = static_cast<DWORD>(buffer.size() - 1);
      if (InternetGetLastResponseInfoA(&error, buffer.data(), &length)) {
        const size_t size = std::min<size_t>(length, buffer.size() - 1);
        std::string reply(buffer.data(), strnlen(buffer.data(), size));
        while (!reply.empty() &&
               (reply.back() == '\r' || reply.back() == '\n' || reply.back() == ' ')) {
          reply.pop_back();
        }
        return reply;
      }
      if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || length < buffer.size() ||
          length > kMostResponseLength) {
        break;
      }
      buffer.assign(static_cast<size_t>(length) + 1, '\0');
    }
    return std::string();
  }
};

}  // namespace

FtpClient& WinInetFtpClient() {
  static WinInetClient client;
  return client;
}
