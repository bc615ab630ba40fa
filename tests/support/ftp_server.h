// Real FTP servers on 127.0.0.1 for tests: FtpServer starts scripts/ftp_server.py (pyftpdlib,
// optionally with a scripted LIST answer, or vsftpd in the foreground) as a detached Linux
// process, learns its port and stops it when destroyed. Also: Linux paths of Windows paths and
// running a Linux shell command from inside Wine.
#pragma once

#include <string>
#include <vector>

// The Linux path Wine maps a Windows path to; empty when there is none (not under Wine).
std::string UnixPathOf(const std::string& windowsPath);

// The repository's root folder as a Windows path ending in "\" (found from this source file's
// compiled-in location, or from the build folder's CMakeCache.txt).
std::string SourceRootFolder();

// Starts `/bin/sh -c command` and waits (bounded) for the shell to end. Wine cannot report a
// Linux process's exit code, so only whether it could be started is returned. The command must
// not contain double quotes or backslashes (Wine's command line rules would change them).
bool RunShellCommand(const std::string& command, unsigned timeoutMs = 10000);

// A file's whole contents; empty when it cannot be read.
std::string ReadFileText(const std::string& path);

// Waits for a started server's "PORT PID" line in `workFolder` + "port"; false with the reason
// (the server's own log when it did not start).
bool WaitForServerPort(const std::string& workFolder, int& port, unsigned long& pid,
                       std::string& error);
// Ends a server process started detached, and waits (bounded) until it holds no socket.
void StopServerProcess(unsigned long pid);

struct FtpServerOptions {
  enum Kind { kPyftpdlib, kVsftpd };
  Kind kind = kPyftpdlib;
  std::string root;  // Windows path of the folder served
  // pyftpdlib: a user with every permission in the root; empty for none.
  std::string user;
  std::string password;
  bool anonymous = false;       // pyftpdlib: anonymous, read only
  bool anonymousWrite = false;  // pyftpdlib: anonymous with every permission
  // pyftpdlib: Windows path of a file whose lines answer every LIST of the root.
  std::string listingFile;
  // pyftpdlib: every file the listing names gets content on disk (removed when the server
  // stops), so that fetching any listed name would succeed.
  bool fillListedFiles = false;
  // vsftpd (always anonymous, the root itself read-only): sub-folders the anonymous user may
  // write to.
  std::vector<std::string> writableFolders;
  unsigned lifetimeSeconds = 120;
};

class FtpServer {
 public:
  explicit FtpServer(const FtpServerOptions& options);
  ~FtpServer();
  FtpServer(const FtpServer&) = delete;
  FtpServer& operator=(const FtpServer&) = delete;

  bool Running() const { return port_ > 0; }
  int Port() const { return port_; }
  // What the server wrote to its logs so far (pyftpdlib's log lines, or vsftpd's protocol log).
  std::string Log() const;
  // Why it did not start (for the test's failure message).
  const std::string& Error() const { return error_; }
  // Stops the server now; the destructor does it otherwise.
  void Stop();

 private:
  std::string workFolder_;  // port file, logs, generated configuration
  int port_ = 0;
  unsigned long pid_ = 0;
  std::string error_;
};
