// Waiting for a condition in tests: PollUntil checks it repeatedly, working off this thread's
// messages in between, until it holds or a bounded time has passed.
#pragma once

#include <windows.h>

#include <functional>

// Pumps this thread's messages while waiting; returns whether `condition` came true within
// `timeoutMs` milliseconds (it is checked once more at the deadline).
bool PollUntil(const std::function<bool()>& condition, DWORD timeoutMs);

// Dispatches every message waiting for this thread, without blocking.
void PumpMessages();
