// The text toolkit: the platform-free routines of text_core.h, the locale comparison, raw file
// handles, and StringList, the line list with whole-file load and save.
#pragma once

#include <windows.h>

#include "winobj/text_core.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// -1, 0 or +1 by the user's locale (CompareStringA, LOCALE_USER_DEFAULT, no flags).
int CompareLocaleText(const std::string& a, const std::string& b);
// A key whose byte order (std::string's compare) is CompareLocaleText's order, so a sort
// asks the locale once per text instead of twice per comparison (LCMapStringA,
// LCMAP_SORTKEY). When the locale cannot give one, the text's own bytes.
std::string LocaleSortKey(const std::string& text);

// ---- File handles ----

// A mode packs CreateFileA's arguments: access rights in the high 16 bits, the share mode in
// the low byte, the creation disposition in the second byte.
constexpr DWORD kFileModeRead = GENERIC_READ | OPEN_EXISTING << 8 | FILE_SHARE_READ;
constexpr DWORD kFileModeWrite = GENERIC_WRITE | OPEN_ALWAYS << 8;  // no sharing
static_assert(kFileModeRead == 0x80000301 && kFileModeWrite == 0x40000400, "the two modes");

// INVALID_HANDLE_VALUE on failure (also for a name holding a NUL, which could only name some
// other file).
HANDLE OpenFileHandle(const std::string& name, DWORD mode);
bool CloseFileHandle(HANDLE handle);
// One ReadFile / WriteFile; the bytes moved, 0 on failure.
DWORD ReadFromHandle(HANDLE handle, void* buffer, DWORD n);
DWORD WriteToHandle(HANDLE handle, const void* buffer, DWORD n);

// The whole file's bytes in one read; false when it cannot be opened (read mode) or read in
// full, `bytes` then unchanged.
bool ReadFileBytes(const std::string& name, std::string& bytes);

// ---- Line list ----

// Lines are stored as C texts: a line given with a NUL keeps only what precedes it, so joining
// and reloading always gives back the same lines.
class StringList {
 public:
  int Count() const { return static_cast<int>(lines_.size()); }
  void Add(const std::string& text);
  // Indices outside the list are ignored (Insert accepts 0..Count()).
  void Insert(int index, const std::string& text);
  void Delete(int index);
  void Replace(int index, const std::string& text);
  // "" for an index outside 0..Count()-1.
  std::string ItemText(int index) const;
  void Clear();
  // Every line followed by CR LF, the last one included.
  std::string JoinedText() const;
  // Splits at CR or CR LF (a lone LF stays in its line); the first NUL ends the text; a final
  // break adds no empty line. Without `append` the list is emptied first.
  void SetText(const std::string& text, bool append);
  // Reads the whole file in one go; when it cannot be opened or read in full the list is left
  // as it was and false is returned.
  bool LoadFromFile(const std::string& name);
  // Overwrites the file from its start with the joined text and cuts it there; silent when the
  // file cannot be opened.
  void SaveToFile(const std::string& name) const;
  // As SaveToFile; true only when the whole text was written, the file cut and the handle
  // closed.
  bool SaveToFileChecked(const std::string& name) const;

 private:
  std::vector<std::string> lines_;
};
