#include "app/remote/transfers.h"

#include <commctrl.h>
#include <wininet.h>

#include "app/app_state.h"
#include "app/code_page.h"
#include "app/command_ids.h"
#include "app/ftp/ftp_client.h"
#include "app/remote/remote_pane.h"
#include "app/remote/name_rules.h"
#include "app/remote/session.h"
#include "app/file_rows.h"
#include "app/local/local_pane.h"
#include "winobj/application.h"
#include "winobj/control.h"
#include "winobj/listview.h"
#include "winobj/scoped.h"
#include "winobj/text.h"
#include "winobj/toolbar.h"

namespace {

constexpr uint32_t kDeleteKey = VK_DELETE;
constexpr DWORD kGetFlags = INTERNET_FLAG_RELOAD | FTP_TRANSFER_TYPE_BINARY;  // 0x80000002
constexpr DWORD kPutFlags = FTP_TRANSFER_TYPE_BINARY;
constexpr bool kFailIfExists = true;
constexpr UINT kAllDroppedFiles = 0xFFFFFFFF;
constexpr UINT kDropPathCapacity = 1025;
constexpr int kMostFolderTries = 100;
const char* const kNewFolderName = "New Folder";
const char* const kDeleteQuestion = "Are you shure you want to delete these files?";
const char* const kDeleteCaption = "Delete Files";

// Pressed, the button is drawn at once: the operation's calls block the message loop, which
// would draw it only once the files had come.
void PressButton(int id, bool pressed) {
  if (appState.toolbar == nullptr) return;
  SendButtonMessage(appState.toolbar, id, TB_PRESSBUTTON, pressed ? 1 : 0);
  if (pressed && appState.toolbar->handle != nullptr) UpdateWindow(appState.toolbar->handle);
}

// Refuses the file in its own box, as the library's failures are.
void RefuseName() { ShowErrorText(ERROR_INVALID_NAME); }

// The one loop of every multi-file operation. `item` gives file i's name (as it goes to the
// server) and its local path, or false when it refused the file itself; a name that would carry
// a line break into the FTP command is refused here; `call` does the file's work. Each refused
// or failed file gets its own box and the loop goes on.
template <typename Item, typename Call>
void ForEachFile(int count, Item item, Call call) {
  for (int i = 0; i < count; ++i) {
    std::string name;
    std::string local;
    if (!item(i, name, local)) continue;
    if (!IsSafeRemoteName(name)) {
      RefuseName();
      continue;
    }
    if (!call(name, local)) ShowErrorText(GetLastError());
  }
}

// Stores a local file as remote.
bool PutFile(const std::string& local, const std::string& remote) {
  return CurrentFtpClient().PutFile(appState.connectionHandle, local.c_str(), remote.c_str(),
                                    kPutFlags, kInternetContext);
}

}  // namespace

