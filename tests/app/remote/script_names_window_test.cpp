// Names in every script through the program's windows and its own client, on real servers: each
// row is exactly its file, downloads and uploads to exactly that name, byte for byte; a server
// holding two files whose names read alike in two code pages keeps them two files.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include "app/remote/remote_pane.h"
#include "app/remote/transfers.h"
#include "tests/app/remote/ftp_fixture.h"
#include "tests/support/program_text.h"

namespace {

const std::wstring kNames[] = {L"caf\u00e9.txt", L"\u03a9mega.txt",
                               L"\u041f\u0440\u0438\u0432\u0435\u0442.txt",
                               L"\u65e5\u672c\u8a9e.txt", L"emoji\U0001F600.txt"};
const std::wstring kFolder = L"\u6587\u4ef6\u5939";

// Content unique to each file, so a file fetched or stored under another's name shows.
std::string ContentOf(size_t i) { return PatternBytes(100 + 37 * i).substr(i); }

// Selects, alone, the row whose size column reads `size` (the captions read alike).
void SelectBySize(Control* list, const std::string& size) {
  const std::vector<std::string> sizes = ColumnTexts(list, 1);
  const auto row = std::find(sizes.begin(), sizes.end(), size) - sizes.begin();
  ASSERT_LT(static_cast<size_t>(row), sizes.size()) << size;
  SelectRows(list, {});
  LVITEMA item{};
  item.stateMask = item.state = LVIS_SELECTED;
  SendMessageA(list->handle, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
}

class ScriptNames : public FtpAppTest {
 protected:
  FtpClientKind ClientKind() const override { return FtpClientKind::kOwn; }

  void SetUp() override {
    if (GetACP() != CP_UTF8) GTEST_SKIP() << "the names need the program's UTF-8 code page";
    FtpAppTest::SetUp();
  }

  void EveryScriptOn(FtpServerOptions::Kind kind, bool utf8Filesystem) {
    for (size_t i = 0; i < std::size(kNames); ++i) {
      ASSERT_TRUE(WriteWholeFile(served_.Path() + ProgramText(kNames[i]), ContentOf(i))) << i;
    }
    ASSERT_TRUE(served_.MakeFolder(ProgramText(kFolder)));
    FtpServerOptions options = DefaultOptions();
    options.kind = kind;
    options.anonymous = false;
    options.utf8Filesystem = utf8Filesystem;
    ASSERT_TRUE(Serve(options)) << server_->Error();
    ASSERT_TRUE(ConnectAsUser()) << server_->Log();

    std::vector<std::string> expected = {ProgramText(kFolder)};
    for (const std::wstring& name : kNames) expected.push_back(ProgramText(name));
    std::vector<std::string> rows = Rows(appState.remoteList);
    std::sort(expected.begin(), expected.end());
    std::sort(rows.begin(), rows.end());
    EXPECT_EQ(rows, expected);

    // Every file down, each to its own name.
    MessageBoxWatcher boxes;
    SelectAllRows(appState.remoteList);
    DownloadSelected();
    EXPECT_EQ(boxes.Count(), 0u) << boxes.Last().text;
    for (size_t i = 0; i < std::size(kNames); ++i) {
      EXPECT_EQ(LocalText(ProgramText(kNames[i])), ContentOf(i)) << i;
    }

    // Into the folder, and every file up into it.
    ASSERT_TRUE(DoubleClickRow(appState.remoteList, ProgramText(kFolder)));
    EXPECT_EQ(appState.remotePath, "/" + Utf8Bytes(kFolder) + "/");
    EXPECT_EQ(Rows(appState.remoteList), BelowRoot({}));
    SelectAllRows(appState.localList);
    UploadSelected();
    EXPECT_EQ(boxes.Count(), 0u) << boxes.Last().text;
    rows = Rows(appState.remoteList);
    for (size_t i = 0; i < std::size(kNames); ++i) {
      const std::string stored = ProgramText(kFolder) + "\\" + ProgramText(kNames[i]);
      EXPECT_EQ(ServedText(stored), ContentOf(i)) << i;
      EXPECT_TRUE(Contains(rows, ProgramText(kNames[i]))) << i;
    }
  }
};

TEST_F(ScriptNames, EveryScriptOnPyftpdlib) { EveryScriptOn(FtpServerOptions::kPyftpdlib, false); }

TEST_F(ScriptNames, EveryScriptOnVsftpdWithUtf8Filesystem) {
  EveryScriptOn(FtpServerOptions::kVsftpd, true);
}

// "café.txt" twice on one server: in UTF-8 (1,111 bytes) and in code page 1252 (5,000 bytes), and
// two folders "café" alike. Both rows read "café.txt"; each downloads, opens and deletes its own
// file, and a new name goes to that folder in 1252, the code page its listing speaks.
TEST_F(ScriptNames, TwoNamesThatReadAlikeStayTwoFiles) {
  const std::string root = UnixPathOf(served_.Path());
  // Bytes that are no UTF-8 cannot come through Wine's file functions: Python writes them.
  const std::string made = RunShellCommandOutput(
      "cd '" + root +
      "' && /usr/bin/python3 -c 'import os; latin = bytes([99, 97, 102, 233]); "
      "open(latin + bytes([46, 116, 120, 116]), mode=chr(119) + chr(98)).write(bytes(5000)); "
      "os.mkdir(latin); open(latin + bytes([47, 108, 46, 116, 120, 116]), mode=chr(119)).close()'");
  ASSERT_NE(made.find("exit 0"), std::string::npos) << made;
  const std::string cafe = ProgramText(L"caf\u00e9");
  ASSERT_TRUE(served_.MakeFile(cafe + ".txt", 1111, 'u'));
  ASSERT_TRUE(served_.MakeFolder(cafe));
  ASSERT_TRUE(served_.MakeFile(cafe + "\\u.txt", 1));
  ASSERT_TRUE(local_.MakeFile(cafe + " up.txt", 3, 'n'));
  FtpServerOptions options = DefaultOptions();
  options.rawNames = true;
  ASSERT_TRUE(Serve(options)) << server_->Error();
  ASSERT_TRUE(ConnectAsUser()) << server_->Log();
  EXPECT_EQ(Rows(appState.remoteList),
            (std::vector<std::string>{cafe, cafe, cafe + ".txt", cafe + ".txt"}));

  // Each file row downloads its own file (into a folder of its own: the names are alike).
  TempFolder other;
  const std::string folders[] = {local_.Path(), other.Path()};
  const std::string bytes[] = {std::string(1111, 'u'), std::string(5000, '\0')};
  for (int i = 0; i < 2; ++i) {
    appState.localPath = folders[i];
    SelectBySize(appState.remoteList, i == 0 ? "1 KB" : "4 KB");
    DownloadSelected();
    EXPECT_EQ(ReadWholeFile(folders[i] + cafe + ".txt"), bytes[i]) << i;
  }
  appState.localPath = local_.Path();
  ListLocalFolder();

  // Each folder row opens its own folder.
  std::vector<std::string> inside;
  for (int row = 0; row < 2; ++row) {
    DoubleClickRowAt(appState.remoteList, row);
    const std::vector<std::string> rows = Rows(appState.remoteList);
    ASSERT_EQ(rows.size(), 2u) << Joined(rows);
    inside.push_back(rows[1]);
    ASSERT_TRUE(DoubleClickRow(appState.remoteList, ".."));
  }
  std::sort(inside.begin(), inside.end());
  EXPECT_EQ(inside, (std::vector<std::string>{"l.txt", "u.txt"}));

  // A new name goes in 1252 beside names in 1252.
  SelectRows(appState.localList, {cafe + " up.txt"});
  UploadSelected();
  // Each file row deletes its own file: the 1252 one first.
  MessageBoxWatcher boxes(IDYES);
  SelectBySize(appState.remoteList, "4 KB");
  DeleteSelected();
  EXPECT_EQ(boxes.Count(), 1u);
  // café (UTF-8 folder), caf\xE9 (1252 folder), café.txt (UTF-8), caf\xE9 up.txt (1252).
  const std::string disk = RunShellCommandOutput(
      "cd '" + root +
      "' && LC_ALL=C ls | /usr/bin/python3 -c 'import sys; print(sys.stdin.buffer.read().hex())'");
  EXPECT_NE(disk.find("636166c3a90a636166c3a92e7478740a636166e90a636166e92075702e7478740a"),
            std::string::npos)
      << disk;
  // Now the one file of that name.
  SelectRows(appState.remoteList, {cafe + ".txt"});
  DeleteSelected();
  EXPECT_FALSE(FileExists(served_.Path() + cafe + ".txt"));
  RunShellCommandOutput("rm -rf '" + root + "'/*");
}

}  // namespace
