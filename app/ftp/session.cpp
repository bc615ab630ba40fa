#include "app/ftp/session.h"

#include <wininet.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "app/app_state.h"
#include "app/commands.h"
#include "app/ftp/remote_pane.h"
#include "app/ftp/status_log.h"
#include "app/sites/site_manager.h"
#include "winobj/application.h"
#include "winobj/control.h"
#include "winobj/controls.h"
#include "winobj/menu.h"
#include "winobj/statusbar.h"
#include "winobj/text.h"
#include "winobj/toolbar.h"

const char* const kAgentName = "ZEVFTP";

namespace {

constexpr DWORD kAccessPreconfigured = 0;  // INTERNET_OPEN_TYPE_PRECONFIG
constexpr DWORD kErrorTextCapacity = 256;
constexpr DWORD kResponseCapacity = 1024;
// The library keeps what the server replied, however long; a longer reply is not shown.
constexpr DWORD kMostResponseLength = 64 * 1024;
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

// A buffer filled by FormatMessageA, up to its first NUL (never past its end).
std::string FormattedText(DWORD flags, const void* source, DWORD code) {
  char buffer[kErrorTextCapacity] = {};
  const DWORD length =
      FormatMessageA(flags | kNoInserts, source, code, 0, buffer, kErrorTextCapacity, nullptr);
  if (length == 0) return std::string();
  buffer[kErrorTextCapacity - 1] = '\0';
  return std::string(buffer);
}

// The server's last reply on this thread's connection, without the line breaks after it.
std::string LastServerReply() {
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

}  // namespace

constexpr int32_t kHighestPort = 65535;

bool IsConnected() { return appState.connectionHandle != nullptr; }

void ConnectToSite() {
  if (appState.siteWindow == nullptr || appState.siteWindow->modalResult != kSiteResultOk) return;
  Disconnect();

  appState.sessionHandle = InternetOpenA(kAgentName, kAccessPreconfigured, nullptr, nullptr, 0);
  if (appState.sessionHandle != nullptr) {
    InternetSetStatusCallback(appState.sessionHandle, StatusCallback);
  }

  const std::string host = FieldText(appState.hostEdit);
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

  if (appState.sessionHandle != nullptr && portValid) {
    appState.connectionHandle =
        InternetConnectA(appState.sessionHandle, host.c_str(), port, userArg, passwordArg,
                         INTERNET_SERVICE_FTP, 0, kInternetContext);
  }
  if (appState.connectionHandle == nullptr) {
    HINTERNET session = appState.sessionHandle;
    appState.sessionHandle = nullptr;
    if (session != nullptr) InternetCloseHandle(session);
    ShowMessage("Connection Failed");
    return;
  }

  SetConnectionStatus("Connected");
  ListRemoteFolder();
  // The listing works off waiting messages; a Disconnect among them leaves the commands as it
  // set them.
  if (!IsConnected()) return;
  SetToolbarConnected(true);
  SetMenusConnected();
}

void Disconnect() {
  // Cleared before anything else can run, so a handle is never closed twice.
  HINTERNET connection = appState.connectionHandle;
  HINTERNET session = appState.sessionHandle;
  appState.connectionHandle = nullptr;
  appState.sessionHandle = nullptr;
  if (connection != nullptr) InternetCloseHandle(connection);
  if (session != nullptr) InternetCloseHandle(session);
  SetConnectionStatus("Disconnected");
  SetToolbarConnected(false);
}

std::string ErrorText(DWORD code) {
  std::string text = FormattedText(kSystemTextFlags, nullptr, code);
  if (!text.empty()) return text;
  // WinInet's own codes have no system text.
  if (code == ERROR_INTERNET_EXTENDED_ERROR) text = LastServerReply();
  if (!text.empty()) return text;
  HMODULE wininet = GetModuleHandleA("wininet.dll");
  if (wininet != nullptr) text = FormattedText(FORMAT_MESSAGE_FROM_HMODULE, wininet, code);
  if (!text.empty()) return text;
  return "Error " + UInt64ToText(code);
}

void ShowErrorText(DWORD code) { ShowMessage(ErrorText(code)); }
