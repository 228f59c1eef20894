#include "FrontWindow.h"

#include <shellapi.h>

#include "WindowAlpha.h"

HWND FrontWindowOf(HWND window)
{
    return window ? GetAncestor(window, GA_ROOT) : nullptr;
}

// A maximized window covers its monitor too where the taskbar hides itself or stands on another
// monitor: its invisible borders reach past the edges. Only a window without a caption is taken
// for a full-screen program, unless the system says that one runs.
bool IsFullScreenWindow(HWND window)
{
    QUERY_USER_NOTIFICATION_STATE state{};
    if (SUCCEEDED(SHQueryUserNotificationState(&state))
        && (state == QUNS_RUNNING_D3D_FULL_SCREEN || state == QUNS_PRESENTATION_MODE))
        return true;
    if ((GetWindowLongW(window, GWL_STYLE) & WS_CAPTION) == WS_CAPTION)
        return false;
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
