#include "winobj/text.h"

#include <cstring>
#include <iterator>
#include <new>
#include <stdexcept>
#include <utility>

namespace {

// The C text a line may keep: everything before the first NUL.
std::string BeforeFirstNul(const std::string& text) {
  size_t nul = text.find('\0');
  return nul == std::string::npos ? text : text.substr(0, nul);
}

}  // namespace

int CompareLocaleText(const std::string& a, const std::string& b) {
  int result = CompareStringA(LOCALE_USER_DEFAULT, 0, a.c_str(), -1, b.c_str(), -1);
  // Less, equal and greater come as CSTR_LESS_THAN, CSTR_EQUAL and CSTR_GREATER_THAN (1, 2, 3).
  if (result != 0) return result - CSTR_EQUAL;
  // The call failed: byte order still gives the sort a consistent answer.
  int diff = CompareCText(a.c_str(), b.c_str());
  return diff < 0 ? -1 : (diff > 0 ? 1 : 0);
}

std::string LocaleSortKey(const std::string& text) {
  // Most keys fit a small buffer: one call instead of asking for the size first.
  char small[512];
  int size = LCMapStringA(LOCALE_USER_DEFAULT, LCMAP_SORTKEY, text.c_str(), -1, small,
                          static_cast<int>(sizeof small));
  if (size > 0) return std::string(small, static_cast<size_t>(size));
  size = LCMapStringA(LOCALE_USER_DEFAULT, LCMAP_SORTKEY, text.c_str(), -1, nullptr, 0);
  if (size > 0) {
    std::string key(static_cast<size_t>(size), '\0');
    const int written =
        LCMapStringA(LOCALE_USER_DEFAULT, LCMAP_SORTKEY, text.c_str(), -1, &key[0], size);
    if (written > 0) {
      key.resize(static_cast<size_t>(written));
      return key;
    }
  }
  return std::string(text.c_str());
}

// ---- File handles ----

HANDLE OpenFileHandle(const std::string& name, DWORD mode) {
  if (name.find('\0') != std::string::npos) {
    SetLastError(ERROR_INVALID_NAME);
    return INVALID_HANDLE_VALUE;
  }
  DWORD access = mode & 0xFFFF0000;
  DWORD share = mode & 0xFF;
  DWORD disposition = (mode >> 8) & 0xFF;
  return CreateFileA(name.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL,
                     nullptr);
}

bool CloseFileHandle(HANDLE handle) { return CloseHandle(handle) != FALSE; }

DWORD ReadFromHandle(HANDLE handle, void* buffer, DWORD n) {
  DWORD got = 0;
  return ReadFile(handle, buffer, n, &got, nullptr) ? got : 0;
}

DWORD WriteToHandle(HANDLE handle, const void* buffer, DWORD n) {
  DWORD put = 0;
  return WriteFile(handle, buffer, n, &put, nullptr) ? put : 0;
}

// ---- StringList ----

void StringList::Add(const std::string& text) { lines_.push_back(BeforeFirstNul(text)); }

void StringList::Insert(int index, const std::string& text) {
  if (index < 0 || index > Count()) return;
  lines_.insert(lines_.begin() + index, BeforeFirstNul(text));
}

void StringList::Delete(int index) {
  if (index < 0 || index >= Count()) return;
  lines_.erase(lines_.begin() + index);
}

void StringList::Replace(int index, const std::string& text) {
  if (index < 0 || index >= Count()) return;
  lines_[static_cast<size_t>(index)] = BeforeFirstNul(text);
}

std::string StringList::ItemText(int index) const {
  if (index < 0 || index >= Count()) return std::string();
  return lines_[static_cast<size_t>(index)];
}

void StringList::Clear() { std::vector<std::string>().swap(lines_); }

std::string StringList::JoinedText() const {
  size_t total = 0;
  for (const std::string& line : lines_) total += line.size() + 2;
  std::string joined;
  joined.reserve(total);
  for (const std::string& line : lines_) {
    joined += line;
    joined += "\r\n";
  }
  return joined;
}

void StringList::SetText(const std::string& text, bool append) {
  // The new lines are gathered apart, so a failed allocation leaves the list as it was.
  std::vector<std::string> added = SplitTextLines(text);
  if (!append) {
    lines_.swap(added);
    return;
  }
  lines_.reserve(lines_.size() + added.size());
  lines_.insert(lines_.end(), std::make_move_iterator(added.begin()),
                std::make_move_iterator(added.end()));
}

bool ReadFileBytes(const std::string& name, std::string& bytes) {
  HANDLE file = OpenFileHandle(name, kFileModeRead);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool ok = false;
  std::string text;
  DWORD sizeHigh = 0;
  DWORD size = GetFileSize(file, &sizeHigh);
  if (size != INVALID_FILE_SIZE && sizeHigh == 0) {
    try {
      text.resize(size);
      ok = size == 0 || ReadFromHandle(file, &text[0], size) == size;
    } catch (const std::bad_alloc&) {
      // A file too big for memory is a failed load, not a crash.
    } catch (const std::length_error&) {
    }
  }
  CloseFileHandle(file);
  if (ok) bytes.swap(text);
  return ok;
}

bool StringList::LoadFromFile(const std::string& name) {
  std::string text;
  if (!ReadFileBytes(name, text)) return false;
  try {
    SetText(text, false);
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

void StringList::SaveToFile(const std::string& name) const { SaveToFileChecked(name); }

bool StringList::SaveToFileChecked(const std::string& name) const {
  std::string text = JoinedText();
  if (text.size() > MAXDWORD) return false;
  HANDLE file = OpenFileHandle(name, kFileModeWrite);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD size = static_cast<DWORD>(text.size());
  bool ok = WriteToHandle(file, text.data(), size) == size;
  // Cutting after a failed write would throw away what the old file still holds.
  if (ok) ok = SetEndOfFile(file) != FALSE;
  if (!CloseFileHandle(file)) ok = false;
  return ok;
}
