// The remote pane: listing the current remote folder (remotePath) through the FTP client's find
// functions, and the path rules (plain functions). The list view's messages are handled in
// remote_list_events.h.
#pragma once

#include <windows.h>

#include <string>

// The folder above `path` (ending in "/"): the trailing "/" and the last name go; with no "/"
// left the path becomes empty (from "/" the empty path: the server's login folder).
std::string ParentRemotePath(const std::string& path);
// Where a double click on the folder row `caption` leads from `path`: ".." goes up, any other
// caption goes down into it (caption + "/").
std::string NavigatedRemotePath(const std::string& path, const std::string& caption);
// The pattern the listing asks for: path + "*.*".
std::string RemoteListPattern(const std::string& path);

// Lists remotePath into the remote list. Without a connection, or for a folder that cannot be
// listed, the pane is left empty and nothing is reported. Called again from a message that a
// listing works off, it leaves the work to that listing.
void ListRemoteFolder();
// The error of the last listing that could not be started (the client's code), 0 when it ran.
DWORD LastRemoteListingError();
// A listing is under way (its frame works off waiting messages meanwhile).
bool RemoteListingRunning();
