// Which FTP client a connect uses, and which one holds the handles of the connection.
#include "app/ftp/ftp_client.h"

#include "app/ftp/site_address.h"

namespace {

FtpClientKind chosenKind = FtpClientKind::kPlatform;
// Set by the connect; the handles in AppState belong to this client until the next connect.
FtpClient* currentClient = nullptr;

FtpClientKind Resolved(FtpClientKind kind) {
  if (kind != FtpClientKind::kPlatform) return kind;
  // Wine's WinInet cuts names at their first blank, lists no "..", and reads a listing one byte
  // at a time; Windows' own library has none of these limits.
  return RunningUnderWine() ? FtpClientKind::kOwn : FtpClientKind::kWinInet;
}

}  // namespace

bool RunningUnderWine() {
  static const bool underWine = [] {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
  }();
  return underWine;
}

FtpClientKind ChosenFtpClientKind() { return Resolved(chosenKind); }

void SelectFtpClient(FtpClientKind kind) { chosenKind = kind; }

FtpClient& FtpClientOf(FtpClientKind kind) {
  return Resolved(kind) == FtpClientKind::kOwn ? OwnFtpClient() : WinInetFtpClient();
}

FtpClient& CurrentFtpClient() {
  return currentClient != nullptr ? *currentClient : FtpClientOf(chosenKind);
}

FtpClient& UseChosenFtpClient() {
  currentClient = &FtpClientOf(chosenKind);
  return *currentClient;
}

FtpClient& UseFtpClientFor(const std::string& hostText) {
  if (!IsTlsHostText(hostText)) return UseChosenFtpClient();
  currentClient = &OwnFtpClient();
  return *currentClient;
}
