// Message boxes in tests. MessageBoxWatcher hooks this thread (WH_CBT), records every box that
// opens on it and answers it with a queued or default button. The free functions find, read and
// answer a box of another process (a program run as a child process).
#pragma once

#include <windows.h>

#include <deque>
#include <functional>
#include <utility>
#include <string>
#include <vector>

// One message box as its user saw it. The ANSI texts are in the system's code page; the wide
// texts keep what that code page cannot show.
struct MessageBoxRecord {
  HWND window = nullptr;  // no longer valid once the box is answered
  HWND owner = nullptr;   // the window the box belongs to, null for none
  std::string caption;
  std::string text;
  std::wstring wideCaption;
  std::wstring wideText;
  bool yesNo = false;    // its buttons are "Yes" and "No" (and no "OK")
};

// Reads a box's caption and its message text (the static with id 0xFFFF).
MessageBoxRecord ReadMessageBox(HWND box);

// Presses a button of the box: posts WM_COMMAND with the button id (IDOK, IDYES, IDNO ...).
void AnswerMessageBox(HWND box, int buttonId);

// The first visible dialog-class ("#32770") top-level window of process `processId`, or null.
HWND FindDialogOfProcess(DWORD processId);

// While alive, every dialog-class window activated on the thread that made the watcher is
// recorded and answered. Watchers nest: the innermost one on a thread sees the boxes.
class MessageBoxWatcher {
 public:
  // Answer with which no button is pressed: the box stays open for the test to handle.
  static constexpr int kLeaveOpen = 0;

  explicit MessageBoxWatcher(int defaultAnswer = IDOK);
  ~MessageBoxWatcher();
  MessageBoxWatcher(const MessageBoxWatcher&) = delete;
  MessageBoxWatcher& operator=(const MessageBoxWatcher&) = delete;

  // The next box gets `buttonId`; queued answers are used in order before the default.
  void QueueAnswer(int buttonId);
  void SetDefaultAnswer(int buttonId);
  // Called with each box as it opens, laid out and not yet answered.
  void SetInspector(std::function<void(HWND box)> inspect) { inspect_ = std::move(inspect); }

  const std::vector<MessageBoxRecord>& Boxes() const { return boxes_; }
  size_t Count() const { return boxes_.size(); }
  // The most recent box; empty when none was seen.
  MessageBoxRecord Last() const;
  void Clear() { boxes_.clear(); }

 private:
  static LRESULT CALLBACK CbtProc(int code, WPARAM wParam, LPARAM lParam);
  void OnActivate(HWND window);
  void OnDestroy(HWND window);

  HHOOK hook_ = nullptr;
  MessageBoxWatcher* outer_ = nullptr;
  int defaultAnswer_;
  std::deque<int> answers_;
  std::function<void(HWND)> inspect_;
  std::vector<MessageBoxRecord> boxes_;
  std::vector<HWND> open_;  // boxes seen and not yet destroyed: a box is reactivated at times
};
