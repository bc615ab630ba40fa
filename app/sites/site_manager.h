// The site window's handlers: opening a stored site into the fields, adding, deleting,
// confirming with Ok (the connect command then uses the fields) or leaving with Cancel, and the
// close box, which only hides the window.
#pragma once

#include <cstdint>

class Control;

// modalResult values of the site window.
constexpr int32_t kSiteResultOk = 1;
constexpr int32_t kSiteResultCancel = 2;
constexpr int32_t kSiteResultClosed = -1;

// clickEvent of siteList (a double click on an item).
void OnSiteOpen(void* receiver, Control* sender);
// clickEvent of the buttons "&Add", "&Delete", "&Cancel" and "&Ok".
void OnSiteAdd(void* receiver, Control* sender);
void OnSiteDelete(void* receiver, Control* sender);
void OnSiteCancel(void* receiver, Control* sender);
void OnSiteOk(void* receiver, Control* sender);

// Shows the site window modally ("&Site Manager"); a close box that ended the showing also
// hides it, as Ok and Cancel do.
void ShowSiteManager();

// closeEvent of the site window. Outside a modal showing the platform's default close would
// destroy the window and free it with its fields, which AppState and the connect command still
// use; so the close box hides it instead (result -1, not confirmed) and refuses the close.
// During a modal showing the modal close procedure answers WM_CLOSE before this event is asked.
void OnSiteWindowClose(void* receiver, Control* sender, uint8_t& accept);
