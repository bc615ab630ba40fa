// The Linux side of a test under Wine: Linux paths of Windows paths, the source and build
// folders, starting a Linux shell command, reading a file whole.
#pragma once

#include <string>

// The Linux path Wine maps a Windows path to; empty when there is none (not under Wine).
std::string UnixPathOf(const std::string& windowsPath);

// The repository's root folder as a Windows path ending in "\" (found from this source file's
// compiled-in location, or from the build folder's CMakeCache.txt).
std::string SourceRootFolder();

// The build folder as a Windows path ending in "\" (where scripts/fetch-servers unpacked the
// servers and the certificates are made).
std::string TestBuildFolder();

// Starts `/bin/sh -c command`. Under Wine a Linux process gives no handle to wait on, so this
// does not wait for it: a caller that needs its end polls for what it leaves behind (as
// RunShellCommandOutput does). Only whether it could be started is returned. The command must
// not contain double quotes or backslashes (Wine's command line rules would change them).
bool RunShellCommand(const std::string& command, unsigned timeoutMs = 10000);
// A file's whole contents; empty when it cannot be read.
std::string ReadFileText(const std::string& path);
