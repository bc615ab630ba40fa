#include "tests/support/poll.h"

namespace {

// Longest single wait between two checks, so conditions that no message announces (another
// process's state, a file) are still seen promptly.
constexpr DWORD kCheckIntervalMs = 10;

}  // namespace

void PumpMessages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

bool PollUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    PumpMessages();
    if (condition()) return true;
    const DWORD elapsed = GetTickCount() - start;
    if (elapsed >= timeoutMs) return false;
    const DWORD left = timeoutMs - elapsed;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, left < kCheckIntervalMs ? left : kCheckIntervalMs,
                              QS_ALLINPUT);
  }
}
