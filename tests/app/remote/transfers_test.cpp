// Transfers and remote file operations against a real server: downloads of the selected files
// only and in row order, an existing local file left alone, uploads of the selected local files
// and of dropped files, deleting after the question, new folders, the Delete key of each pane.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "app/remote/remote_pane.h"
#include "app/remote/transfers.h"
#include "tests/app/remote/ftp_fixture.h"

namespace {

using Transfers = FtpClientTest;

const char* const kDeleteQuestion = "Are you shure you want to delete these files?";

// The order in which the server saw RETR commands of the given names.
std::vector<std::string> RetrievedInOrder(const std::string& log,
                                          const std::vector<std::string>& names) {
  std::vector<std::pair<size_t, std::string>> seen;
  for (const std::string& name : names) {
    const size_t found = log.find("/" + name + " completed=1");
    if (found != std::string::npos) seen.emplace_back(found, name);
  }
  std::sort(seen.begin(), seen.end());
  std::vector<std::string> order;
  for (const auto& entry : seen) order.push_back(entry.second);
  return order;
}

TEST_P(Transfers, DownloadTakesExactlyTheSelectedFilesInRowOrder) {
  ASSERT_TRUE(served_.MakeFile("a.txt", 3000, 'a'));
  ASSERT_TRUE(served_.MakeFile("b.txt", 1100, 'b'));
  ASSERT_TRUE(served_.MakeFile("c.txt", 5000, 'c'));
  ASSERT_TRUE(served_.MakeFolder("sub"));
  ASSERT_TRUE(served_.MakeFile("sub\\inner.txt", 5));
  ASSERT_TRUE(Serve()) << server_->Error();
  ASSERT_TRUE(ConnectAsUser());
  // Rows by size text: sub, b.txt (1 KB), a.txt (2 KB), c.txt (4 KB).
  ASSERT_EQ(Rows(appState.remoteList),
            (std::vector<std::string>{"sub", "b.txt", "a.txt", "c.txt"}));
  SelectRows(appState.remoteList, {"c.txt", "sub", "b.txt"});

  MessageBoxWatcher boxes;
  // The button's presses, and the files already here each time the toolbar is drawn.
  WindowSpy toolbar(appState.toolbar->handle, [&](UINT message, WPARAM wParam, LPARAM lParam,
                                                  std::string& note) {
    if (message == TB_PRESSBUTTON) note = std::to_string(wParam) + ":" + (LOWORD(lParam) ? "1" : "0");
    if (message == WM_PAINT) note = "drawn, files " + std::to_string(FolderEntries(local_.Path()).size());
    return !note.empty();
  });
  DownloadSelected();
  EXPECT_EQ(boxes.Count(), 0u);
  EXPECT_EQ(FolderEntries(local_.Path()), (std::vector<std::string>{"b.txt", "c.txt"}));
  EXPECT_EQ(LocalText("b.txt"), std::string(1100, 'b'));
  EXPECT_EQ(LocalText("c.txt"), std::string(5000, 'c'));
  // pyftpdlib logs a transfer after its 226 reply, which may reach the program first.
  const auto retrieved = [&] {
    return RetrievedInOrder(server_->Log(), {"a.txt", "b.txt", "c.txt", "inner.txt"});
  };
  PollUntil([&] { return retrieved().size() >= 2; }, 5000);
  EXPECT_EQ(retrieved(), (std::vector<std::string>{"b.txt", "c.txt"}));
  // The local pane was listed again; the button was down, and drawn so, while the files came.
  EXPECT_EQ(Rows(appState.localList), (std::vector<std::string>{"..", "b.txt", "c.txt"}));
  std::vector<std::string> presses;
  std::copy_if(toolbar.Notes().begin(), toolbar.Notes().end(), std::back_inserter(presses),
               [](const std::string& note) { return note.find(':') != std::string::npos; });
  EXPECT_EQ(presses, (std::vector<std::string>{"108:1", "108:0"}));
  ASSERT_GE(toolbar.Notes().size(), 2u);
  EXPECT_EQ(toolbar.Notes()[1], "drawn, files 0");
  EXPECT_FALSE(ButtonPressed(kCmdDownload));
}

TEST_P(Transfers, AnExistingLocalFileGetsOneBoxAndStaysUntouched) {
  ASSERT_TRUE(served_.MakeFile("a.txt", 10, 'a'));
  ASSERT_TRUE(served_.MakeFile("b.txt", 20, 'b'));
  ASSERT_TRUE(served_.MakeFile("c.txt", 30, 'c'));
  ASSERT_TRUE(local_.MakeFile("b.txt", 3, 'o'));
  ASSERT_TRUE(Serve()) << server_->Error();
  ASSERT_TRUE(ConnectAsUser());
  SelectRows(appState.remoteList, {"a.txt", "b.txt", "c.txt"});

  MessageBoxWatcher boxes;
  DownloadSelected();
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.Last().text, ErrorText(ERROR_FILE_EXISTS));
  EXPECT_EQ(LocalText("b.txt"), "ooo");
  EXPECT_EQ(LocalText("a.txt"), std::string(10, 'a'));
  EXPECT_EQ(LocalText("c.txt"), std::string(30, 'c'));
}

