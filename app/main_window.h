// Building ZevFtp's two windows in their fixed order: the main window's status bar, toolbar,
// drive box, the two file panes with their splitters, popups and log, the menu bar; then the
// site window with its list, buttons and fields.
#pragma once

#include "app/window_sizes.h"

// The main window's panes, menus and popups, the drive box filled from the drives present.
// Expects appState.application and appState.mainWindow.
void BuildMainWindow();
// The site window, its list, buttons and fields. Expects appState.application.
void BuildSiteWindow();
