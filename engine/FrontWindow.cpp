#include "FrontWindow.h"

#include "WindowAlpha.h"

HWND FrontWindowOf(HWND window)
{
    return window ? GetAncestor(window, GA_ROOT) : nullptr;
}

bool IsFullScreenWindow(HWND window)
{
    const HMONITOR monitor = MonitorFromWindow(window, MONITOR_DEFAULTTONULL);
    MONITORINFO info{};
    info.cbSize = sizeof info;
    RECT rect{};
    if (!monitor || !GetMonitorInfoW(monitor, &info) || !GetWindowRect(window, &rect))
        return false;
    return rect.left <= info.rcMonitor.left && rect.top <= info.rcMonitor.top && rect.right >= info.rcMonitor.right
           && rect.bottom >= info.rcMonitor.bottom;
}

bool IsDesktopWindow(HWND window, const wchar_t* className)
{
    if (window == GetDesktopWindow() || window == GetShellWindow())
        return true;
    return CompareStringOrdinal(className, -1, L"Progman", -1, TRUE) == CSTR_EQUAL
           || CompareStringOrdinal(className, -1, L"WorkerW", -1, TRUE) == CSTR_EQUAL;
}
