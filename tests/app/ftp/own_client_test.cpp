// The own FTP client against real servers on 127.0.0.1 (pyftpdlib with MLSD and UTF-8, vsftpd
// with LIST only): progress reports in WinInet's order, logins, listings with names holding
// blanks and a ".." to go up, fail-if-exists, transfers byte for byte, one find at a time,
// handles that were never handed out or are closed.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "tests/app/ftp/own_client_fixture.h"
#include "tests/support/ftp_server.h"
#include "tests/support/scripted_ftp_server.h"

namespace {

class OwnClientServers : public OwnClientTest {
 protected:
  bool Serve(FtpServerOptions::Kind kind = FtpServerOptions::kPyftpdlib) {
    FtpServerOptions options;
    options.kind = kind;
    options.root = served_.Path();
    if (kind == FtpServerOptions::kPyftpdlib) {
      options.user = "u";
      options.password = "p";
      options.anonymous = true;
    } else {
      options.writableFolders = {"up"};
    }
    server_ = std::make_unique<FtpServer>(options);
    return server_->Running();
  }

  // pyftpdlib answering every listing with `listing`, whatever the folder holds.
  ::testing::AssertionResult ServeListing(const std::string& listing) {
    if (!WriteWholeFile(scripts_.Path() + "listing.txt", listing)) {
      return ::testing::AssertionFailure() << "the listing file could not be written";
    }
    FtpServerOptions options;
    options.root = served_.Path();
    options.user = "u";
    options.password = "p";
    options.listingFile = scripts_.Path() + "listing.txt";
    server_ = std::make_unique<FtpServer>(options);
    if (!server_->Running()) return ::testing::AssertionFailure() << server_->Error();
    return ::testing::AssertionSuccess();
  }

