#include "winobj/application.h"

#include <algorithm>
#include <vector>

#include "winobj/geometry.h"
#include "winobj/scoped.h"

namespace {

constexpr uint32_t kApplicationStyle =
    WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;  // 0x90CA0000
constexpr uint32_t kApplicationExStyle = WS_EX_APPWINDOW;
constexpr int kModalClosed = -1;

// The Application window is only the task-bar entry: it can be minimised and closed, but not
// sized, moved or maximised, and restoring is offered only by the platform when minimised.
void FixSystemMenu(Control* application) {
  HMENU menu = GetSystemMenu(application->handle, FALSE);
  if (!menu) return;
  EnableMenuItem(menu, SC_RESTORE, MF_GRAYED);
  DeleteMenu(menu, SC_SIZE, MF_BYCOMMAND);
  DeleteMenu(menu, SC_MOVE, MF_BYCOMMAND);
  DeleteMenu(menu, SC_MAXIMIZE, MF_BYCOMMAND);
}

// Focus given to the Application goes on to the form that was active last.
bool ApplicationFocusProc(Control* application, MessageRecord& msg, LRESULT& result) {
  if (msg.message != WM_SETFOCUS) return false;
  Control* form = application->currentControl;
  if (form) {
    CreateHandle(form);
    SetFocus(form->handle);
  }
  result = 0;
  return true;
}

bool FormProc(Control* form, MessageRecord& msg, LRESULT& result) {
  switch (msg.message) {
    case WM_PAINT: {
      CreateChildWindows(form);
      const RECT rect = ClientRect(form);
      PAINTSTRUCT ps{};
      HDC dc = reinterpret_cast<HDC>(msg.wParam);
      const bool ownPaint = dc == nullptr;
      if (ownPaint) dc = BeginPaint(form->handle, &ps);
      paintBackgroundHook(form, dc, rect);
      if (ownPaint) EndPaint(form->handle, &ps);
      result = 0;
      return true;
    }
    case WM_SETFOCUS: {
      bool handled = false;
      if (Control* current = form->currentControl) {
        CreateHandle(current);
        SetFocus(current->handle);
        handled = true;
      }
      if (applicationObject && applicationObject != form) applicationObject->currentControl = form;
      result = 0;
      return handled;
    }
    default:
      return false;
  }
}

// While a form is shown modally its close box only ends the modal showing.
bool ModalCloseProc(Control* form, MessageRecord& msg, LRESULT& result) {
  if (msg.message != WM_CLOSE) return false;
  form->form.modalResult = kModalClosed;
  result = 0;
  return true;
}

// The controls under `parent` that Tab may move the focus to: those made with a tab stop whose
// windows are shown and enabled.
void CollectTabStops(Control* parent, std::vector<Control*>& stops) {
  for (int i = 0; i < parent->ChildCount(); ++i) {
    Control* child = parent->Child(i);
    HWND window = child->handle;
    if (child->tabStop && window && IsWindowVisible(window) && IsWindowEnabled(window)) {
      stops.push_back(child);
    }
    CollectTabStops(child, stops);
  }
}

bool WantsTab(HWND window) {
  return (SendMessageA(window, WM_GETDLGCODE, VK_TAB, 0) & (DLGC_WANTTAB | DLGC_WANTALLKEYS)) != 0;
}

// The form's key handler of a form with tab keys. Only the key-down moves: the character the
// loop made of it goes to the control that had the focus, which then no longer has it (the layer
// drops keys for a window without the focus); the key-up goes on to the control that has it now.
bool TabKeyHandler(Control* control, WPARAM key, bool keyDown) {
  if (key != VK_TAB || !keyDown || control->handle == nullptr || WantsTab(control->handle)) {
    return false;
  }
  Control* form = ParentForm(control);
  if (form == nullptr) return false;
  std::vector<Control*> stops;
  CollectTabStops(form, stops);
  std::stable_sort(stops.begin(), stops.end(),
                   [](const Control* a, const Control* b) { return a->tabOrder < b->tabOrder; });
  if (stops.empty()) return true;
  const bool backwards = GetKeyState(VK_SHIFT) < 0;
  // The first stop after the control in tab order (before it, backwards), around the end.
  const auto after =
      std::upper_bound(stops.begin(), stops.end(), control->tabOrder,
                       [](int32_t order, const Control* stop) { return order < stop->tabOrder; });
  const auto before =
      std::lower_bound(stops.begin(), stops.end(), control->tabOrder,
                       [](const Control* stop, int32_t order) { return stop->tabOrder < order; });
  Control* next;
  if (backwards) {
    next = before == stops.begin() ? stops.back() : *(before - 1);
  } else {
    next = after == stops.end() ? stops.front() : *after;
  }
  SetFocus(next->handle);
  // As in a dialog: a field reached by Tab has its text selected, so typing replaces it.
  if (SendMessageA(next->handle, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) {
    SendMessageA(next->handle, EM_SETSEL, 0, -1);
  }
  return true;
}

}  // namespace

Control* CreateApplication(const std::string& caption) {
  applicationWindowUsed = 1;
  Control* application = CreateControlBase(nullptr, "App", true);
  application->style = kApplicationStyle;
  application->exStyle = kApplicationExStyle;
  application->afterCreateHook = FixSystemMenu;
  AttachProc(application, ApplicationFocusProc);
  SetCaption(application, caption);
  return application;
}

Control* CreateForm(Control* parent, const std::string& caption) {
  Control* form = CreateControlBase(parent, "Form", true);
  AttachProc(form, FormProc);
  SetCaption(form, caption);
  return form;
}

void SetTabKeys(Control* form) { form->formKeyHandler = TabKeyHandler; }

void Run(Control*& application) {
  Control* app = application;
  if (!app) return;
  ++applicationRunning;
  applicationObject = app;
  CreateHandle(app);
  while (!applicationTerminated) ProcessMessages(app);
  applicationRunning = 0;
  applicationObject = nullptr;
  application = nullptr;
  Perform(app, WM_CLOSE, 0, 0);
  Free(app);
}

bool ProcessMessage(Control* application) {
  MSG message;
  if (!PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) return false;
  if (message.message == WM_QUIT) {
    applicationTerminated = 1;
    return true;
  }
  if (application) {
    if (application->accelerators &&
        TranslateAcceleratorA(application->handle, application->accelerators, &message)) {
      return true;
    }
    Control* form = application->currentControl;
    if (form && form->accelerators &&
        TranslateAcceleratorA(form->handle, form->accelerators, &message)) {
      return true;
    }
  }
  TranslateMessage(&message);
  DispatchMessageA(&message);
  return true;
}

void ProcessMessages(Control* application) {
  WaitMessage();
  while (ProcessMessage(application)) {
  }
}

void ProcessPendingMessages(Control* control) {
  MSG message;
  if (PeekMessageA(&message, control ? control->handle : nullptr, 1, 0xFFFF, PM_NOREMOVE)) {
    // No WaitMessage here: the peek has already marked the queue as seen, and WaitMessage
    // then sleeps until some new message arrives (Wine and Windows alike), which would stall
    // a listing until the user moves the mouse.
    while (ProcessMessage(applicationObject)) {
    }
  }
}

void ShowModal(Control* form) {
  Control* application = form->parent;
  if (!application || form->isControl) {
    Show(form);
    return;
  }
  // Handlers run during the modal loop may free the form; it stays alive until we are done.
  HeldReference hold(form);
  Control* previous = application->currentControl;
  AttachProc(form, ModalCloseProc);
  form->form.modalResult = 0;
  for (int i = 0; i < application->ChildCount(); ++i) {
    Control* other = application->Child(i);
    if (other != form) SetEnabled(other, false);
  }
  Show(form);
  while (!applicationTerminated && form->form.modalResult == 0) ProcessMessages(applicationObject);
  DetachProc(form, ModalCloseProc);
  for (int i = 0; i < application->ChildCount(); ++i) {
    Control* other = application->Child(i);
    if (other != form) SetEnabled(other, true);
  }
  // The remembered form may have been freed meanwhile.
  if (previous && application->children && application->children->IndexOf(previous) >= 0) {
    SetFocus(previous->handle);
  }
}

void ShowOwnedMessage(Control* owner, const std::string& text, const std::string& caption) {
  MessageBoxA(owner ? owner->handle : nullptr, text.c_str(), caption.c_str(), MB_OK);
}

void ShowMessage(const std::string& text) {
  const char* caption = nullptr;
  if (applicationRunning && applicationObject) caption = applicationObject->storedCaption;
  MessageBoxA(nullptr, text.c_str(), caption, MB_OK);
}
