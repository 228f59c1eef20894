#include "ForegroundWindow.h"

bool ForceForegroundWindow(HWND window)
{
    if (!IsWindow(window))
        return false;
    SetForegroundWindow(window);
    if (GetForegroundWindow() == window)
        return true;

    HWND current = GetForegroundWindow();
    if (!IsWindow(current))
        return false;
    if (current == window)
        return true;

    const DWORD currentThread = GetWindowThreadProcessId(current, nullptr);
    const DWORD windowThread = GetWindowThreadProcessId(window, nullptr);
    if (currentThread == 0 || windowThread == 0 || currentThread == windowThread)
        return true;

    // A hung foreground thread must not be raised: it would never repaint.
    DWORD_PTR ignored = 0;
    const bool responsive =
        SendMessageTimeoutW(current, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 200, &ignored) != 0;
    // Sharing the input state with the foreground thread lifts the foreground lock for us.
    AttachThreadInput(currentThread, windowThread, TRUE);
    if (responsive) {
        SetWindowPos(current, HWND_TOP, 0, 0, 0, 0, SWP_NOSENDCHANGING | SWP_NOMOVE | SWP_NOSIZE);
        Sleep(1);
    }
    SetForegroundWindow(window);
    AttachThreadInput(currentThread, windowThread, FALSE);
    SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    InvalidateRect(current, nullptr, TRUE);
    return true;
}
