#include "winobj/text.h"

#include <cstring>
#include <iterator>
#include <new>
#include <stdexcept>
#include <utility>

namespace {

// CompareStringA reports less, equal and greater as 1, 2 and 3.
constexpr int kCompareResultBias = 2;

// The C text a line may keep: everything before the first NUL.
std::string BeforeFirstNul(const std::string& text) {
  size_t nul = text.find('\0');
  return nul == std::string::npos ? text : text.substr(0, nul);
}

}  // namespace

// ---- Integers and decimal text ----

std::string UInt64ToText(uint64_t value) {
  char digits[24];
  char* p = digits + sizeof(digits);
  *--p = '\0';
  do {
    *--p = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  return std::string(p);
}

std::string Int64ToText(int64_t value) {
  if (value >= 0) return UInt64ToText(static_cast<uint64_t>(value));
  // Negating in unsigned arithmetic keeps the most negative value representable.
  return "-" + UInt64ToText(0 - static_cast<uint64_t>(value));
}

std::string IntToText(int32_t value) { return Int64ToText(value); }

int32_t TextToInt(const std::string& text) {
  size_t i = 0;
  bool negative = false;
  if (!text.empty() && text[0] == '-') {
    negative = true;
    i = 1;
  }
  // A number past the 32-bit range stays past it: it saturates instead of wrapping, so a port
  // text such as 4295014396 (2^32 + 47100) cannot come out as an ordinary port number.
  const int64_t limit = negative ? -static_cast<int64_t>(INT32_MIN) : INT32_MAX;
  int64_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > limit) value = limit;
  }
  return static_cast<int32_t>(negative ? -value : value);
}

// ---- Counted texts ----

int CharPosition(const std::string& text, char c) {
  size_t at = text.find(c);
  return at == std::string::npos ? -1 : static_cast<int>(at) + 1;
}

int FirstSeparatorPos(const std::string& text, const char* separators) {
  if (separators == nullptr) return -1;
  size_t at = text.find_first_of(separators, 0, CTextLength(separators));
  return at == std::string::npos ? -1 : static_cast<int>(at) + 1;
}

void CutField(std::string& text, const char* separators, std::string& field) {
  int pos = FirstSeparatorPos(text, separators);
  if (pos < 0) {
    field = text;
    text.clear();
    return;
  }
  field = text.substr(0, static_cast<size_t>(pos) - 1);
  text.erase(0, static_cast<size_t>(pos));
}

std::string TextFrom(const std::string& text, int position) {
  size_t start = position <= 1 ? 0 : static_cast<size_t>(position) - 1;
  return start >= text.size() ? std::string() : text.substr(start);
}

void DropLastChars(std::string& text, int n) {
  if (n <= 0) return;
  size_t drop = static_cast<size_t>(n);
  text.resize(drop >= text.size() ? 0 : text.size() - drop);
}

int PastLastSeparatorPos(const std::string& text, const char* separators) {
  if (separators == nullptr) return 0;
  size_t at = text.find_last_of(separators, std::string::npos, CTextLength(separators));
  return at == std::string::npos ? 0 : static_cast<int>(at) + 2;
}

std::string PathNamePart(const std::string& text) {
  return TextFrom(text, PastLastSeparatorPos(text, "\\:"));
}

int CompareLocaleText(const std::string& a, const std::string& b) {
  int result = CompareStringA(LOCALE_USER_DEFAULT, 0, a.c_str(), -1, b.c_str(), -1);
  if (result != 0) return result - kCompareResultBias;
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

// ---- C texts ----

size_t CTextLength(const char* text) { return text == nullptr ? 0 : std::strlen(text); }

char* CopyCText(char* dest, const char* src) {
  size_t n = CTextLength(src);
  if (n != 0) std::memcpy(dest, src, n);
  dest[n] = '\0';
  return dest;
}

char* CopyCTextMax(char* dest, const char* src, size_t n) {
  size_t length = 0;
  if (src != nullptr)
    while (length < n && src[length] != '\0') ++length;
  if (length != 0) std::memcpy(dest, src, length);
  dest[length] = '\0';
  return dest;
}

void TextToCBuffer(char* dest, size_t capacity, const std::string& text) {
  if (dest == nullptr || capacity == 0) return;
  size_t n = text.size() < capacity ? text.size() : capacity - 1;
  CopyCTextMax(dest, text.c_str(), n);
}

const char* FindCharForward(const char* text, char c) {
  return text == nullptr ? nullptr : std::strchr(text, c);
}

const char* FindCharBackward(const char* text, char c) {
  return text == nullptr ? nullptr : std::strrchr(text, c);
}

int CompareCText(const char* a, const char* b) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(a != nullptr ? a : "");
  const unsigned char* q = reinterpret_cast<const unsigned char*>(b != nullptr ? b : "");
  while (*p != 0 && *p == *q) {
    ++p;
    ++q;
  }
  return static_cast<int>(*p) - static_cast<int>(*q);
}

bool BytesEqual(const void* a, const void* b, size_t n) {
  return n == 0 || std::memcmp(a, b, n) == 0;
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
  std::vector<std::string> added;
  size_t end = text.find('\0');
  if (end == std::string::npos) end = text.size();
  size_t pos = 0;
  while (pos < end) {
    size_t cr = text.find('\r', pos);
    if (cr == std::string::npos || cr >= end) {
      added.push_back(text.substr(pos, end - pos));
      break;
    }
    added.push_back(text.substr(pos, cr - pos));
    pos = cr + 1;
    if (pos < end && text[pos] == '\n') ++pos;
  }
  if (!append) {
    lines_.swap(added);
    return;
  }
  lines_.reserve(lines_.size() + added.size());
  lines_.insert(lines_.end(), std::make_move_iterator(added.begin()),
                std::make_move_iterator(added.end()));
}

bool StringList::LoadFromFile(const std::string& name) {
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
  if (!ok) return false;
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
