// The program's own FTP client over Winsock, for platforms whose WinInet cannot be relied on.
// (Being written: every operation fails for now.)
#include "app/ftp/ftp_client.h"

namespace {

class OwnClient : public FtpClient {
 public:
  HINTERNET OpenSession(const char*) override { return Fail<HINTERNET>(nullptr); }
  void SetStatusCallback(HINTERNET, INTERNET_STATUS_CALLBACK) override {}
  HINTERNET Connect(HINTERNET, const char*, INTERNET_PORT, const char*, const char*,
                    DWORD_PTR) override {
    return Fail<HINTERNET>(nullptr);
  }
  HINTERNET FindFirst(HINTERNET, const char*, WIN32_FIND_DATAA*, DWORD, DWORD_PTR) override {
    return Fail<HINTERNET>(nullptr);
  }
  bool FindNext(HINTERNET, WIN32_FIND_DATAA*) override { return Fail(false); }
  bool GetFile(HINTERNET, const char*, const char*, bool, DWORD, DWORD, DWORD_PTR) override {
    return Fail(false);
  }
  bool PutFile(HINTERNET, const char*, const char*, DWORD, DWORD_PTR) override {
    return Fail(false);
  }
  bool RemoveFile(HINTERNET, const char*) override { return Fail(false); }
  bool MakeFolder(HINTERNET, const char*) override { return Fail(false); }
  void Close(HINTERNET) override {}
  std::string LastResponse() override { return std::string(); }

 private:
  template <typename T>
  static T Fail(T value) {
    SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return value;
  }
};

}  // namespace

FtpClient& OwnFtpClient() {
  static OwnClient client;
  return client;
}
