// The remote pane against a real server: the rows of a listing (folders first, "." never a row,
// ".." a folder row), navigation by double click, sorting by a header click, the popup at the
// mouse, a refresh without a connection, and a folder name that would break an FTP command.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/remote/remote_pane.h"
#include "app/remote/transfers.h"
#include "app/file_rows.h"
#include "tests/app/remote/ftp_fixture.h"
#include "winobj/listview.h"

namespace {

class FtpRemotePane : public FtpClientTest {
 protected:
  // /pub/readme.txt and /pub/incoming/x.txt served, the window connected at the root.
  void ServePubTreeAndConnect() {
    ASSERT_TRUE(served_.MakeFolder("pub"));
    ASSERT_TRUE(served_.MakeFolder("pub\\incoming"));
    ASSERT_TRUE(served_.MakeFile("pub\\incoming\\x.txt", 1));
    ASSERT_TRUE(served_.MakeFile("pub\\readme.txt", 1));
    ASSERT_TRUE(Serve()) << server_->Error();
    ASSERT_TRUE(ConnectAsUser());
  }
};

// A listing line as ls -l writes it; Wine's parser takes the first word after the time.
std::string ListingLine(bool folder, unsigned size, const std::string& name) {
  return std::string(folder ? "drwxr-xr-x" : "-rw-r--r--") + "   1 owner    group " +
         std::to_string(size) + " Jan 01 10:00 " + name + "\r\n";
}

TEST_P(FtpRemotePane, FoldersComeFirstDotIsNeverARowDotDotIsAFolder) {
  // A server that lists "." and ".." as well (pyftpdlib and vsftpd send neither).
  TempFolder scripts;
  const std::string listing = ListingLine(true, 0, ".") + ListingLine(true, 0, "..") +
                              ListingLine(false, 3000, "big.bin") + ListingLine(true, 0, "pub") +
                              ListingLine(false, 10, "small.txt");
  ASSERT_TRUE(WriteWholeFile(scripts.Path() + "listing.txt", listing));
  FtpServerOptions options = DefaultOptions();
  options.listingFile = scripts.Path() + "listing.txt";
  ASSERT_TRUE(Serve(options)) << server_->Error();
  ASSERT_TRUE(ConnectAsUser());

  const std::vector<std::string> rows = Rows(appState.remoteList);
  ASSERT_EQ(rows.size(), 4u) << Joined(rows);
  EXPECT_FALSE(Contains(rows, "."));
  // Folders (empty size text) first, then files in the order of their size texts.
  const std::vector<std::string> folders(rows.begin(), rows.begin() + 2);
  EXPECT_TRUE(Contains(folders, "..") && Contains(folders, "pub")) << Joined(rows);
  EXPECT_EQ(ColumnTexts(appState.remoteList, kSizeColumn)[0], "");
  EXPECT_EQ(ListItemImage(appState.remoteList, RowOf(appState.remoteList, "..")), kFolderImage);
  EXPECT_EQ(ListItemText(appState.remoteList, RowOf(appState.remoteList, ".."), kTypeColumn),
            "File Folder");
  EXPECT_EQ(ListItemText(appState.remoteList, RowOf(appState.remoteList, "big.bin"), kSizeColumn),
            "2 KB");
  EXPECT_GT(ListItemImage(appState.remoteList, RowOf(appState.remoteList, "small.txt")), 0);
  // The entries are numbered from 1 in the order the client delivers them. Wine's WinInet passes
  // on the server's "." (entry 1), which takes its number; the own client delivers no ".".
  const LPARAM skipped = WinesWinInet() ? 1 : 0;
  LVITEMA item{};
  item.mask = LVIF_PARAM;
  item.iItem = RowOf(appState.remoteList, "..");
  ASSERT_TRUE(Perform(appState.remoteList, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)));
  EXPECT_EQ(item.lParam, 1 + skipped);
  item.iItem = RowOf(appState.remoteList, "small.txt");
  ASSERT_TRUE(Perform(appState.remoteList, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)));
  EXPECT_EQ(item.lParam, 4 + skipped);
}

TEST_P(FtpRemotePane, DoubleClickGoesDownIntoFoldersAndRelistsOnFiles) {
  ASSERT_NO_FATAL_FAILURE(ServePubTreeAndConnect());
  ASSERT_EQ(Rows(appState.remoteList), std::vector<std::string>{"pub"});

  ASSERT_TRUE(DoubleClickRow(appState.remoteList, "pub"));
  EXPECT_EQ(appState.remotePath, "/pub/");
  EXPECT_EQ(Rows(appState.remoteList), BelowRoot({"incoming", "readme.txt"}));

  // A file row leaves the path as it is and lists the folder again.
  ASSERT_TRUE(served_.MakeFile("pub\\new.txt", 1));
  ASSERT_TRUE(DoubleClickRow(appState.remoteList, "readme.txt"));
  EXPECT_EQ(appState.remotePath, "/pub/");
  EXPECT_TRUE(Contains(Rows(appState.remoteList), "new.txt"));

  ASSERT_TRUE(DoubleClickRow(appState.remoteList, "incoming"));
  EXPECT_EQ(appState.remotePath, "/pub/incoming/");
  EXPECT_EQ(Rows(appState.remoteList), BelowRoot({"x.txt"}));
}

