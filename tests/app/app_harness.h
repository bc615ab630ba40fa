// ZevFtp's windows built in the test's own process through the program's start-up sequence,
// without entering its message loop; or the real loop run with a test body called from inside
// it. Also small readers for what a user would see (item texts, rectangles, menu states).
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/startup.h"
#include "tests/support/poll.h"
#include "winobj/application.h"
#include "winobj/control.h"
#include "winobj/geometry.h"
#include "winobj/listview.h"

// StartUp, then the windows are created and shown the way Run starts them. Freed again, as
// Run would free them, when the harness ends.
class AppHarness {
 public:
  AppHarness() {
    StartUp();
    CreateHandle(appState.application);
    PumpMessages();
  }
  ~AppHarness() {
    Control* application = appState.application;
    appState.application = nullptr;
    if (application) Free(application);
    FreeStartUpState();
  }
  AppHarness(const AppHarness&) = delete;
  AppHarness& operator=(const AppHarness&) = delete;
};

namespace harness_detail {
inline std::function<void()>& LoopBody() {
  static std::function<void()> body;
  return body;
}
inline void CALLBACK RunBodyOnce(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  std::function<void()> body = LoopBody();
  LoopBody() = nullptr;
  if (body) body();
  // However the body ended, the program is closed the way its user would close it.
  if (appState.mainWindow && appState.mainWindow->handle) {
    PostMessageA(appState.mainWindow->handle, WM_CLOSE, 0, 0);
  } else {
    PostQuitMessage(0);
  }
}
}  // namespace harness_detail

// StartUp, then the program's own message loop; `body` runs inside it once the windows are up.
// The program is closed after the body and freed by Run, so the body must check everything
// it wants to see before it returns.
inline void RunProgramWith(const std::function<void()>& body) {
  StartUp();
  harness_detail::LoopBody() = body;
  SetTimer(nullptr, 0, 1, &harness_detail::RunBodyOnce);
  Run(appState.application);
  FreeStartUpState();
}

// Calls `action` from inside the message loop that runs next (a modal showing, a message box).
inline void CallFromNextLoop(const std::function<void()>& action) {
  static std::function<void()> pending;
  pending = action;
  struct Once {
    static void CALLBACK Fire(HWND, UINT, UINT_PTR timer, DWORD) {
      KillTimer(nullptr, timer);
      std::function<void()> run = pending;
      pending = nullptr;
      if (run) run();
    }
  };
  SetTimer(nullptr, 0, 1, &Once::Fire);
}

inline std::vector<std::string> ColumnTexts(Control* list, int column) {
  std::vector<std::string> texts;
  int count = static_cast<int>(SendMessageA(list->handle, LVM_GETITEMCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) texts.push_back(ListItemText(list, i, column));
  return texts;
}

inline int RowOf(Control* list, const std::string& caption) {
  int count = static_cast<int>(SendMessageA(list->handle, LVM_GETITEMCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    if (ListItemText(list, i, 0) == caption) return i;
  }
  return -1;
}

// The window's rectangle in its parent's client co-ordinates.
inline RECT RectInParent(HWND window) {
  RECT r{};
  GetWindowRect(window, &r);
  HWND parent = GetParent(window);
  if (parent) MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

inline std::string WindowText(HWND window) {
  char buffer[512] = {};
  GetWindowTextA(window, buffer, sizeof buffer);
  return buffer;
}

// State bits and id of a menu item, found by command id on the menu's top handle.
struct MenuItemState {
  bool found = false;
  UINT state = 0;
  UINT id = 0;
  std::string text;
};
inline MenuItemState ReadMenuItem(HMENU menu, UINT id) {
  MenuItemState s;
  char text[128] = {};
  MENUITEMINFOA info{};
  info.cbSize = sizeof info;
  info.fMask = MIIM_STATE | MIIM_ID | MIIM_TYPE;
  info.dwTypeData = text;
  info.cch = sizeof text - 1;
  s.found = GetMenuItemInfoA(menu, id, FALSE, &info) != FALSE;
  s.state = info.fState;
  s.id = info.wID;
  s.text = text;
  return s;
}
