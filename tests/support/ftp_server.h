// Real FTP servers on the loopback for tests: FtpServer starts scripts/ftp_server.py (pyftpdlib,
// optionally with a scripted LIST answer; vsftpd, ProFTPD, Pure-FTPd, GNU inetutils ftpd or
// Twisted in the foreground; plain or with TLS) as a detached Linux process on 127.0.0.1 or ::1,
// learns its port and stops it when destroyed; a Linux shell command's output.
#pragma once

#include <string>
#include <vector>

#include "tests/support/linux_side.h"
#include "tests/support/test_certificates.h"

// Runs `command` in a Linux shell (the same quoting limits) and waits, bounded, until it ends:
// what it printed on both streams, then a last line "exit N" with its exit status. Empty when
// it could not be started or did not end in time.
std::string RunShellCommandOutput(const std::string& command, unsigned timeoutMs = 30000);

// Waits for a started server's "PORT PID" line in `workFolder` + "port" ("0 PID": it gave up);
// false with the reason (the server's own log when it did not start).
bool WaitForServerPort(const std::string& workFolder, int& port, unsigned long& pid,
                       std::string& error);
// Ends a server process started detached, and waits (bounded) until it holds no socket.
void StopServerProcess(unsigned long pid);

// What each kind is (all bind only `address`; `user` logs in with `password` at the served
// root unless said otherwise, and may read and write everything there):
// - kPyftpdlib: the user; `anonymous` read-only or `anonymousWrite`; a scripted LIST answer;
//   TLS: explicit only (TLS_FTPHandler, TLS required for logins and data). MLSD, UTF8 in FEAT.
// - kVsftpd: always anonymous, the root read-only, `writableFolders` open for uploads; with a
//   `user`, a local user too (locked into the root, which is "/" to them). TLS (explicit or
//   implicit) is forced on the local user's login and data, never offered to anonymous.
//   LIST only, names as the disk holds them.
// - kVsftpdDebian: vsftpd with the values of Debian's /etc/vsftpd.conf: the local `user` only
//   (anonymous when `anonymous`), who starts in the served root but is not locked into it (the
//   login folder is its Linux path, "/" the machine's), no writing, PORT from port 20. TLS as
//   kVsftpd.
// - kProftpd: the user (a virtual user locked into the root), `anonymous` read-only; MLSD.
// - kPureFtpd: the user (a virtual user of a puredb, locked into the root; the served tree is
//   made the ftp account's, since Pure-FTPd lets no uid 0 in), `anonymous` read-only; MLSD.
// - kInetutils: GNU inetutils ftpd, one per connection under socat: the `user` starts in the
//   served root, not locked in; `anonymous` read-only and locked in; LIST only, run through ls.
// - kTwisted: the user, `anonymous` read-only; links are resolved. Over ::1 it logs in but
//   cannot transfer (neither EPSV nor an IPv6 PASV).
// Users who log in to vsftpd (with `user`), kVsftpdDebian, kPureFtpd and kInetutils are accounts
// of a private mount namespace, not of the machine.
struct FtpServerOptions {
  enum Kind { kPyftpdlib, kVsftpd, kVsftpdDebian, kProftpd, kPureFtpd, kInetutils, kTwisted };
  enum Tls { kNoTls, kExplicitTls, kImplicitTls };
  Kind kind = kPyftpdlib;
  std::string address = "127.0.0.1";  // or "::1"
  std::string root;                   // Windows path of the folder served
  std::string user;                   // empty for none
  std::string password;
  bool anonymous = false;       // anonymous, read only
  bool anonymousWrite = false;  // pyftpdlib: anonymous with every permission
  // pyftpdlib: Windows path of a file whose lines answer every LIST of the root.
  std::string listingFile;
  // pyftpdlib: every file the listing names gets content on disk (removed when the server
  // stops), so that fetching any listed name would succeed.
  bool fillListedFiles = false;
  // vsftpd (always anonymous, the root itself read-only): sub-folders the anonymous user may
  // write to.
  std::vector<std::string> writableFolders;
  // kPyftpdlib (explicit only), kVsftpd and kVsftpdDebian (with a user): TLS required for the
  // user's login and data, with this certificate.
  Tls tls = kNoTls;
  TestCertificate certificate = TestCertificate::kSigned;
  // vsftpd: utf8_filesystem=YES (UTF8 in FEAT). pyftpdlib: names pass as the disk's bytes,
  // whatever their encoding, both ways (surrogate escapes instead of "?" for bytes that are no
  // UTF-8), as a server of a Latin-1 disk sends them.
  bool utf8Filesystem = false;
  bool rawNames = false;
  // vsftpd: a data connection must resume the control connection's TLS session (vsftpd's own
  // default; without it vsftpd answers "522 SSL connection failed: session reuse required").
  bool requireSslReuse = false;
  unsigned lifetimeSeconds = 120;
};

// How many times a server's log holds `command` as vsftpd's protocol log quotes it ("USER zev").
size_t QuotedCommandCount(const std::string& log, const std::string& command);

class FtpServer {
 public:
  explicit FtpServer(const FtpServerOptions& options);
  ~FtpServer();
  FtpServer(const FtpServer&) = delete;
  FtpServer& operator=(const FtpServer&) = delete;

  bool Running() const { return port_ > 0; }
  int Port() const { return port_; }
  // Everything the server wrote to its logs so far (the starter's own output first; vsftpd's and
  // ProFTPD's protocol logs, Pure-FTPd's and inetutils ftpd's syslog lines ...).
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
