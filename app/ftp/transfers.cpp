#include "app/ftp/transfers.h"

#include <commctrl.h>
#include <wininet.h>

#include <cstring>

#include "app/app_state.h"
#include "app/commands.h"
#include "app/ftp/ftp_client.h"
#include "app/ftp/remote_pane.h"
#include "app/ftp/ftp_text.h"
#include "app/ftp/session.h"
#include "app/local/file_rows.h"
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
constexpr size_t kMostNameLength = 255;  // characters in one path component
const char* const kNewFolderName = "New Folder";
const char* const kDeleteQuestion = "Are you shure you want to delete these files?";
const char* const kDeleteCaption = "Delete Files";
// Characters Windows refuses in a file name; besides them every control character (below the
// blank) is refused.
const char* const kRefusedCharacters = "<>:\"/\\|?*";
constexpr unsigned char kFirstPrintable = 0x20;
// Superscript 1, 2 and 3 in the ANSI code page: Windows takes COM and LPT with them as devices too.
constexpr unsigned char kSuperscriptOne = 0xB9;
constexpr unsigned char kSuperscriptTwo = 0xB2;
constexpr unsigned char kSuperscriptThree = 0xB3;

void PressButton(int id, bool pressed) {
  if (appState.toolbar != nullptr) {
    SendButtonMessage(appState.toolbar, id, TB_PRESSBUTTON, pressed ? 1 : 0);
  }
}

char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// COM and LPT take a digit or a superscript 1, 2 or 3.
bool IsPortDigit(char c) {
  const unsigned char u = static_cast<unsigned char>(c);
  return (c >= '0' && c <= '9') || u == kSuperscriptOne || u == kSuperscriptTwo ||
         u == kSuperscriptThree;
}

// Windows opens the device whatever extension follows the name, and blanks before the dot do
// not count either ("nul .txt").
bool IsDeviceName(const std::string& name) {
  std::string base = name.substr(0, name.find('.'));
  while (!base.empty() && base.back() == ' ') base.pop_back();
  for (char& c : base) c = UpperAscii(c);
  if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL" || base == "CONIN$" ||
      base == "CONOUT$") {
    return true;
  }
  return base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) &&
         IsPortDigit(base[3]);
}

// Refuses the file in its own box, as the library's failures are.
void RefuseName() { ShowErrorText(ERROR_INVALID_NAME); }

}  // namespace

bool IsSafeLocalName(const std::string& name) { return IsSafeLocalNameInCodePage(name, CP_ACP); }

bool IsSafeLocalNameInCodePage(const std::string& name, UINT codePage) {
  if (name.empty() || name.size() > kMostNameLength) return false;
  for (size_t i = 0; i < name.size(); ++i) {
    const char c = name[i];
    // In a double-byte code page (Japanese, Chinese, Korean) a trail byte may equal "\" or "|"
    // while the pair is one ordinary character; a lead byte without its trail is malformed.
    if (IsDBCSLeadByteEx(codePage, static_cast<BYTE>(c))) {
      if (++i == name.size()) return false;
      continue;
    }
    if (static_cast<unsigned char>(c) < kFirstPrintable) return false;
    if (std::strchr(kRefusedCharacters, c) != nullptr) return false;
  }
  // Also refuses "." and "..": Windows drops trailing dots and blanks, so such a name would
  // land on another file (or on the folder above).
  if (name.back() == '.' || name.back() == ' ') return false;
  return !IsDeviceName(name);
}

bool IsSafeLocalName(const std::string& name, const std::string& folder) {
  return IsSafeLocalName(name) && folder.size() + name.size() < MAX_PATH;
}

bool IsSafeRemoteName(const std::string& name) {
  return !name.empty() && !HoldsLineBreak(name);
}

