// The remote pane: listing the current remote folder (remotePath) through the FTP client's find
// functions, and the path rules (plain functions). The list view's messages are handled in
// remote_list_events.h.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

// The folder above `path` (ending in "/"): the trailing "/" and the last name go; with no "/"
// left the path becomes empty (from "/" the empty path: the server's login folder).
std::string ParentRemotePath(const std::string& path);
// Where a double click on the folder row `caption` leads from `path`: ".." goes up, any other
// caption goes down into it (caption + "/").
std::string NavigatedRemotePath(const std::string& path, const std::string& caption);
// The pattern the listing asks for: path + "*.*".
std::string RemoteListPattern(const std::string& path);

// A row of the remote pane as the server knows it. remotePath is kept in the server's bytes too
// (it is never shown): each part is a folder row's server name.
struct RemoteRowName {
  std::string server;  // the bytes every command about the row sends
  bool exact = true;   // false: the caption shows it with "?" (no form in the program's code page)
};
// The server's name of the row of the last listing with item data `data` and caption `caption`.
RemoteRowName ServerNameOfRow(LPARAM data, const std::string& caption);
// The bytes a new name (an upload, a new folder) goes to `folder` with: UTF-8, unless the last
// listing was of `folder` and showed names in the legacy code page, where the name has a form
// (code_page.h). False when the name is no text.
bool ServerNameForNew(const std::string& folder, const std::string& name, std::string& serverName);

// Lists remotePath into the remote list. Without a connection the pane is left empty and
// nothing is said; a listing that failed keeps the rows that arrived before the failure and says
// why in one box, once the rows are shown; so does a listing cut at the client's bound, with the
// number of rows shown. Called again from a message that a listing works off, it leaves the
// work to that listing.
void ListRemoteFolder();
// The same in two steps, for a caller that has more to do before a box may stop it: the listing
// (its failure kept), then the box about it, if any, shown once.
void FillRemotePane();
void ReportRemoteListing();
// What the box says of a listing cut at the client's bound that left `rows` rows in the pane.
std::string ListingCutText(size_t rows);
// The box's text for a listing that left out lines it could not read surely.
std::string UnreadLinesText(size_t lines);
// A listing is under way (its frame works off waiting messages meanwhile).
bool RemoteListingRunning();