  TempFolder scripts_;
  TempFolder served_;
  TempFolder local_;
  std::unique_ptr<FtpServer> server_;
};

std::vector<DWORD> Codes() {
  std::vector<DWORD> codes;
  for (const StatusReport& r : Reports()) codes.push_back(r.status);
  return codes;
}

TEST_F(OwnClientServers, ProgressComesInWinInetsOrderWithContext255) {
  ScriptedFtpServer server("plain");
  ASSERT_TRUE(server.Running()) << server.Error();
  ASSERT_NE(Connect(server.Port()), nullptr) << GetLastError();
  // Handle created, resolving, resolved, connecting, connected, then the greeting and one
  // command/reply pair per step of the login: USER, PASS, FEAT, OPTS UTF8 ON, TYPE I, PWD.
  std::vector<DWORD> expected = {60, 10, 11, 20, 21, 40, 41};
  for (int i = 0; i < 6; ++i) expected.insert(expected.end(), {30, 31, 40, 41});
  EXPECT_EQ(Codes(), expected);
  ASSERT_GE(Reports().size(), 9u);
  EXPECT_EQ(Reports()[1].text, "127.0.0.1");
  EXPECT_EQ(Reports()[2].text, "127.0.0.1");
  EXPECT_EQ(Reports()[8].count, std::string("USER u\r\n").size());
  EXPECT_EQ(Reports()[6].count, std::string("220 scripted server ready\r\n").size());
  for (const StatusReport& r : Reports()) {
    EXPECT_EQ(r.context, 255u) << r.status;
    EXPECT_EQ(r.handle, connection_) << r.status;
  }
  EXPECT_EQ(server.Commands(), "USER u\nPASS p\nFEAT\nOPTS UTF8 ON\nTYPE I\nPWD\n");

  Reports().clear();
  client_.Close(connection_);
  EXPECT_EQ(Codes(), (std::vector<DWORD>{30, 31, 40, 41, 50, 51, 70}));
  EXPECT_NE(server.Commands().find("QUIT\n"), std::string::npos);
}

TEST_F(OwnClientServers, LoginsAndConnectFailuresGiveWinInetsCodes) {
  ASSERT_TRUE(Serve()) << server_->Error();
  // Null user and password: anonymous with a mail-like password.
  ASSERT_NE(Connect(server_->Port(), nullptr, nullptr), nullptr) << GetLastError();
  client_.Close(connection_);
  EXPECT_NE(server_->Log().find("USER 'anonymous' logged in"), std::string::npos);

  struct Case {
    const char* host;
    int port;
    const char* user;
    const char* password;
    DWORD error;
  };
  const int good = server_->Port();
  // A port nobody listens on: the server's own, once it is stopped, would race; take a fresh one.
  const std::vector<Case> table = {
      {"127.0.0.1", good, "u", "wrong", ERROR_INTERNET_LOGIN_FAILURE},
      {"127.0.0.1", good, "nobody", "p", ERROR_INTERNET_LOGIN_FAILURE},
      {"no-such-host.invalid", good, "u", "p", ERROR_INTERNET_NAME_NOT_RESOLVED},
      {"", good, "u", "p", ERROR_INTERNET_NAME_NOT_RESOLVED},
      {"127.0.0.1", 1, "u", "p", ERROR_INTERNET_CANNOT_CONNECT},
      {"127.0.0.1", good, nullptr, "p", ERROR_INVALID_PARAMETER},
  };
  for (const Case& c : table) {
    EXPECT_EQ(client_.Connect(session_, c.host, static_cast<INTERNET_PORT>(c.port), c.user,
                              c.password, 255),
              nullptr)
        << c.host << " " << (c.user ? c.user : "(null)");
    EXPECT_EQ(GetLastError(), c.error) << c.host << " " << (c.user ? c.user : "(null)");
  }
}

TEST_F(OwnClientServers, ALineBreakInHostUserOrPasswordSendsNothing) {
  ScriptedFtpServer server("plain");
  ASSERT_TRUE(server.Running()) << server.Error();
  const INTERNET_PORT port = static_cast<INTERNET_PORT>(server.Port());
  struct Case {
    const char* host;
    const char* user;
    const char* password;
  };
  const std::vector<Case> table = {
      {"127.0.0.1\r\nDELE x", "u", "p"},
      {"127.0.0.1", "u\r\nDELE x", "p"},
      {"127.0.0.1", "u", "p\nDELE x"},
      {"127.0.0.1", "u", "p\rDELE x"},
  };
  for (const Case& c : table) {
    Reports().clear();
    EXPECT_EQ(client_.Connect(session_, c.host, port, c.user, c.password, 255), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_TRUE(Reports().empty());
  }
  EXPECT_EQ(server.Commands(), "");
}

TEST_F(OwnClientServers, ListingsOfPyftpdlibAndVsftpd) {
  ASSERT_TRUE(served_.MakeFolder("my dir"));
  ASSERT_TRUE(served_.MakeFile("my file.txt", 6));
  ASSERT_TRUE(served_.MakeFile("my dir\\inner file", 3));
  ASSERT_TRUE(served_.MakeFolder("up"));
  ASSERT_TRUE(served_.MakeFolder("empty"));
  // Both servers are started first and run until the end.
  std::vector<std::unique_ptr<FtpServer>> servers;
  for (FtpServerOptions::Kind kind : {FtpServerOptions::kPyftpdlib, FtpServerOptions::kVsftpd}) {
    ASSERT_TRUE(Serve(kind)) << server_->Error();
    servers.push_back(std::move(server_));
  }
  for (size_t i = 0; i < servers.size(); ++i) {
    FtpServer& server = *servers[i];
    const bool vsftpd = i == 1;
    SCOPED_TRACE(vsftpd ? "vsftpd" : "pyftpdlib");
    ASSERT_NE(vsftpd ? Connect(server.Port(), nullptr, nullptr) : Connect(server.Port()), nullptr)
        << GetLastError() << server.Log();
    DWORD error = 0;
    std::vector<FoundEntry> root = FindAll("/*.*", &error);
    std::sort(root.begin(), root.end(),
              [](const FoundEntry& a, const FoundEntry& b) { return a.name < b.name; });
    // No "." and no ".." at the root; names with blanks whole.
    EXPECT_EQ(
        root,
        (std::vector<FoundEntry>{
            {"empty", true, 0}, {"my dir", true, 0}, {"my file.txt", false, 6}, {"up", true, 0}}));
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_NO_MORE_FILES));
    // A sub-folder starts with "..", so the pane can go up; an empty one holds only that.
    EXPECT_EQ(FindAll("/my dir/*.*"),
              (std::vector<FoundEntry>{{"..", true, 0}, {"inner file", false, 3}}));
    EXPECT_EQ(FindAll("/empty/*.*"), (std::vector<FoundEntry>{{"..", true, 0}}));
    // The wildcard is the client's: only what matches comes back.
    EXPECT_EQ(FindAll("/*.txt"), (std::vector<FoundEntry>{{"my file.txt", false, 6}}));
    const std::string log = server.Log();
    // A folder is listed from inside it, its name never an argument that could be split.
    if (vsftpd) {
      EXPECT_NE(log.find("CWD /my dir/"), std::string::npos) << log;
      EXPECT_EQ(log.find("LIST /my dir/"), std::string::npos) << log;
    }
    client_.Close(connection_);
  }
}

