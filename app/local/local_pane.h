// The local pane: the drive box, the listing of the current local folder (localPath) into the
// local list, navigation by double click, and the messages the local list view's hook handles.
// The path rules are plain functions.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

class Control;
struct MessageRecord;

// The drive letters of a GetLogicalDrives mask, bit 0 first: character 65 + bit, no colon.
std::vector<std::string> DriveLetters(uint32_t mask);
// Adds the letters to the drive box and selects the second one (none when there is only one).
void FillDriveBox(uint32_t mask);

// The folder a double click on a folder row named `name` leads to from `path` (ending in "\"):
// ".." goes up one level (a root stays where it is), any other name goes down into it.
std::string ParentFolderPath(const std::string& path);
std::string NavigatedFolderPath(const std::string& path, const std::string& name);
// "D" gives "D:\".
std::string DriveRootPath(const std::string& letter);

// Lists localPath into the local list. A folder that cannot be read gives an empty list. Names
// are read as the file system holds them (UTF-16): a name without an exact form in the program's
// code page is shown with "?" (never as a look-alike, which may be another file's name).
void ListLocalFolder();
// The name, as the file system holds it, of the row of the last listing with item data `data`
// when the row cannot show it exactly; false for every other row (its caption is its name). Such
// a row is never acted on: nothing could name its file.
bool InexactLocalName(LPARAM data, std::wstring& name);

// The drive box's changeEvent: lists the root of the chosen drive.
void OnDriveChange(void* receiver, Control* sender);

// The local list's messageEvent: double click navigation, the label edit notice, and the
// column header's notifications (logged; a click on a header sorts by that column).
bool OnLocalListMessage(void* receiver, MessageRecord& msg, LRESULT& result);
