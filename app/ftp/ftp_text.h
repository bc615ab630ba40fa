// The small text rules every reader of server bytes and every writer of FTP commands shares:
// digits, case-blind comparison, line breaks. Plain code over bytes, without windows.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "winobj/text_core.h"

inline bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Whether `c` is one of the few bytes of `set`. A plain loop: a library search would cost a
// call for each byte asked about, and listings ask this of every line.
inline bool IsOneOf(char c, std::string_view set) {
  for (char s : set) {
    if (s == c) return true;
  }
  return false;
}

// Where the first byte of `text` from `from` on that is one of `set` stands; npos when none is.
inline size_t FindAnyOf(std::string_view text, std::string_view set, size_t from = 0) {
  for (size_t i = from; i < text.size(); ++i) {
    if (IsOneOf(text[i], set)) return i;
  }
  return std::string_view::npos;
}

inline char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }

// A whole text of decimal digits that fits 64 bits; false for anything else.
inline bool ReadDecimal(std::string_view text, uint64_t& value) {
  if (text.empty() || text.size() > 20) return false;
  // The bound is a constant: a 64-bit division for every digit is a library call on x86.
  constexpr uint64_t kMostTenth = UINT64_MAX / 10;
  constexpr uint64_t kMostLastDigit = UINT64_MAX % 10;
  uint64_t result = 0;
  for (char c : text) {
    if (!IsDigit(c)) return false;
    const uint64_t digit = static_cast<uint64_t>(c - '0');
    if (result > kMostTenth || (result == kMostTenth && digit > kMostLastDigit)) return false;
    result = result * 10 + digit;
  }
  value = result;
  return true;
}

// Equal without regard to the case of ASCII letters (bytes above 127 compare as they are, so a
// UTF-8 or code-page name is never folded by the locale).
inline bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (UpperAscii(a[i]) != UpperAscii(b[i])) return false;
  }
  return true;
}

// CR, LF or NUL: a text holding one would end an FTP command early and start another of the
// text's choosing (and NUL ends it for every C string on the way).
inline bool HoldsLineBreak(std::string_view text) {
  return FindAnyOf(text, std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

// The text without the CR LF, LF or CR that ends it.
inline std::string_view WithoutLineBreak(std::string_view line) {
  if (!line.empty() && line.back() == '\n') line.remove_suffix(1);
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return line;
}

// Well-formed UTF-8 (no overlong forms, no surrogates, nothing past U+10FFFF) holding at least
// one byte above 127: a name a server wrote in UTF-8, not plain ASCII.
inline bool IsNonAsciiUtf8(std::string_view text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return IsUtf8Text(text);
  }
  return false;
}