TEST_F(OwnClientServers, AServersOwnDotDotIsKeptInPlaceAndDotNever) {
  // A LIST-only server that lists "." and ".." itself, at the root and below it.
  ASSERT_TRUE(ServeListing("drwxr-xr-x 2 u g 0 Jan 01 10:00 .\r\n"
                           "-rw-r--r-- 1 u g 3000 Jan 01 10:00 big file.bin\r\n"
                           "drwxr-xr-x 2 u g 0 Jan 01 10:00 ..\r\n"
                           "lrwxrwxrwx 1 u g 7 Jan 01 10:00 latest -> big file.bin\r\n"));
  ASSERT_NE(Connect(server_->Port()), nullptr);
  // The link is asked about: no folder (CWD fails), and no file this server can size (the
  // scripted listing names nothing on disk), so its size is unknown, not its own length.
  const std::vector<FoundEntry> expected = {
      {"big file.bin", false, 3000}, {"..", true, 0}, {"latest", false, 0}};
  EXPECT_EQ(FindAll("/*.*"), expected);
  EXPECT_NE(server_->Log().find("/latest 550"), std::string::npos) << server_->Log();
}

TEST_F(OwnClientServers, AnEmptyRootFindsNothing) {
  ASSERT_TRUE(Serve()) << server_->Error();
  ASSERT_NE(Connect(server_->Port()), nullptr);
  DWORD error = 0;
  EXPECT_TRUE(FindAll("/*.*", &error).empty());
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_NO_MORE_FILES));
}

TEST_F(OwnClientServers, OneFindAtATimePerConnection) {
  ASSERT_TRUE(served_.MakeFile("a.txt", 1));
  ASSERT_TRUE(Serve()) << server_->Error();
  ASSERT_NE(Connect(server_->Port()), nullptr);
  WIN32_FIND_DATAA entry{};
  HINTERNET find = client_.FindFirst(connection_, "/*.*", &entry, 0, 255);
  ASSERT_NE(find, nullptr);
  const std::string local = local_.Path() + "a.txt";
  EXPECT_EQ(client_.FindFirst(connection_, "/*.*", &entry, 0, 255), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FTP_TRANSFER_IN_PROGRESS));
  EXPECT_FALSE(client_.GetFile(connection_, "/a.txt", local.c_str(), true, 0x80, 0x80000002, 255));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FTP_TRANSFER_IN_PROGRESS));
  EXPECT_FALSE(client_.MakeFolder(connection_, "/new"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FTP_TRANSFER_IN_PROGRESS));
  EXPECT_EQ(GetFileAttributesA(local.c_str()), INVALID_FILE_ATTRIBUTES);
  client_.Close(find);
  EXPECT_TRUE(client_.GetFile(connection_, "/a.txt", local.c_str(), true, 0x80, 0x80000002, 255));
}

