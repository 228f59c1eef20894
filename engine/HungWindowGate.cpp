#include "HungWindowGate.h"

bool HungWindowGate::MayChangeStyle(HWND window)
{
    const DWORD windowThread = GetWindowThreadProcessId(window, nullptr);
    // A window of the asking thread is changed without any message crossing threads.
    if (windowThread == 0 || windowThread == GetCurrentThreadId())
        return true;
    bool threadWaitedFor = false;
    if (IsWaitedFor(window, windowThread, threadWaitedFor))
        return false;
    // A thread already known not to answer is not asked again: a sweep would wait for it once
    // for each of its windows.
    DWORD_PTR result = 0;
    if (!threadWaitedFor &&
        SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK, kAnswerMilliseconds, &result))
        return true;
    StartWaiting(window, windowThread);
    return false;
}

bool HungWindowGate::IsWaitedFor(HWND window, DWORD windowThread, bool& threadWaitedFor)
{
    CriticalSection::Lock lock(m_lock);
    const DWORD now = GetTickCount();
    for (Waiting& waiting : m_waiting) {
        if (waiting.window && now - waiting.since > kForgetMilliseconds)
            waiting = {};
        if (!waiting.window)
            continue;
        if (waiting.window == window)
            return true;
        threadWaitedFor = threadWaitedFor || waiting.windowThread == windowThread;
    }
    return false;
}

// Without a free place the window is simply left: the next event or sweep comes back to it.
void HungWindowGate::StartWaiting(HWND window, DWORD windowThread)
{
    CriticalSection::Lock lock(m_lock);
    for (Waiting& waiting : m_waiting) {
        if (waiting.window)
            continue;
        // The callback comes once the thread has handled this message, that is, answers again.
        if (SendMessageCallbackW(window, WM_NULL, 0, 0, m_onAnswered, m_data))
            waiting = {window, windowThread, GetCurrentThreadId(), GetTickCount()};
        return;
    }
}

// The window's thread answers again: none of its windows is waited for any longer. Their own
// answers still come, and find them as windows like any other.
void HungWindowGate::Answered(HWND window)
{
    CriticalSection::Lock lock(m_lock);
    DWORD windowThread = 0;
    for (const Waiting& waiting : m_waiting) {
        if (waiting.window == window)
            windowThread = waiting.windowThread;
    }
    for (Waiting& waiting : m_waiting) {
        if (waiting.window && waiting.windowThread == windowThread)
            waiting = {};
    }
}

void HungWindowGate::ForgetCallsOf(DWORD threadId)
{
    CriticalSection::Lock lock(m_lock);
    for (Waiting& waiting : m_waiting) {
        if (waiting.caller == threadId)
            waiting = {};
    }
}
