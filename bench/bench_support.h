// What the benchmarks share: a clock, and an FTP client's bare find loop (the floor of a listing).
#pragma once

#include <windows.h>
#include <wininet.h>

#include "app/ftp/ftp_client.h"

// Seconds on the performance counter.
inline double NowSeconds() {
  LARGE_INTEGER frequency, counter;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&counter);
  return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Find first / find next over `pattern` and nothing else; the number of entries seen.
inline int CountFoundEntries(FtpClient& client, HINTERNET connection, const char* pattern) {
  WIN32_FIND_DATAA entry{};
  HINTERNET find = client.FindFirst(connection, pattern, &entry, 0, 255);
  int entries = 0;
  if (find != nullptr) {
    do {
      ++entries;
    } while (client.FindNext(find, &entry));
  }
  client.Close(find);
  return entries;
}
