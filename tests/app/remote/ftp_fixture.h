// ZevFtp's windows beside a real FTP server, for the FTP tests: a working folder (Sites.sts goes
// there), a local folder, a served folder, the site fields filled in and confirmed with "&Ok";
// readers for what a user sees (status-bar parts, log lines, toolbar states, rows) and the ways
// the platform drives the program (row selection, double clicks, toolbar, menu and popup
// commands, key-ups, dropped files), plus a spy that records messages a window receives.
// FtpClientTest runs its cases once per FTP client (FTP_CLIENT_TEST_SUITE); FtpAppTest uses
// WinInet.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/commands.h"
#include "app/ftp/ftp_client.h"
#include "app/remote/session.h"
#include "app/local/local_pane.h"
#include "tests/app/app_harness.h"
#include "tests/app/temp_folder.h"
#include "tests/support/ftp_server.h"
#include "tests/support/msgbox_watch.h"
#include "tests/support/poll.h"
#include "winobj/controls.h"
#include "winobj/listview.h"
#include "winobj/menu.h"

// Records the messages a window receives that `filter` keeps, then passes every message on.
// One spy per window at a time.
class WindowSpy {
 public:
  using Filter = std::function<bool(UINT message, WPARAM wParam, LPARAM lParam, std::string& note)>;

  WindowSpy(HWND window, Filter filter) : window_(window), filter_(std::move(filter)) {
    SetPropA(window_, kSpyProperty, this);
    previous_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&SpyProc)));
  }
  ~WindowSpy() {
    if (IsWindow(window_)) {
      SetWindowLongPtrA(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous_));
      RemovePropA(window_, kSpyProperty);
    }
  }
  WindowSpy(const WindowSpy&) = delete;
  WindowSpy& operator=(const WindowSpy&) = delete;

  const std::vector<std::string>& Notes() const { return notes_; }

 private:
  static constexpr const char* kSpyProperty = "ftp_test_spy";

  static LRESULT CALLBACK SpyProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* spy = static_cast<WindowSpy*>(GetPropA(window, kSpyProperty));
    if (spy == nullptr) return DefWindowProcA(window, message, wParam, lParam);
    try {
      std::string note;
      if (spy->filter_(message, wParam, lParam, note)) spy->notes_.push_back(note);
    } catch (...) {
    }
    return CallWindowProcA(spy->previous_, window, message, wParam, lParam);
  }

  HWND window_;
  Filter filter_;
  WNDPROC previous_ = nullptr;
  std::vector<std::string> notes_;
};

// The texts put into one part of the main window's status bar, in order.
inline std::unique_ptr<WindowSpy> SpyStatusPart(int part) {
  return std::make_unique<WindowSpy>(
      appState.mainWindow->form.statusBarWindow,
      [part](UINT message, WPARAM wParam, LPARAM lParam, std::string& note) {
        if (message != SB_SETTEXTA || static_cast<int>(LOBYTE(wParam)) != part) return false;
        note = lParam ? reinterpret_cast<const char*>(lParam) : "";
        return true;
      });
}

// TB_PRESSBUTTON messages to the toolbar as "id:0" / "id:1".
inline std::unique_ptr<WindowSpy> SpyButtonPresses() {
  return std::make_unique<WindowSpy>(
      appState.toolbar->handle, [](UINT message, WPARAM wParam, LPARAM lParam, std::string& note) {
        if (message != TB_PRESSBUTTON) return false;
        note = std::to_string(wParam) + ":" + (LOWORD(lParam) ? "1" : "0");
        return true;
      });
}

