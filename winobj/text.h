// The text toolkit: integer <-> decimal text, routines on counted texts (std::string, ANSI bytes,
// 1-based positions) and on NUL-terminated C texts, raw file handles, and StringList, the line
// list with whole-file load and save.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// ---- Integers and decimal text ----

std::string IntToText(int32_t value);
std::string Int64ToText(int64_t value);
std::string UInt64ToText(uint64_t value);
// Optional "-" as the very first byte, then digits up to the first non-digit; blanks are not
// skipped; no digits give 0. Too many digits wrap modulo 2^32 rather than saturate.
int32_t TextToInt(const std::string& text);

// ---- Counted texts (positions 1-based) ----

// Position of the first `c`, -1 if none.
int CharPosition(const std::string& text, char c);
// Smallest position of any byte of `separators`, -1 if none occurs.
int FirstSeparatorPos(const std::string& text, const char* separators);
// field := text before the first separator (all of it when none); text := the rest after it.
void CutField(std::string& text, const char* separators, std::string& field);
// From `position` to the end; a position below 1 counts as 1, past the end gives "".
std::string TextFrom(const std::string& text, int position);
// Removes the last n bytes (all when n exceeds the length); n <= 0 changes nothing.
void DropLastChars(std::string& text, int n);
// Position just after the last byte of `separators` anywhere in `text`, 0 if none occurs.
int PastLastSeparatorPos(const std::string& text, const char* separators);
// The part after the last "\" or ":", the whole text when neither occurs.
std::string PathNamePart(const std::string& text);
// -1, 0 or +1 by the user's locale (CompareStringA, LOCALE_USER_DEFAULT, no flags).
int CompareLocaleText(const std::string& a, const std::string& b);
// A key whose byte order (std::string's compare) is CompareLocaleText's order, so a sort
// asks the locale once per text instead of twice per comparison (LCMapStringA,
// LCMAP_SORTKEY). When the locale cannot give one, the text's own bytes.
std::string LocaleSortKey(const std::string& text);

// ---- C texts (a null pointer reads as the empty C text) ----

size_t CTextLength(const char* text);
// Copies including the NUL; `dest` must hold CTextLength(src) + 1 bytes.
char* CopyCText(char* dest, const char* src);
// Copies at most n bytes before the NUL, then a NUL: `dest` must hold n + 1 bytes.
char* CopyCTextMax(char* dest, const char* src, size_t n);
// Copies the text into a buffer of `capacity` bytes, cut to capacity - 1 bytes and always
// NUL-terminated; a capacity of 0 writes nothing.
void TextToCBuffer(char* dest, size_t capacity, const std::string& text);
template <size_t N>
void TextToCBuffer(char (&dest)[N], const std::string& text) {
  TextToCBuffer(dest, N, text);
}
// First / last occurrence of c; searching for '\0' finds the terminator. Null when absent.
const char* FindCharForward(const char* text, char c);
const char* FindCharBackward(const char* text, char c);
// Difference of the first differing bytes (as unsigned bytes), 0 when equal.
int CompareCText(const char* a, const char* b);
bool BytesEqual(const void* a, const void* b, size_t n);

// ---- File handles ----

// A mode packs CreateFileA's arguments: access rights in the high 16 bits, the share mode in
// the low byte, the creation disposition in the second byte.
constexpr DWORD kFileModeRead = 0x80000301;   // GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING
constexpr DWORD kFileModeWrite = 0x40000400;  // GENERIC_WRITE, no sharing, OPEN_ALWAYS

// INVALID_HANDLE_VALUE on failure (also for a name holding a NUL, which could only name some
// other file).
HANDLE OpenFileHandle(const std::string& name, DWORD mode);
bool CloseFileHandle(HANDLE handle);
// One ReadFile / WriteFile; the bytes moved, 0 on failure.
DWORD ReadFromHandle(HANDLE handle, void* buffer, DWORD n);
DWORD WriteToHandle(HANDLE handle, const void* buffer, DWORD n);

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