TEST_P(Transfers, AMissingRemoteFileShowsTheServersReply) {
  ASSERT_TRUE(served_.MakeFile("gone.txt", 10));
  ASSERT_TRUE(served_.MakeFile("stays.txt", 10, 's'));
  ASSERT_TRUE(Serve()) << server_->Error();
  ASSERT_TRUE(ConnectAsUser());
  ASSERT_TRUE(DeleteFileA((served_.Path() + "gone.txt").c_str()));
  SelectRows(appState.remoteList, {"gone.txt", "stays.txt"});

  MessageBoxWatcher boxes;
  DownloadSelected();
  ASSERT_EQ(boxes.Count(), 1u);
  // WinInet reports ERROR_INTERNET_EXTENDED_ERROR; the text is the server's own reply.
  EXPECT_EQ(boxes.Last().text.compare(0, 4, "550 "), 0) << boxes.Last().text;
  EXPECT_EQ(LocalText("stays.txt"), std::string(10, 's'));
  EXPECT_FALSE(FileExists(local_.Path() + "gone.txt"));
}

// The log after transfers is byte for byte what appending each line on its own, at once, wrote:
// a plain edit beside it gets every line as the status bar gets it (EM_SETSEL to the end and
// EM_REPLACESEL each), and the local pane's notification number between two downloads.
TEST_P(Transfers, TheLogIsWhatAppendingEachLineAtOnceWrites) {
  ASSERT_TRUE(served_.MakeFile("big.bin", 3u << 20, 'b'));
  ASSERT_TRUE(served_.MakeFile("two.txt", 2, 't'));
  ASSERT_TRUE(Serve()) << server_->Error();
  ASSERT_TRUE(ConnectAsUser());
  HWND mirror =
      CreateWindowExA(0, "EDIT", "", WS_POPUP | ES_MULTILINE | ES_AUTOVSCROLL | ES_AUTOHSCROLL, 0,
                      0, 100, 100, nullptr, nullptr, nullptr, nullptr);
  SendMessageA(mirror, EM_SETLIMITTEXT, 0, 0);
  const auto append = [mirror](const std::string& text) {
    const int end = GetWindowTextLengthA(mirror);
    SendMessageA(mirror, EM_SETSEL, end, end);
    SendMessageA(mirror, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
  };
  append(Caption(appState.logEdit));
  WindowSpy bar(appState.mainWindow->form.statusBarWindow,
                [&](UINT message, WPARAM, LPARAM lParam, std::string&) {
                  if (message == SB_SETTEXTA)
                    append(reinterpret_cast<const char*>(lParam) + std::string("\r\n"));
                  return false;
                });
  MessageBoxWatcher boxes;
  SelectRows(appState.remoteList, {"big.bin"});
  DownloadSelected();
  NMHDR header{nullptr, 0, static_cast<UINT>(NM_CLICK)};
  SendMessageA(appState.localList->handle, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&header));
  append("-2\r\n");
  SelectRows(appState.remoteList, {"big.bin", "two.txt"});
  DownloadSelected();  // big.bin is there now: refused, with its box
  EXPECT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(LocalText("two.txt"), "tt");
  const int length = GetWindowTextLengthA(mirror);
  std::string expected(static_cast<size_t>(length) + 1, '\0');
  GetWindowTextA(mirror, &expected[0], length + 1);
  expected.resize(static_cast<size_t>(length));
  EXPECT_EQ(Caption(appState.logEdit), expected);
  DestroyWindow(mirror);
}

