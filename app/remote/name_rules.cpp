#include "app/remote/name_rules.h"

#include <cwchar>

#include "app/ftp/ftp_text.h"

namespace {

constexpr size_t kMostNameLength = 255;  // UTF-16 characters in one path component
// Characters Windows refuses in a file name; besides them every control character (below the
// blank) is refused.
const wchar_t* const kRefusedCharacters = L"<>:\"/\\|?*";
constexpr wchar_t kFirstPrintable = 0x20;

// COM and LPT take a digit or a superscript 1, 2 or 3.
bool IsPortDigit(wchar_t c) {
  return (c >= L'0' && c <= L'9') || c == 0x00B9 || c == 0x00B2 || c == 0x00B3;
}

// Windows opens the device whatever extension follows the name, and blanks before the dot do
// not count either ("nul .txt").
bool IsDeviceName(const std::wstring& name) {
  std::wstring base = name.substr(0, name.find(L'.'));
  while (!base.empty() && base.back() == L' ') base.pop_back();
  for (wchar_t& c : base) {
    if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
  }
  if (base == L"CON" || base == L"PRN" || base == L"AUX" || base == L"NUL" || base == L"CONIN$" ||
      base == L"CONOUT$") {
    return true;
  }
  return base.size() == 4 && (base.compare(0, 3, L"COM") == 0 || base.compare(0, 3, L"LPT") == 0) &&
         IsPortDigit(base[3]);
}

// The characters of a name in `codePage` (a double-byte pair, a UTF-8 sequence is one); false
// when the bytes are no text there.
bool NameCharacters(const std::string& name, UINT codePage, std::wstring& wide) {
  if (name.size() > static_cast<size_t>(INT32_MAX)) return false;
  const int size = static_cast<int>(name.size());
  const int length =
      MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, name.data(), size, nullptr, 0);
  if (length <= 0) return false;
  wide.assign(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, name.data(), size, &wide[0], length);
  return true;
}

}  // namespace

bool IsSafeLocalName(const std::string& name) { return IsSafeLocalNameInCodePage(name, CP_ACP); }

bool IsSafeLocalNameInCodePage(const std::string& name, UINT codePage) {
  // Read as characters: a double-byte trail byte may equal "\" or "|" while the pair is one
  // ordinary character, and Windows limits a name to 255 characters, not bytes.
  std::wstring wide;
  if (name.empty() || !NameCharacters(name, codePage, wide) || wide.size() > kMostNameLength) {
    return false;
  }
  for (wchar_t c : wide) {
    if (c < kFirstPrintable || std::wcschr(kRefusedCharacters, c) != nullptr) return false;
  }
  // Also refuses "." and "..": Windows drops trailing dots and blanks, so such a name would
  // land on another file (or on the folder above).
  if (wide.back() == L'.' || wide.back() == L' ') return false;
  return !IsDeviceName(wide);
}

bool IsSafeLocalName(const std::string& name, const std::string& folder) {
  // MAX_PATH counts characters: a UTF-8 name is longer in bytes.
  std::wstring path;
  return IsSafeLocalName(name) && NameCharacters(folder + name, CP_ACP, path) &&
         path.size() < MAX_PATH;
}

bool IsSafeRemoteName(const std::string& name) { return !name.empty() && !HoldsLineBreak(name); }
