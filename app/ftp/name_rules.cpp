#include "app/ftp/name_rules.h"

#include <cstring>

#include "app/ftp/ftp_text.h"

namespace {

constexpr size_t kMostNameLength = 255;  // characters in one path component
// Characters Windows refuses in a file name; besides them every control character (below the
// blank) is refused.
const char* const kRefusedCharacters = "<>:\"/\\|?*";
constexpr unsigned char kFirstPrintable = 0x20;
// Superscript 1, 2 and 3 in the ANSI code page: Windows takes COM and LPT with them as devices too.
constexpr unsigned char kSuperscriptOne = 0xB9;
constexpr unsigned char kSuperscriptTwo = 0xB2;
constexpr unsigned char kSuperscriptThree = 0xB3;

// COM and LPT take a digit or a superscript 1, 2 or 3.
bool IsPortDigit(char c) {
  const unsigned char u = static_cast<unsigned char>(c);
  return (c >= '0' && c <= '9') || u == kSuperscriptOne || u == kSuperscriptTwo ||
         u == kSuperscriptThree;
}

// Windows opens the device whatever extension follows the name, and blanks before the dot do
// not count either ("nul .txt").
bool IsDeviceName(const std::string& name) {
  std::string base = name.substr(0, name.find('.'));
  while (!base.empty() && base.back() == ' ') base.pop_back();
  for (char& c : base) c = UpperAscii(c);
  if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL" || base == "CONIN$" ||
      base == "CONOUT$") {
    return true;
  }
  return base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) &&
         IsPortDigit(base[3]);
}

}  // namespace

bool IsSafeLocalName(const std::string& name) { return IsSafeLocalNameInCodePage(name, CP_ACP); }

bool IsSafeLocalNameInCodePage(const std::string& name, UINT codePage) {
  if (name.empty() || name.size() > kMostNameLength) return false;
  for (size_t i = 0; i < name.size(); ++i) {
    const char c = name[i];
    // In a double-byte code page (Japanese, Chinese, Korean) a trail byte may equal "\" or "|"
    // while the pair is one ordinary character; a lead byte without its trail is malformed.
    if (IsDBCSLeadByteEx(codePage, static_cast<BYTE>(c))) {
      if (++i == name.size()) return false;
      continue;
    }
    if (static_cast<unsigned char>(c) < kFirstPrintable) return false;
    if (std::strchr(kRefusedCharacters, c) != nullptr) return false;
  }
  // Also refuses "." and "..": Windows drops trailing dots and blanks, so such a name would
  // land on another file (or on the folder above).
  if (name.back() == '.' || name.back() == ' ') return false;
  return !IsDeviceName(name);
}

bool IsSafeLocalName(const std::string& name, const std::string& folder) {
  return IsSafeLocalName(name) && folder.size() + name.size() < MAX_PATH;
}

bool IsSafeRemoteName(const std::string& name) { return !name.empty() && !HoldsLineBreak(name); }
