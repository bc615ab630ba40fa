// The commands of the toolbar, the main menu and the two pane popups: the handlers that map a
// chosen button or item to its action, and the connect command (the session opens the
// connection; the command then lists the server's folder and switches the commands).
#pragma once

#include <cstdint>

#include "app/command_ids.h"

class Control;
class MenuObject;

// The toolbar command a clicked button id selects: the low 8 bits less 100, kept to 7 bits;
// -1 when that is above the last button (a click beside the buttons has id -1).
int ToolbarCommandOf(int32_t clickedButtonId);

// The toolbar's clickEvent; reads the toolbar's clickedButtonId.
void OnToolbarClick(void* receiver, Control* sender);
// ItemChosen of the main menu and of both popups.
void OnMainMenuItem(void* receiver, MenuObject* sender, int index);
void OnPopupItem(void* receiver, MenuObject* sender, int index);

// Shows or collapses the log (heights 1 and 100) and keeps the "Show Log" button's pressed look
// in step.
void ToggleLog();

// Connects to the site in the site window's fields, once the site window was last closed with
// "&Ok" (OpenConnection); then lists the current remote folder and switches the toolbar, the
// remote popup and the main menu to the connected states. Failure: "Connection Failed".
void ConnectToSite();
