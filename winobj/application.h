// The Application (the task-bar window that owns every form and runs the message loop), forms,
// modal showing and the program's plain message box.
#pragma once

#include <string>

#include "winobj/control.h"

Control* CreateApplication(const std::string& caption);
Control* CreateForm(Control* parent, const std::string& caption);
// Tab and Shift+Tab in the form move the focus to the next and the previous of its controls that
// have a tab stop (and are shown and enabled), in the order they were created, around the ends;
// a control that takes Tab as input (a multi-line edit) keeps it.
void SetTabKeys(Control* form);
// Runs until the program quits, then frees the Application and clears the variable.
void Run(Control*& application);
bool ProcessMessage(Control* application);
void ProcessMessages(Control* application);
void ProcessPendingMessages(Control* control);
void ShowModal(Control* form);
// MessageBoxA without owner, MB_OK; caption "ZevFtp"-style application caption while Run is active.
void ShowMessage(const std::string& text);
// MessageBoxA owned by `owner`'s window (disabled while the box is open), MB_OK.
void ShowOwnedMessage(Control* owner, const std::string& text, const std::string& caption);
