// A fresh folder under the system's temporary folder for one test, removed with everything in it
// when the test ends; optionally the process's current directory while it lives.
#pragma once

#include <windows.h>

#include <cstdio>
#include <cstdint>
#include <string>

#include "tests/support/temp_files.h"

class TempFolder {
 public:
  explicit TempFolder(bool makeCurrent = false) {
    path_ = MakeUniqueTempFolder("zevtest");
    if (makeCurrent && !path_.empty()) {
      char old[MAX_PATH + 1] = {};
      DWORD m = GetCurrentDirectoryA(MAX_PATH, old);
      if (m > 0 && m <= MAX_PATH) previous_ = std::string(old, m);
      SetCurrentDirectoryA(path_.c_str());
    }
  }
  ~TempFolder() {
    if (!previous_.empty()) SetCurrentDirectoryA(previous_.c_str());
    if (!path_.empty()) RemoveFolderTree(path_);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  // Ends with "\"; empty when no folder could be made.
  const std::string& Path() const { return path_; }

  // Creates `name` (relative to the folder) holding `size` bytes of `fill`.
  bool MakeFile(const std::string& name, unsigned size, char fill = 'x') const {
    HANDLE file = CreateFileA((path_ + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    std::string bytes(size, fill);
    DWORD written = 0;
    bool ok =
        size == 0 || (WriteFile(file, bytes.data(), size, &written, nullptr) && written == size);
    CloseHandle(file);
    return ok;
  }
  bool MakeFolder(const std::string& name) const {
    return CreateDirectoryA((path_ + name).c_str(), nullptr) != FALSE;
  }

 private:
  std::string path_;
  std::string previous_;
};

// The whole contents of a file; `ok` false when it cannot be read.
// Bytes no two positions of which repeat soon: a piece cut, moved or sent twice shows.
inline std::string PatternBytes(size_t size) {
  std::string bytes(size, '\0');
  uint32_t x = 2463534242u;
  for (char& c : bytes) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    c = static_cast<char>(x);
  }
  return bytes;
}

inline std::string ReadWholeFile(const std::string& name, bool* ok = nullptr) {
  std::string bytes;
  HANDLE file = CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (ok) *ok = file != INVALID_HANDLE_VALUE;
  if (file == INVALID_HANDLE_VALUE) return bytes;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
  CloseHandle(file);
  return bytes;
}

inline bool WriteWholeFile(const std::string& name, const std::string& bytes) {
  HANDLE file = CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool ok = bytes.empty() ||
            (WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
             written == bytes.size());
  CloseHandle(file);
  return ok;
}

inline bool FileExists(const std::string& name) {
  return GetFileAttributesA(name.c_str()) != INVALID_FILE_ATTRIBUTES;
}
