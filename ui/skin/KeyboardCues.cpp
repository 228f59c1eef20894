#include "KeyboardCues.h"

bool HidesFocusCue(HWND window)
{
    return (SendMessageW(window, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS) != 0;
}

bool HidesAccessKeys(HWND window)
{
    return (SendMessageW(window, WM_QUERYUISTATE, 0, 0) & UISF_HIDEACCEL) != 0;
}

bool AsksAboutEnter(UINT message, LPARAM lParam)
{
    const auto* key = reinterpret_cast<const MSG*>(lParam);
    return message == WM_GETDLGCODE && key && key->message == WM_KEYDOWN && key->wParam == VK_RETURN;
}

void NotifyClicked(HWND control, UINT code)
{
    SendMessageW(GetParent(control), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control), code), LPARAM(control));
}

void DrawFocusCue(HWND window, HDC dc, RECT rect)
{
    if (HidesFocusCue(window))
        return;
    InflateRect(&rect, -2, -2);
    // The dots invert what lies below them: seen on the light selected tab and the darker ones.
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkColor(dc, RGB(255, 255, 255));
    DrawFocusRect(dc, &rect);
}
