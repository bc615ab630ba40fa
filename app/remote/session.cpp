#include "app/remote/session.h"

#include <cstring>
#include <string>

#include "app/app_state.h"
#include "app/command_ids.h"
#include "app/remote/box_text.h"
#include "app/remote/certificate_text.h"
#include "app/ftp/ftp_client.h"
#include "app/ftp/ftp_text.h"
#include "app/ftp/own/own_client.h"
#include "app/remote/status_log.h"
#include "app/sites/site_manager.h"
#include "winobj/application.h"
#include "winobj/control.h"
#include "winobj/controls.h"
#include "winobj/menu.h"
#include "winobj/statusbar.h"
#include "winobj/text.h"
#include "winobj/toolbar.h"

const char* const kAgentName = "ZEVFTP";
const char* const kCertificateBoxCaption = "ZevFtp";

namespace {

const char* const kConnectionFailed = "Connection Failed";
constexpr DWORD kSystemTextFlags = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ARGUMENT_ARRAY;
// System texts such as ERROR_WRONG_DISK's hold %1-style inserts; with no argument array given
// FormatMessageA would read the inserts from a null pointer. They are shown as they stand.
constexpr DWORD kNoInserts = FORMAT_MESSAGE_IGNORE_INSERTS;

void EnableButton(int id, bool enabled) {
  if (appState.toolbar != nullptr) {
    SendButtonMessage(appState.toolbar, id, TB_ENABLEBUTTON, enabled ? 1 : 0);
  }
}

void SetConnectionStatus(const char* text) {
  if (appState.mainWindow != nullptr) SetStatusText(appState.mainWindow, kStatusPart, text);
}

// The toolbar while connected (true) or not.
void SetToolbarConnected(bool connected) {
  EnableButton(kCmdConnect, !connected);
  EnableButton(kCmdDisconnect, connected);
  EnableButton(kCmdDownload, connected);
  EnableButton(kCmdUpload, connected);
}

void SetMenusConnected() {
  if (appState.remotePopup != nullptr) {
    for (int i = 0; i < ItemCount(appState.remotePopup); ++i) {
      SetItemEnabled(appState.remotePopup, i, true);
    }
  }
  if (appState.mainMenu != nullptr) {
    SetItemEnabled(appState.mainMenu, kMenuConnect, false);
    SetItemEnabled(appState.mainMenu, kMenuDisconnect, true);
  }
}

std::string FieldText(Control* field) { return field != nullptr ? Caption(field) : std::string(); }

bool AnonymousChecked() {
  return appState.anonymousCheck != nullptr && Checked(appState.anonymousCheck);
}

// The system's text, whole. A fixed buffer made FormatMessageA fail for a text longer than it
// (not cut it), and a text in another script takes two or three bytes a character in UTF-8.
std::string FormattedText(DWORD flags, const void* source, DWORD code) {
  char* buffer = nullptr;
  const DWORD length = FormatMessageA(flags | kNoInserts | FORMAT_MESSAGE_ALLOCATE_BUFFER, source,
                                      code, 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
  if (buffer == nullptr) return std::string();
  std::string text(buffer, length == 0 ? 0 : strnlen(buffer, length));
  LocalFree(buffer);
  return text;
}

bool IsCertificateError(DWORD error) {
  return error == ERROR_INTERNET_INVALID_CA || error == ERROR_INTERNET_SEC_CERT_CN_INVALID ||
         error == ERROR_INTERNET_SEC_CERT_DATE_INVALID;
}

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// The folders of a connection belong to its host, port and user: another of them is another
// server's tree, or another user's place in it. Host names are the same whatever the case of
// their letters. (The fields hold no line break, or nothing was connected.)
std::string SiteKey(const std::string& host, INTERNET_PORT port, const char* user) {
  std::string key;
  for (char c : host) key += AsciiLower(c);
  key += "\n" + std::to_string(port) + "\n";
  key += user != nullptr ? "user " + std::string(user) : std::string("anonymous");
  return key;
}

// remotePath names a folder of the last site connected to, which on another site is another
// server's folder (a reconnect keeps it): there the connection starts in the folder its login
// put it in, which the empty path names.
void StartPathForSite(const std::string& site) {
  if (!appState.connectedSite.empty() && site != appState.connectedSite) {
    appState.remotePath.clear();
  }
  appState.connectedSite = site;
}

// Connects; when the connect stops on a certificate the system does not trust (before the user
// name went out), the user is asked, and a "Yes" trusts it for the run and connects again.
// `declined`: the user said "No" (and was told enough).
HINTERNET ConnectAskingAboutCertificates(FtpClient& client, const std::string& host,
                                         INTERNET_PORT port, const char* user, const char* password,
                                         bool& declined) {
  for (;;) {
    HINTERNET connection = client.Connect(appState.sessionHandle, host.c_str(), port, user,
                                          password, kInternetContext);
    if (connection != nullptr || !IsCertificateError(GetLastError())) return connection;
    // Only the own client stops on a certificate; a fingerprint trusted already cannot stop it.
    if (&client != &OwnFtpClient()) return nullptr;
    const ServerCertificate certificate = LastCertificate();
    if (certificate.error == 0 || certificate.sha256.empty()) return nullptr;
    if (!AskToTrustCertificate(certificate)) {
      declined = true;
      return nullptr;
    }
    TrustCertificate(certificate.sha256);
  }
}

}  // namespace

constexpr int32_t kHighestPort = 65535;

bool IsConnected() { return appState.connectionHandle != nullptr; }

bool OpenConnection() {
  const Control* site = appState.siteWindow;
  if (site == nullptr || site->form.modalResult != kSiteResultOk) return false;
  Disconnect();

  const std::string host = FieldText(appState.hostEdit);
  FtpClient& client = UseFtpClientFor(host);
  appState.sessionHandle = client.OpenSession(kAgentName);
  if (appState.sessionHandle != nullptr)
    client.SetStatusCallback(appState.sessionHandle, StatusCallback);

  const std::string user = FieldText(appState.userEdit);
  const std::string password = FieldText(appState.passwordEdit);
  // A port outside 0..65535 would be cut to 16 bits and reach another service ("70000" is 4464):
  // such a text fails the connect instead.
  const int32_t portNumber = TextToInt(FieldText(appState.portEdit));
  const bool portValid = portNumber >= 0 && portNumber <= kHighestPort;
  const INTERNET_PORT port = static_cast<INTERNET_PORT>(portValid ? portNumber : 0);
  // Null user and password make WinInet log in anonymously, whatever the edits hold.
  const bool anonymous = AnonymousChecked();
  const char* userArg = anonymous ? nullptr : user.c_str();
  const char* passwordArg = anonymous ? nullptr : password.c_str();
  // A line break in a site field (Sites.sts keeps a lone LF inside a field) would let the field
  // send commands of its own: such a site is never connected to.
  const bool fieldsValid =
      !HoldsLineBreak(host) && (anonymous || (!HoldsLineBreak(user) && !HoldsLineBreak(password)));

  bool declined = false;
  if (appState.sessionHandle != nullptr && portValid && fieldsValid) {
    appState.connectionHandle =
        ConnectAskingAboutCertificates(client, host, port, userArg, passwordArg, declined);
  }
  if (appState.connectionHandle == nullptr) {
    HINTERNET session = appState.sessionHandle;
    appState.sessionHandle = nullptr;
    client.Close(session);
    // The attempt's last status text (often "Connected", the name of code 20, the start of the
    // connect) would stand in part 0 beside the box.
    SetConnectionStatus(kConnectionFailed);
    // After "No" to the certificate the user knows why: one box is enough.
    if (!declined) ShowMessage(kConnectionFailed);
    return false;
  }

  StartPathForSite(SiteKey(host, port, userArg));
  SetConnectionStatus("Connected");
  return true;
}

void ShowConnectedCommands() {
  SetToolbarConnected(true);
  SetMenusConnected();
}

void Disconnect() {
  // Cleared before anything else can run, so a handle is never closed twice.
  HINTERNET connection = appState.connectionHandle;
  HINTERNET session = appState.sessionHandle;
  appState.connectionHandle = nullptr;
  appState.sessionHandle = nullptr;
  // The handles belong to the client of the connect that opened them.
  FtpClient& client = CurrentFtpClient();
  client.Close(connection);
  client.Close(session);
  SetConnectionStatus("Disconnected");
  SetToolbarConnected(false);
}

// "No" is the default button: a key pressed in passing must not accept a certificate.
bool AskToTrustCertificate(const ServerCertificate& certificate) {
  const std::string question = CertificateQuestion(certificate, GetACP() == CP_UTF8);
  return MessageBoxA(HandleOf(appState.mainWindow), question.c_str(), kCertificateBoxCaption,
                     MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) == IDYES;
}

std::string ErrorText(DWORD code) {
  std::string text = FormattedText(kSystemTextFlags, nullptr, code);
  if (!text.empty()) return text;
  // WinInet's own codes have no system text. The server chose the reply and its length: a box
  // gets only what it can show.
  if (code == ERROR_INTERNET_EXTENDED_ERROR) text = TextForBox(CurrentFtpClient().LastResponse());
  if (code == ERROR_INTERNET_SECURITY_CHANNEL_ERROR) {
    text = TlsFailureText(TextForBox(CurrentFtpClient().LastResponse()));
  }
  if (!text.empty()) return text;
  // Only a library already loaded is asked: looking up a text must not load one.
  HMODULE wininet = GetModuleHandleA("wininet.dll");
  if (wininet != nullptr) text = FormattedText(FORMAT_MESSAGE_FROM_HMODULE, wininet, code);
  if (!text.empty()) return text;
  return "Error " + UInt64ToText(code);
}

// Every text a box gets is bounded, the system's own too: 255 characters of one-letter lines
// would make a box taller than the screen.
void ShowErrorText(DWORD code) { ShowMessage(TextForBox(ErrorText(code))); }
