// ZevFtp's start-up sequence, message loop and shutdown, as one call for the program entry.
#pragma once

// Fills AppState, builds the windows, runs the message loop until the program quits, then frees
// what start-up owns. Returns the process exit code.
int RunZevFtp();