TEST_P(FtpRemotePane, FolderNamesWithBlanksAreUsedExactly) {
  ASSERT_TRUE(served_.MakeFolder("my dir"));
  ASSERT_TRUE(served_.MakeFile("my dir\\inner.txt", 1));
  ASSERT_TRUE(Serve()) << server_->Error();
  ASSERT_TRUE(ConnectAsUser());
  if (WinesWinInet()) {
    // Wine's listing parser cuts a name at its first blank ("my dir" arrives as "my"), so the
    // row is made here as a library without that limit delivers it.
    EXPECT_EQ(Rows(appState.remoteList), std::vector<std::string>{"my"});
    SetListItemText(appState.remoteList, RowOf(appState.remoteList, "my"), kNameColumn, "my dir");
  }
  EXPECT_EQ(Rows(appState.remoteList), std::vector<std::string>{"my dir"});
  ASSERT_TRUE(DoubleClickRow(appState.remoteList, "my dir"));
  EXPECT_EQ(appState.remotePath, "/my dir/");
  EXPECT_TRUE(Contains(Rows(appState.remoteList), "inner.txt"));
}

TEST_P(FtpRemotePane, AFileNameWithBlanksIsListedWholeAndDownloadsByteForByte) {
  std::string content;
  for (int i = 0; i < 70000; ++i) content += static_cast<char>((i * 7 + i / 256) % 256);
  ASSERT_TRUE(WriteWholeFile(served_.Path() + "my file.txt", content));
  ASSERT_TRUE(Serve()) << server_->Error();
  ASSERT_TRUE(ConnectAsUser());
  if (WinesWinInet()) {
    // Wine's listing parser takes the first word of the name only.
    EXPECT_EQ(Rows(appState.remoteList), std::vector<std::string>{"my"});
    return;
  }
  ASSERT_EQ(Rows(appState.remoteList), std::vector<std::string>{"my file.txt"});
  EXPECT_EQ(ListItemText(appState.remoteList, 0, kSizeColumn), "68 KB");
  SelectRows(appState.remoteList, {"my file.txt"});
  MessageBoxWatcher boxes;
  DownloadSelected();
  EXPECT_EQ(boxes.Count(), 0u);
  EXPECT_TRUE(LocalText("my file.txt") == content) << LocalText("my file.txt").size();
}

TEST_P(FtpRemotePane, DotDotLeadsUpFromIncomingToPubAndToTheRoot) {
  ASSERT_NO_FATAL_FAILURE(ServePubTreeAndConnect());
  ASSERT_TRUE(DoubleClickRow(appState.remoteList, "pub"));
  ASSERT_TRUE(DoubleClickRow(appState.remoteList, "incoming"));
  ASSERT_EQ(appState.remotePath, "/pub/incoming/");
  if (WinesWinInet()) {
    // The servers send no "..", and Wine's WinInet adds none: there is no row to go up.
    EXPECT_EQ(Rows(appState.remoteList), std::vector<std::string>{"x.txt"});
    return;
  }
  EXPECT_EQ(Rows(appState.remoteList), (std::vector<std::string>{"..", "x.txt"}));
  ASSERT_TRUE(DoubleClickRow(appState.remoteList, ".."));
  EXPECT_EQ(appState.remotePath, "/pub/");
  EXPECT_TRUE(Contains(Rows(appState.remoteList), "incoming"));
  EXPECT_TRUE(Contains(Rows(appState.remoteList), "readme.txt"));
  ASSERT_TRUE(DoubleClickRow(appState.remoteList, ".."));
  EXPECT_EQ(appState.remotePath, "/");
  EXPECT_TRUE(Contains(Rows(appState.remoteList), "pub"));
}

