#include "tests/support/temp_files.h"

#include <windows.h>

#include <cstdio>

std::string MakeUniqueTempFolder(const char* prefix) {
  char base[MAX_PATH + 1] = {};
  const DWORD n = GetTempPathA(MAX_PATH, base);
  if (n == 0 || n > MAX_PATH) return std::string();
  std::string root(base, n);
  if (root.back() != '\\') root += '\\';
  for (unsigned attempt = 0; attempt < 1000; ++attempt) {
    char name[96];
    std::snprintf(name, sizeof name, "%s_%lu_%lu_%u\\", prefix,
                  static_cast<unsigned long>(GetCurrentProcessId()),
                  static_cast<unsigned long>(GetTickCount()), attempt);
    if (CreateDirectoryA((root + name).c_str(), nullptr)) return root + name;
  }
  return std::string();
}

void RemoveFolderTree(const std::string& folder) {
  WIN32_FIND_DATAA entry;
  HANDLE find = FindFirstFileA((folder + "*").c_str(), &entry);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = entry.cFileName;
      if (name == "." || name == "..") continue;
      const std::string full = folder + name;
      if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveFolderTree(full + "\\");
      } else {
        SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(full.c_str());
      }
    } while (FindNextFileA(find, &entry));
    FindClose(find);
  }
  RemoveDirectoryA(folder.c_str());
}
