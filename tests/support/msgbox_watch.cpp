#include "tests/support/msgbox_watch.h"

#include <algorithm>

namespace {

constexpr int kMessageTextId = 0xFFFF;
constexpr int kTextCapacity = 4096;
constexpr char kDialogClass[] = "#32770";
constexpr int kClassNameCapacity = 64;

thread_local MessageBoxWatcher* t_watcher = nullptr;

bool IsDialogWindow(HWND window) {
  char className[kClassNameCapacity] = {};
  if (GetClassNameA(window, className, kClassNameCapacity) == 0) return false;
  return lstrcmpiA(className, kDialogClass) == 0;
}

std::string WindowTextA(HWND window) {
  char buffer[kTextCapacity] = {};
  const int length = GetWindowTextA(window, buffer, kTextCapacity);
  return std::string(buffer, length > 0 ? length : 0);
}

std::wstring WindowTextW(HWND window) {
  wchar_t buffer[kTextCapacity] = {};
  const int length = GetWindowTextW(window, buffer, kTextCapacity);
  return std::wstring(buffer, length > 0 ? length : 0);
}

struct DialogSearch {
  DWORD processId;
  HWND found;
};

BOOL CALLBACK FindDialogProc(HWND window, LPARAM lParam) {
  auto* search = reinterpret_cast<DialogSearch*>(lParam);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner != search->processId || !IsWindowVisible(window) || !IsDialogWindow(window))
    return TRUE;
  search->found = window;
  return FALSE;
}

}  // namespace

MessageBoxRecord ReadMessageBox(HWND box) {
  MessageBoxRecord record;
  record.window = box;
  record.caption = WindowTextA(box);
  record.wideCaption = WindowTextW(box);
  record.owner = GetWindow(box, GW_OWNER);
  record.yesNo = GetDlgItem(box, IDYES) != nullptr && GetDlgItem(box, IDNO) != nullptr &&
                 GetDlgItem(box, IDOK) == nullptr;
  HWND text = GetDlgItem(box, kMessageTextId);
  if (text != nullptr) {
    record.text = WindowTextA(text);
    record.wideText = WindowTextW(text);
  }
  return record;
}

void AnswerMessageBox(HWND box, int buttonId) {
  PostMessageA(box, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED), 0);
}

HWND FindDialogOfProcess(DWORD processId) {
  DialogSearch search{processId, nullptr};
  EnumWindows(FindDialogProc, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

MessageBoxWatcher::MessageBoxWatcher(int defaultAnswer) : defaultAnswer_(defaultAnswer) {
  outer_ = t_watcher;
  t_watcher = this;
  hook_ = SetWindowsHookExA(WH_CBT, CbtProc, nullptr, GetCurrentThreadId());
}

MessageBoxWatcher::~MessageBoxWatcher() {
  if (hook_ != nullptr) UnhookWindowsHookEx(hook_);
  t_watcher = outer_;
}

void MessageBoxWatcher::QueueAnswer(int buttonId) { answers_.push_back(buttonId); }

void MessageBoxWatcher::SetDefaultAnswer(int buttonId) { defaultAnswer_ = buttonId; }

MessageBoxRecord MessageBoxWatcher::Last() const {
  return boxes_.empty() ? MessageBoxRecord{} : boxes_.back();
}

void MessageBoxWatcher::OnActivate(HWND window) {
  if (!IsDialogWindow(window)) return;
  if (std::find(open_.begin(), open_.end(), window) != open_.end()) return;
  open_.push_back(window);
  boxes_.push_back(ReadMessageBox(window));
  if (inspect_) inspect_(window);
  int answer = defaultAnswer_;
  if (!answers_.empty()) {
    answer = answers_.front();
    answers_.pop_front();
  }
  if (answer != kLeaveOpen) AnswerMessageBox(window, answer);
}

void MessageBoxWatcher::OnDestroy(HWND window) {
  open_.erase(std::remove(open_.begin(), open_.end(), window), open_.end());
}

LRESULT CALLBACK MessageBoxWatcher::CbtProc(int code, WPARAM wParam, LPARAM lParam) {
  // Every nested hook on the thread calls on; only the innermost watcher records the box.
  MessageBoxWatcher* watcher = t_watcher;
  HHOOK hook = watcher != nullptr ? watcher->hook_ : nullptr;
  if (watcher != nullptr) {
    try {
      const HWND window = reinterpret_cast<HWND>(wParam);
      if (code == HCBT_ACTIVATE) watcher->OnActivate(window);
      if (code == HCBT_DESTROYWND) watcher->OnDestroy(window);
    } catch (...) {
      // Out of memory while recording: the box goes unrecorded, the test sees the count.
    }
  }
  return CallNextHookEx(hook, code, wParam, lParam);
}
