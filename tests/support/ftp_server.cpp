#include "tests/support/ftp_server.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/poll.h"
#include "tests/support/temp_files.h"

namespace {

constexpr DWORD kPortFileTimeoutMs = 20000;
constexpr DWORD kStopTimeoutMs = 5000;
constexpr char kPython[] = "/usr/bin/python3";
constexpr char kScript[] = "scripts\\ftp_server.py";

bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// A shell word in single quotes. A text holding a quote or a backslash cannot be passed through
// Wine's command line and the shell unchanged: it marks `ok` false.
std::string Quoted(const std::string& text, bool& ok) {
  if (text.find_first_of("'\"\\") != std::string::npos) ok = false;
  return "'" + text + "'";
}

const char* KindName(FtpServerOptions::Kind kind) {
  switch (kind) {
    case FtpServerOptions::kPyftpdlib:
      return "pyftpdlib";
    case FtpServerOptions::kVsftpd:
      return "vsftpd";
    case FtpServerOptions::kVsftpdDebian:
      return "vsftpd-debian";
    case FtpServerOptions::kProftpd:
      return "proftpd";
    case FtpServerOptions::kPureFtpd:
      return "pureftpd";
    case FtpServerOptions::kInetutils:
      return "inetutils";
    case FtpServerOptions::kTwisted:
      return "twisted";
  }
  return "pyftpdlib";
}

}  // namespace

bool WaitForServerPort(const std::string& workFolder, int& port, unsigned long& pid,
                       std::string& error) {
  const std::string portFile = workFolder + "port";
  if (!PollUntil([&] { return Exists(portFile); }, kPortFileTimeoutMs)) {
    error = "the server did not start: " + ReadFileText(workFolder + "server.log");
    return false;
  }
  const std::string text = ReadFileText(portFile);
  port = 0;
  pid = 0;
  if (std::sscanf(text.c_str(), "%d %lu", &port, &pid) != 2 || port < 0 || pid == 0) {
    error = "unreadable port file: " + text;
    return false;
  }
  if (port == 0) {  // the starter gave up
    error = "the server did not start: " + ReadFileText(workFolder + "server.log");
    return false;
  }
  return true;
}

void StopServerProcess(unsigned long pid) {
  if (pid == 0) return;
  const std::string id = std::to_string(pid);
  RunShellCommand("kill " + id);
  // A dead server stays a zombie until the machine's init reaps it, which can take a second or
  // two; it holds no socket by then.
  const std::string status = "Z:\\proc\\" + id + "\\status";
  PollUntil(
      [&] {
        const std::string text = ReadFileText(status);
        return text.empty() || text.find("State:\tZ") != std::string::npos;
      },
      kStopTimeoutMs);
}

std::string RunShellCommandOutput(const std::string& command, unsigned timeoutMs) {
  const std::string folder = MakeUniqueTempFolder("zevshell");
  const std::string out = UnixPathOf(folder + "out");
  if (folder.empty() || out.empty()) return std::string();
  // The file appears (renamed into place) only once the command has ended: under Wine the
  // shell's process can look ended before its children are.
  std::string text;
  if (RunShellCommand("(" + command + ") >'" + out + ".part' 2>&1; echo exit $? >>'" + out +
                          ".part'; mv '" + out + ".part' '" + out + "'",
                      timeoutMs) &&
      PollUntil([&] { return Exists(folder + "out"); }, timeoutMs)) {
    text = ReadFileText(folder + "out");
  }
  RemoveFolderTree(folder);
  return text;
}

size_t QuotedCommandCount(const std::string& log, const std::string& command) {
  const std::string quoted = "\"" + command + "\"";
  size_t count = 0;
  for (size_t at = log.find(quoted); at != std::string::npos; at = log.find(quoted, at + 1)) {
    ++count;
  }
  return count;
}

FtpServer::FtpServer(const FtpServerOptions& options) {
  workFolder_ = MakeUniqueTempFolder("zevftpd");
  const std::string source = SourceRootFolder();
  if (workFolder_.empty() || source.empty()) {
    error_ = "no work folder or no source folder";
    return;
  }
  const std::string script = UnixPathOf(source + kScript);
  const std::string work = UnixPathOf(workFolder_);
  const std::string root = UnixPathOf(options.root);
  if (script.empty() || work.empty() || root.empty()) {
    error_ = "no Linux path for the script, the work folder or the root";
    return;
  }
  bool quotable = true;
  auto q = [&quotable](const std::string& text) { return Quoted(text, quotable); };
  std::string args = " --kind " + std::string(KindName(options.kind)) + " --address " +
                     q(options.address) + " --root " + q(root) + " --portfile " + q(work + "port") +
                     " --lifetime " + std::to_string(options.lifetimeSeconds) + " --servers " +
                     q(ZEV_BUILD_DIR "/servers");
  if (!options.user.empty()) {
    args += " --user " + q(options.user) + " --password " + q(options.password);
  }
  if (options.anonymous) args += " --anonymous";
  if (options.anonymousWrite) args += " --anonymous-write";
  if (options.utf8Filesystem) args += " --utf8-filesystem";
  if (options.rawNames) args += " --raw-names";
  if (!options.listingFile.empty()) {
    args += " --listing " + q(UnixPathOf(options.listingFile));
    if (options.fillListedFiles) args += " --fill-listed";
  }
  for (const std::string& folder : options.writableFolders) {
    args += " --writable " + q(folder);
  }
  if (options.tls != FtpServerOptions::kNoTls) {
    const CertificateFiles& certificate = TestCertificateFiles(options.certificate);
    if (certificate.pem.empty()) {
      error_ = "no certificate: " + TestCertificatesError();
      return;
    }
    args += std::string(" --tls ") +
            (options.tls == FtpServerOptions::kImplicitTls ? "implicit" : "explicit") +
            " --certificate " + q(UnixPathOf(certificate.pem)) + " --key " +
            q(UnixPathOf(certificate.key));
    if (options.requireSslReuse) args += " --require-ssl-reuse";
  }
  // Detached, every stream to the log: the server must never hold the test runner's pipes.
  const std::string command = "setsid " + std::string(kPython) + " " + q(script) + args +
                              " </dev/null >" + q(work + "server.log") + " 2>&1 &";
  if (!quotable) {
    error_ = "a path holds a quote or a backslash";
    return;
  }
  if (!RunShellCommand(command)) {
    error_ = "could not start /bin/sh";
    return;
  }
  int port = 0;
  unsigned long pid = 0;
  if (!WaitForServerPort(workFolder_, port, pid, error_)) return;
  port_ = port;
  pid_ = pid;
}

FtpServer::~FtpServer() {
  Stop();
  if (!workFolder_.empty()) RemoveFolderTree(workFolder_);
}

void FtpServer::Stop() {
  StopServerProcess(pid_);
  pid_ = 0;
  port_ = 0;
}

std::string FtpServer::Log() const {
  if (workFolder_.empty()) return std::string();
  // The starter's own output first, then every server's log files in name order.
  std::string log = ReadFileText(workFolder_ + "server.log");
  std::vector<std::string> names;
  WIN32_FIND_DATAA entry;
  HANDLE find = FindFirstFileA((workFolder_ + "*.log").c_str(), &entry);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      if (std::string(entry.cFileName) != "server.log") names.push_back(entry.cFileName);
    } while (FindNextFileA(find, &entry));
    FindClose(find);
  }
  std::sort(names.begin(), names.end());
  for (const std::string& name : names) log += ReadFileText(workFolder_ + name);
  return log;
}
