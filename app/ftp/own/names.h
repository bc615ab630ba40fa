// Names between the program, which speaks the system's ANSI code page, and a server that may
// speak UTF-8. No best-fit mapping: a character without an ANSI form becomes "?", which no local
// name may hold, so a look-alike file is never written or fetched.
#pragma once

#include <windows.h>

#include <string>

// The text converted from one code page to another; every character that has no form in `to`
// becomes "?".
std::string ConvertCodePage(const std::string& text, UINT from, UINT to);

// The text in `to` when every character has a form there; false otherwise.
bool ConvertCodePageWhole(const std::string& text, UINT from, UINT to, std::string& result);

// A name as the server spells it, and back.
inline std::string ServerName(const std::string& name, bool utf8) {
  return utf8 ? ConvertCodePage(name, CP_ACP, CP_UTF8) : name;
}
inline std::string ProgramName(const std::string& name, bool utf8) {
  return utf8 ? ConvertCodePage(name, CP_UTF8, CP_ACP) : name;
}
