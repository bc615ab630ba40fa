// What the benchmarks against real FTP servers share: curl's own time for one command (the Linux
// binary, the reference every FTP row is held to), and the median of a row's runs.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/support/ftp_server.h"
#include "tests/support/poll.h"

constexpr unsigned kCurlWaitMs = 600000;

// curl's own total time for one command (its process start is not counted); -1 on failure.
// Given several transfers, the time of the last one. `afterConnect`: without the time the TCP
// connect took (ProFTPD's daemon accepts nothing for 0.4 s after a session ends). `work`: a
// folder for the time file.
inline double TimeCurl(const std::string& work, const std::string& arguments,
                       bool afterConnect = false) {
  const std::string out = UnixPathOf(work) + "curl_time.txt";
  const std::string done = work + "curl_time.txt";
  DeleteFileA(done.c_str());
  // The shell may be gone before curl is done under Wine: the time file appears (renamed into
  // place) only once curl has ended, and nothing else runs meanwhile.
  // A failed curl leaves "failed" as the last word, which reads as no time.
  RunShellCommand("{ /usr/bin/curl -s -S " + arguments +
                      " -w '%{time_total}:%{time_connect} ' || printf 'failed '; } > '" + out +
                      ".part'; mv '" + out + ".part' '" + out + "'",
                  kCurlWaitMs);
  PollUntil([&] { return GetFileAttributesA(done.c_str()) != INVALID_FILE_ATTRIBUTES; },
            kCurlWaitMs);
  std::string text = ReadFileText(done);
  while (!text.empty() && text.back() == ' ') text.pop_back();
  if (text.empty()) return -1.0;
  const size_t last = text.rfind(' ');
  const char* times = text.c_str() + (last == std::string::npos ? 0 : last + 1);
  double total = 0;
  double connect = 0;
  if (std::sscanf(times, "%lf:%lf", &total, &connect) != 2) return -1.0;
  return afterConnect ? total - connect : total;
}

// curl's time for a transfer on a connection it has already logged in with: the transfer (its
// -o and URL) twice in one curl, the second timed.
inline double TimeCurlLoggedIn(const std::string& work, const std::string& transfer) {
  return TimeCurl(work, transfer + " " + transfer);
}

// The median of a row's runs; -1 when there are none or one failed (it spoils the row).
inline double Median(std::vector<double> values) {
  if (values.empty()) return -1;
  for (double v : values) {
    if (v < 0) return -1;
  }
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}
