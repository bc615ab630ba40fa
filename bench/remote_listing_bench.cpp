// Listing a large remote folder into the remote pane through each FTP client, against pyftpdlib
// on 127.0.0.1: the whole ListRemoteFolder of the real main window (find first/next, rows, sort)
// against the floor of the same client's bare enumeration of the folder with no window work.
// Prints a table of times and ratios per folder size. Run it under Wine with the test set-up's
// Xvfb; the sizes are small because Wine's WinInet reads a listing one byte at a time.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "app/commands.h"
#include "app/app_state.h"
#include "app/ftp/ftp_client.h"
#include "app/remote/remote_pane.h"
#include "app/remote/session.h"
#include "app/startup.h"
#include "tests/support/ftp_server.h"
#include "tests/support/temp_files.h"
#include "winobj/application.h"
#include "winobj/control.h"
#include "winobj/controls.h"
#include "winobj/listview.h"

namespace {

bool MakeFiles(const std::string& folder, int count) {
  for (int i = 0; i < count; ++i) {
    const std::string path = folder + "file number " + std::to_string(i) + ".txt";
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    WriteFile(file, path.data(), static_cast<DWORD>(path.size()), &written, nullptr);
    CloseHandle(file);
  }
  return true;
}

// The client's own find first/next over the folder, nothing else: the floor.
double TimeBareEnumeration(int& entries) {
  const double start = NowSeconds();
  entries = CountFoundEntries(CurrentFtpClient(), appState.connectionHandle, "/*.*");
  return (NowSeconds() - start) * 1000;
}

double TimePaneListing(int& rows) {
  const double start = (NowSeconds() * 1000);
  ListRemoteFolder();
  const double elapsed = (NowSeconds() * 1000) - start;
  rows = static_cast<int>(Perform(appState.remoteList, LVM_GETITEMCOUNT, 0, 0));
  return elapsed;
}

}  // namespace

int main() {
  const std::vector<int> sizes = {250, 1000};
  const std::vector<std::pair<const char*, FtpClientKind>> clients = {
      {"own", FtpClientKind::kOwn}, {"WinInet", FtpClientKind::kWinInet}};
  std::printf("%-8s %7s %12s %12s %8s %8s\n", "client", "entries", "floor ms", "pane ms", "pane/fl",
              "rows");
  for (int size : sizes) {
    const std::string root = MakeUniqueTempFolder("zevbench");
    if (root.empty() || !MakeFiles(root, size)) {
      std::printf("cannot make %d files\n", size);
      return 1;
    }
    FtpServerOptions options;
    options.root = root;
    options.anonymous = true;
    options.lifetimeSeconds = 600;
    FtpServer server(options);
    if (!server.Running()) {
      std::printf("server: %s\n", server.Error().c_str());
      return 1;
    }
    for (const auto& client : clients) {
      StartUp();
      CreateHandle(appState.application);
      SelectFtpClient(client.second);
      SetCaption(appState.hostEdit, "127.0.0.1");
      SetCaption(appState.portEdit, std::to_string(server.Port()));
      SetChecked(appState.anonymousCheck, true);
      Click(appState.okSiteButton);
      ConnectToSite();
      if (!IsConnected()) {
        std::printf("%-8s %7d  (no connection)\n", client.first, size);
      } else {
        int entries = 0;
        int rows = 0;
        const double floor = TimeBareEnumeration(entries);
        const double pane = TimePaneListing(rows);
        std::printf("%-8s %7d %12.1f %12.1f %8.2f %8d\n", client.first, entries, floor, pane,
                    floor > 0 ? pane / floor : 0.0, rows);
      }
      Disconnect();
      Control* application = appState.application;
      appState.application = nullptr;
      Free(application);
      FreeStartUpState();
    }
    server.Stop();
    RemoveFolderTree(root);
  }
  return 0;
}