std::vector<SelectedRow> SelectedFileRows(Control* listView) {
  std::vector<SelectedRow> rows;
  if (listView == nullptr || listView->handle == nullptr) return rows;
  const int count = static_cast<int>(SendMessageA(listView->handle, LVM_GETITEMCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    const LRESULT state = SendMessageA(listView->handle, LVM_GETITEMSTATE, i, LVIS_SELECTED);
    if (state != LVIS_SELECTED) continue;
    LVITEMA item;
    if (!ReadListItem(listView, i, 0, item, nullptr, 0) || item.iImage == kFolderImage) continue;
    rows.push_back(SelectedRow{ListItemText(listView, i, kNameColumn), item.lParam});
  }
  return rows;
}

void CollectSelectedFiles(Control* listView, StringList& names) {
  names.Clear();
  for (const SelectedRow& row : SelectedFileRows(listView)) names.Add(row.caption);
}

void DownloadSelected() {
  PressButton(kCmdDownload, true);
  AtScopeEnd done([] {
    ListLocalFolder();
    PressButton(kCmdDownload, false);
  });
  const std::vector<SelectedRow> rows = SelectedFileRows(appState.remoteList);
  // The names belong to these folders. An error box lets the user browse either pane before
  // the next file; that must not send the rest of the names to other folders.
  const std::string remoteFolder = appState.remotePath;
  const std::string localFolder = appState.localPath;
  ForEachFile(
      static_cast<int>(rows.size()),
      [&](int i, std::string& name, std::string& local) {
        const SelectedRow& row = rows[static_cast<size_t>(i)];
        const RemoteRowName server = ServerNameOfRow(row.data, row.caption);
        // A name the local disk could only take as another name ("?" for what the code page
        // lacks) is no local file name.
        if (!server.exact) {
          ShowUnusableName(WideServerName(server.server), "downloaded");
          return false;
        }
        // The server chose the name: it must not lead out of the local folder or onto a device.
        if (!IsSafeLocalName(row.caption, localFolder)) {
          RefuseName();
          return false;
        }
        name = server.server;
        local = localFolder + row.caption;
        return true;
      },
      [&](const std::string& name, const std::string& local) {
        return CurrentFtpClient().GetFile(appState.connectionHandle, (remoteFolder + name).c_str(),
                                          local.c_str(), kFailIfExists, FILE_ATTRIBUTE_NORMAL,
                                          kGetFlags, kInternetContext);
      });
}

void UploadSelected() {
  PressButton(kCmdUpload, true);
  AtScopeEnd done([] {
    ListRemoteFolder();
    PressButton(kCmdUpload, false);
  });
  const std::vector<SelectedRow> rows = SelectedFileRows(appState.localList);
  // As for downloads: the folders the names were chosen in, whatever is browsed meanwhile.
  const std::string localFolder = appState.localPath;
  const std::string remoteFolder = appState.remotePath;
  ForEachFile(
      static_cast<int>(rows.size()),
      [&](int i, std::string& name, std::string& local) {
        const SelectedRow& row = rows[static_cast<size_t>(i)];
        std::wstring wide;
        if (InexactLocalName(row.data, wide)) {
          ShowUnusableName(wide, "uploaded");
          return false;
        }
        if (!ServerNameForNew(remoteFolder, row.caption, name)) {
          RefuseName();
          return false;
        }
        local = localFolder + row.caption;
        return true;
      },
      [&](const std::string& name, const std::string& local) {
        return PutFile(local, remoteFolder + name);
      });
}

void UploadDropped(HDROP drop) {
  if (drop == nullptr) return;
  // The receiver of WM_DROPFILES releases the drop handle.
  AtScopeEnd release([drop] { DragFinish(drop); });
  AtScopeEnd relist([] { ListRemoteFolder(); });
  // The folder the files were dropped on, whatever is browsed while an error box is open.
  const std::string remoteFolder = appState.remotePath;
  const UINT count = DragQueryFileA(drop, kAllDroppedFiles, nullptr, 0);
  ForEachFile(
      static_cast<int>(count),
      [&](int i, std::string& name, std::string& local) {
        const UINT index = static_cast<UINT>(i);
        // A longer path would come back cut short: the start of it may name another file, which
        // would then be uploaded under a wrong name.
        if (DragQueryFileW(drop, index, nullptr, 0) >= kDropPathCapacity) {
          ShowErrorText(ERROR_FILENAME_EXCED_RANGE);
          return false;
        }
        // The shell's ANSI form of a path maps what the code page lacks to look-alikes ("Omega"
        // for "Ωmega"), which may name another file: the path is asked for as it is.
        wchar_t buffer[kDropPathCapacity] = {};
        DragQueryFileW(drop, index, buffer, kDropPathCapacity);
        buffer[kDropPathCapacity - 1] = L'\0';
        const std::wstring path = buffer;
        if (!FromWide(path, ProgramCodePage(), local)) {
          ShowUnusableName(path.substr(path.find_last_of(L"\\:") + 1), "uploaded");
          return false;
        }
        if (!ServerNameForNew(remoteFolder, PathNamePart(local), name)) {
          RefuseName();
          return false;
        }
        return true;
      },
      [&](const std::string& name, const std::string& local) {
        return PutFile(local, remoteFolder + name);
      });
}

void DeleteSelected() {
  AtScopeEnd relist([] { ListRemoteFolder(); });
  const std::vector<SelectedRow> rows = SelectedFileRows(appState.remoteList);
  // The folder the user confirmed; an error box lets the user browse elsewhere before the next
  // name, and the rest must not be deleted there.
  const std::string remoteFolder = appState.remotePath;
  HWND owner = appState.mainWindow != nullptr ? HandleOf(appState.mainWindow) : nullptr;
  if (MessageBoxA(owner, kDeleteQuestion, kDeleteCaption, MB_YESNO) != IDYES) return;
  ForEachFile(
      static_cast<int>(rows.size()),
      [&](int i, std::string& name, std::string&) {
        const SelectedRow& row = rows[static_cast<size_t>(i)];
        // The row's own bytes: a row shown with "?" deletes its own file too.
        name = ServerNameOfRow(row.data, row.caption).server;
        return true;
      },
      [&](const std::string& name, const std::string&) {
        return CurrentFtpClient().RemoveFile(appState.connectionHandle,
                                             (remoteFolder + name).c_str());
      });
}

void CreateRemoteFolder() {
  if (!IsConnected()) {
    ShowMessage("Not Connected");
    return;
  }
  AtScopeEnd relist([] { ListRemoteFolder(); });
  // Each try appends the number of tries so far to the name before: New Folder1, New Folder12.
  std::string name = kNewFolderName;
  for (int tries = 0; tries < kMostFolderTries;) {
    std::string serverName = name;
    ServerNameForNew(appState.remotePath, name, serverName);
    const std::string remote = appState.remotePath + serverName;
    const bool created = CurrentFtpClient().MakeFolder(appState.connectionHandle, remote.c_str());
    ++tries;
    if (created) break;
    name += IntToText(tries);
  }
}

void OnListKeyUp(void* /*receiver*/, Control* sender, uint32_t& key, uint32_t /*shift*/) {
  if (key != kDeleteKey) return;
  if (sender != nullptr && sender == appState.localList) {
    // The local side is only browsed: nothing local is ever deleted.
    ShowMessage("Delete pressed local");
  } else if (sender != nullptr && sender == appState.remoteList) {
    DeleteSelected();
  }
}
