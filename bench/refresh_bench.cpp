// Refreshing a large remote folder against listing it the first time: the real remote pane of
// the main window, through the program's own FTP client, against pyftpdlib on 127.0.0.1 giving
// a scripted LIST answer of N entries. For each case: the client's bare enumeration (the floor
// of the server and the client), the first ListRemoteFolder, the refresh (the same call on the
// filled pane: clear and refill), and the platform's floor for the window part (a bare report
// list view filled with the same rows, then emptied). Also the peak working set, and how much
// the client's find records and the pane's rows each hold (private bytes).
// Each case runs in a process of its own, so its peak is its own.
//   refresh_bench                  100,000 and 500,000 rows, short and 255-character names
//   refresh_bench ROWS...          those row counts, both name lengths
//   refresh_bench --case ROWS LEN  one case (what the driver starts)
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "app/commands.h"
#include "app/app_state.h"
#include "app/ftp/ftp_client.h"
#include "app/remote/remote_pane.h"
#include "app/remote/session.h"
#include "app/file_rows.h"
#include "app/startup.h"
#include "tests/support/ftp_server.h"
#include "tests/support/temp_files.h"
#include "winobj/application.h"
#include "winobj/control.h"
#include "winobj/controls.h"

namespace {

constexpr int kShortName = 12;
constexpr int kLongName = 255;
const char* const kExtensions[] = {".txt", ".dat", ".exe", ".jpg", ".doc", ".zip", ".c", ""};

// Seconds of processor time this process has used (user and kernel): the machine is shared,
// and what other processes take of it shows in wall time, not here.
double CpuS() {
  FILETIME created, exited, kernel, user;
  if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
  const auto seconds = [](const FILETIME& t) {
    return static_cast<double>((static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime) /
           1e7;
  };
  return seconds(kernel) + seconds(user);
}

struct Memory {
  double peakMb = 0;
};

Memory MemoryNow() {
  PROCESS_MEMORY_COUNTERS counters;
  std::memset(&counters, 0, sizeof counters);
  counters.cb = sizeof counters;
  Memory m;
  if (GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters))
    m.peakMb = static_cast<double>(counters.PeakWorkingSetSize) / (1024.0 * 1024.0);
  return m;
}

// Entry i's name, `length` characters: a number, a filler of "n", one of a few extensions.
std::string EntryName(int i, int length) {
  const int kinds = static_cast<int>(sizeof kExtensions / sizeof kExtensions[0]);
  const std::string extension = kExtensions[i % kinds];
  std::string name = "f" + std::to_string(i);
  if (static_cast<int>(name.size() + extension.size()) < length)
    name.append(static_cast<size_t>(length) - name.size() - extension.size(), 'n');
  return name + extension;
}

// One folder in 50, files of sizes spread over bytes to gigabytes.
// Written a piece at a time: the listing of the large cases is 150 MB, which would otherwise stay
// in this process's peak working set and be counted as the program's.
bool WriteListing(const std::string& path, int rows, int nameLength) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  constexpr size_t kPiece = 1 << 20;
  std::string text;
  bool ok = true;
  auto flush = [&] {
    DWORD written = 0;
    ok = ok && WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
         written == text.size();
    text.clear();
  };
  for (int i = 0; i < rows; ++i) {
    const bool folder = i % 50 == 0;
    const unsigned long long size = folder ? 0 : (1ull << (i % 34)) + static_cast<unsigned>(i);
    text += folder ? "drwxr-xr-x" : "-rw-r--r--";
    text += "   1 owner    group ";
    text += std::to_string(size);
    text += " Jan 01 10:00 ";
    text += EntryName(i, nameLength);
    text += "\r\n";
    if (text.size() >= kPiece) flush();
  }
  flush();
  CloseHandle(file);
  return ok;
}

int PaneRows() { return static_cast<int>(Perform(appState.remoteList, LVM_GETITEMCOUNT, 0, 0)); }

// The client's own find first/next over the folder, nothing else.
double TimeBareEnumeration(int& entries) {
  const double start = NowSeconds();
  entries = CountFoundEntries(CurrentFtpClient(), appState.connectionHandle, "/*.*");
  return (NowSeconds() - start);
}

// A window of a class of its own with the platform's default procedure: the bare list view's
// notifications cost nothing on the way.
HWND BareParent() {
  WNDCLASSA cls{};
  cls.lpfnWndProc = DefWindowProcA;
  cls.hInstance = GetModuleHandleA(nullptr);
  cls.lpszClassName = "ZevRefreshBenchParent";
  RegisterClassA(&cls);
  return CreateWindowExA(0, cls.lpszClassName, "", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr,
                         nullptr, cls.hInstance, nullptr);
}

