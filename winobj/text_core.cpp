#include "winobj/text_core.h"

#include <cstring>

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

// ---- UTF-8 ----

namespace {

// The length of the well-formed UTF-8 sequence at `at`, 0 when the bytes there are none.
size_t Utf8SequenceAt(std::string_view text, size_t at) {
  const unsigned char c = static_cast<unsigned char>(text[at]);
  if (c < 0x80) return 1;
  size_t length = 0;
  unsigned lowest = 0;
  unsigned value = 0;
  if (c >= 0xC2 && c <= 0xDF) {
    length = 2, lowest = 0x80, value = c & 0x1Fu;
  } else if (c >= 0xE0 && c <= 0xEF) {
    length = 3, lowest = 0x800, value = c & 0x0Fu;
  } else if (c >= 0xF0 && c <= 0xF4) {
    length = 4, lowest = 0x10000, value = c & 0x07u;
  } else {
    return 0;
  }
  if (at + length > text.size()) return 0;
  for (size_t k = 1; k < length; ++k) {
    const unsigned char next = static_cast<unsigned char>(text[at + k]);
    if ((next & 0xC0u) != 0x80u) return 0;
    value = value << 6 | (next & 0x3Fu);
  }
  if (value < lowest || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
  return length;
}

}  // namespace

bool IsUtf8Text(std::string_view text) {
  for (size_t i = 0; i < text.size();) {
    const size_t length = Utf8SequenceAt(text, i);
    if (length == 0) return false;
    i += length;
  }
  return true;
}

size_t Utf8CutLength(std::string_view text, size_t most) {
  if (most >= text.size()) return text.size();
  // A sequence is at most 4 bytes: only one that starts in the last 3 bytes before the cut can
  // reach past it.
  for (size_t back = 1; back <= 3 && back <= most; ++back) {
    const size_t start = most - back;
    const unsigned char c = static_cast<unsigned char>(text[start]);
    if ((c & 0xC0u) == 0x80u) continue;  // a continuation byte: its lead lies further back
    const size_t length = Utf8SequenceAt(text, start);
    return length > back ? start : most;
  }
  return most;
}

// ---- Lines ----

std::vector<std::string> SplitTextLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t end = text.find('\0');
  if (end == std::string::npos) end = text.size();
  size_t pos = 0;
  while (pos < end) {
    size_t cr = text.find('\r', pos);
    if (cr == std::string::npos || cr >= end) {
      lines.push_back(text.substr(pos, end - pos));
      break;
    }
    lines.push_back(text.substr(pos, cr - pos));
    pos = cr + 1;
    if (pos < end && text[pos] == '\n') ++pos;
  }
  return lines;
}