TEST_P(Transfers, UploadSendsTheSelectedLocalFiles) {
  ASSERT_TRUE(local_.MakeFile("up1.txt", 100, '1'));
  // 1 KB and 2 KB: the pane's order by size text does not hang on the server's own order.
  ASSERT_TRUE(local_.MakeFile("up2.bin", 3000, '2'));
  ASSERT_TRUE(local_.MakeFile("left.txt", 10));
  ASSERT_TRUE(local_.MakeFolder("folder"));
  ASSERT_TRUE(served_.MakeFolder("pub"));
  ASSERT_TRUE(Serve()) << server_->Error();
  ASSERT_TRUE(ConnectAsUser());
  ASSERT_TRUE(DoubleClickRow(appState.remoteList, "pub"));
  ListLocalFolder();
  SelectRows(appState.localList, {"up1.txt", "up2.bin", "folder"});

  MessageBoxWatcher boxes;
  auto presses = SpyButtonPresses();
  UploadSelected();
  EXPECT_EQ(boxes.Count(), 0u);
  EXPECT_EQ(ServedText("pub\\up1.txt"), std::string(100, '1'));
  EXPECT_EQ(ServedText("pub\\up2.bin"), std::string(3000, '2'));
  EXPECT_EQ(FolderEntries(served_.Path() + "pub\\"),
            (std::vector<std::string>{"up1.txt", "up2.bin"}));
  EXPECT_EQ(Rows(appState.remoteList), BelowRoot({"up1.txt", "up2.bin"}));
  EXPECT_EQ(presses->Notes(), (std::vector<std::string>{"109:1", "109:0"}));
}

TEST_P(Transfers, DroppedFilesGoIntoTheCurrentRemoteFolder) {
  ASSERT_TRUE(local_.MakeFile("report.txt", 64, 'r'));
  ASSERT_TRUE(local_.MakeFolder("somefolder"));
  ASSERT_TRUE(served_.MakeFolder("pub"));
  ASSERT_TRUE(Serve()) << server_->Error();
  ASSERT_TRUE(ConnectAsUser());
  ASSERT_TRUE(DoubleClickRow(appState.remoteList, "pub"));
  ASSERT_EQ(appState.remotePath, "/pub/");

  MessageBoxWatcher boxes;
  // A path longer than the 1024 characters asked for would come back cut short.
  const std::string tooLong = local_.Path() + std::string(1100, 'x') + ".txt";
  HDROP drop = MakeDrop({local_.Path() + "report.txt", local_.Path() + "somefolder",
                         local_.Path() + "missing.txt", tooLong});
  const LRESULT handled =
      SendMessageA(appState.remoteList->handle, WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
  EXPECT_EQ(handled, 0);
  // The receiver released the drop handle (DragFinish): Wine then knows no such memory.
  EXPECT_EQ(GlobalSize(drop), 0u);
  EXPECT_EQ(ServedText("pub\\report.txt"), std::string(64, 'r'));
  // The folder, the missing file and the over-long path fail one by one.
  ASSERT_EQ(boxes.Count(), 3u);
  EXPECT_EQ(boxes.Boxes()[2].text, ErrorText(ERROR_FILENAME_EXCED_RANGE));
  EXPECT_EQ(Rows(appState.remoteList), BelowRoot({"report.txt"}));
  EXPECT_FALSE(FileExists(served_.Path() + "report.txt"));
}

TEST_P(Transfers, DeleteAnsweredNoDeletesNothingButRelists) {
  ASSERT_TRUE(served_.MakeFile("a.txt", 1));
  ASSERT_TRUE(Serve()) << server_->Error();
  ASSERT_TRUE(ConnectAsUser());
  SelectRows(appState.remoteList, {"a.txt"});
  ASSERT_TRUE(served_.MakeFile("later.txt", 1));

  MessageBoxWatcher boxes(IDNO);
  KeyUp(appState.remoteList, VK_DELETE);
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.Last().text, kDeleteQuestion);
  EXPECT_EQ(boxes.Last().caption, "Delete Files");
  EXPECT_TRUE(FileExists(served_.Path() + "a.txt"));
  EXPECT_TRUE(Contains(Rows(appState.remoteList), "later.txt"));
}

