#include "HandCursorStatic.h"

#include "GdiObjects.h"
#include "KeyboardCues.h"
#include "WinApp.h"

bool SetHandCursor()
{
    WinApp* app = WinApp::Current();
    HCURSOR cursor = app ? app->GetHandCursor() : nullptr;
    if (!cursor)
        return false;
    SetCursor(cursor);
    return true;
}

BOOL HandCursorStatic::OnSetCursor(HWND window, UINT hitTest, UINT message)
{
    return SetHandCursor() ? TRUE : Static::OnSetCursor(window, hitTest, message);
}

LRESULT HandCursorStatic::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (AsksAboutEnter(message, lParam))
        return Static::WindowProc(message, wParam, lParam) | DLGC_WANTMESSAGE;
    switch (message) {
    // The key's character and its release are the icon's or the focus's then, never the
    // dialog's that the click may open. Held, the key does not click again.
    case WM_KEYDOWN:
        if ((wParam == VK_SPACE || wParam == VK_RETURN) && !(lParam & 0x40000000))
            NotifyClicked(m_hwnd, STN_CLICKED);
        break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_UPDATEUISTATE:
        InvalidateRect(m_hwnd, nullptr, TRUE);
        break;
    case WM_PAINT: {
        const LRESULT result = Static::WindowProc(message, wParam, lParam);
        if (GetFocus() == m_hwnd) {
            WindowDC dc(m_hwnd);
            if (dc.get())
                DrawFocusCue(m_hwnd, dc.get(), GetClientRect());
        }
        return result;
    }
    }
    return Static::WindowProc(message, wParam, lParam);
}
