// ZevFtp's start-up sequence, message loop and shutdown. StartUp builds everything up to the
// message loop (tests drive the windows from there); RunZevFtp is the whole program.
#pragma once

#include <windows.h>

#include <cstdint>

// The face every window of the program draws its texts with, for the process's code page.
struct ProgramFont {
  const char* name;
  uint8_t charSet;
  int32_t height;
};
ProgramFont ProgramFontFor(UINT codePage);

// Fills AppState, builds the main window and the site window, loads the stored sites, lists
// the start folder and gives the focus to the drive box.
void StartUp();
// Frees what start-up owns itself: the site lines, the event receiver and the toolbar strip.
// The Application and everything it owns are freed by Run.
void FreeStartUpState();
// StartUp, the message loop until the program quits, then FreeStartUpState. Returns the process
// exit code.
int RunZevFtp();