TEST_P(Transfers, DeleteAnsweredYesDeletesExactlyTheSelectedFiles) {
  ASSERT_TRUE(served_.MakeFile("a.txt", 1));
  ASSERT_TRUE(served_.MakeFile("b.txt", 1));
  ASSERT_TRUE(served_.MakeFile("c.txt", 1));
  ASSERT_TRUE(served_.MakeFolder("sub"));
  ASSERT_TRUE(Serve()) << server_->Error();
  ASSERT_TRUE(ConnectAsUser());
  SelectRows(appState.remoteList, {"a.txt", "c.txt", "sub"});

  MessageBoxWatcher boxes(IDYES);
  KeyUp(appState.remoteList, VK_DELETE);
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.Last().text, kDeleteQuestion);
  EXPECT_EQ(FolderEntries(served_.Path()), (std::vector<std::string>{"b.txt", "sub"}));
  EXPECT_EQ(Rows(appState.remoteList), (std::vector<std::string>{"sub", "b.txt"}));
}

// A user who browses into "sub" while the error box of the first file is open, then closes it.
struct BrowseDuringErrorBox {
  MessageBoxWatcher* boxes = nullptr;
  size_t answered = 1;  // the question
  bool browsed = false;
};
BrowseDuringErrorBox* browseDuringErrorBox = nullptr;

void CALLBACK BrowseThenAnswer(HWND, UINT, UINT_PTR, DWORD) {
  BrowseDuringErrorBox& user = *browseDuringErrorBox;
  if (user.boxes->Count() <= user.answered) return;
  if (!user.browsed) user.browsed = DoubleClickRow(appState.remoteList, "sub");
  user.answered = user.boxes->Count();
  AnswerMessageBox(user.boxes->Last().window, IDOK);
}

