#include "app/remote/status_log.h"

#include <cstring>

#include "app/app_state.h"
#include "winobj/controls.h"
#include "winobj/scoped.h"
#include "winobj/statusbar.h"
#include "winobj/text.h"

uint64_t bytesSentTotal = 0;
uint64_t bytesReceivedTotal = 0;

namespace {

struct StatusName {
  DWORD status;
  const char* text;
};

// The library's own names; 20 is logged as "Connected" and 31 as "Request Send" on purpose.
constexpr StatusName kStatusNames[] = {
    {INTERNET_STATUS_RESOLVING_NAME, "Resolving Name"},
    {INTERNET_STATUS_NAME_RESOLVED, "Name Resolved"},
    {INTERNET_STATUS_CONNECTING_TO_SERVER, "Connected"},
    {INTERNET_STATUS_CONNECTED_TO_SERVER, "Connected to Server"},
    {INTERNET_STATUS_SENDING_REQUEST, "Sending Request"},
    {INTERNET_STATUS_REQUEST_SENT, "Request Send"},
    {INTERNET_STATUS_RECEIVING_RESPONSE, "Receiving Response"},
    {INTERNET_STATUS_RESPONSE_RECEIVED, "Response Received"},
    {INTERNET_STATUS_CTL_RESPONSE_RECEIVED, "Ctl Response Received"},
    {INTERNET_STATUS_PREFETCH, "Prefetch"},
    {INTERNET_STATUS_CLOSING_CONNECTION, "Closing Connection"},
    {INTERNET_STATUS_CONNECTION_CLOSED, "Connection Closed"},
    {INTERNET_STATUS_HANDLE_CREATED, "Handle Created"},
    {INTERNET_STATUS_HANDLE_CLOSING, "Handle Closing"},
    {INTERNET_STATUS_REQUEST_COMPLETE, "Request Complete"},
    {INTERNET_STATUS_REDIRECT, "Redirect"},
    {INTERNET_STATUS_INTERMEDIATE_RESPONSE, "Intermediate Response"},
    {INTERNET_STATUS_STATE_CHANGE, "Changing"},
};

const char* const kLineEnd = "\r\n";

// The report before the one being handled.
DWORD previousStatus = 0;

}  // namespace

std::string StatusText(DWORD status) {
  for (const StatusName& name : kStatusNames) {
    if (name.status == status) return name.text;
  }
  return "Status Unknown";
}

std::string SentTotalText(uint64_t total) { return UInt64ToText(total) + " bytes send"; }

std::string ReceivedTotalText(uint64_t total) { return UInt64ToText(total) + " bytes received"; }

std::string InfoText(const void* info, DWORD length) {
  if (info == nullptr) return std::string();
  const char* text = static_cast<const char*>(info);
  const void* nul = std::memchr(text, '\0', length);
  const size_t size = nul ? static_cast<size_t>(static_cast<const char*>(nul) - text) : length;
  return std::string(text, size);
}

uint32_t InfoCount(const void* info, DWORD length) {
  uint32_t count = 0;
  if (info != nullptr && length >= sizeof count) std::memcpy(&count, info, sizeof count);
  return count;
}

std::vector<StatusLine> StatusLines(DWORD status, const void* info, DWORD length,
                                    uint64_t& sentTotal, uint64_t& receivedTotal) {
  std::vector<StatusLine> lines;
  lines.push_back({StatusText(status), kStatusPart});
  switch (status) {
    case INTERNET_STATUS_NAME_RESOLVED:
      lines.push_back({InfoText(info, length), kAddressPart});
      break;
    case INTERNET_STATUS_REQUEST_SENT:
      sentTotal += InfoCount(info, length);
      lines.push_back({SentTotalText(sentTotal), kSentPart});
      break;
    case INTERNET_STATUS_RESPONSE_RECEIVED:
      receivedTotal += InfoCount(info, length);
      lines.push_back({ReceivedTotalText(receivedTotal), kReceivedPart});
      break;
    default:
      break;
  }
  return lines;
}

void LogStatus(const std::string& text, int part) {
  if (appState.logEdit != nullptr) AddItem(appState.logEdit, text + kLineEnd);
  if (appState.mainWindow != nullptr) SetStatusText(appState.mainWindow, part, text);
}

void CALLBACK StatusCallback(HINTERNET /*handle*/, DWORD_PTR /*context*/, DWORD status, LPVOID info,
                             DWORD infoLength) {
  // The report comes inside the library's call, which may have set its error already: the window
  // calls below must not change what the caller then reads (under Wine an empty folder's listing
  // came back with ERROR_ACCESS_DENIED, left by a call of the log).
  const DWORD callersError = GetLastError();
  AtScopeEnd restore([callersError] { SetLastError(callersError); });
  try {
    for (const StatusLine& line :
         StatusLines(status, info, infoLength, bytesSentTotal, bytesReceivedTotal)) {
      LogStatus(line.text, line.part);
    }
    // A reply awaited right after a request went out is a wait on the server (a transfer's data
    // reports its progress with no wait between): the log's waiting text goes in meanwhile.
    if (status == INTERNET_STATUS_RECEIVING_RESPONSE &&
        previousStatus == INTERNET_STATUS_REQUEST_SENT && appState.logEdit != nullptr) {
      PourBeforeWait(appState.logEdit);
    }
    previousStatus = status;
  } catch (...) {
    // WinInet's frames cannot unwind a C++ exception; a report that could not be logged (out
    // of memory) is lost, the transfer goes on.
  }
}
