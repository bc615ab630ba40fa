// The remote list view's message hook: a header click sorts the pane, a double click on a folder
// row goes into it (or up for ".."), a right click opens the pane's popup at the mouse, files
// dropped from the shell are uploaded.
#pragma once

#include <windows.h>

struct MessageRecord;

// The remote list's messageEvent; true when the message is handled.
bool OnRemoteListMessage(void* receiver, MessageRecord& msg, LRESULT& result);
