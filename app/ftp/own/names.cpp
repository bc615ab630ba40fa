#include "app/ftp/own/names.h"

std::string ConvertCodePage(const std::string& text, UINT from, UINT to) {
  if (text.empty()) return text;
  const int wideLength =
      MultiByteToWideChar(from, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (wideLength <= 0) return std::string(text.size(), '?');
  std::wstring wide(static_cast<size_t>(wideLength), L'\0');
  MultiByteToWideChar(from, 0, text.data(), static_cast<int>(text.size()), &wide[0], wideLength);
  const DWORD flags = to == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
  const char* fallback = to == CP_UTF8 ? nullptr : "?";
  const int length =
      WideCharToMultiByte(to, flags, wide.data(), wideLength, nullptr, 0, fallback, nullptr);
  if (length <= 0) return std::string(text.size(), '?');
  std::string result(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(to, flags, wide.data(), wideLength, &result[0], length, fallback, nullptr);
  return result;
}

bool ConvertCodePageWhole(const std::string& text, UINT from, UINT to, std::string& result) {
  result.clear();
  if (text.empty()) return true;
  const int wideLength = MultiByteToWideChar(from, MB_ERR_INVALID_CHARS, text.data(),
                                             static_cast<int>(text.size()), nullptr, 0);
  if (wideLength <= 0) return false;
  std::wstring wide(static_cast<size_t>(wideLength), L'\0');
  MultiByteToWideChar(from, 0, text.data(), static_cast<int>(text.size()), &wide[0], wideLength);
  // UTF-8 takes every character; the "used default" flag exists for the other code pages only.
  BOOL lost = FALSE;
  BOOL* lostFlag = to == CP_UTF8 ? nullptr : &lost;
  const DWORD flags = to == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
  const int length =
      WideCharToMultiByte(to, flags, wide.data(), wideLength, nullptr, 0, nullptr, lostFlag);
  if (length <= 0 || lost) return false;
  result.assign(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(to, flags, wide.data(), wideLength, &result[0], length, nullptr, lostFlag);
  return !lost;
}