inline std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (;;) {
    const size_t end = text.find("\r\n", start);
    if (end == std::string::npos) break;
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

// True when `wanted` occur in `lines` in this order (other lines may stand between them).
inline bool InOrder(const std::vector<std::string>& lines, const std::vector<std::string>& wanted) {
  size_t next = 0;
  for (const std::string& line : lines) {
    if (next < wanted.size() && line == wanted[next]) ++next;
  }
  return next == wanted.size();
}

inline std::string Joined(const std::vector<std::string>& items) {
  std::string text;
  for (const std::string& item : items) text += "[" + item + "]";
  return text;
}

inline bool Contains(const std::vector<std::string>& items, const std::string& item) {
  return std::find(items.begin(), items.end(), item) != items.end();
}

// The names a folder holds (files and folders), sorted.
inline std::vector<std::string> FolderEntries(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA entry;
  HANDLE find = FindFirstFileA((folder + "*").c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    const std::string name = entry.cFileName;
    if (name != "." && name != "..") names.push_back(name);
  } while (FindNextFileA(find, &entry));
  FindClose(find);
  std::sort(names.begin(), names.end());
  return names;
}

class FtpAppTest : public ::testing::Test {
 protected:
  static constexpr const char* kUser = "zev";
  static constexpr const char* kPassword = "secret";

  void SetUp() override {
    SelectFtpClient(ClientKind());
    // Outermost watcher: a box no test asked for (a connect that failed where it should not)
    // is answered and reported instead of waiting for the time-out.
    unexpectedBoxes_ = std::make_unique<MessageBoxWatcher>();
    ASSERT_FALSE(work_.Path().empty());
    ASSERT_FALSE(local_.Path().empty());
    ASSERT_FALSE(served_.Path().empty());
    app_ = std::make_unique<AppHarness>();
    appState.localPath = local_.Path();
    ListLocalFolder();
  }

  void TearDown() override {
    // Closing the connection is the program's, not the server's, business: it goes first.
    Disconnect();
    app_.reset();
    server_.reset();
    SelectFtpClient(FtpClientKind::kPlatform);
    for (const MessageBoxRecord& box :
         unexpectedBoxes_ ? unexpectedBoxes_->Boxes() : std::vector<MessageBoxRecord>()) {
      ADD_FAILURE() << "unexpected message box: " << box.text;
    }
    unexpectedBoxes_.reset();
  }

  virtual FtpClientKind ClientKind() const { return FtpClientKind::kWinInet; }
  // Wine's WinInet cuts a listed name at its first blank and passes on no ".." entry.
  bool WinesWinInet() const {
    return ClientKind() == FtpClientKind::kWinInet && RunningUnderWine();
  }

  // The rows of a folder below the root: the own client puts a ".." row first (the servers send
  // none); Wine's WinInet passes on only what the server lists. `parent` is that row's text.
  std::vector<std::string> BelowRoot(std::vector<std::string> rows,
                                     const std::string& parent = "..") const {
    if (!WinesWinInet()) rows.insert(rows.begin(), parent);
    return rows;
  }

  // A server over the served folder; by default the user zev (every permission) and anonymous
  // read-only.
  bool Serve(FtpServerOptions options = DefaultOptions()) {
    if (options.root.empty()) options.root = served_.Path();
    server_ = std::make_unique<FtpServer>(options);
    return server_->Running();
  }
  static FtpServerOptions DefaultOptions() {
    FtpServerOptions options;
    options.user = kUser;
    options.password = kPassword;
    options.anonymous = true;
    return options;
  }

  // The site window's fields as the user leaves them, confirmed with "&Ok".
  void EnterSite(const std::string& host, const std::string& user, const std::string& password,
                 bool anonymous, const std::string& port) {
    SetCaption(appState.hostEdit, host);
    SetCaption(appState.userEdit, user);
    SetCaption(appState.passwordEdit, password);
    SetChecked(appState.anonymousCheck, anonymous);
    SetCaption(appState.portEdit, port);
    Click(appState.okSiteButton);
  }
  std::string Port() const { return std::to_string(server_ ? server_->Port() : 0); }

  // Connects as zev to the running server.
  bool ConnectAsUser() {
    EnterSite("127.0.0.1", kUser, kPassword, false, Port());
    ConnectToSite();
    return IsConnected();
  }

  std::string ServedText(const std::string& name) const {
    return ReadWholeFile(served_.Path() + name);
  }
  std::string LocalText(const std::string& name) const {
    return ReadWholeFile(local_.Path() + name);
  }

  TempFolder work_{true};
  TempFolder local_;
  TempFolder served_;
  std::unique_ptr<AppHarness> app_;
  std::unique_ptr<FtpServer> server_;
  std::unique_ptr<MessageBoxWatcher> unexpectedBoxes_;
};

// The same cases against each FTP client: WinInet/Suite.Case/0 and Own/Suite.Case/0.
class FtpClientTest : public FtpAppTest, public ::testing::WithParamInterface<FtpClientKind> {
 protected:
  FtpClientKind ClientKind() const override { return GetParam(); }
};

#define FTP_CLIENT_TEST_SUITE(suite)                                                    \
  INSTANTIATE_TEST_SUITE_P(WinInet, suite, ::testing::Values(FtpClientKind::kWinInet)); \
  INSTANTIATE_TEST_SUITE_P(Own, suite, ::testing::Values(FtpClientKind::kOwn))

// ---- What a user sees ----

inline std::string StatusPart(int part) {
  HWND bar = appState.mainWindow->form.statusBarWindow;
  const LRESULT length = SendMessageA(bar, SB_GETTEXTLENGTHA, part, 0);
  std::string text(static_cast<size_t>(LOWORD(length)) + 1, '\0');
  SendMessageA(bar, SB_GETTEXTA, part, reinterpret_cast<LPARAM>(&text[0]));
  text.resize(std::strlen(text.c_str()));
  return text;
}

inline std::vector<std::string> LogLines() { return SplitLines(Caption(appState.logEdit)); }

inline bool ButtonEnabled(int id) {
  return SendMessageA(appState.toolbar->handle, TB_ISBUTTONENABLED, id, 0) != 0;
}
inline bool ButtonPressed(int id) {
  return SendMessageA(appState.toolbar->handle, TB_ISBUTTONPRESSED, id, 0) != 0;
}
inline bool MenuItemEnabled(MenuObject* menu, int index) {
  return (ItemFlags(menu, index) & (MFS_GRAYED | MFS_DISABLED)) == 0;
}

inline std::vector<std::string> Rows(Control* list) { return ColumnTexts(list, 0); }

// ---- Driving the program as the platform would ----

inline void SelectRows(Control* list, const std::vector<std::string>& captions) {
  LVITEMA item{};
  item.stateMask = LVIS_SELECTED;
  item.state = 0;
  SendMessageA(list->handle, LVM_SETITEMSTATE, static_cast<WPARAM>(-1),
               reinterpret_cast<LPARAM>(&item));
  for (const std::string& caption : captions) {
    const int row = RowOf(list, caption);
    EXPECT_GE(row, 0) << caption;
    if (row < 0) continue;
    item.state = LVIS_SELECTED;
    SendMessageA(list->handle, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
  }
}

inline void SelectAllRows(Control* list) {
  LVITEMA item{};
  item.stateMask = LVIS_SELECTED;
  item.state = LVIS_SELECTED;
  SendMessageA(list->handle, LVM_SETITEMSTATE, static_cast<WPARAM>(-1),
               reinterpret_cast<LPARAM>(&item));
}

inline void ClickToolbarButton(int id) {
  SendMessageA(GetParent(appState.toolbar->handle), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(appState.toolbar->handle));
}

// A menu command as the platform sends it to the menu's owner window.
inline void ChooseMenuItem(MenuObject* menu, int index) {
  SendMessageA(HandleOf(menu->parent), WM_COMMAND, MAKEWPARAM(menu->firstId + index, 0), 0);
}

// A key released while the list has the focus (the layer only raises key events then).
inline void KeyUp(Control* list, WPARAM key) {
  SetFocus(list->handle);
  EXPECT_EQ(GetFocus(), list->handle);
  SendMessageA(list->handle, WM_KEYUP, key, 0xC0000001);
}

// Puts the mouse over the caption of the row at `row` and double-clicks there.
inline void DoubleClickRowAt(Control* list, int row) {
  RECT r{};
  r.left = LVIR_LABEL;
  SendMessageA(list->handle, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&r));
  POINT p{r.left + 4, (r.top + r.bottom) / 2};
  POINT screen = p;
  ClientToScreen(list->handle, &screen);
  SetCursorPos(screen.x, screen.y);
  SendMessageA(list->handle, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(p.x, p.y));
}

// The same for the row with that caption; false when there is none.
inline bool DoubleClickRow(Control* list, const std::string& caption) {
  const int row = RowOf(list, caption);
  if (row >= 0) DoubleClickRowAt(list, row);
  return row >= 0;
}

// A drop handle as the shell builds it: DROPFILES, then the ANSI paths, double-NUL ended.
inline HDROP MakeDrop(const std::vector<std::string>& paths) {
  size_t size = sizeof(DROPFILES) + 1;
  for (const std::string& path : paths) size += path.size() + 1;
  HGLOBAL memory = GlobalAlloc(GHND, size);
  auto* files = static_cast<DROPFILES*>(GlobalLock(memory));
  files->pFiles = sizeof(DROPFILES);
  files->fWide = FALSE;
  char* at = reinterpret_cast<char*>(files) + sizeof(DROPFILES);
  for (const std::string& path : paths) {
    std::memcpy(at, path.c_str(), path.size() + 1);
    at += path.size() + 1;
  }
  GlobalUnlock(memory);
  return static_cast<HDROP>(memory);
}
