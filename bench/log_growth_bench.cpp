// The log as a long session leaves it: one 100 MB download's reports (a hundred each of
// "Receiving Response" and "Response Received" with its byte count, through the status callback
// of the real main window) and the message loop that draws them, timed while the log holds more
// and more such transfers. Run by hand from the build folder, with the prefix and X resource
// file scripts/test made:
//   WINEPREFIX=$PWD/wineprefix XENVIRONMENT=$PWD/x-resources xvfb-run -a wine log_growth_bench.exe
// The text goes in once a transfer (in pieces while the call runs, once the log is short), but
// under Wine every text change and paint of the edit walks its line records from the first, some
// 40 ns a line: measured here, 12 ms a transfer with 121 KB of log, 27 ms with 8.4 MB (after
// 1,289 transfers, 129 GB in one run of the program).
#include <windows.h>
#include <wininet.h>

#include <cstdio>
#include <vector>

#include "app/app_state.h"
#include "app/remote/session.h"
#include "app/remote/status_log.h"
#include "app/startup.h"
#include "bench/bench_support.h"
#include "bench/curl_support.h"
#include "winobj/application.h"
#include "winobj/control.h"

namespace {

constexpr int kReportSteps = 100;  // a 100 MB download reports each MiB
constexpr int kRuns = 9;

void TransferReports() {
  for (int i = 0; i < kReportSteps; ++i) {
    DWORD bytes = 1u << 20;
    StatusCallback(nullptr, kInternetContext, INTERNET_STATUS_RECEIVING_RESPONSE, nullptr, 0);
    StatusCallback(nullptr, kInternetContext, INTERNET_STATUS_RESPONSE_RECEIVED, &bytes,
                   sizeof bytes);
  }
}

void RunLoopUntilIdle() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

void CALLBACK RunOnce(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  std::printf("%10s %10s %11s %9s %9s %9s\n", "transfers", "log KB", "reports ms", "loop ms",
              "total ms", "x first");
  int held = 0;
  double first = 0;
  for (int target : {10, 40, 160, 640, 1280}) {
    for (; held < target; ++held) {
      TransferReports();
      RunLoopUntilIdle();
    }
    std::vector<double> reports, loop, total;
    for (int run = 0; run < kRuns; ++run, ++held) {
      const double start = NowSeconds();
      TransferReports();
      const double reported = NowSeconds();
      RunLoopUntilIdle();
      const double drawn = NowSeconds();
      reports.push_back((reported - start) * 1000);
      loop.push_back((drawn - reported) * 1000);
      total.push_back((drawn - start) * 1000);
    }
    const double kb = GetWindowTextLengthA(appState.logEdit->handle) / 1024.0;
    if (first == 0) first = Median(total);
    std::printf("%10d %10.0f %11.2f %9.2f %9.2f %8.2fx\n", held, kb, Median(reports), Median(loop),
                Median(total), Median(total) / first);
    std::fflush(stdout);
  }
  PostMessageA(appState.mainWindow->handle, WM_CLOSE, 0, 0);
}

}  // namespace

int main() {
  StartUp();
  SetTimer(nullptr, 0, 1, &RunOnce);
  Run(appState.application);
  FreeStartUpState();
  return 0;
}
