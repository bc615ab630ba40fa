// Loading and saving the stored sites with the site window on screen, as the user meets them:
// the start-up load, a save alone, a save with the reload of the site list that follows it, and
// the "&Add" button, for 1,000 and 20,000 sites. Next to them the platform's floors: one bare
// WriteFile of the same bytes, and a bare LB_ADDSTRING loop into the same list box with its
// drawing off. Prints a table of times and each operation's ratio to the floor it rests on.
#include <windows.h>

#include <cstdio>
#include <string>

#include "app/app_state.h"
#include "app/sites/site_manager.h"
#include "app/sites/sites.h"
#include "app/startup.h"
#include "winobj/application.h"
#include "winobj/control.h"
#include "winobj/controls.h"
#include "winobj/text.h"

namespace {

double NowMs() {
  LARGE_INTEGER frequency, counter;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&counter);
  return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Lets the windows paint what the last step changed, as the message loop would between clicks.
void PumpMessages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

std::string SiteLine(int i) {
  const std::string n = std::to_string(i);
  return "Site " + n + ";ftp" + n + ".example.org;user" + n + ";secret" + n + ";0;21";
}

std::string SitesText(int sites) {
  std::string text;
  for (int i = 0; i < sites; ++i) text += SiteLine(i) + "\r\n";
  return text;
}

double TimeBareWrite(const std::string& bytes) {
  const double t0 = NowMs();
  HANDLE file = CreateFileA("floor.sts", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
  const double elapsed = NowMs() - t0;
  DeleteFileA("floor.sts");
  return elapsed;
}

// The bare fill of the same list box: LB_RESETCONTENT, then one LB_ADDSTRING per site, with the
// list's drawing switched off (the floor) or left on (how each add behaves on screen).
double TimeBareAddString(int sites, bool drawing) {
  HWND list = HandleOf(appState.siteList);
  const std::string names[2] = {"Site 1", "Site 22222"};
  const double t0 = NowMs();
  if (!drawing) SendMessageA(list, WM_SETREDRAW, FALSE, 0);
  SendMessageA(list, LB_RESETCONTENT, 0, 0);
  for (int i = 0; i < sites; ++i) {
    SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(names[i & 1].c_str()));
  }
  if (!drawing) SendMessageA(list, WM_SETREDRAW, TRUE, 0);
  const double elapsed = NowMs() - t0;
  PumpMessages();
  return elapsed;
}

// The same fill through the layer (Clear and AddItem, each message through its window
// procedure), drawing off: what the site list's reload costs beyond the platform.
double TimeLayerAddItem(int sites) {
  Control* list = appState.siteList;
  const std::string names[2] = {"Site 1", "Site 22222"};
  const double t0 = NowMs();
  Perform(list, WM_SETREDRAW, FALSE, 0);
  Clear(list);
  for (int i = 0; i < sites; ++i) AddItem(list, names[i & 1]);
  Perform(list, WM_SETREDRAW, TRUE, 0);
  const double elapsed = NowMs() - t0;
  PumpMessages();
  return elapsed;
}

template <typename Step>
double Time(Step step) {
  const double t0 = NowMs();
  step();
  const double elapsed = NowMs() - t0;
  PumpMessages();
  return elapsed;
}

void Row(const char* what, int sites, double ms, const char* floorName, double floorMs) {
  std::printf("%-18s %7d %12.1f   %-20s %10.1f %9.1fx\n", what, sites, ms, floorName, floorMs,
              floorMs > 0 ? ms / floorMs : 0.0);
  std::fflush(stdout);
}

}  // namespace

int main() {
  char temp[MAX_PATH + 1] = {};
  GetTempPathA(MAX_PATH, temp);
  const std::string folder =
      std::string(temp) + "sites_bench_" + std::to_string(GetCurrentProcessId()) + "\\";
  CreateDirectoryA(folder.c_str(), nullptr);
  SetCurrentDirectoryA(folder.c_str());

  StartUp();
  CreateHandle(appState.application);
  PumpMessages();

  std::printf("%-18s %7s %12s   %-20s %10s %10s\n", "operation", "sites", "ms", "floor", "floor ms",
              "ratio");
  for (int sites : {1000, 20000}) {
    const std::string bytes = SitesText(sites);
    const double write = TimeBareWrite(bytes);
    const double adds = TimeBareAddString(sites, false);
    // Drawn add by add, the fill takes tens of milliseconds a site under Xvfb: measured for the
    // small size only.
    if (sites <= 1000) {
      Row("LB_ADDSTRING drawn", sites, TimeBareAddString(sites, true), "LB_ADDSTRING loop", adds);
    }

    HANDLE file = CreateFileA(kSitesFileName, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);

    Row("AddItem loop", sites, TimeLayerAddItem(sites), "LB_ADDSTRING loop", adds);
    Row("load", sites, Time([] { LoadSites(); }), "LB_ADDSTRING loop", adds);
    Row("save", sites,
        Time([] { WriteSiteFile(*appState.siteLines, kSitesFileName, kSitesTempFileName); }),
        "one WriteFile", write);
    Row("save + reload", sites, Time([] { SaveSites(); }), "LB_ADDSTRING loop", adds);
    SetCaption(appState.siteNameEdit, "Added");
    Row("Add button", sites, Time([] { OnSiteAdd(nullptr, nullptr); }), "LB_ADDSTRING loop", adds);
    if (appState.siteLines->Count() != sites + 1 || Count(appState.siteList) != sites + 1) {
      std::printf("  (sites lost!)\n");
    }
  }

  Control* application = appState.application;
  appState.application = nullptr;
  Free(application);
  FreeStartUpState();
  DeleteFileA(kSitesFileName);
  SetCurrentDirectoryA(temp);
  RemoveDirectoryA(folder.c_str());
  return 0;
}