TEST_P(FtpRemotePane, ALineBreakInAFolderNameNeverReachesTheServer) {
  ASSERT_TRUE(served_.MakeFolder("pub"));
  ASSERT_TRUE(served_.MakeFile("keep.txt", 1));
  ASSERT_TRUE(Serve()) << server_->Error();
  ASSERT_TRUE(ConnectAsUser());
  // Such a name cannot come through Wine's line-based parser; another library could deliver it.
  SetListItemText(appState.remoteList, RowOf(appState.remoteList, "pub"), kNameColumn,
                  "x\r\nDELE keep.txt");
  MessageBoxWatcher boxes;
  ASSERT_TRUE(DoubleClickRow(appState.remoteList, "x\r\nDELE keep.txt"));
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.Last().text, ErrorText(ERROR_INVALID_NAME));
  EXPECT_EQ(appState.remotePath, "/");
  EXPECT_TRUE(FileExists(served_.Path() + "keep.txt"));
  EXPECT_EQ(server_->Log().find("DELE"), std::string::npos);
}

TEST_P(FtpRemotePane, HeaderClickSortsByThatColumnEveryTimeAscending) {
  ASSERT_TRUE(served_.MakeFile("b.txt", 5000));
  ASSERT_TRUE(served_.MakeFile("a.txt", 3000));
  ASSERT_TRUE(served_.MakeFile("c.txt", 1100));
  ASSERT_TRUE(Serve()) << server_->Error();
  ASSERT_TRUE(ConnectAsUser());
  EXPECT_EQ(Rows(appState.remoteList), (std::vector<std::string>{"c.txt", "a.txt", "b.txt"}));

  NMHEADERA click{};
  click.hdr.hwndFrom =
      reinterpret_cast<HWND>(SendMessageA(appState.remoteList->handle, LVM_GETHEADER, 0, 0));
  click.hdr.code = HDN_ITEMCLICKA;
  click.iItem = kNameColumn;
  for (int times = 0; times < 2; ++times) {
    SendMessageA(appState.remoteList->handle, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&click));
    EXPECT_EQ(Rows(appState.remoteList), (std::vector<std::string>{"a.txt", "b.txt", "c.txt"}));
  }
  // A later listing orders by size text again.
  ClickToolbarButton(kCmdRefresh);
  EXPECT_EQ(Rows(appState.remoteList), (std::vector<std::string>{"c.txt", "a.txt", "b.txt"}));
}

TEST_P(FtpRemotePane, RefreshWhileDisconnectedEmptiesThePane) {
  ASSERT_TRUE(served_.MakeFile("a.txt", 1));
  ASSERT_TRUE(Serve()) << server_->Error();
  ASSERT_TRUE(ConnectAsUser());
  ASSERT_EQ(Rows(appState.remoteList).size(), 1u);
  Disconnect();
  EXPECT_EQ(Rows(appState.remoteList).size(), 1u);
  MessageBoxWatcher boxes;
  ClickToolbarButton(kCmdRefresh);
  EXPECT_TRUE(Rows(appState.remoteList).empty());
  EXPECT_EQ(boxes.Count(), 0u);
}

TEST_P(FtpRemotePane, AListingThatFailsIsSaidInOneBoxOnceTheRowsAreDrawn) {
  ASSERT_TRUE(served_.MakeFolder("empty"));
  ASSERT_TRUE(served_.MakeFolder("gone"));
  ASSERT_TRUE(Serve()) << server_->Error();
  ASSERT_TRUE(ConnectAsUser());
  ASSERT_TRUE(RemoveDirectoryA((served_.Path() + "gone").c_str()));

  // The box opens after the listing switched the pane's drawing on again.
  WindowSpy redraws(appState.remoteList->handle,
                    [](UINT message, WPARAM wParam, LPARAM, std::string& note) {
                      if (message != WM_SETREDRAW) return false;
                      note = wParam ? "on" : "off";
                      return true;
                    });
  std::vector<std::string> drawingAtBox;
  MessageBoxWatcher boxes;
  boxes.SetInspector([&](HWND) { drawingAtBox.push_back(Joined(redraws.Notes())); });
  ASSERT_TRUE(DoubleClickRow(appState.remoteList, "gone"));
  EXPECT_EQ(appState.remotePath, "/gone/");
  ASSERT_EQ(boxes.Count(), 1u);
  // The server's refusal: 550 to WinInet's LIST /gone/, 501 to the own client's CWD /gone/.
  const std::string text = boxes.Last().text;
  EXPECT_TRUE(text.size() > 4 && text[0] == '5' && text[3] == ' ') << text;
  EXPECT_NE(text.find("No such"), std::string::npos) << text;
  EXPECT_EQ(drawingAtBox, std::vector<std::string>{"[off][on]"});
  // The way back up stays (the own client's "..": the server sent nothing).
  EXPECT_EQ(Rows(appState.remoteList), BelowRoot({}));

  // An empty folder is no failure.
  appState.remotePath = "/empty/";
  ClickToolbarButton(kCmdRefresh);
  EXPECT_EQ(boxes.Count(), 1u) << boxes.Last().text;
  EXPECT_EQ(Rows(appState.remoteList), BelowRoot({}));

  // A refresh after the server dropped the connection says so in words (Wine's WinInet answers
  // 12110, a transfer in progress, for which Wine has no text).
  server_->Stop();
  ClickToolbarButton(kCmdRefresh);
  ASSERT_TRUE(IsConnected());
  ASSERT_EQ(boxes.Count(), 2u);
  if (!WinesWinInet()) {
    EXPECT_EQ(boxes.Last().text.find("Error "), std::string::npos) << boxes.Last().text;
  }
}

