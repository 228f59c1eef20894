#include "SkinDialog.h"

#include "DialogFont.h"
#include "WinApp.h"

SkinDialog::SkinDialog(UINT templateId, Wnd* parent)
    : Dialog(templateId, parent), m_backgroundColor(RGB(197, 209, 226))
{
    m_framePen.Create(PS_SOLID, 1, RGB(254, 254, 254));
}

BOOL SkinDialog::OnInitDialog()
{
    Dialog::OnInitDialog();
    WinApp* app = WinApp::Current();
    if (HFONT font = app ? app->GetUiFont() : nullptr)
        ScaleDialogFont(m_hwnd, font, true, false, false);
    ModifyStyle(0, WS_CLIPSIBLINGS | WS_CLIPCHILDREN);
    m_backgroundBrush.CreateSolid(m_backgroundColor);
    LayoutControls();
    return TRUE;
}

HBRUSH SkinDialog::OnCtlColor(HDC dc, HWND control, UINT type)
{
    if (!m_backgroundBrush)
        return Dialog::OnCtlColor(dc, control, type);
    switch (type) {
    case CTLCOLOR_STATIC:
        if (dc)
            SetBkMode(dc, TRANSPARENT);
        return m_backgroundBrush.get();
    case CTLCOLOR_BTN:
    case CTLCOLOR_DLG:
        return m_backgroundBrush.get();
    default:
        return Dialog::OnCtlColor(dc, control, type);
    }
}

void SkinDialog::OnSize(UINT type, int width, int height)
{
    Dialog::OnSize(type, width, height);
    LayoutControls();
    PaintBackground(nullptr);
}

void SkinDialog::OnPaint()
{
    PaintDC dc(m_hwnd);
    PaintBackground(dc.get());
}

void SkinDialog::PaintBackground(HDC dc)
{
    if (!m_backgroundBrush)
        return;
    if (!dc) {
        // Outside WM_PAINT (after a resize) the window's own DC, and only then.
        WindowDC own(m_hwnd);
        if (own.get())
            PaintBackground(own.get());
        return;
    }
    RECT client = GetClientRect();
    if (GetStyle() & WS_SYSMENU) {
        FillRect(dc, &client, m_backgroundBrush.get());
        return;
    }
    // Child pages: a one-pixel near-white frame along the client edges, filled inside.
    SelectObjectGuard pen(dc, m_framePen.get());
    SelectObjectGuard brush(dc, m_backgroundBrush.get());
    Rectangle(dc, client.left, client.top, client.right, client.bottom);
}
