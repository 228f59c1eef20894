#include "WindowFinderCtrl.h"

#include "WinApp.h"
#include "resource.h"

WindowFinderCtrl::WindowFinderCtrl()
    : m_normalIcon(LoadIconW(GetResourceInstance(), MAKEINTRESOURCEW(IDI_FINDER))),
      m_dragIcon(LoadIconW(GetResourceInstance(), MAKEINTRESOURCEW(IDI_FINDER_EMPTY))),
      m_dragCursor(LoadCursorW(GetResourceInstance(), MAKEINTRESOURCEW(IDC_CURSOR_FINDER))),
      m_captureMessage(RegisterWindowMessageW(L"WM_PV_CAPTURE"))
{
}

void WindowFinderCtrl::OnLButtonDown(UINT flags, POINT point)
{
    HandCursorStatic::OnLButtonDown(flags, point);
    SetCursor(m_dragCursor);
    SetIcon(m_dragIcon);
    // While the mouse is captured no WM_SETCURSOR comes, so the cross-hair stays until the release.
    SetCapture(m_hwnd);
}

void WindowFinderCtrl::OnLButtonUp(UINT flags, POINT point)
{
    HandCursorStatic::OnLButtonUp(flags, point);
    if (GetCapture() == m_hwnd) {
        POINT cursor{};
        GetCursorPos(&cursor);
        HWND window = WindowFromPoint(cursor);
        while (IsWindow(window) && (GetWindowLongW(window, GWL_STYLE) & WS_CHILD))
            window = GetParent(window);
        DWORD processId = 0;
        if (IsWindow(window))
            GetWindowThreadProcessId(window, &processId);
        // The program's own windows, the finder's dialog among them, are never picked.
        if (processId != 0 && processId != GetCurrentProcessId())
            PostMessageW(GetParent(m_hwnd), m_captureMessage, reinterpret_cast<WPARAM>(window), 0);
    }
    SetIcon(m_normalIcon);
    ReleaseCapture();
}

LRESULT WindowFinderCtrl::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    // A capture taken away during a drag (Alt+Tab, another window) ends the drag without a pick.
    if (message == WM_CAPTURECHANGED && reinterpret_cast<HWND>(lParam) != m_hwnd) {
        SetIcon(m_normalIcon);
        SetCursor(LoadCursorW(nullptr, IDC_ARROW));
    }
    return HandCursorStatic::WindowProc(message, wParam, lParam);
}
