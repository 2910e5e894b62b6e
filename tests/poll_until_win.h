// Waiting in the tests for a condition, never for a fixed time: the machines that run them are
// small and shared, so a wait ends as soon as the condition holds and fails only after a limit
// that a busy machine does not reach.
#pragma once

#include <windows.h>

// Generous, for the same reason.
constexpr unsigned test_limit_ms = 10000;

// Waits until `condition` holds, checking every `interval_ms`; false when it still does not
// after `limit_ms`.
template <typename Condition>
bool poll_until(Condition condition, unsigned limit_ms = test_limit_ms, unsigned interval_ms = 1) {
    const ULONGLONG end = GetTickCount64() + limit_ms;
    while (!condition()) {
        if (GetTickCount64() >= end) return false;
        Sleep(interval_ms);
    }
    return true;
}

// The same, dispatching the calling thread's messages while it waits (for what a window of this
// thread does in answer to posted messages).
template <typename Condition>
bool pump_until(Condition condition, unsigned limit_ms = test_limit_ms) {
    return poll_until(
        [&condition] {
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
            return condition();
        },
        limit_ms, 10);
}
