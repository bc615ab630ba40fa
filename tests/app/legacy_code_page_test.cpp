// ZevFtp with the system's legacy ANSI code page, as on Windows older than 10 version 1903 (this
// test program carries no UTF-8 manifest): a name the code page lacks is shown with "?", never
// as a look-alike that may be another file's name, and a row that shows it is refused with a box
// that names it. The other rows act on their own files.
#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "app/remote/remote_pane.h"
#include "app/remote/transfers.h"
#include "tests/app/remote/ftp_fixture.h"
#include "tests/support/program_text.h"

namespace {

const wchar_t kGreek[] = L"\u03a9mega.txt";
const wchar_t kFolder[] = L"\u6587\u4ef6\u5939";

// A drop handle holding one UTF-16 path, as the shell builds it for names of any script.
HDROP MakeWideDrop(const std::wstring& path) {
  const std::wstring paths = path + L'\0' + L'\0';
  HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + paths.size() * sizeof(wchar_t));
  auto* files = static_cast<DROPFILES*>(GlobalLock(memory));
  files->pFiles = sizeof(DROPFILES);
  files->fWide = TRUE;
  std::memcpy(files + 1, paths.data(), paths.size() * sizeof(wchar_t));
  GlobalUnlock(memory);
  return static_cast<HDROP>(memory);
}

class LegacyCodePage : public FtpAppTest {
 protected:
  FtpClientKind ClientKind() const override { return FtpClientKind::kOwn; }
  void SetUp() override {
    if (GetACP() != 1252) GTEST_SKIP() << "the names are chosen for code page 1252";
    FtpAppTest::SetUp();
  }
  // The one box since the last call names `name` as refused for `action`.
  static void ExpectRefusal(MessageBoxWatcher& boxes, const std::wstring& name,
                            const std::wstring& action) {
    ASSERT_EQ(boxes.Count(), 1u);
    EXPECT_NE(boxes.Last().wideText.find(L"\"" + name + L"\" cannot be " + action),
              std::wstring::npos)
        << boxes.Last().text;
    boxes.Clear();
  }
};

// "Ωmega.txt" (17 bytes) beside "Omega.txt" (56 bytes): the ANSI find functions listed both as
// "Omega.txt", and both rows uploaded the 56 bytes. A server's UTF-8 "Ωmega.txt" showed as
// "?mega.txt" and answered "Invalid name.".
TEST_F(LegacyCodePage, NamesTheCodePageLacksAreRefusedByName) {
  // The code page cannot name them: made under other names, then renamed.
  const std::wstring local = WideText(local_.Path()), served = WideText(served_.Path());
  ASSERT_TRUE(local_.MakeFile("g", 17, 'g') && served_.MakeFile("s", 17, 's'));
  ASSERT_TRUE(MoveFileW((local + L"g").c_str(), (local + kGreek).c_str()));
  ASSERT_TRUE(MoveFileW((served + L"s").c_str(), (served + kGreek).c_str()));
  ASSERT_TRUE(CreateDirectoryW((local + kFolder).c_str(), nullptr));
  ASSERT_TRUE(local_.MakeFile("Omega.txt", 56, 'l'));
  ASSERT_TRUE(served_.MakeFile("caf\xE9.txt", 5, 'c'));
  ListLocalFolder();
  std::vector<std::string> rows = Rows(appState.localList);
  std::sort(rows.begin(), rows.end());
  EXPECT_EQ(rows, (std::vector<std::string>{"..", "???", "?mega.txt", "Omega.txt"}));
  ASSERT_TRUE(Serve()) << server_->Error();
  ASSERT_TRUE(ConnectAsUser());
  rows = Rows(appState.remoteList);
  std::sort(rows.begin(), rows.end());
  EXPECT_EQ(rows, (std::vector<std::string>{"?mega.txt", "caf\xE9.txt"}));

  MessageBoxWatcher boxes(IDYES);
  SelectRows(appState.localList, {"?mega.txt", "Omega.txt"});
  UploadSelected();
  ExpectRefusal(boxes, kGreek, L"uploaded");
  EXPECT_EQ(ServedText("Omega.txt"), std::string(56, 'l'));
  UploadDropped(MakeWideDrop(local + kGreek));
  ExpectRefusal(boxes, kGreek, L"uploaded");
  const std::string before = appState.localPath;
  ASSERT_TRUE(DoubleClickRow(appState.localList, "???"));
  ExpectRefusal(boxes, kFolder, L"opened");
  EXPECT_EQ(appState.localPath, before);

  SelectRows(appState.remoteList, {"?mega.txt", "caf\xE9.txt"});
  DownloadSelected();
  ExpectRefusal(boxes, kGreek, L"downloaded");
  EXPECT_EQ(LocalText("caf\xE9.txt"), "ccccc");
  EXPECT_EQ(ReadWholeFile(local_.Path() + "Omega.txt"), std::string(56, 'l'));
  // The row deletes its own file.
  SelectRows(appState.remoteList, {"?mega.txt"});
  DeleteSelected();
  EXPECT_EQ(GetFileAttributesW((served + kGreek).c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(FolderEntries(served_.Path()), (std::vector<std::string>{"Omega.txt", "caf\xE9.txt"}));
}

}  // namespace
