// Every toolbar button, main menu item and popup item reaches its action when driven as the
// platform drives it: WM_COMMAND from the toolbar to its parent, menu commands to the menu's
// owner window. Each action is seen by its effect on a real server or the windows. ("Show
// Log" is the main window's own: MainWindowToolbar.ShowLogTogglesTheLogAndTheButton.)
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/remote/remote_pane.h"
#include "tests/app/remote/ftp_fixture.h"

namespace {

using CommandsToolbar = FtpAppTest;
using CommandsMainMenu = FtpAppTest;
using CommandsPopup = FtpAppTest;

const char* const kDeleteQuestion = "Are you shure you want to delete these files?";

TEST_F(CommandsToolbar, ButtonsReachTheirActions) {
  ASSERT_TRUE(served_.MakeFile("remote.txt", 11, 'r'));
  ASSERT_TRUE(local_.MakeFile("local.txt", 12, 'l'));
  ASSERT_TRUE(Serve()) << server_->Error();
  EnterSite("127.0.0.1", kUser, kPassword, false, Port());
  ListLocalFolder();

  ClickToolbarButton(kCmdConnect);
  ASSERT_TRUE(IsConnected());
  EXPECT_EQ(Rows(appState.remoteList), std::vector<std::string>{"remote.txt"});

  // Refresh lists both panes again.
  ASSERT_TRUE(served_.MakeFile("remote2.txt", 1));
  ASSERT_TRUE(local_.MakeFile("local2.txt", 1));
  ClickToolbarButton(kCmdRefresh);
  EXPECT_TRUE(Contains(Rows(appState.remoteList), "remote2.txt"));
  EXPECT_TRUE(Contains(Rows(appState.localList), "local2.txt"));

  SelectRows(appState.remoteList, {"remote.txt"});
  ClickToolbarButton(kCmdDownload);
  EXPECT_EQ(LocalText("remote.txt"), std::string(11, 'r'));

  SelectRows(appState.localList, {"local.txt"});
  ClickToolbarButton(kCmdUpload);
  EXPECT_EQ(ServedText("local.txt"), std::string(12, 'l'));

  {
    // The hidden "Delete" button still answers a command: the question, here answered No.
    MessageBoxWatcher boxes(IDNO);
    SelectRows(appState.remoteList, {"remote.txt"});
    ClickToolbarButton(kCmdDelete);
    ASSERT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(boxes.Last().text, kDeleteQuestion);
    EXPECT_TRUE(FileExists(served_.Path() + "remote.txt"));
  }

  ClickToolbarButton(kCmdDisconnect);
  EXPECT_FALSE(IsConnected());
  EXPECT_EQ(StatusPart(0), "Disconnected");

  // Buttons without an action, and a click beside the buttons, do nothing.
  MessageBoxWatcher none;
  for (int id : {int{kCmdUpOneLevel}, int{kCmdGoTo}, int{kCmdCancel}, int{kCmdProperties},
                 int{kCmdBinaryMode}, 0xFFFF}) {
    ClickToolbarButton(id);
  }
  EXPECT_EQ(none.Count(), 0u);
  EXPECT_FALSE(IsConnected());
}

TEST_F(CommandsMainMenu, SiteManagerShowsTheSiteWindowModally) {
  bool mainEnabledMeanwhile = true;
  bool siteShownMeanwhile = false;
  CallFromNextLoop([&] {
    mainEnabledMeanwhile = IsWindowEnabled(appState.mainWindow->handle) != FALSE;
    siteShownMeanwhile = IsWindowVisible(appState.siteWindow->handle) != FALSE;
    Click(appState.okSiteButton);
  });
  ChooseMenuItem(appState.mainMenu, kMenuSiteManager);
  EXPECT_FALSE(mainEnabledMeanwhile);
  EXPECT_TRUE(siteShownMeanwhile);
  EXPECT_EQ(appState.siteWindow->form.modalResult, 1);
  EXPECT_TRUE(IsWindowEnabled(appState.mainWindow->handle));
}

TEST_F(CommandsMainMenu, ItemsReachTheirActions) {
  ASSERT_TRUE(served_.MakeFile("remote.txt", 11, 'r'));
  ASSERT_TRUE(local_.MakeFile("local.txt", 12, 'l'));
  ASSERT_TRUE(Serve()) << server_->Error();
  EnterSite("127.0.0.1", kUser, kPassword, false, Port());
  ListLocalFolder();

  ChooseMenuItem(appState.mainMenu, kMenuConnect);
  ASSERT_TRUE(IsConnected());

  SelectRows(appState.localList, {"local.txt"});
  ChooseMenuItem(appState.mainMenu, kMenuUpload);
  EXPECT_EQ(ServedText("local.txt"), std::string(12, 'l'));

  SelectRows(appState.remoteList, {"remote.txt"});
  ChooseMenuItem(appState.mainMenu, kMenuDownload);
  EXPECT_EQ(LocalText("remote.txt"), std::string(11, 'r'));

  ChooseMenuItem(appState.mainMenu, kMenuDisconnect);
  EXPECT_FALSE(IsConnected());

  // "&FTP" opens the sub-menu only.
  MessageBoxWatcher none;
  ChooseMenuItem(appState.mainMenu, kMenuFtp);
  EXPECT_FALSE(IsConnected());
  EXPECT_EQ(none.Count(), 0u);
}

TEST_F(CommandsMainMenu, ExitDisconnectsThenClosesTheProgram) {
  ASSERT_TRUE(Serve()) << server_->Error();
  ASSERT_TRUE(ConnectAsUser());
  ChooseMenuItem(appState.mainMenu, kMenuExit);
  EXPECT_FALSE(IsConnected());
  EXPECT_EQ(appState.sessionHandle, nullptr);
  // Closing the application window asks the message loop to end.
  MSG quit{};
  EXPECT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

TEST_F(CommandsPopup, RemotePopupItems) {
  ASSERT_TRUE(served_.MakeFile("remote.txt", 11, 'r'));
  ASSERT_TRUE(Serve()) << server_->Error();
  ASSERT_TRUE(ConnectAsUser());
  SelectRows(appState.remoteList, {"remote.txt"});
  ChooseMenuItem(appState.remotePopup, kPopupTransfer);
  EXPECT_EQ(LocalText("remote.txt"), std::string(11, 'r'));

  MessageBoxWatcher boxes(IDYES);
  SelectRows(appState.remoteList, {"remote.txt"});
  ChooseMenuItem(appState.remotePopup, kPopupDelete);
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.Last().text, kDeleteQuestion);
  EXPECT_FALSE(FileExists(served_.Path() + "remote.txt"));

  ChooseMenuItem(appState.remotePopup, kPopupRename);
  EXPECT_EQ(boxes.Count(), 1u);
  ChooseMenuItem(appState.remotePopup, kPopupNewFolder);
  EXPECT_EQ(FolderEntries(served_.Path()), std::vector<std::string>{"New Folder"});
}

TEST_F(CommandsPopup, LocalPopupItemsUploadAndActOnTheRemoteSide) {
  ASSERT_TRUE(served_.MakeFile("remote.txt", 1));
  ASSERT_TRUE(local_.MakeFile("local.txt", 12, 'l'));
  ASSERT_TRUE(Serve()) << server_->Error();
  ASSERT_TRUE(ConnectAsUser());
  ListLocalFolder();
  SelectRows(appState.localList, {"local.txt"});
  ChooseMenuItem(appState.localPopup, kPopupTransfer);
  EXPECT_EQ(ServedText("local.txt"), std::string(12, 'l'));

  // "&Delete" asks about the remote selection; nothing local is ever deleted.
  MessageBoxWatcher boxes(IDYES);
  SelectRows(appState.remoteList, {"remote.txt"});
  ChooseMenuItem(appState.localPopup, kPopupDelete);
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.Last().text, kDeleteQuestion);
  EXPECT_FALSE(FileExists(served_.Path() + "remote.txt"));
  EXPECT_TRUE(FileExists(local_.Path() + "local.txt"));

  ChooseMenuItem(appState.localPopup, kPopupRename);
  EXPECT_EQ(boxes.Count(), 1u);
  ChooseMenuItem(appState.localPopup, kPopupNewFolder);
  EXPECT_TRUE(FileExists(served_.Path() + "New Folder"));
  EXPECT_EQ(FolderEntries(local_.Path()), std::vector<std::string>{"local.txt"});
}

}  // namespace
