#include "tests/support/scripted_ftp_server.h"

#include <windows.h>

#include <cstdio>

#include "tests/support/ftp_server.h"
#include "tests/support/poll.h"
#include "tests/support/temp_files.h"

namespace {

constexpr DWORD kPortFileTimeoutMs = 20000;
constexpr DWORD kStopTimeoutMs = 5000;

std::string WholeFile(const std::string& path) {
  std::string bytes;
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return bytes;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
  CloseHandle(file);
  return bytes;
}

}  // namespace

ScriptedFtpServer::ScriptedFtpServer(const std::string& scenario, unsigned lifetimeSeconds) {
  workFolder_ = MakeUniqueTempFolder("zevscripted");
  const std::string source = SourceRootFolder();
  if (workFolder_.empty() || source.empty()) {
    error_ = "no work folder or no source folder";
    return;
  }
  const std::string script = UnixPathOf(source + "scripts\\scripted_ftp_server.py");
  const std::string work = UnixPathOf(workFolder_);
  if (script.empty() || work.empty() || scenario.find_first_of("'\"\\ ") != std::string::npos ||
      (script + work).find_first_of("'\"\\") != std::string::npos) {
    error_ = "no usable Linux path for the script or the work folder";
    return;
  }
  // Detached, every stream to a file: the server must never hold the test runner's pipes.
  const std::string command = "setsid /usr/bin/python3 '" + script + "' --scenario " + scenario +
                              " --portfile '" + work + "port' --log '" + work +
                              "commands.log' --lifetime " + std::to_string(lifetimeSeconds) +
                              " </dev/null >'" + work + "server.log' 2>&1 &";
  if (!RunShellCommand(command)) {
    error_ = "could not start /bin/sh";
    return;
  }
  const std::string portFile = workFolder_ + "port";
  if (!PollUntil([&] { return GetFileAttributesA(portFile.c_str()) != INVALID_FILE_ATTRIBUTES; },
                 kPortFileTimeoutMs)) {
    error_ = "the server did not start: " + WholeFile(workFolder_ + "server.log");
    return;
  }
  int port = 0;
  unsigned long pid = 0;
  const std::string text = WholeFile(portFile);
  if (std::sscanf(text.c_str(), "%d %lu", &port, &pid) != 2 || port <= 0 || pid == 0) {
    error_ = "unreadable port file: " + text;
    return;
  }
  port_ = port;
  pid_ = pid;
}

ScriptedFtpServer::~ScriptedFtpServer() {
  Stop();
  if (!workFolder_.empty()) RemoveFolderTree(workFolder_);
}

void ScriptedFtpServer::Stop() {
  if (pid_ == 0) return;
  const std::string pid = std::to_string(pid_);
  RunShellCommand("kill " + pid);
  const std::string status = "Z:\\proc\\" + pid + "\\status";
  PollUntil(
      [&] {
        const std::string text = WholeFile(status);
        return text.empty() || text.find("State:\tZ") != std::string::npos;
      },
      kStopTimeoutMs);
  pid_ = 0;
  port_ = 0;
}

std::string ScriptedFtpServer::Commands() const {
  return workFolder_.empty() ? std::string() : WholeFile(workFolder_ + "commands.log");
}
