// The real program: started as its own process, it opens "Zev Ftp" at 800 x 500 in the middle of
// the screen and ends with exit code 0 when that window is closed.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "tests/support/poll.h"

namespace {

constexpr DWORD kStartTimeoutMs = 20000;
constexpr DWORD kExitTimeoutMs = 20000;

struct Search {
  DWORD processId;
  HWND found;
};

BOOL CALLBACK FindMainWindow(HWND window, LPARAM lParam) {
  Search* search = reinterpret_cast<Search*>(lParam);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner != search->processId) return TRUE;
  char className[64] = {};
  char title[64] = {};
  GetClassNameA(window, className, sizeof className);
  GetWindowTextA(window, title, sizeof title);
  if (std::string(className) == "obj_Form" && std::string(title) == "Zev Ftp" &&
      IsWindowVisible(window)) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

class StartupProcess : public ::testing::Test {
 protected:
  void SetUp() override {
    STARTUPINFOA si{};
    si.cb = sizeof si;
    char commandLine[] = "ZevFtp.exe";
    ASSERT_TRUE(CreateProcessA("ZevFtp.exe", commandLine, nullptr, nullptr, FALSE, 0, nullptr,
                               nullptr, &si, &info_))
        << "ZevFtp.exe must be in the working directory (the build folder)";
  }
  void TearDown() override {
    if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) {
      TerminateProcess(info_.hProcess, 99);
      WaitForSingleObject(info_.hProcess, kExitTimeoutMs);
    }
    CloseHandle(info_.hThread);
    CloseHandle(info_.hProcess);
  }
  HWND WaitForMainWindow() {
    Search search{info_.dwProcessId, nullptr};
    PollUntil(
        [&] {
          search.found = nullptr;
          EnumWindows(FindMainWindow, reinterpret_cast<LPARAM>(&search));
          return search.found != nullptr;
        },
        kStartTimeoutMs);
    return search.found;
  }
  PROCESS_INFORMATION info_{};
};

TEST_F(StartupProcess, MainWindowIsCentredAndClosingItEndsTheProgram) {
  HWND main = WaitForMainWindow();
  ASSERT_NE(main, nullptr);
  RECT r;
  GetWindowRect(main, &r);
  EXPECT_EQ(r.right - r.left, 800);
  EXPECT_EQ(r.left, (GetSystemMetrics(SM_CXSCREEN) - 800) / 2);
  EXPECT_EQ(r.top, (GetSystemMetrics(SM_CYSCREEN) - 500) / 2);
  // Centred at 800 x 500; the status bar made afterwards is added below the client area the
  // panes already had, so the window grows downwards by the bar's height.
  HWND statusBar = FindWindowExA(main, nullptr, "obj_msctls_statusbar32", nullptr);
  ASSERT_NE(statusBar, nullptr);
  RECT bar;
  GetWindowRect(statusBar, &bar);
  EXPECT_EQ(r.bottom - r.top, 500 + (bar.bottom - bar.top));

  PostMessageA(main, WM_CLOSE, 0, 0);
  ASSERT_EQ(WaitForSingleObject(info_.hProcess, kExitTimeoutMs), WAIT_OBJECT_0);
  DWORD code = 1;
  GetExitCodeProcess(info_.hProcess, &code);
  EXPECT_EQ(code, 0u);
}

}  // namespace
