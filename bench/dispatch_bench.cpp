// The cost of one message through a layer control whose hooks do not act, against the same
// message to a bare window of the same class made with CreateWindowExA. Builds the real main
// window (both file panes carry their message hooks and attached procedures) and prints a table
// of microseconds per message and the ratio to the bare list view, the floor, in one run.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>

#include "app/app_state.h"
#include "app/startup.h"
#include "winobj/application.h"
#include "winobj/control.h"

namespace {

constexpr int kDefaultMessages = 200000;

double NowUs() {
  LARGE_INTEGER frequency, counter;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&counter);
  return 1e6 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Microseconds per message, the best of three rounds (other work on the machine only adds).
double PerMessage(HWND window, UINT message, int count) {
  double best = 0;
  for (int round = 0; round < 3; ++round) {
    const double start = NowUs();
    for (int i = 0; i < count; ++i) SendMessageA(window, message, 0, 0);
    const double each = (NowUs() - start) / count;
    if (round == 0 || each < best) best = each;
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  const int count = argc > 1 ? std::atoi(argv[1]) : kDefaultMessages;
  StartUp();
  HWND form = appState.mainWindow->handle;
  HWND bare = CreateWindowExA(0, WC_LISTVIEWA, "", WS_CHILD | LVS_REPORT, 0, 0, 100, 100, form,
                              nullptr, GetModuleHandleA(nullptr), nullptr);
  const struct {
    const char* name;
    HWND window;
  } kTargets[] = {
      {"bare SysListView32 (floor)", bare},
      {"local list (layer)", appState.localList->handle},
      {"remote list (layer)", appState.remoteList->handle},
  };
  const struct {
    const char* name;
    UINT message;
  } kMessages[] = {{"LVM_GETITEMCOUNT", LVM_GETITEMCOUNT}, {"WM_MOUSEMOVE", WM_MOUSEMOVE}};

  std::printf("%d messages a round, best of 3 rounds\n", count);
  std::printf("%-18s  %-28s  %12s  %8s\n", "message", "target", "us/message", "ratio");
  for (const auto& m : kMessages) {
    const double floor = PerMessage(bare, m.message, count);
    for (const auto& t : kTargets) {
      const double each = t.window == bare ? floor : PerMessage(t.window, m.message, count);
      std::printf("%-18s  %-28s  %12.3f  %7.2fx\n", m.name, t.name, each,
                  floor > 0 ? each / floor : 0.0);
    }
  }
  DestroyWindow(bare);
  Control* application = appState.application;
  appState.application = nullptr;
  Free(application);
  FreeStartUpState();
  return 0;
}
