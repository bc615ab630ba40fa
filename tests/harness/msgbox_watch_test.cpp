// The shared test helpers: the message-box watcher and polling with a message pump.
#include <gtest/gtest.h>
#include <windows.h>

#include "tests/support/msgbox_watch.h"
#include "tests/support/poll.h"

namespace {

constexpr UINT kTimerMs = 10;
constexpr DWORD kPollTimeoutMs = 2000;

MessageBoxWatcher* g_watcher = nullptr;
bool g_timerFired = false;

// Runs inside the box's modal loop: the box left open is seen and answered from here.
void CALLBACK AnswerOpenBox(HWND, UINT, UINT_PTR timer, DWORD) {
  if (g_watcher->Count() == 0) return;
  KillTimer(nullptr, timer);
  AnswerMessageBox(g_watcher->Last().window, IDCANCEL);
}

void CALLBACK MarkTimerFired(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  g_timerFired = true;
}

TEST(MessageBoxWatcher, RecordsEachBoxAndAnswersQueuedThenDefault) {
  MessageBoxWatcher watcher(IDYES);
  watcher.QueueAnswer(IDNO);
  EXPECT_EQ(MessageBoxA(nullptr, "Delete the file?", "ZevFtp", MB_YESNO), IDNO);
  EXPECT_EQ(MessageBoxA(nullptr, "Really?", "Second", MB_YESNO), IDYES);
  ASSERT_EQ(watcher.Count(), 2u);
  EXPECT_EQ(watcher.Boxes()[0].caption, "ZevFtp");
  EXPECT_EQ(watcher.Boxes()[0].text, "Delete the file?");
  EXPECT_EQ(watcher.Boxes()[1].caption, "Second");
  EXPECT_EQ(watcher.Boxes()[1].text, "Really?");
}

TEST(MessageBoxWatcher, DefaultsToOkAndKeepsWideTexts) {
  MessageBoxWatcher watcher;
  const wchar_t text[] = L"\u670B\u53CB";
  EXPECT_EQ(MessageBoxW(nullptr, text, L"VELMAR", MB_OK), IDOK);
  ASSERT_EQ(watcher.Count(), 1u);
  EXPECT_EQ(watcher.Last().wideText, text);
  EXPECT_EQ(watcher.Last().wideCaption, L"VELMAR");
}

TEST(MessageBoxWatcher, LeavesTheBoxOpenWhenAsked) {
  MessageBoxWatcher watcher(MessageBoxWatcher::kLeaveOpen);
  g_watcher = &watcher;
  ASSERT_NE(SetTimer(nullptr, 0, kTimerMs, AnswerOpenBox), 0u);
  EXPECT_EQ(MessageBoxA(nullptr, "Open", "Left", MB_OKCANCEL), IDCANCEL);
  g_watcher = nullptr;
  EXPECT_EQ(watcher.Count(), 1u);
}

TEST(MessageBoxWatcher, InnermostWatcherSeesTheBoxesWhileItLives) {
  MessageBoxWatcher outer;
  {
    MessageBoxWatcher inner;
    MessageBoxA(nullptr, "inner", "x", MB_OK);
    EXPECT_EQ(inner.Count(), 1u);
  }
  MessageBoxA(nullptr, "outer", "x", MB_OK);
  ASSERT_EQ(outer.Count(), 1u);
  EXPECT_EQ(outer.Last().text, "outer");
}

TEST(PollUntil, PumpsMessagesWhileWaitingAndGivesUpAtTheDeadline) {
  g_timerFired = false;
  ASSERT_NE(SetTimer(nullptr, 0, kTimerMs, MarkTimerFired), 0u);
  EXPECT_TRUE(PollUntil([] { return g_timerFired; }, kPollTimeoutMs));

  const DWORD start = GetTickCount();
  EXPECT_FALSE(PollUntil([] { return false; }, 50));
  EXPECT_GE(GetTickCount() - start, 50u);
}

}  // namespace
