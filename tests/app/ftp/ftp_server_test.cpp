// The FTP test server itself: it starts on a port of its own, serves the folder it is given to
// WinInet, logs who logged in, and is gone once stopped. (vsftpd: VsftpdServer.*)
#include <gtest/gtest.h>
#include <windows.h>
#include <wininet.h>

#include <string>

#include "tests/app/temp_folder.h"
#include "tests/support/ftp_server.h"

namespace {

HINTERNET Connect(HINTERNET session, int port, const char* user, const char* password) {
  return InternetConnectA(session, "127.0.0.1", static_cast<INTERNET_PORT>(port), user, password,
                          INTERNET_SERVICE_FTP, 0, 255);
}

TEST(FtpServerHarness, PyftpdlibServesTheTreeAndStops) {
  TempFolder root;
  TempFolder local;
  ASSERT_TRUE(root.MakeFile("hello.txt", 5, 'h'));
  FtpServerOptions options;
  options.root = root.Path();
  options.user = "zev";
  options.password = "secret";
  FtpServer server(options);
  ASSERT_TRUE(server.Running()) << server.Error();

  HINTERNET session = InternetOpenA("ZEVFTP", 0, nullptr, nullptr, 0);
  ASSERT_NE(session, nullptr);
  HINTERNET connection = Connect(session, server.Port(), "zev", "secret");
  ASSERT_NE(connection, nullptr) << GetLastError();
  const std::string target = local.Path() + "hello.txt";
  EXPECT_TRUE(FtpGetFileA(connection, "/hello.txt", target.c_str(), TRUE, 0x80, 0x80000002, 255));
  EXPECT_EQ(ReadWholeFile(target), "hhhhh");
  InternetCloseHandle(connection);
  EXPECT_NE(server.Log().find("USER 'zev' logged in"), std::string::npos) << server.Log();

  const int port = server.Port();
  server.Stop();
  EXPECT_EQ(Connect(session, port, "zev", "secret"), nullptr);
  InternetCloseHandle(session);
}

}  // namespace
