// Temporary folders for tests: a fresh, uniquely named folder under the system's temporary
// folder, and the removal of a folder with everything in it.
#pragma once

#include <string>

// Makes <temp>\<prefix>_<pid>_<tick>_<n>\ and returns it (ending in "\"), or "" on failure.
std::string MakeUniqueTempFolder(const char* prefix);
// Removes `folder` (ending in "\") and everything below it; read-only files included; symbolic
// links themselves, never what they point to.
void RemoveFolderTree(const std::string& folder);
