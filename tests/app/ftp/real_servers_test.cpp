// The own client against the servers people run, where they differ: which listing command they
// take, whether they list ".." at "/", symbolic links (listed with their own length), UTF-8
// names without UTF8 in FEAT, folders whose names hold a blank (a server that hands LIST's
// argument to ls splits it), IPv6. The same served tree, one server at a time.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "tests/app/ftp/own_client_fixture.h"
#include "tests/support/ftp_server.h"
#include "tests/support/program_text.h"

namespace {

constexpr size_t kDataSize = 3000;
// The name as the program writes it (UTF-8 with its manifest), and as each server lists it: the
// Linux disk's UTF-8.
const std::string kCafe = ProgramText(L"caf\u00e9.txt");
const std::string kCafeOnServer = Utf8Bytes(L"caf\u00e9.txt");

class RealServers : public OwnClientTest {
 protected:
  void SetUp() override {
    OwnClientTest::SetUp();
    SetOwnClientTimeout(10000);  // some servers take their time to start a session
    ASSERT_TRUE(served_.MakeFolder("my dir"));
    ASSERT_TRUE(served_.MakeFile("my dir\\inner file.txt", 5, 'i'));
    ASSERT_TRUE(served_.MakeFile("data.bin", kDataSize, 'd'));
    ASSERT_TRUE(served_.MakeFile(kCafe, 4, 'c'));
    const std::string root = UnixPathOf(served_.Path());
    ASSERT_FALSE(root.empty());
    // Relative links, so they point into the tree wherever a server puts its root.
    RunShellCommandOutput("cd '" + root + "' && ln -s 'my dir' dirlink && ln -s data.bin filelink");
  }

  HINTERNET ConnectTo(const FtpServer& server, const std::string& address) {
    connection_ = client_.Connect(session_, address.c_str(),
                                  static_cast<INTERNET_PORT>(server.Port()), "zev", "secret", 255);
    return connection_;
  }

  static std::vector<std::string> Names(const std::vector<FoundEntry>& entries) {
    std::vector<std::string> names;
    for (const FoundEntry& e : entries) names.push_back(e.name);
    std::sort(names.begin(), names.end());
    return names;
  }
  static const FoundEntry* Find(const std::vector<FoundEntry>& entries, const std::string& name) {
    for (const FoundEntry& e : entries) {
      if (e.name == name) return &e;
    }
    return nullptr;
  }

  TempFolder served_;
  TempFolder local_;
};

TEST_F(RealServers, ListingsLinksNamesAndBlanksOnEachServer) {
  struct Case {
    FtpServerOptions::Kind kind;
    const char* name;
    const char* address;
    bool rootListsParent;  // the server lists ".." at its root
  };
  const std::vector<Case> table = {
      {FtpServerOptions::kVsftpdDebian, "vsftpd as Debian ships it", "127.0.0.1", false},
      {FtpServerOptions::kProftpd, "ProFTPD", "127.0.0.1", true},
      {FtpServerOptions::kProftpd, "ProFTPD over IPv6", "::1", true},
      {FtpServerOptions::kPureFtpd, "Pure-FTPd", "127.0.0.1", true},
      {FtpServerOptions::kInetutils, "GNU inetutils ftpd", "127.0.0.1", false},
      {FtpServerOptions::kPyftpdlib, "pyftpdlib", "::1", false},
  };
  for (const Case& c : table) {
    SCOPED_TRACE(c.name);
    FtpServerOptions options;
    options.kind = c.kind;
    options.address = c.address;
    options.root = served_.Path();
    options.user = "zev";
    options.password = "secret";
    FtpServer server(options);
    ASSERT_TRUE(server.Running()) << server.Error();
    ASSERT_NE(ConnectTo(server, c.address), nullptr) << GetLastError() << server.Log();

    // The login folder (the empty path): the served root for every server here.
    const std::vector<FoundEntry> top = FindAll("*.*");
    std::vector<std::string> expected = {"data.bin", "dirlink", "filelink", "my dir",
                                         kCafeOnServer};
    if (c.rootListsParent) expected.insert(expected.begin(), "..");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(Names(top), expected);
    // A link is what it points to: a folder, or a file of the target's size.
    const FoundEntry* dirlink = Find(top, "dirlink");
    const FoundEntry* filelink = Find(top, "filelink");
    ASSERT_TRUE(dirlink != nullptr && filelink != nullptr);
    EXPECT_TRUE(dirlink->folder);
    EXPECT_EQ(*filelink, (FoundEntry{"filelink", false, kDataSize}));

    // Into a folder whose name holds a blank, and into the folder behind a link.
    for (const char* folder : {"my dir/", "dirlink/"}) {
      const std::vector<FoundEntry> inside = FindAll(std::string(folder) + "*.*");
      EXPECT_EQ(Names(inside), (std::vector<std::string>{"..", "inner file.txt"})) << folder;
    }

    // The link to a file downloads whole; the UTF-8 name is fetched by the server's bytes.
    const std::string local = local_.Path();
    EXPECT_TRUE(client_.GetFile(connection_, "filelink", (local + "filelink").c_str(), true, 0x80,
                                0x80000002, 255))
        << GetLastError() << " " << client_.LastResponse();
    EXPECT_EQ(ReadWholeFile(local + "filelink"), std::string(kDataSize, 'd'));
    EXPECT_TRUE(client_.GetFile(connection_, kCafeOnServer.c_str(), (local + kCafe).c_str(), true,
                                0x80, 0x80000002, 255))
        << GetLastError() << " " << client_.LastResponse();
    EXPECT_EQ(ReadWholeFile(local + kCafe), "cccc");
    DeleteFileA((local + "filelink").c_str());
    DeleteFileA((local + kCafe).c_str());
    client_.Close(connection_);
  }
}

}  // namespace
