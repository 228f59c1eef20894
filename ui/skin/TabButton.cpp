#include "TabButton.h"

#include "HandCursorStatic.h"

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
        DrawTextW(dc, text.c_str(), int(text.size()), &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_HIDEPREFIX);
    }
}

BOOL TabButton::OnSetCursor(HWND window, UINT hitTest, UINT message)
{
    return SetHandCursor() ? TRUE : Button::OnSetCursor(window, hitTest, message);
}