TEST_P(Transfers, DeleteGoesOnInTheConfirmedFolderWhenTheUserBrowsesMeanwhile) {
  ASSERT_TRUE(served_.MakeFolder("pub"));
  ASSERT_TRUE(served_.MakeFolder("pub\\sub"));
  ASSERT_TRUE(served_.MakeFile("pub\\a.txt", 10));
  ASSERT_TRUE(served_.MakeFile("pub\\b.txt", 3000));
  ASSERT_TRUE(served_.MakeFile("pub\\sub\\b.txt", 5));
  ASSERT_TRUE(Serve()) << server_->Error();
  ASSERT_TRUE(ConnectAsUser());
  ASSERT_TRUE(DoubleClickRow(appState.remoteList, "pub"));
  // Rows: sub, a.txt (1 KB), b.txt (2 KB); a.txt fails first.
  SelectRows(appState.remoteList, {"a.txt", "b.txt"});
  ASSERT_TRUE(DeleteFileA((served_.Path() + "pub\\a.txt").c_str()));

  MessageBoxWatcher boxes(MessageBoxWatcher::kLeaveOpen);
  boxes.QueueAnswer(IDYES);
  BrowseDuringErrorBox user;
  user.boxes = &boxes;
  browseDuringErrorBox = &user;
  const UINT_PTR timer = SetTimer(nullptr, 0, 20, BrowseThenAnswer);
  DeleteSelected();
  KillTimer(nullptr, timer);
  browseDuringErrorBox = nullptr;

  ASSERT_TRUE(user.browsed);
  EXPECT_EQ(appState.remotePath, "/pub/sub/");
  EXPECT_EQ(boxes.Count(), 2u);
  EXPECT_FALSE(FileExists(served_.Path() + "pub\\b.txt"));
  EXPECT_TRUE(FileExists(served_.Path() + "pub\\sub\\b.txt"));
}

TEST_P(Transfers, DeleteWithNothingSelectedStillAsks) {
  ASSERT_TRUE(served_.MakeFile("a.txt", 1));
  ASSERT_TRUE(Serve()) << server_->Error();
  ASSERT_TRUE(ConnectAsUser());
  MessageBoxWatcher boxes(IDYES);
  KeyUp(appState.remoteList, VK_DELETE);
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.Last().text, kDeleteQuestion);
  EXPECT_TRUE(FileExists(served_.Path() + "a.txt"));
}

TEST_P(Transfers, OtherKeysAndTheLocalPaneDeleteNothing) {
  ASSERT_TRUE(served_.MakeFile("a.txt", 1));
  ASSERT_TRUE(local_.MakeFile("mine.txt", 1));
  ASSERT_TRUE(Serve()) << server_->Error();
  ASSERT_TRUE(ConnectAsUser());
  ListLocalFolder();
  SelectRows(appState.remoteList, {"a.txt"});
  SelectRows(appState.localList, {"mine.txt"});

  MessageBoxWatcher boxes(IDYES);
  KeyUp(appState.remoteList, VK_BACK);
  KeyUp(appState.localList, 'D');
  EXPECT_EQ(boxes.Count(), 0u);
  KeyUp(appState.localList, VK_DELETE);
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.Last().text, "Delete pressed local");
  EXPECT_TRUE(FileExists(local_.Path() + "mine.txt"));
  EXPECT_TRUE(FileExists(served_.Path() + "a.txt"));
}

TEST_P(Transfers, NewFolderAppendsTheTryCountToTheNameBefore) {
  ASSERT_TRUE(served_.MakeFolder("New Folder"));
  ASSERT_TRUE(Serve()) << server_->Error();
  ASSERT_TRUE(ConnectAsUser());
  MessageBoxWatcher boxes;
  CreateRemoteFolder();
  EXPECT_EQ(FolderEntries(served_.Path()), (std::vector<std::string>{"New Folder", "New Folder1"}));
  CreateRemoteFolder();
  EXPECT_EQ(FolderEntries(served_.Path()),
            (std::vector<std::string>{"New Folder", "New Folder1", "New Folder12"}));
  // Failed tries are silent; the pane shows the new folders (one "New" row each from Wine's
  // WinInet, which keeps only the first word of a name).
  EXPECT_EQ(boxes.Count(), 0u);
  EXPECT_EQ(Rows(appState.remoteList).size(), 3u);
}

TEST_P(Transfers, NewFolderWhileDisconnectedSaysNotConnected) {
  ASSERT_TRUE(Serve()) << server_->Error();
  MessageBoxWatcher boxes;
  CreateRemoteFolder();
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.Last().text, "Not Connected");
  EXPECT_TRUE(FolderEntries(served_.Path()).empty());
}

FTP_CLIENT_TEST_SUITE(Transfers);

}  // namespace
