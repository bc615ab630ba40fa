// A hostile or broken server whose listing names files so that joining them to the local folder
// would leave it (..\..\x, C:\x, sub/x), reach a device (CON, nul.txt, lpt1.log) or name what
// Windows cannot hold (a:b, trail., a control character): downloading everything writes only the
// good files, into the local folder, and refuses each bad name in its own box.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "app/remote/transfers.h"
#include "tests/app/remote/ftp_fixture.h"

namespace {

using TransfersHostileServer = FtpClientTest;

std::string FileLine(const std::string& name) {
  // Wine's parser takes the first word after the time as the name.
  return "-rw-r--r--   1 owner    group        5 Jan 01 10:00 " + name + "\r\n";
}

std::string ParentOf(const std::string& folder) {
  std::string parent = folder.substr(0, folder.size() - 1);
  return parent.substr(0, parent.find_last_of('\\') + 1);
}

TEST_P(TransfersHostileServer, DownloadRefusesEveryNameThatCouldLeaveTheLocalFolder) {
  const std::vector<std::string> hostile = {
      "..\\..\\evil.txt", "C:\\evil.txt", "sub/evil.txt", "a:b", "CON",
      "nul.txt",          "lpt1.log",     "trail.",       "..",  "bell\x07.txt",
  };
  const std::vector<std::string> good = {"good1.txt", "good2.txt"};
  TempFolder scripts;
  std::string listing;
  for (const std::string& name : hostile) listing += FileLine(name);
  for (const std::string& name : good) listing += FileLine(name);
  ASSERT_TRUE(WriteWholeFile(scripts.Path() + "listing.txt", listing));
  ASSERT_TRUE(served_.MakeFile("good1.txt", 7, '1'));
  ASSERT_TRUE(served_.MakeFile("good2.txt", 9, '2'));
  FtpServerOptions options = DefaultOptions();
  options.listingFile = scripts.Path() + "listing.txt";
  // Each hostile name can really be fetched: only the client stands between it and the disk.
  options.fillListedFiles = true;
  ASSERT_TRUE(Serve(options)) << server_->Error();
  ASSERT_TRUE(ConnectAsUser());

  // Every name arrives as the server sent it: Wine's parser keeps them whole.
  const std::vector<std::string> rows = Rows(appState.remoteList);
  for (const std::string& name : hostile) EXPECT_TRUE(Contains(rows, name)) << name;
  for (const std::string& name : good) EXPECT_TRUE(Contains(rows, name)) << name;

  // The folders a bad name could reach, as they are before the download.
  const std::string parent = ParentOf(local_.Path());
  const std::vector<std::string> watched = {parent, ParentOf(parent), "C:\\", work_.Path()};
  std::map<std::string, std::vector<std::string>> before;
  for (const std::string& folder : watched) before[folder] = FolderEntries(folder);

  SelectAllRows(appState.remoteList);
  MessageBoxWatcher boxes;
  DownloadSelected();

  // The own client takes a server's ".." for the way up, a folder row that is never
  // downloaded; Wine's WinInet passes it on as the file the listing says it is.
  const size_t refused = hostile.size() - (WinesWinInet() ? 0 : 1);
  EXPECT_EQ(boxes.Count(), refused);
  for (const MessageBoxRecord& box : boxes.Boxes()) {
    EXPECT_EQ(box.text, ErrorText(ERROR_INVALID_NAME));
  }
  EXPECT_EQ(FolderEntries(local_.Path()), good);
  EXPECT_EQ(LocalText("good1.txt"), std::string(7, '1'));
  EXPECT_EQ(LocalText("good2.txt"), std::string(9, '2'));
  for (const std::string& folder : watched) {
    EXPECT_EQ(FolderEntries(folder), before[folder]) << folder;
  }
  // No command was sent for a refused name.
  const std::string log = server_->Log();
  EXPECT_EQ(log.find("evil"), std::string::npos) << log;
  EXPECT_NE(log.find("good1.txt completed=1"), std::string::npos);
  EXPECT_NE(log.find("good2.txt completed=1"), std::string::npos);
}

TEST_P(TransfersHostileServer, DeleteAndUploadNeverPutALineBreakIntoACommand) {
  ASSERT_TRUE(served_.MakeFile("keep.txt", 1));
  ASSERT_TRUE(local_.MakeFile("up.txt", 1));
  ASSERT_TRUE(Serve()) << server_->Error();
  ASSERT_TRUE(ConnectAsUser());
  ListLocalFolder();
  // Names that cannot come through Wine's line-based parser, but would from another library or
  // a local file system that allows them.
  SetListItemText(appState.remoteList, RowOf(appState.remoteList, "keep.txt"), 0,
                  "x\r\nDELE keep.txt");
  SetListItemText(appState.localList, RowOf(appState.localList, "up.txt"), 0,
                  "up.txt\nDELE keep.txt");
  SelectAllRows(appState.remoteList);
  SelectAllRows(appState.localList);

  MessageBoxWatcher boxes(IDYES);
  KeyUp(appState.remoteList, VK_DELETE);  // the question, then the refused name
  UploadSelected();                       // the refused name
  ASSERT_EQ(boxes.Count(), 3u);
  EXPECT_EQ(boxes.Boxes()[1].text, ErrorText(ERROR_INVALID_NAME));
  EXPECT_EQ(boxes.Boxes()[2].text, ErrorText(ERROR_INVALID_NAME));
  EXPECT_TRUE(FileExists(served_.Path() + "keep.txt"));
  EXPECT_EQ(server_->Log().find("DELE"), std::string::npos);
}

FTP_CLIENT_TEST_SUITE(TransfersHostileServer);

}  // namespace