// A bare report list view of three columns in a bare window, filled with the rows' three
// texts and an image index each, then emptied: what the platform needs for the window part.
void TimeBareListView(int rows, int nameLength, double& fillS, double& clearS) {
  HWND list = CreateWindowExA(0, WC_LISTVIEWA, "", WS_CHILD | LVS_REPORT, 0, 0, 400, 300,
                              BareParent(), nullptr, GetModuleHandleA(nullptr), nullptr);
  LVCOLUMNA column{};
  column.mask = LVCF_TEXT | LVCF_WIDTH;
  column.cx = 100;
  column.pszText = const_cast<char*>("c");
  for (int c = 0; c < 3; ++c)
    SendMessageA(list, LVM_INSERTCOLUMNA, c, reinterpret_cast<LPARAM>(&column));
  std::vector<std::string> names;
  names.reserve(static_cast<size_t>(rows));
  for (int i = 0; i < rows; ++i) names.push_back(EntryName(i, nameLength));
  SendMessageA(list, WM_SETREDRAW, FALSE, 0);
  const double start = NowSeconds();
  for (int i = 0; i < rows; ++i) {
    LVITEMA item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
    item.iItem = i;
    item.pszText = &names[static_cast<size_t>(i)][0];
    item.iImage = 1 + i;
    item.lParam = i;
    const int row =
        static_cast<int>(SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    LVITEMA sub{};
    sub.iSubItem = 1;
    sub.pszText = const_cast<char*>("1 KB");
    SendMessageA(list, LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&sub));
    sub.iSubItem = 2;
    sub.pszText = const_cast<char*>(".txt file");
    SendMessageA(list, LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&sub));
  }
  fillS = NowSeconds() - start;
  const double clearStart = NowSeconds();
  SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
  clearS = NowSeconds() - clearStart;
  DestroyWindow(list);
}

int RunCase(int rows, int nameLength) {
  const std::string scripts = MakeUniqueTempFolder("zevrefresh");
  const std::string served = MakeUniqueTempFolder("zevrefresh");
  if (scripts.empty() || served.empty() ||
      !WriteListing(scripts + "listing.txt", rows, nameLength)) {
    std::printf("cannot write the listing of %d rows\n", rows);
    return 1;
  }
  FtpServerOptions options;
  options.root = served;
  options.anonymous = true;
  options.listingFile = scripts + "listing.txt";
  options.lifetimeSeconds = 1800;
  FtpServer server(options);
  if (!server.Running()) {
    std::printf("server: %s\n", server.Error().c_str());
    return 1;
  }
  StartUp();
  CreateHandle(appState.application);
  SelectFtpClient(FtpClientKind::kOwn);
  SetCaption(appState.hostEdit, "127.0.0.1");
  SetCaption(appState.portEdit, std::to_string(server.Port()));
  SetChecked(appState.anonymousCheck, true);
  Click(appState.okSiteButton);
  // The connect lists its folder at once: a missing one, so the first real listing is timed.
  appState.remotePath = "/no such folder/";
  ConnectToSite();
  if (!IsConnected()) {
    std::printf("no connection\n");
    return 1;
  }
  appState.remotePath = "/";
  const double baseMb = MemoryNow().peakMb;
  int entries = 0;
  const double clientS = TimeBareEnumeration(entries);
  // The client alone: what its find records and its reading of the listing take at their most.
  const double clientPeakMb = MemoryNow().peakMb;
  double start = NowSeconds();
  double cpuStart = CpuS();
  ListRemoteFolder();
  const double firstS = NowSeconds() - start;
  const double firstCpuS = CpuS() - cpuStart;
  const int firstRows = PaneRows();
  start = NowSeconds();
  cpuStart = CpuS();
  ListRemoteFolder();
  const double refreshS = NowSeconds() - start;
  const double refreshCpuS = CpuS() - cpuStart;
  const int refreshRows = PaneRows();
  // A listing holds the client's find records while it adds the rows: what the peak grew by
  // beyond the client's own is the pane's (rows, texts, images, sort tables).
  const double peakMb = MemoryNow().peakMb;
  Disconnect();
  // The window part's floor, measured after the pane's peak was taken.
  double bareFillS = 0;
  double bareClearS = 0;
  TimeBareListView(rows, nameLength, bareFillS, bareClearS);
  const double floorS = clientS + bareFillS;

  std::printf(
      "%8d %4d %7.2f %7.2f %7.2f %7.2f %7.2f %7.2f %7.2f %7.2f %7.2f %7.2f %6.0f %6.0f %6.0f "
      "%6.0f%s\n",
      entries, nameLength, clientS, bareFillS, bareClearS, floorS, firstS, refreshS,
      floorS > 0 ? firstS / floorS : 0.0, firstS > 0 ? refreshS / firstS : 0.0, firstCpuS,
      firstCpuS > 0 ? refreshCpuS / firstCpuS : 0.0, peakMb, clientPeakMb - baseMb,
      entries * sizeof(WIN32_FIND_DATAA) / (1024.0 * 1024.0), peakMb - clientPeakMb,
      firstRows == refreshRows && firstRows > 0 ? "" : "  ROWS DIFFER");
  std::fflush(stdout);

  server.Stop();
  RemoveFolderTree(scripts);
  RemoveFolderTree(served);
  // Destroying a list view of this many rows takes Wine as long as emptying it (minutes):
  // the process ends with its windows.
  ExitProcess(0);
}

