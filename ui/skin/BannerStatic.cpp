#include "BannerStatic.h"

#include "WinApp.h"

bool BannerStatic::LoadBannerBitmap(UINT id)
{
    return m_bitmap.Load(GetResourceInstance(), id);
}

void BannerStatic::PreSubclassWindow()
{
    Static::PreSubclassWindow();
    if (!m_bitmap)
        return;
    BITMAP description{};
    if (GetObjectW(m_bitmap.get(), sizeof(description), &description) != sizeof(description))
        return;
    RECT client = GetClientRect();
    int clientHeight = client.bottom - client.top;
    if (clientHeight != description.bmHeight)
        MoveWindow(m_hwnd, client.left, client.top, client.right - client.left, description.bmHeight, TRUE);
    m_bitmapHeight = description.bmHeight ? description.bmHeight : clientHeight;
}

void BannerStatic::OnPaint()
{
    PaintDC dc(m_hwnd);
    if (!m_patternBrush && m_bitmap)
        m_patternBrush.CreatePattern(m_bitmap.get());
    if (m_patternBrush) {
        RECT client = GetClientRect();
        FillRect(dc.get(), &client, m_patternBrush.get());
    }
}

void BannerStatic::OnSize(UINT type, int width, int height)
{
    Static::OnSize(type, width, height);
    if (m_bitmapHeight == 0)
        return;
    RECT r = GetClientRect();
    if (r.bottom - r.top == m_bitmapHeight)
        return;
    // Whatever height the owner gives, the banner snaps back to the strip's height.
    r.bottom = r.top + m_bitmapHeight;
    AdjustWindowRectEx(&r, GetStyle(), FALSE, GetExStyle());
    SetWindowPos(m_hwnd, nullptr, 0, 0, r.right - r.left, r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER);
}
