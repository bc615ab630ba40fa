#include "app/code_page.h"

#include "winobj/text.h"

namespace {

constexpr wchar_t kReplacement = 0xFFFD;
constexpr char kMissing = '?';
constexpr int kCodePageDigits = 8;

bool IsAscii(const std::string& text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

bool IsSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDFFF; }

// The wide text with every surrogate that is not half of a pair made "?": UTF-8 has no form for
// it.
std::wstring WithoutLoneSurrogates(const std::wstring& wide, bool& changed) {
  std::wstring result = wide;
  changed = false;
  for (size_t i = 0; i < result.size(); ++i) {
    const wchar_t c = result[i];
    if (!IsSurrogate(c)) continue;
    if (c <= 0xDBFF && i + 1 < result.size() && result[i + 1] >= 0xDC00 &&
        result[i + 1] <= 0xDFFF) {
      ++i;
      continue;
    }
    result[i] = kMissing;
    changed = true;
  }
  return result;
}

int ToInt(size_t size) { return size > INT32_MAX ? -1 : static_cast<int>(size); }

}  // namespace

UINT ProgramCodePage() { return GetACP(); }

UINT LegacyCodePage() {
  static const UINT legacy = [] {
    wchar_t digits[kCodePageDigits] = {};
    if (GetLocaleInfoW(LOCALE_SYSTEM_DEFAULT, LOCALE_IDEFAULTANSICODEPAGE, digits,
                       kCodePageDigits) == 0) {
      return kWesternCodePage;
    }
    UINT codePage = 0;
    for (const wchar_t* d = digits; *d >= L'0' && *d <= L'9'; ++d) {
      codePage = codePage * 10 + static_cast<UINT>(*d - L'0');
    }
    if (codePage == 0 || codePage == CP_UTF8 || !IsValidCodePage(codePage)) {
      return kWesternCodePage;
    }
    return codePage;
  }();
  return legacy;
}

bool ToWide(const std::string& text, UINT codePage, std::wstring& out) {
  out.clear();
  const int size = ToInt(text.size());
  if (size <= 0) return size == 0;
  int length = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), size, nullptr, 0);
  const bool exact = length > 0;
  // Not text of that code page: read leniently for the eye, every bad byte a "?".
  const DWORD flags = exact ? MB_ERR_INVALID_CHARS : 0;
  if (!exact) length = MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0);
  if (length <= 0) {
    out.assign(text.size(), kMissing);
    return false;
  }
  out.assign(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(codePage, flags, text.data(), size, &out[0], length);
  if (!exact) {
    for (wchar_t& c : out) {
      if (c == kReplacement) c = kMissing;
    }
  }
  return exact;
}

bool FromWide(const std::wstring& wide, UINT codePage, std::string& out) {
  out.clear();
  bool changed = false;
  const std::wstring whole = WithoutLoneSurrogates(wide, changed);
  const int size = ToInt(whole.size());
  if (size <= 0) return size == 0 && !changed;
  // UTF-8 has a form for every character (and takes no default character); every other code
  // page is asked without best fit, so that "Ω" becomes "?" and not "O".
  const bool utf8 = codePage == CP_UTF8;
  const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
  const char missing[] = {kMissing, '\0'};
  BOOL usedDefault = FALSE;
  const int length = WideCharToMultiByte(codePage, flags, whole.data(), size, nullptr, 0,
                                         utf8 ? nullptr : missing, utf8 ? nullptr : &usedDefault);
  if (length <= 0) {
    out.assign(whole.size(), kMissing);
    return false;
  }
  out.assign(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(codePage, flags, whole.data(), size, &out[0], length,
                      utf8 ? nullptr : missing, utf8 ? nullptr : &usedDefault);
  return !changed && !usedDefault;
}

bool Recode(const std::string& text, UINT from, UINT to, std::string& out) {
  if (from == to && IsAscii(text)) {
    out = text;
    return true;
  }
  std::wstring wide;
  const bool read = ToWide(text, from, wide);
  return FromWide(wide, to, out) && read;
}

// ---- Names a server gives ----

bool ShownServerName(const std::string& serverName, UINT program, UINT legacy, std::string& shown) {
  if (IsAscii(serverName)) {
    shown = serverName;
    return true;
  }
  const UINT from = IsUtf8Text(serverName) ? CP_UTF8 : legacy;
  return Recode(serverName, from, program, shown);
}

std::wstring WideServerName(const std::string& serverName) {
  std::wstring wide;
  ToWide(serverName, IsUtf8Text(serverName) ? CP_UTF8 : LegacyCodePage(), wide);
  return wide;
}

bool SpeaksLegacyCodePage(const std::string& serverName) { return !IsUtf8Text(serverName); }

bool NewServerName(const std::string& name, UINT program, bool folderSpeaksLegacy, UINT legacy,
                   std::string& serverName) {
  if (IsAscii(name)) {
    serverName = name;
    return true;
  }
  std::wstring wide;
  if (!ToWide(name, program, wide)) return false;
  if (folderSpeaksLegacy && FromWide(wide, legacy, serverName)) return true;
  return FromWide(wide, CP_UTF8, serverName);
}

// ---- Names the program cannot use ----

std::wstring UnusableNameText(const std::wstring& name, const char* action, UINT program) {
  std::wstring verb;
  for (const char* c = action; c != nullptr && *c != '\0'; ++c) verb += static_cast<wchar_t>(*c);
  std::wstring text = L"\"" + name + L"\" cannot be " + verb + L": ";
  if (program == CP_UTF8) return text + L"its name is no valid text.";
  std::wstring digits;
  for (const char c : UInt64ToText(program)) digits += static_cast<wchar_t>(c);
  return text + L"its name holds characters that this system's code page (" + digits +
         L") lacks. Windows 10 version 1903 and later can use every name.";
}

void ShowUnusableName(const std::wstring& name, const char* action) {
  MessageBoxW(nullptr, UnusableNameText(name, action, ProgramCodePage()).c_str(), L"ZevFtp", MB_OK);
}