// The remote pane alone: the same entries handed to the listing frame from memory, with no
// client or server, listed and then refreshed; the peak working set's growth is what the rows
// hold (list view items and texts, one image per file row, sort tables).
int RunPaneCase(int rows, int nameLength) {
  StartUp();
  CreateHandle(appState.application);
  const double baseMb = MemoryNow().peakMb;
  const Enumeration entries = [rows, nameLength](const EntrySink& add) {
    WIN32_FIND_DATAA entry{};
    for (int i = 0; i < rows; ++i) {
      const bool folder = i % 50 == 0;
      const unsigned long long size = folder ? 0 : (1ull << (i % 34)) + static_cast<unsigned>(i);
      entry.dwFileAttributes = folder ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
      entry.nFileSizeHigh = static_cast<DWORD>(size >> 32);
      entry.nFileSizeLow = static_cast<DWORD>(size);
      const std::string name = EntryName(i, nameLength);
      std::memcpy(entry.cFileName, name.c_str(), name.size() + 1);
      add(entry, name);
    }
  };
  double start = NowSeconds();
  double cpuStart = CpuS();
  RunListingFrame(RemotePane(), "/", entries, 1);
  const double firstS = NowSeconds() - start;
  const double firstCpuS = CpuS() - cpuStart;
  start = NowSeconds();
  cpuStart = CpuS();
  RunListingFrame(RemotePane(), "/", entries, 1);
  const double refreshS = NowSeconds() - start;
  const double refreshCpuS = CpuS() - cpuStart;
  const double paneMb = MemoryNow().peakMb - baseMb;
  std::printf("%8d %4d %9.2f %9.2f %7.2f %9.2f %9.2f %7.2f %7.0f %9.0f\n", PaneRows(), nameLength,
              firstS, refreshS, firstS > 0 ? refreshS / firstS : 0.0, firstCpuS, refreshCpuS,
              firstCpuS > 0 ? refreshCpuS / firstCpuS : 0.0, paneMb, paneMb * 1024 * 1024 / rows);
  std::fflush(stdout);
  ExitProcess(0);
}

// Starts this program again for one case and waits for it.
bool RunCaseProcess(const char* mode, int rows, int nameLength) {
  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string command = std::string("\"") + self + "\" " + mode + " " + std::to_string(rows) + " " +
                        std::to_string(nameLength);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                      &process)) {
    return false;
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 1;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return code == 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[1], "--case") == 0)
    return RunCase(std::atoi(argv[2]), std::atoi(argv[3]));
  if (argc == 4 && std::strcmp(argv[1], "--pane") == 0)
    return RunPaneCase(std::atoi(argv[2]), std::atoi(argv[3]));
  std::vector<int> sizes;
  for (int i = 1; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
  if (sizes.empty()) sizes = {100000, 500000};
  std::printf(
      "Seconds: client = the own client's bare find first/next; lv fill / lv clear = a bare\n"
      "list view (in a bare window) filled with the rows' texts / emptied (LVM_DELETEALLITEMS);\n"
      "floor = client + lv fill; first = first ListRemoteFolder; refresh = the same again;\n"
      "cpu 1st = this process's processor seconds in the first listing, and the refresh's\n"
      "ratio to it (the machine is shared: wall times carry other processes' load).\n"
      "MB (peak working set): peak = the case's process; client = its growth during the bare\n"
      "enumeration; records = entries x sizeof(WIN32_FIND_DATAA); pane = the growth beyond the\n"
      "client's during the listings (rows, texts, images, sort tables).\n");
  std::printf("%8s %4s %7s %7s %7s %7s %7s %7s %7s %7s %7s %7s %6s %6s %6s %6s\n", "rows", "name",
              "client", "lv fill", "lv clr", "floor", "first", "refresh", "1st/fl", "ref/1st",
              "cpu 1st", "ref/1st", "peak", "client", "recs", "pane");
  std::fflush(stdout);
  bool ok = true;
  for (int rows : sizes) {
    for (int length : {kShortName, kLongName}) ok = RunCaseProcess("--case", rows, length) && ok;
  }
  std::printf(
      "\nThe remote pane alone (the same entries from memory, no client): seconds of the\n"
      "first listing and of the refresh, wall and processor; MB = growth of the peak\n"
      "working set; B/row.\n");
  std::printf("%8s %4s %9s %9s %7s %9s %9s %7s %7s %9s\n", "rows", "name", "first", "refresh",
              "ref/1st", "cpu 1st", "cpu ref", "ref/1st", "MB", "B/row");
  std::fflush(stdout);
  for (int rows : sizes) {
    for (int length : {kShortName, kLongName}) ok = RunCaseProcess("--pane", rows, length) && ok;
  }
  return ok ? 0 : 1;
}
