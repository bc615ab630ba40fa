#include "tests/support/ftp_server.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/support/poll.h"
#include "tests/support/temp_files.h"

namespace {

constexpr DWORD kPortFileTimeoutMs = 20000;
constexpr DWORD kStopTimeoutMs = 5000;
constexpr char kPython[] = "/usr/bin/python3";
constexpr char kScript[] = "scripts\\ftp_server.py";

using UnixNameProc = char*(CDECL*)(const WCHAR*);

bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// A shell word in single quotes. A text holding a quote or a backslash cannot be passed through
// Wine's command line and the shell unchanged: it marks `ok` false.
std::string Quoted(const std::string& text, bool& ok) {
  if (text.find_first_of("'\"\\") != std::string::npos) ok = false;
  return "'" + text + "'";
}

}  // namespace

std::string UnixPathOf(const std::string& windowsPath) {
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  auto toUnix = reinterpret_cast<UnixNameProc>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "wine_get_unix_file_name")));
  if (toUnix == nullptr) return std::string();
  const int wideLength = MultiByteToWideChar(CP_ACP, 0, windowsPath.c_str(), -1, nullptr, 0);
  if (wideLength <= 0) return std::string();
  std::wstring wide(static_cast<size_t>(wideLength), L'\0');
  MultiByteToWideChar(CP_ACP, 0, windowsPath.c_str(), -1, &wide[0], wideLength);
  char* unixName = toUnix(wide.c_str());
  if (unixName == nullptr) return std::string();
  std::string result(unixName);
  HeapFree(GetProcessHeap(), 0, unixName);
  // A folder path keeps its trailing separator in either form.
  if (!windowsPath.empty() && windowsPath.back() == '\\' && !result.empty() &&
      result.back() != '/') {
    result += '/';
  }
  return result;
}

std::string SourceRootFolder() {
  // The compiler was given this file by its absolute Linux path; Wine's Z: drive is "/".
  std::string self = __FILE__;
  const std::string tail = "tests/support/ftp_server.cpp";
  if (self.size() > tail.size() && self.front() == '/' &&
      self.compare(self.size() - tail.size(), tail.size(), tail) == 0) {
    std::string root = "Z:" + self.substr(0, self.size() - tail.size());
    for (char& c : root) {
      if (c == '/') c = '\\';
    }
    if (Exists(root + kScript)) return root;
  }
  // Otherwise the build folder (the tests' working directory) names the source folder.
  const std::string cache = ReadFileText("CMakeCache.txt");
  const std::string key = "CMAKE_HOME_DIRECTORY:INTERNAL=";
  const size_t at = cache.find(key);
  if (at == std::string::npos) return std::string();
  const size_t end = cache.find_first_of("\r\n", at);
  std::string root = "Z:" + cache.substr(at + key.size(), end - at - key.size()) + "\\";
  for (char& c : root) {
    if (c == '/') c = '\\';
  }
  return Exists(root + kScript) ? root : std::string();
}

std::string ReadFileText(const std::string& path) {
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
  if (std::sscanf(text.c_str(), "%d %lu", &port, &pid) != 2 || port <= 0 || pid == 0) {
    error = "unreadable port file: " + text;
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

bool RunShellCommand(const std::string& command, unsigned timeoutMs) {
  if (command.find_first_of("\"\\") != std::string::npos) return false;
  std::string line = "Z:\\bin\\sh -c \"" + command + "\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    return false;
  }
  WaitForSingleObject(process.hProcess, timeoutMs);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
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
  std::string args = " --root " + q(root) + " --portfile " + q(work + "port") + " --lifetime " +
                     std::to_string(options.lifetimeSeconds);
  if (options.kind == FtpServerOptions::kVsftpd) {
    args += " --kind vsftpd";
    for (const std::string& folder : options.writableFolders) {
      args += " --writable " + q(folder);
    }
  } else {
    if (!options.user.empty()) {
      args += " --user " + q(options.user) + " --password " + q(options.password);
    }
    if (options.anonymous) args += " --anonymous";
    if (options.anonymousWrite) args += " --anonymous-write";
    if (!options.listingFile.empty()) {
      args += " --listing " + q(UnixPathOf(options.listingFile));
      if (options.fillListedFiles) args += " --fill-listed";
    }
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
  return ReadFileText(workFolder_ + "server.log") + ReadFileText(workFolder_ + "vsftpd.log");
}