TEST(FtpRemotePaneText, CutAndUnreadListingsSayHowMany) {
  EXPECT_EQ(ListingCutText(500001),
            "The server's listing was cut short: the pane shows only the first 500001 rows.");
  EXPECT_EQ(UnreadLinesText(1),
            "1 line of the server's listing could not be read: the pane does not show it.");
  EXPECT_EQ(UnreadLinesText(3),
            "3 lines of the server's listing could not be read: the pane does not show them.");
}

// Toolbar clicks that wait in the queue behind a message for the application window, which
// makes the next listing work them off before it enumerates.
void QueueBehindApplicationMessage(int commandId) {
  PostMessageA(HandleOf(appState.application), WM_APP, 0, 0);
  PostMessageA(GetParent(appState.toolbar->handle), WM_COMMAND, MAKEWPARAM(commandId, BN_CLICKED),
               reinterpret_cast<LPARAM>(appState.toolbar->handle));
}

TEST_P(FtpRemotePane, CommandsWorkedOffByAListingLeaveOnePaneAndTrueCommandStates) {
  ASSERT_TRUE(served_.MakeFile("a.txt", 1));
  ASSERT_TRUE(served_.MakeFolder("pub"));
  ASSERT_TRUE(Serve()) << server_->Error();
  ASSERT_TRUE(ConnectAsUser());

  // A refresh inside the listing: the rows come once.
  QueueBehindApplicationMessage(kCmdRefresh);
  ListRemoteFolder();
  EXPECT_EQ(Rows(appState.remoteList), (std::vector<std::string>{"pub", "a.txt"}));

  // A disconnect inside the connect's listing: the commands stay those of being disconnected.
  QueueBehindApplicationMessage(kCmdDisconnect);
  ConnectToSite();
  EXPECT_FALSE(IsConnected());
  EXPECT_TRUE(Rows(appState.remoteList).empty());
  EXPECT_TRUE(ButtonEnabled(kCmdConnect));
  EXPECT_FALSE(ButtonEnabled(kCmdDisconnect));
  EXPECT_FALSE(ButtonEnabled(kCmdDownload));
}

struct PopupSeen {
  bool open = false;
  RECT rect{};
};
PopupSeen popupSeen;

BOOL CALLBACK FindPopupMenu(HWND window, LPARAM) {
  char name[32] = {};
  GetClassNameA(window, name, sizeof name);
  if (std::string(name) != "#32768" || !IsWindowVisible(window)) return TRUE;
  popupSeen.open = true;
  GetWindowRect(window, &popupSeen.rect);
  return FALSE;
}

// Runs inside the popup's modal loop, then inside the list view's own mouse tracking after it:
// notes and closes the popup, then ends the tracking, which would wait for a button release.
void CALLBACK WatchRightClick(HWND, UINT, UINT_PTR, DWORD) {
  if (!popupSeen.open) {
    EnumWindows(FindPopupMenu, 0);
    if (popupSeen.open) EndMenu();
  } else if (GetCapture() == appState.remoteList->handle) {
    ReleaseCapture();
  }
}

TEST_P(FtpRemotePane, RightClickOpensThePopupAtTheMouse) {
  Show(appState.mainWindow);
  RECT list{};
  GetWindowRect(appState.remoteList->handle, &list);
  const POINT mouse{list.left + 60, list.bottom - 40};  // empty space below the rows
  SetCursorPos(mouse.x, mouse.y);
  const UINT_PTR timer = SetTimer(nullptr, 0, 10, WatchRightClick);
  POINT client = mouse;
  ScreenToClient(appState.remoteList->handle, &client);
  SendMessageA(appState.remoteList->handle, WM_RBUTTONDOWN, MK_RBUTTON,
               MAKELPARAM(client.x, client.y));
  KillTimer(nullptr, timer);
  EXPECT_TRUE(popupSeen.open);
  EXPECT_EQ(popupSeen.rect.left, mouse.x);
  EXPECT_EQ(popupSeen.rect.top, mouse.y);
}

FTP_CLIENT_TEST_SUITE(FtpRemotePane);

}  // namespace
