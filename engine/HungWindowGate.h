#pragma once
#include <windows.h>

#include "CriticalSection.h"

// Changing a window's extended style waits for the thread that owns the window, for as long as
// that thread does not answer. Before such a change the gate asks the thread, waiting briefly;
// a window whose thread does not answer is left for now, and `onAnswered` is called for it on
// the asking thread (from its message loop) as soon as its thread answers again.
// Safe for the worker and the user-interface thread at once.
class HungWindowGate {
public:
    HungWindowGate(SENDASYNCPROC onAnswered, ULONG_PTR data) : m_onAnswered(onAnswered), m_data(data) {}

    // True when the style of `window` may be changed now.
    bool MayChangeStyle(HWND window);
    // From `onAnswered`: the window is no longer waited for.
    void Answered(HWND window);
    // A thread that ends: the answers it waited for will never reach it.
    void ForgetCallsOf(DWORD threadId);

    // Long enough for a thread that is merely busy; short enough that a few hung programs do not
    // hold up a disable or an exit noticeably.
    static constexpr DWORD kAnswerMilliseconds = 50;
    // An answer that never came (the program was ended while it hung) stops blocking its window.
    static constexpr DWORD kForgetMilliseconds = 10000;

private:
    struct Waiting {
        HWND window;
        DWORD windowThread;
        DWORD caller;
        DWORD since;
    };
    bool IsWaitedFor(HWND window, DWORD windowThread, bool& threadWaitedFor);
    void StartWaiting(HWND window, DWORD windowThread);

    SENDASYNCPROC m_onAnswered;
    ULONG_PTR m_data;
    CriticalSection m_lock;
    Waiting m_waiting[64] = {};
};
