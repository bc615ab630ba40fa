// Texts for tests written once for any ANSI code page: a name given in UTF-16 as the program's
// own text (UTF-8 under the program's manifest, the system's code page without it), and back.
#pragma once

#include <windows.h>

#include <string>

// The text in the process's ANSI code page; "?" for what it lacks (no best fit).
inline std::string ProgramText(const std::wstring& wide) {
  if (wide.empty()) return std::string();
  const DWORD flags = GetACP() == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
  const int size = static_cast<int>(wide.size());
  const int length =
      WideCharToMultiByte(CP_ACP, flags, wide.data(), size, nullptr, 0, nullptr, nullptr);
  std::string text(length > 0 ? static_cast<size_t>(length) : 0, '\0');
  if (length > 0) {
    WideCharToMultiByte(CP_ACP, flags, wide.data(), size, &text[0], length, nullptr, nullptr);
  }
  return text;
}

// The program's text as UTF-16.
inline std::wstring WideText(const std::string& text) {
  if (text.empty()) return std::wstring();
  const int size = static_cast<int>(text.size());
  const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0);
  std::wstring wide(length > 0 ? static_cast<size_t>(length) : 0, L'\0');
  if (length > 0) MultiByteToWideChar(CP_ACP, 0, text.data(), size, &wide[0], length);
  return wide;
}

// True when the process's code page holds every character of `wide`.
inline bool ProgramCodePageHolds(const std::wstring& wide) {
  if (GetACP() == CP_UTF8) return true;
  BOOL usedDefault = FALSE;
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()),
                      nullptr, 0, nullptr, &usedDefault);
  return usedDefault == FALSE;
}

// The UTF-8 bytes of a text (what a Linux disk and most servers hold).
inline std::string Utf8Bytes(const std::wstring& wide) {
  if (wide.empty()) return std::string();
  const int size = static_cast<int>(wide.size());
  const int length =
      WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, &text[0], length, nullptr, nullptr);
  return text;
}
