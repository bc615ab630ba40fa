// The small text rules every reader of server bytes and every writer of FTP commands shares:
// digits, case-blind comparison, line breaks. Plain code over bytes, without windows.h.
#pragma once

#include <cstddef>
#include <string_view>

inline bool IsDigit(char c) { return c >= '0' && c <= '9'; }

inline char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }

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
  return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

// The text without the CR LF, LF or CR that ends it.
inline std::string_view WithoutLineBreak(std::string_view line) {
  if (!line.empty() && line.back() == '\n') line.remove_suffix(1);
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return line;
}
