#include "SkinDialog.h"

#include "DialogFont.h"
#include "LazyProc.h"
#include "WinApp.h"

namespace {

constexpr UINT kDpiChangedMessage = 0x02E0;   // WM_DPICHANGED, Windows 8.1 on
constexpr int kDialogDpiChangeDisableAll = 1;   // DDC_DISABLE_ALL

// Both are newer than the oldest Windows the program runs on.
LazyProc<UINT(WINAPI*)(HWND)> s_getDpiForWindow(L"user32.dll", "GetDpiForWindow");
LazyProc<BOOL(WINAPI*)(HWND, int, int)> s_setDialogDpiChangeBehavior(L"user32.dll", "SetDialogDpiChangeBehavior");

UINT DpiOf(HWND window)
{
    if (auto getDpiForWindow = s_getDpiForWindow.Get()) {
        if (const UINT dpi = getDpiForWindow(window))
            return dpi;
    }
    WindowDC screen(nullptr);
    return screen.get() ? UINT(GetDeviceCaps(screen.get(), LOGPIXELSY)) : 96;
}

}  // namespace

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
    // The dialog manager would lay a dialog out from its template again on a change of scale,
    // undoing the font scaling and the layout; OnDpiChanged does it instead.
    if (auto setBehavior = s_setDialogDpiChangeBehavior.Get())
        setBehavior(m_hwnd, kDialogDpiChangeDisableAll, kDialogDpiChangeDisableAll);
    m_dpi = DpiOf(m_hwnd);
    ModifyStyle(0, WS_CLIPSIBLINGS | WS_CLIPCHILDREN);
    m_backgroundBrush.CreateSolid(m_backgroundColor);
    LayoutControls();
    return TRUE;
}

LRESULT SkinDialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == kDpiChangedMessage && lParam) {
        OnDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        return 0;
    }
    return Dialog::WindowProc(message, wParam, lParam);
}

void SkinDialog::OnDpiChanged(UINT dpi, const RECT& suggested)
{
    m_dpi = dpi;
    SetWindowPos(m_hwnd, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    WinApp* app = WinApp::Current();
    if (HFONT font = app ? app->GetUiFontForDpi(dpi) : nullptr)
        RescaleToFont(font);
}

void SkinDialog::RescaleToFont(HFONT font)
{
    // A page is on the monitor of its window, which has moved there already.
    if (GetStyle() & WS_CHILD)
        m_dpi = DpiOf(m_hwnd);
    ScaleDialogFont(m_hwnd, font, true, true, false);
    LayoutControls();
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

void SkinDialog::EnableControl(UINT id, bool enable, HWND heir)
{
    const HWND control = GetDlgItem(id);
    if (!enable && control && heir && GetFocus() == control)
        SendMessage(WM_NEXTDLGCTL, WPARAM(heir), TRUE);
    EnableWindow(control, enable);
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
