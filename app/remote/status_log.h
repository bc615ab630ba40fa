// The internet session's status callback and the log: each progress report of WinInet becomes a
// line of the log and a status-bar text, and the byte counts of sent requests and received
// replies add up to running totals. The texts and the totals are plain functions.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <cstdint>
#include <string>
#include <vector>

// Bytes reported sent (INTERNET_STATUS_REQUEST_SENT) and received
// (INTERNET_STATUS_RESPONSE_RECEIVED) over the whole run; never reset.
extern uint64_t bytesSentTotal;
extern uint64_t bytesReceivedTotal;

// Status-bar parts the log writes.
constexpr int kStatusPart = 0;
constexpr int kAddressPart = 1;
constexpr int kSentPart = 2;
constexpr int kReceivedPart = 3;

// One line for the log and the status-bar part it also goes to.
struct StatusLine {
  std::string text;
  int part = kStatusPart;
};

// The text of a status code ("Resolving Name" ... "Status Unknown").
std::string StatusText(DWORD status);
// The totals as shown: the full decimal number, then " bytes send" / " bytes received".
std::string SentTotalText(uint64_t total);
std::string ReceivedTotalText(uint64_t total);
// The report data read as a text of at most `length` bytes, ending at the first NUL inside it.
std::string InfoText(const void* info, DWORD length);
// The report data read as an unsigned 32-bit count; 0 when there are fewer than 4 bytes.
uint32_t InfoCount(const void* info, DWORD length);

// The lines one report gives, in order, adding its byte count to the totals.
std::vector<StatusLine> StatusLines(DWORD status, const void* info, DWORD length,
                                    uint64_t& sentTotal, uint64_t& receivedTotal);

// Appends the text and CR LF to the log, and shows the text in that part of the status bar.
void LogStatus(const std::string& text, int part);

// Registered on every session; WinInet calls it on the user-interface thread, inside the call in
// progress. Nothing escapes it.
void CALLBACK StatusCallback(HINTERNET handle, DWORD_PTR context, DWORD status, LPVOID info,
                             DWORD infoLength);
