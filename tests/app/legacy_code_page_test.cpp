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

namespace {

const wchar_t kGreek[] = L"\u03a9mega.txt";
const wchar_t kFolder[] = L"\u6587\u4ef6\u5939";

bool MakeWideFile(const std::wstring& path, const std::string& bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok =
      WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
      written == bytes.size();
  CloseHandle(file);
  return ok;
}

std::wstring Wide(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

// A drop handle holding UTF-16 paths, as the shell builds it for names of any script.
HDROP MakeWideDrop(const std::vector<std::wstring>& paths) {
  size_t size = sizeof(DROPFILES) + sizeof(wchar_t);
  for (const std::wstring& path : paths) size += (path.size() + 1) * sizeof(wchar_t);
  HGLOBAL memory = GlobalAlloc(GHND, size);
  auto* files = static_cast<DROPFILES*>(GlobalLock(memory));
  files->pFiles = sizeof(DROPFILES);
  files->fWide = TRUE;
  auto* at = reinterpret_cast<wchar_t*>(reinterpret_cast<char*>(files) + sizeof(DROPFILES));
  for (const std::wstring& path : paths) {
    std::memcpy(at, path.c_str(), (path.size() + 1) * sizeof(wchar_t));
    at += path.size() + 1;
  }
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
  ASSERT_TRUE(MakeWideFile(Wide(local_.Path()) + kGreek, std::string(17, 'g')));
  ASSERT_TRUE(local_.MakeFile("Omega.txt", 56, 'l'));
  ASSERT_TRUE(CreateDirectoryW((Wide(local_.Path()) + kFolder).c_str(), nullptr));
  ASSERT_TRUE(MakeWideFile(Wide(served_.Path()) + kGreek, std::string(17, 's')));
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
  UploadDropped(MakeWideDrop({Wide(local_.Path()) + kGreek}));
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
  EXPECT_EQ(GetFileAttributesW((Wide(served_.Path()) + kGreek).c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(FolderEntries(served_.Path()), (std::vector<std::string>{"Omega.txt", "caf\xE9.txt"}));
}

}  // namespace
