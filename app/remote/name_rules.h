// Which names a transfer may use: a name a server gave must stay one plain local file name, and
// a name that goes into an FTP command must stay one command. Plain functions over the bytes and
// the characters they stand for in a code page.
#pragma once

#include <windows.h>

#include <string>

// A name a server gave that may be joined to the local folder: one plain file name that Windows
// can hold and that names no device (not ".", "..", no "\ / :" or other character Windows
// refuses, no control character, no trailing dot or blank, not CON, PRN, AUX, NUL, COM1-9,
// LPT1-9 with or without an extension).
bool IsSafeLocalName(const std::string& name);
// The same for the bytes of a name in `codePage` (IsSafeLocalName uses the system's).
bool IsSafeLocalNameInCodePage(const std::string& name, UINT codePage);
// As above, and folder + name still fits in MAX_PATH characters (UTF-16 ones, not bytes).
bool IsSafeLocalName(const std::string& name, const std::string& folder);
// A name that may be put into an FTP command: not empty, no CR, LF or NUL.
bool IsSafeRemoteName(const std::string& name);
