// Texts for tests written once for any ANSI code page: a name given in UTF-16 as the program's
// own text (UTF-8 under the program's manifest, the system's code page without it), and back.
#pragma once

#include <windows.h>

#include <string>

// The text in `codePage`; "?" for what it lacks (no best fit).
inline std::string Encoded(const std::wstring& wide, UINT codePage) {
  const bool utf8 = codePage == CP_UTF8 || (codePage == CP_ACP && GetACP() == CP_UTF8);
  const int size = static_cast<int>(wide.size());
  const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
  const int length =
      WideCharToMultiByte(codePage, flags, wide.data(), size, nullptr, 0, nullptr, nullptr);
  std::string text(length > 0 ? static_cast<size_t>(length) : 0, '\0');
  if (length > 0)
    WideCharToMultiByte(codePage, flags, wide.data(), size, &text[0], length, nullptr, nullptr);
  return text;
}
inline std::string ProgramText(const std::wstring& wide) { return Encoded(wide, CP_ACP); }
inline std::string Utf8Bytes(const std::wstring& wide) { return Encoded(wide, CP_UTF8); }
// True when the process's code page holds every character of `wide` (which holds no "?").
inline bool ProgramCodePageHolds(const std::wstring& wide) {
  return ProgramText(wide).find('?') == std::string::npos;
}

// The program's text as UTF-16.
inline std::wstring WideText(const std::string& text) {
  const int size = static_cast<int>(text.size());
  const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0);
  std::wstring wide(length > 0 ? static_cast<size_t>(length) : 0, L'\0');
  if (length > 0) MultiByteToWideChar(CP_ACP, 0, text.data(), size, &wide[0], length);
  return wide;
}
