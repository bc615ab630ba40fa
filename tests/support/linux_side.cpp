#include "tests/support/linux_side.h"

#include <windows.h>

#include <algorithm>
#include <string>

namespace {

constexpr char kScript[] = "scripts\\ftp_server.py";

using UnixNameProc = char*(CDECL*)(const WCHAR*);

bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The Windows path of a Linux path on Wine's Z: drive (a folder keeps its trailing separator).
std::string WindowsPathOfUnix(const std::string& unixPath) {
  std::string path = "Z:" + unixPath;
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

}  // namespace

std::string TestBuildFolder() {
  // Compiled in: the bench runs from anywhere, and a test's working folder is the build folder
  // only when CTest starts it.
  return WindowsPathOfUnix(ZEV_BUILD_DIR "/");
}

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
  const std::string tail = "tests/support/linux_side.cpp";
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
  // Wine starts a Linux program without a Windows process: it hands back no process handle and
  // leaves the thread handle unset, a stale number that, closed, closed whatever handle of this
  // process it named (standard output, or a socket: later calls then failed with WSAENOTSOCK).
  // Only handles of a real process are waited for and closed; callers poll for the command's
  // results instead.
  if (process.hProcess != nullptr) {
    WaitForSingleObject(process.hProcess, timeoutMs);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  return true;
}
