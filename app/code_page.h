// Texts between the program's ANSI code page and the others it meets: the UTF-16 names of the
// file system and the shell, the bytes a server gives for a name, the lines of an older
// Sites.sts. Every conversion is exact or says that it was not; none maps a character to a
// look-alike (no best fit), so a name is never shown as, or acted on as, another file's name.
// The code pages are arguments, so every rule is testable for any system.
#pragma once

#include <windows.h>

#include <string>

// The process's ANSI code page: UTF-8 (65001) where Windows honours the program's manifest
// (Windows 10 version 1903 and later), the system's own code page on older Windows.
UINT ProgramCodePage();
// The code page of texts from programs that speak a legacy code page (a server that does not
// send UTF-8, a Sites.sts an older ZevFtp wrote): the system locale's ANSI code page, which the
// manifest does not change, or 1252 where even that is UTF-8.
UINT LegacyCodePage();
constexpr UINT kWesternCodePage = 1252;

// Exact conversions: false when the bytes are no text in `codePage` or a character has no form
// there. `out` is then the text with "?" for what has no form ("?" is in no Windows file name).
bool ToWide(const std::string& text, UINT codePage, std::wstring& out);
bool FromWide(const std::wstring& wide, UINT codePage, std::string& out);
// `text` from one code page into another.
bool Recode(const std::string& text, UINT from, UINT to, std::string& out);

// ---- Names a server gives ----

// How a server's name appears in a row, in the `program` code page: bytes that are UTF-8 read as
// UTF-8, any other bytes read from `legacy` (a Latin-1 server). False when the name has no exact
// form in `program`; `shown` then holds "?" for what is missing.
bool ShownServerName(const std::string& serverName, UINT program, UINT legacy, std::string& shown);
// A server's name as the characters it stands for (UTF-8 bytes, or the legacy code page's).
std::wstring WideServerName(const std::string& serverName);
// Whether a folder holding this name speaks a legacy code page: its bytes are no UTF-8.
bool SpeaksLegacyCodePage(const std::string& serverName);
// The bytes a new name (an upload, a new folder) goes to the server with: UTF-8, or the `legacy`
// code page when the folder's listing speaks one and the name has an exact form there. False
// when `name` is no text of `program`.
bool NewServerName(const std::string& name, UINT program, bool folderSpeaksLegacy, UINT legacy,
                   std::string& serverName);

// ---- Names the program cannot use ----

// The text of the box that refuses a file (or folder) whose name has no exact form in the
// program's code page, naming it as the system holds it: `action` is "uploaded", "downloaded"
// or "opened".
std::wstring UnusableNameText(const std::wstring& name, const char* action, UINT program);
// Shows that box: the plain box (no owner, "ZevFtp", OK), in UTF-16 so it names the file exactly.
void ShowUnusableName(const std::wstring& name, const char* action);
