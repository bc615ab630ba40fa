// The window class of gladwin's one window: its style, stock icon and cursor, and background.
#pragma once

#include <windows.h>

// The class description with the given procedure, instance and class name.
WNDCLASSW GreetingWindowClass(WNDPROC procedure, HINSTANCE instance, const wchar_t* className);
