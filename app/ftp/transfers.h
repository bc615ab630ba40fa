// Transfers and remote file operations: download of the selected remote files, upload of the
// selected local files and of files dropped on the remote pane, deleting the selected remote
// files after a question, a new remote folder; the Delete key of both panes. Every failed file
// gets its own message box and the rest go on. Which names may be used is decided by plain
// functions.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <cstdint>
#include <string>

class Control;
class StringList;

// A name a server gave that may be joined to the local folder: one plain file name that Windows
// can hold and that names no device (not ".", "..", no "\ / :" or other character Windows
// refuses, no control character, no trailing dot or blank, not CON, PRN, AUX, NUL, COM1-9,
// LPT1-9 with or without an extension).
bool IsSafeLocalName(const std::string& name);
// The same for the bytes of a name in `codePage` (IsSafeLocalName uses the system's).
bool IsSafeLocalNameInCodePage(const std::string& name, UINT codePage);
// As above, and folder + name still fits in MAX_PATH characters.
bool IsSafeLocalName(const std::string& name, const std::string& folder);
// A name that may be put into an FTP command: not empty, no CR, LF or NUL.
bool IsSafeRemoteName(const std::string& name);

// The captions of the selected file rows (folder rows skipped), in row order.
void CollectSelectedFiles(Control* listView, StringList& names);

void DownloadSelected();
void UploadSelected();
// Uploads every dropped file into remotePath, then releases the drop handle.
void UploadDropped(HDROP drop);
void DeleteSelected();
void CreateRemoteFolder();

// keyUpEvent of both file panes: the Delete key asks to delete the selected remote files; in
// the local pane it only says "Delete pressed local".
void OnListKeyUp(void* receiver, Control* sender, uint32_t& key, uint32_t shift);
