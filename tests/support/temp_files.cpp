#include "tests/support/temp_files.h"

#include <windows.h>

#include <cstdio>
#include <string>

#include "tests/support/linux_side.h"

namespace {

constexpr DWORD kRemoveTimeoutMs = 10000;

std::string TempRoot() {
  char base[MAX_PATH + 1] = {};
  const DWORD n = GetTempPathA(MAX_PATH, base);
  if (n == 0 || n > MAX_PATH) return std::string();
  std::string root(base, n);
  if (root.back() != '\\') root += '\\';
  return root;
}

// Under Wine, DeleteFileA on a symbolic link deletes the file it points to, and a link to a
// folder lists as a folder (with the reparse-point bit): walking a tree that holds links (tests
// make them; the servers' work folders may) would delete what they point to, anywhere on the
// machine. From the Linux side rm removes the links themselves. Only folders below the temporary
// folder go this way.
bool RemoveFromLinux(const std::string& folder) {
  const std::string unixFolder = UnixPathOf(folder);
  const std::string unixTemp = UnixPathOf(TempRoot());
  if (unixFolder.empty() || unixTemp.empty() || unixFolder.size() <= unixTemp.size() ||
      unixFolder.compare(0, unixTemp.size(), unixTemp) != 0 ||
      unixFolder.find('\'') != std::string::npos) {
    return false;
  }
  if (!RunShellCommand("rm -rf -- '" + unixFolder + "'")) return false;
  // No message pump here: this runs in destructors, after the windows are gone.
  const DWORD start = GetTickCount();
  while (GetFileAttributesA(folder.c_str()) != INVALID_FILE_ATTRIBUTES) {
    if (GetTickCount() - start > kRemoveTimeoutMs) return false;
    Sleep(1);
  }
  return true;
}

}  // namespace

std::string MakeUniqueTempFolder(const char* prefix) {
  const std::string root = TempRoot();
  if (root.empty()) return std::string();
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
  if (RemoveFromLinux(folder)) return;
  WIN32_FIND_DATAA entry;
  HANDLE find = FindFirstFileA((folder + "*").c_str(), &entry);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = entry.cFileName;
      if (name == "." || name == "..") continue;
      const std::string full = folder + name;
      if (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        continue;  // a link: never into what it points to
      }
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
