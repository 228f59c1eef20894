#include "GlobalPage.h"

#include <commctrl.h>

#include <string>

#include "DataExchange.h"
#include "Messages.h"
#include "WindowAlpha.h"
#include "resource.h"

GlobalPage::GlobalPage(Engine& engine, PageHost& host, Wnd* parent)
    : SkinDialog(IDD_GLOBAL_PAGE, parent), m_engine(engine), m_host(host)
{
}

void GlobalPage::DoDataExchange(DataExchange& dx)
{
    SkinDialog::DoDataExchange(dx);
    dx.Control(IDC_GLOBAL_SLIDER, m_slider);
    dx.Control(IDC_GLOBAL_LABEL, m_label);
}

BOOL GlobalPage::OnInitDialog()
{
    SkinDialog::OnInitDialog();
    const Settings& settings = m_engine.settings;
    SetRangeFromMode();
    m_slider.SetPos(settings.globalTransparency, true);
    UpdateLabel();
    SetDlgItemTextW(m_hwnd, IDC_GLOBAL_HELP, LoadResString(IDS_GLOBAL_HELP).c_str());
    return TRUE;
}

void GlobalPage::SetRangeFromMode()
{
    m_slider.SetRange(0, m_engine.settings.superTransMode ? kMaxTransparency : kMaxTransparencyWithoutSuperTrans, false);
}

void GlobalPage::UpdateRange()
{
    const int position = m_engine.settings.globalTransparency;
    SetRangeFromMode();
    // Moved away and back, so that the thumb is drawn anew in the changed range.
    m_slider.SetPos(position + 1, true);
    m_slider.SetPos(position, true);
    SendMessage(WM_HSCROLL, MAKEWPARAM(TB_ENDTRACK, position), reinterpret_cast<LPARAM>(m_slider.Handle()));
}

void GlobalPage::UpdateLabel()
{
    const int position = m_slider.GetPos();
    const std::wstring value =
        position != 0 ? std::to_wstring(position) + L"%" : LoadResString(IDS_DISABLED);
    m_label.SetWindowText(FormatResString(IDS_GLOBAL_LABEL, value));
}

void GlobalPage::OnHScroll(UINT code, UINT position, HWND scrollBar)
{
    SkinDialog::OnHScroll(code, position, scrollBar);
    if (scrollBar != m_slider.Handle() || (code != TB_THUMBTRACK && code != TB_ENDTRACK))
        return;
    m_engine.settings.globalTransparency = static_cast<uint8_t>(m_slider.GetPos());
    UpdateLabel();
    // While the thumb moves only the setting and the label follow; the windows change once.
    if (code == TB_ENDTRACK)
        m_host.ReportSave(m_engine.ApplySettings(false, false, true));
}

void GlobalPage::LayoutControls()
{
    if (!m_slider.IsBound())
        return;
    const RECT client = GetClientRect();
    const HWND help = GetDlgItem(IDC_GLOBAL_HELP);
    for (HWND control : {m_slider.Handle(), help}) {
        const RECT r = GetChildRect(control);
        MoveWindow(control, r.left, r.top, client.right - 2 * r.left, r.bottom - r.top, TRUE);
    }
    InvalidateRect(help, nullptr, TRUE);
}
