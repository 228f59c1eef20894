#include "DialogFont.h"

#include <algorithm>

namespace {

const wchar_t kMeasuringText[] = L"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";

struct BaseSize {
    int width;
    int height;
};

// The average character width of the 52 letters, halved and rounded, and the text height.
BaseSize BaseSizeOf(const SIZE& extent)
{
    return {(extent.cx / 26 + 1) / 2, extent.cy};
}

bool HasClass(HWND window, const wchar_t* name, bool ignoreCase)
{
    wchar_t className[100] = {};
    GetClassNameW(window, className, 100);
    return (ignoreCase ? lstrcmpiW(className, name) : lstrcmpW(className, name)) == 0;
}

// The window whose font the template gave: the first direct child that is not a nested dialog
// and has a font, else the dialog itself.
HWND ReferenceWindow(HWND dialog)
{
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!HasClass(child, L"#32770", false) && SendMessageW(child, WM_GETFONT, 0, 0))
            return child;
    }
    return dialog;
}

bool MeasureFonts(HWND reference, HFONT oldFont, HFONT newFont, BaseSize* oldSize, BaseSize* newSize)
{
    HDC dc = GetDC(reference);
    if (!dc)
        return false;
    const int length = int(ARRAYSIZE(kMeasuringText) - 1);
    SIZE oldExtent{}, newExtent{};
    HGDIOBJ previous = SelectObject(dc, oldFont);
    bool measured = GetTextExtentPoint32W(dc, kMeasuringText, length, &oldExtent) != FALSE;
    SelectObject(dc, newFont);
    measured = GetTextExtentPoint32W(dc, kMeasuringText, length, &newExtent) != FALSE && measured;
    SelectObject(dc, previous);
    ReleaseDC(reference, dc);
    *oldSize = BaseSizeOf(oldExtent);
    *newSize = BaseSizeOf(newExtent);
    return measured;
}

void KeepInsideWorkArea(HWND dialog, DWORD style)
{
    HWND parent = GetParent(dialog);
    HMONITOR monitor = parent ? MonitorFromWindow(parent, MONITOR_DEFAULTTONEAREST)
                              : MonitorFromWindow(dialog, MONITOR_DEFAULTTOPRIMARY);
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    if (!GetMonitorInfoW(monitor, &info))
        return;
    const RECT& work = info.rcWork;

    RECT r{};
    if (style & DS_CENTER) {
        GetWindowRect(dialog, &r);
        int width = r.right - r.left, height = r.bottom - r.top;
        MoveWindow(dialog, work.left + (work.right - work.left) / 2 - width / 2,
            work.top + (work.bottom - work.top) / 2 - height / 2, width, height, FALSE);
    }
    GetWindowRect(dialog, &r);
    LONG left = r.left, top = r.top;
    if (r.right > work.right)
        left -= r.right - work.right;
    if (r.bottom > work.bottom)
        top -= r.bottom - work.bottom;
    left = std::max(left, work.left);
    top = std::max(top, work.top);
    SetWindowPos(dialog, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace

void ScaleDialogFont(HWND dialog, HFONT font, bool scaleStaticsSpecially, bool keepDialogSize,
    bool keepDialogFont)
{
    HWND reference = IsWindow(dialog) ? ReferenceWindow(dialog) : nullptr;
    HFONT oldFont = reference ? reinterpret_cast<HFONT>(SendMessageW(reference, WM_GETFONT, 0, 0)) : nullptr;
    BaseSize oldSize{}, newSize{};
    // A base size of zero would make every MulDiv below return -1 and collapse the dialog, so a
    // font that measures empty counts as a failed measurement.
    if (!oldFont || !MeasureFonts(reference, oldFont, font, &oldSize, &newSize) || oldSize.width <= 0
        || oldSize.height <= 0 || newSize.width <= 0 || newSize.height <= 0
        || (oldSize.width == newSize.width && oldSize.height == newSize.height)) {
        SetFontOnChildren(dialog, font, keepDialogFont);
        return;
    }

    const DWORD style = DWORD(GetWindowLongW(dialog, GWL_STYLE));
    const bool maximised = IsZoomed(dialog) != FALSE;
    if (!keepDialogSize) {
        RECT r{};
        GetWindowRect(dialog, &r);
        int width = MulDiv(r.right - r.left, newSize.width, oldSize.width);
        int height = MulDiv(r.bottom - r.top, newSize.height, oldSize.height);
        if (style & WS_CHILD)
            ScreenRectToClient(GetParent(dialog), &r);
        if (!maximised)
            SetWindowPos(dialog, nullptr, r.left, r.top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    }

    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        RECT r{};
        GetWindowRect(child, &r);
        ScreenRectToClient(dialog, &r);
        int x = MulDiv(r.left, newSize.width, oldSize.width);
        int width = MulDiv(r.right - r.left, newSize.width, oldSize.width);
        int y = MulDiv(r.top, newSize.height, oldSize.height);
        int height = MulDiv(r.bottom - r.top, newSize.height, oldSize.height);
        DWORD type = DWORD(GetWindowLongW(child, GWL_STYLE)) & SS_TYPEMASK;
        if (scaleStaticsSpecially && HasClass(child, L"Static", true) && (type == SS_ICON || type == SS_BITMAP))
            SetWindowPos(child, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        else
            MoveWindow(child, x, y, width, height, FALSE);
    }

    if (!(style & WS_CHILD) && !maximised)
        KeepInsideWorkArea(dialog, style);
    SetFontOnChildren(dialog, font, keepDialogFont);
}

void SetFontOnChildren(HWND dialog, HFONT font, bool keepDialogFont)
{
    if (!IsWindow(dialog))
        return;
    if (!keepDialogFont)
        SendMessageW(dialog, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

void ScreenRectToClient(HWND window, RECT* rect)
{
    POINT topLeft{rect->left, rect->top};
    POINT bottomRight{rect->right, rect->bottom};
    ScreenToClient(window, &topLeft);
    ScreenToClient(window, &bottomRight);
    *rect = {topLeft.x, topLeft.y, bottomRight.x, bottomRight.y};
}
