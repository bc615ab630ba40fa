// Hostile and failing surroundings for the site file: a Linux symbolic link planted under a
// Windows name, and a folder on a tiny file system of its own that a save fills up.
#pragma once

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/app/temp_folder.h"
#include "tests/support/ftp_server.h"
#include "tests/support/poll.h"

// Runs a Linux shell command and waits until it has ended. Wine neither waits for a Linux
// process nor reports its exit code, so the command leaves a marker file behind when done.
inline bool RunShellCommandToEnd(const std::string& command, const std::string& doneMarker) {
  const std::string done = UnixPathOf(doneMarker);
  if (done.empty()) return false;
  DeleteFileA(doneMarker.c_str());
  if (!RunShellCommand(command + "; touch '" + done + "'")) return false;
  const bool ended = PollUntil([&] { return FileExists(doneMarker); }, 10000);
  DeleteFileA(doneMarker.c_str());
  return ended;
}

// A symbolic link planted under a Windows name, removed again when this ends: once its target
// is gone Wine no longer lists it, so the test folder's own clean-up could not find it.
class PlantedLink {
 public:
  PlantedLink() = default;
  ~PlantedLink() {
    if (!unixLink_.empty()) RunShellCommandToEnd("rm -f '" + unixLink_ + "'", link_ + ".removed");
  }
  PlantedLink(const PlantedLink&) = delete;
  PlantedLink& operator=(const PlantedLink&) = delete;

  // Makes `link` a link to `target` (both Windows paths; the target need not exist). True when
  // the link now exists as a link.
  bool Plant(const std::string& target, const std::string& link) {
    const std::string from = UnixPathOf(target);
    const std::string to = UnixPathOf(link);
    const std::string made = link + ".planted";
    if (from.empty() || to.empty()) return false;
    link_ = link;
    unixLink_ = to;
    if (!RunShellCommandToEnd("ln -s '" + from + "' '" + to + "' && test -L '" + to +
                                  "' && touch '" + UnixPathOf(made) + "'",
                              link + ".done")) {
      return false;
    }
    const bool ok = FileExists(made);
    DeleteFileA(made.c_str());
    return ok;
  }

 private:
  std::string link_;
  std::string unixLink_;
};

// A fresh folder with a file system of `bytes` of its own mounted on it (tmpfs, so it needs the
// right to mount; Mounted() says whether that worked). Writes past its size come up short, as on
// a full disk. Unmounted when it ends.
class SmallFolder {
 public:
  explicit SmallFolder(unsigned bytes) {
    if (base_.Path().empty() || !base_.MakeFolder("small")) return;
    path_ = base_.Path() + "small\\";
    const std::string marker = path_ + "not-mounted";
    unixPath_ = UnixPathOf(path_);
    if (unixPath_.empty() || !WriteWholeFile(marker, "x")) return;
    // Once the new file system covers the folder, the marker beneath it is out of sight.
    mounted_ = RunShellCommandToEnd(
                   "mount -t tmpfs -o size=" + std::to_string(bytes) + " tmpfs '" + unixPath_ + "'",
                   base_.Path() + "mount.done") &&
               !FileExists(marker);
  }
  ~SmallFolder() {
    // Lazily: a handle Wine still holds on the folder must not leave the mount behind.
    if (mounted_)
      RunShellCommandToEnd("umount -l '" + unixPath_ + "'", base_.Path() + "umount.done");
  }
  SmallFolder(const SmallFolder&) = delete;
  SmallFolder& operator=(const SmallFolder&) = delete;

  bool Mounted() const { return mounted_; }
  // Ends with "\".
  const std::string& Path() const { return path_; }

 private:
  TempFolder base_;
  std::string path_;
  std::string unixPath_;
  bool mounted_ = false;
};

// The process's current directory while it lives; the previous one comes back when it ends
// (a folder that is still current cannot be unmounted).
class CurrentFolderAt {
 public:
  explicit CurrentFolderAt(const std::string& folder) {
    char old[MAX_PATH + 1] = {};
    const DWORD n = GetCurrentDirectoryA(MAX_PATH, old);
    if (n > 0 && n <= MAX_PATH) previous_.assign(old, n);
    SetCurrentDirectoryA(folder.c_str());
  }
  ~CurrentFolderAt() {
    if (!previous_.empty()) SetCurrentDirectoryA(previous_.c_str());
  }
  CurrentFolderAt(const CurrentFolderAt&) = delete;
  CurrentFolderAt& operator=(const CurrentFolderAt&) = delete;

 private:
  std::string previous_;
};

// The names in `folder` (ending in "\"), sorted by bytes and joined by blanks; "." and ".."
// left out.
inline std::string FolderNames(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  HANDLE find = FindFirstFileA((folder + "*").c_str(), &found);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = found.cFileName;
      if (name != "." && name != "..") names.push_back(name);
    } while (FindNextFileA(find, &found));
    FindClose(find);
  }
  std::sort(names.begin(), names.end());
  std::string joined;
  for (const std::string& name : names) joined += (joined.empty() ? "" : " ") + name;
  return joined;
}
