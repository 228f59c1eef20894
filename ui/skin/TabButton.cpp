#include "TabButton.h"

#include "HandCursorStatic.h"
#include "KeyboardCues.h"

TabButton::TabButton()
{
    m_framePen.Create(PS_SOLID, 1, RGB(254, 254, 254));
}

void TabButton::PreSubclassWindow()
{
    Button::PreSubclassWindow();
    ModifyStyle(0, BS_OWNERDRAW, 0);
    m_normalBrush.CreateSolid(m_normalColor);
    m_selectedBrush.CreateSolid(m_selectedColor);
}

void TabButton::DrawItem(DRAWITEMSTRUCT* item)
{
    HDC dc = item->hDC;
    const Brush& fill = m_selected ? m_selectedBrush : m_normalBrush;
    if (fill)
        FillRect(dc, &item->rcItem, fill.get());

    // Top, left and right edges with the two top corner pixels left out; the selected tab has
    // no bottom edge, so it stays open towards its page.
    RECT r = GetClientRect();
    {
        SelectObjectGuard pen(dc, m_framePen.get());
        MoveToEx(dc, r.left + 1, r.top, nullptr);
        LineTo(dc, r.right - 1, r.top);
        MoveToEx(dc, r.left, r.top + 1, nullptr);
        LineTo(dc, r.left, r.bottom);
        MoveToEx(dc, r.right - 1, r.top + 1, nullptr);
        LineTo(dc, r.right - 1, r.bottom);
        if (!m_selected) {
            MoveToEx(dc, r.left, r.bottom - 1, nullptr);
            LineTo(dc, r.right - 1, r.bottom - 1);
        }
    }

    std::wstring text = GetWindowText();
    if (!text.empty()) {
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, m_selected ? m_selectedTextColor : m_normalTextColor);
        UINT format = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
        // The ampersands taken out rather than DT_HIDEPREFIX, which Wine does not honour.
        if ((item->itemState & ODS_NOACCEL) || HidesAccessKeys(m_hwnd)) {
            for (size_t at = text.find(L'&'); at != std::wstring::npos; at = text.find(L'&', at + 1))
                text.erase(at, 1);   // "&&" leaves one, skipped
            format |= DT_NOPREFIX;
        }
        DrawTextW(dc, text.c_str(), int(text.size()), &r, format);
    }
    if ((item->itemState & ODS_FOCUS) && !(item->itemState & ODS_NOFOCUSRECT))
        DrawFocusCue(m_hwnd, dc, r);
}

LRESULT TabButton::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    // Enter opens the page, as Space does.
    if (AsksAboutEnter(message, lParam))
        return Button::WindowProc(message, wParam, lParam) | DLGC_WANTMESSAGE;
    if (message == WM_KEYDOWN && wParam == VK_RETURN) {
        NotifyClicked(m_hwnd, BN_CLICKED);
        return 0;
    }
    const LRESULT result = Button::WindowProc(message, wParam, lParam);
    // An owner-drawn button is not drawn again for a change of the cues by itself.
    if (message == WM_UPDATEUISTATE)
        InvalidateRect(m_hwnd, nullptr, TRUE);
    return result;
}

BOOL TabButton::OnSetCursor(HWND window, UINT hitTest, UINT message)
{
    return SetHandCursor() ? TRUE : Button::OnSetCursor(window, hitTest, message);
}