TEST_F(OwnClientServers, UnknownAndClosedHandlesFailWithoutHarm) {
  ASSERT_TRUE(served_.MakeFile("a.txt", 1));
  ASSERT_TRUE(Serve()) << server_->Error();
  ASSERT_NE(Connect(server_->Port()), nullptr);
  WIN32_FIND_DATAA entry{};
  HINTERNET find = client_.FindFirst(connection_, "/*.*", &entry, 0, 255);
  ASSERT_NE(find, nullptr);
  client_.Close(find);
  const HINTERNET made_up = reinterpret_cast<HINTERNET>(0x1234);
  EXPECT_FALSE(client_.FindNext(find, &entry));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_FALSE(client_.FindNext(connection_, &entry));  // a connection is no find
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_EQ(client_.FindFirst(find, "/*.*", &entry, 0, 255), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_EQ(client_.Connect(connection_, "127.0.0.1", 21, "u", "p", 255), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_FALSE(client_.RemoveFile(made_up, "/a.txt"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  client_.Close(made_up);
  client_.Close(nullptr);
  client_.Close(connection_);
  EXPECT_FALSE(client_.MakeFolder(connection_, "/x"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  client_.Close(connection_);  // twice is harmless
}

TEST_F(OwnClientServers, TransfersArriveWholeAndAnExistingFileIsNeverTouched) {
  std::string content;
  for (int i = 0; i < 300000; ++i) content += static_cast<char>(i * 31 + 7);
  {
    HANDLE f = CreateFileA((served_.Path() + "data.bin").c_str(), GENERIC_WRITE, 0, nullptr,
                           CREATE_ALWAYS, 0, nullptr);
    DWORD w = 0;
    WriteFile(f, content.data(), static_cast<DWORD>(content.size()), &w, nullptr);
    CloseHandle(f);
  }
  ASSERT_TRUE(served_.MakeFile("two words.txt", 4, 'w'));
  ASSERT_TRUE(local_.MakeFile("exists.bin", 3, 'L'));
  ASSERT_TRUE(Serve()) << server_->Error();
  ASSERT_NE(Connect(server_->Port()), nullptr);
  const std::string local = local_.Path();

  EXPECT_TRUE(client_.GetFile(connection_, "/data.bin", (local + "data.bin").c_str(), true, 0x80,
                              0x80000002, 255))
      << GetLastError();
  EXPECT_EQ(ReadWholeFile(local + "data.bin"), content);
  EXPECT_TRUE(client_.GetFile(connection_, "/two words.txt", (local + "two words.txt").c_str(),
                              true, 0x80, 0x80000002, 255));
  EXPECT_EQ(ReadWholeFile(local + "two words.txt"), "wwww");

  // Fail-if-exists: no traffic, the file as it was.
  const std::string before = server_->Log();
  EXPECT_FALSE(client_.GetFile(connection_, "/data.bin", (local + "exists.bin").c_str(), true, 0x80,
                               0x80000002, 255));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_EXISTS));
  EXPECT_EQ(ReadWholeFile(local + "exists.bin"), "LLL");

  // A missing remote file: the server's reply is kept, no local file is left.
  EXPECT_FALSE(client_.GetFile(connection_, "/missing.bin", (local + "missing.bin").c_str(), true,
                               0x80, 0x80000002, 255));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INTERNET_EXTENDED_ERROR));
  EXPECT_EQ(client_.LastResponse().substr(0, 3), "550") << client_.LastResponse();
  EXPECT_EQ(GetFileAttributesA((local + "missing.bin").c_str()), INVALID_FILE_ATTRIBUTES);

  // Upload, folder and delete; each one's success is the server's final positive reply.
  EXPECT_TRUE(
      client_.PutFile(connection_, (local + "data.bin").c_str(), "/copy of data.bin", 2, 255))
      << GetLastError();
  EXPECT_EQ(ReadWholeFile(served_.Path() + "copy of data.bin"), content);
  EXPECT_FALSE(client_.PutFile(connection_, (local + "no such.bin").c_str(), "/x.bin", 2, 255));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_TRUE(client_.MakeFolder(connection_, "/New Folder"));
  EXPECT_FALSE(client_.MakeFolder(connection_, "/New Folder"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INTERNET_EXTENDED_ERROR));
  EXPECT_TRUE(client_.RemoveFile(connection_, "/copy of data.bin"));
  EXPECT_FALSE(client_.RemoveFile(connection_, "/copy of data.bin"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INTERNET_EXTENDED_ERROR));
  // A name holding a line break never becomes a command.
  EXPECT_FALSE(client_.RemoveFile(connection_, "/two words.txt\r\nDELE /data.bin"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_NAME));
  EXPECT_TRUE(GetFileAttributesA((served_.Path() + "data.bin").c_str()) != INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(server_->Log().find("DELE /data.bin"), std::string::npos);
}

// The client hands out a server's names as the server spells them and sends names as it is
// given them: which code page a name is in is the window side's to know (a server may hold
// two files whose names read alike in different code pages).
TEST_F(OwnClientServers, NamesPassAsTheServersBytes) {
  ScriptedFtpServer server("plain");
  ASSERT_TRUE(server.Running()) << server.Error();
  ASSERT_NE(Connect(server.Port()), nullptr);
  const std::vector<FoundEntry> found = FindAll("/*.*");
  std::vector<std::string> names;
  for (const FoundEntry& e : found) names.push_back(e.name);
  EXPECT_EQ(names, (std::vector<std::string>{"my dir", "big.bin", "my file.txt", "caf\xC3\xA9.txt",
                                             "\xE4\xB8\xAD.txt"}));
  EXPECT_NE(server.Commands().find("OPTS UTF8 ON"), std::string::npos);
  EXPECT_NE(server.Commands().find("MLSD /"), std::string::npos);
  for (const char* name : {"/caf\xE9.txt", "/caf\xC3\xA9.txt"}) {
    EXPECT_TRUE(client_.RemoveFile(connection_, name));
    EXPECT_NE(server.Commands().find(std::string("DELE ") + name + "\n"), std::string::npos)
        << name;
  }
}

}  // namespace

namespace {

// The bytes of a transfer reach the callback as WinInet's counts: 40/41 for what arrives, 30/31
// for what is sent, once per MiB and at the end; so the totals are the file's size and a large
// file costs a few lines of log per MiB, not one per piece.
TEST_F(OwnClientServers, TransfersReportTheirBytesOncePerMiB) {
  constexpr size_t kMiB = 1024 * 1024;
  constexpr size_t kDownload = 100 * 1000 * 1000;
  constexpr size_t kUpload = 10 * kMiB + 5;
  {
    HANDLE f = CreateFileA((served_.Path() + "big.bin").c_str(), GENERIC_WRITE, 0, nullptr,
                           CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(f, INVALID_HANDLE_VALUE);
    LARGE_INTEGER end;
    end.QuadPart = kDownload;
    SetFilePointerEx(f, end, nullptr, FILE_BEGIN);
    SetEndOfFile(f);
    CloseHandle(f);
  }
  ASSERT_TRUE(local_.MakeFile("up.bin", kUpload, 'u'));
  ASSERT_TRUE(Serve()) << server_->Error();
  ASSERT_NE(Connect(server_->Port()), nullptr);

  struct Totals {
    uint64_t received = 0;
    uint64_t sent = 0;
    size_t reports = 0;
  };
  auto totals = [] {
    Totals t;
    for (const StatusReport& r : Reports()) {
      if (r.status == INTERNET_STATUS_RESPONSE_RECEIVED) t.received += r.count;
      if (r.status == INTERNET_STATUS_REQUEST_SENT) t.sent += r.count;
    }
    t.reports = Reports().size();
    return t;
  };

  Reports().clear();
  ASSERT_TRUE(client_.GetFile(connection_, "/big.bin", (local_.Path() + "big.bin").c_str(), true,
                              0x80, 0x80000002, 255))
      << GetLastError();
  Totals got = totals();
  EXPECT_GE(got.received, kDownload);
  EXPECT_LE(got.reports, 400u);
  // The data connection is reported like the control connection was.
  EXPECT_NE(std::find_if(Reports().begin(), Reports().end(),
                         [](const StatusReport& r) {
                           return r.status == INTERNET_STATUS_CONNECTED_TO_SERVER &&
                                  r.text == "127.0.0.1";
                         }),
            Reports().end());

  Reports().clear();
  ASSERT_TRUE(client_.PutFile(connection_, (local_.Path() + "up.bin").c_str(), "/up.bin", 2, 255))
      << GetLastError();
  got = totals();
  EXPECT_GE(got.sent, kUpload);
  EXPECT_LE(got.reports, 2 * (kUpload / kMiB) + 40);
}

}  // namespace

namespace {

// A name of 120 CJK characters is 360 bytes of UTF-8, more than a find record's 259: the record
// holds its start, cut between two characters, and FoundName hands out the whole name.
TEST_F(OwnClientServers, ANameLongerThanTheFindRecordIsHandedOutWhole) {
  std::string longName;
  for (int i = 0; i < 120; ++i) longName += "\xE6\x97\xA5";
  longName += ".txt";
  ASSERT_TRUE(ServeListing("-rw-r--r-- 1 owner group 5 Jan 01 10:00 " + longName + "\r\n"));
  ASSERT_NE(Connect(server_->Port()), nullptr) << GetLastError();
  WIN32_FIND_DATAA entry{};
  HINTERNET find = client_.FindFirst(connection_, "*.*", &entry, 0, 255);
  ASSERT_NE(find, nullptr) << GetLastError();
  EXPECT_EQ(client_.FoundName(find, entry), longName);
  EXPECT_EQ(std::string(entry.cFileName), longName.substr(0, 258));
  client_.Close(find);
}

}  // namespace
