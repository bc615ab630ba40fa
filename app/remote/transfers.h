// Transfers and remote file operations: download of the selected remote files, upload of the
// selected local files and of files dropped on the remote pane, deleting the selected remote
// files after a question, a new remote folder; the Delete key of both panes. Every failed file
// gets its own message box and the rest go on. Which names may be used: name_rules.h.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <cstdint>
#include <string>
#include <vector>

class Control;
class StringList;

// The captions of the selected file rows (folder rows skipped), in row order.
void CollectSelectedFiles(Control* listView, StringList& names);
// The same rows with their item data, which finds what a caption cannot tell (code_page.h).
struct SelectedRow {
  std::string caption;
  LPARAM data = 0;
};
std::vector<SelectedRow> SelectedFileRows(Control* listView);

void DownloadSelected();
void UploadSelected();
// Uploads every dropped file into remotePath, then releases the drop handle.
void UploadDropped(HDROP drop);
void DeleteSelected();
void CreateRemoteFolder();

// keyUpEvent of both file panes: the Delete key asks to delete the selected remote files; in
// the local pane it only says "Delete pressed local".
void OnListKeyUp(void* receiver, Control* sender, uint32_t& key, uint32_t shift);