void CollectSelectedFiles(Control* listView, StringList& names) {
  names.Clear();
  if (listView == nullptr || listView->handle == nullptr) return;
  const int count = static_cast<int>(SendMessageA(listView->handle, LVM_GETITEMCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    const LRESULT state = SendMessageA(listView->handle, LVM_GETITEMSTATE, i, LVIS_SELECTED);
    if (state == LVIS_SELECTED && ListItemImage(listView, i) != kFolderImage) {
      names.Add(ListItemText(listView, i, kNameColumn));
    }
  }
}

void DownloadSelected() {
  PressButton(kCmdDownload, true);
  AtScopeEnd done([] {
    ListLocalFolder();
    PressButton(kCmdDownload, false);
  });
  StringList names;
  CollectSelectedFiles(appState.remoteList, names);
  // The names belong to these folders. An error box lets the user browse either pane before
  // the next file; that must not send the rest of the names to other folders.
  const std::string remoteFolder = appState.remotePath;
  const std::string localFolder = appState.localPath;
  for (int i = 0; i < names.Count(); ++i) {
    const std::string name = names.ItemText(i);
    // The server chose the name: it must not lead out of the local folder, onto a device, or
    // into the FTP command as a second line.
    if (!IsSafeRemoteName(name) || !IsSafeLocalName(name, localFolder)) {
      RefuseName();
      continue;
    }
    const std::string remote = remoteFolder + name;
    const std::string local = localFolder + name;
    if (!CurrentFtpClient().GetFile(appState.connectionHandle, remote.c_str(), local.c_str(),
                                    kFailIfExists, FILE_ATTRIBUTE_NORMAL, kGetFlags,
                                    kInternetContext)) {
      ShowErrorText(GetLastError());
    }
  }
}

void UploadSelected() {
  PressButton(kCmdUpload, true);
  AtScopeEnd done([] {
    ListRemoteFolder();
    PressButton(kCmdUpload, false);
  });
  StringList names;
  CollectSelectedFiles(appState.localList, names);
  // As for downloads: the folders the names were chosen in, whatever is browsed meanwhile.
  const std::string localFolder = appState.localPath;
  const std::string remoteFolder = appState.remotePath;
  for (int i = 0; i < names.Count(); ++i) {
    const std::string name = names.ItemText(i);
    if (!IsSafeRemoteName(name)) {
      RefuseName();
      continue;
    }
    const std::string local = localFolder + name;
    const std::string remote = remoteFolder + name;
    if (!CurrentFtpClient().PutFile(appState.connectionHandle, local.c_str(), remote.c_str(),
                                    kPutFlags, kInternetContext)) {
      ShowErrorText(GetLastError());
    }
  }
}

void UploadDropped(HDROP drop) {
  if (drop == nullptr) return;
  // The receiver of WM_DROPFILES releases the drop handle.
  AtScopeEnd release([drop] { DragFinish(drop); });
  AtScopeEnd relist([] { ListRemoteFolder(); });
  // The folder the files were dropped on, whatever is browsed while an error box is open.
  const std::string remoteFolder = appState.remotePath;
  const UINT count = DragQueryFileA(drop, kAllDroppedFiles, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    // A longer path would come back cut short: the start of it may name another file, which
    // would then be uploaded under a wrong name.
    if (DragQueryFileA(drop, i, nullptr, 0) >= kDropPathCapacity) {
      ShowErrorText(ERROR_FILENAME_EXCED_RANGE);
      continue;
    }
    char buffer[kDropPathCapacity] = {};
    DragQueryFileA(drop, i, buffer, kDropPathCapacity);
    buffer[kDropPathCapacity - 1] = '\0';
    const std::string local = buffer;
    const std::string name = PathNamePart(local);
    if (!IsSafeRemoteName(name)) {
      RefuseName();
      continue;
    }
    const std::string remote = remoteFolder + name;
    if (!CurrentFtpClient().PutFile(appState.connectionHandle, local.c_str(), remote.c_str(),
                                    kPutFlags, kInternetContext)) {
      ShowErrorText(GetLastError());
    }
  }
}

void DeleteSelected() {
  AtScopeEnd relist([] { ListRemoteFolder(); });
  StringList names;
  CollectSelectedFiles(appState.remoteList, names);
  // The folder the user confirmed; an error box lets the user browse elsewhere before the next
  // name, and the rest must not be deleted there.
  const std::string remoteFolder = appState.remotePath;
  HWND owner = appState.mainWindow != nullptr ? HandleOf(appState.mainWindow) : nullptr;
  if (MessageBoxA(owner, kDeleteQuestion, kDeleteCaption, MB_YESNO) != IDYES) return;
  for (int i = 0; i < names.Count(); ++i) {
    const std::string name = names.ItemText(i);
    if (!IsSafeRemoteName(name)) {
      RefuseName();
      continue;
    }
    const std::string remote = remoteFolder + name;
    if (!CurrentFtpClient().RemoveFile(appState.connectionHandle, remote.c_str())) {
      ShowErrorText(GetLastError());
    }
  }
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
    const std::string remote = appState.remotePath + name;
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
