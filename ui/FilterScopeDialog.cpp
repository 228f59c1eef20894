#include "FilterScopeDialog.h"

#include <algorithm>

#include "DataExchange.h"
#include "MessageRoutes.h"
#include "Messages.h"
#include "resource.h"

namespace {

constexpr int kProgramScope = 1;   // the list's second item

}  // namespace

FilterScopeDialog::FilterScopeDialog(Wnd* parent) : SkinDialog(IDD_FILTER_SCOPE, parent)
{
}

void FilterScopeDialog::DoDataExchange(DataExchange& dx)
{
    SkinDialog::DoDataExchange(dx);
    dx.Control(IDC_SCOPE_COMBO, m_combo);
}

BOOL FilterScopeDialog::OnInitDialog()
{
    SkinDialog::OnInitDialog();
    m_combo.ResetContent();
    m_combo.AddString(LoadResString(IDS_SCOPE_WINDOW).c_str());
    m_combo.AddString(LoadResString(IDS_SCOPE_PROGRAM).c_str());
    m_combo.SetCurSel(kProgramScope);
    ApplyScope();

    // Just below the pattern edit, 5 pixels in, and wholly on the work area even when the edit is
    // near the screen's edge.
    RECT edit{};
    ::GetWindowRect(::GetDlgItem(m_parent->Handle(), IDC_FILTER_PATTERN), &edit);
    const RECT own = GetWindowRect();
    const LONG width = own.right - own.left, height = own.bottom - own.top;
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromRect(&edit, MONITOR_DEFAULTTONEAREST), &monitor);
    const RECT& work = monitor.rcWork;
    const LONG left = std::max(work.left, std::min(edit.left + 5, work.right - width));
    const LONG top = std::max(work.top, std::min(edit.bottom + 5, work.bottom - height));
    MoveWindow(m_hwnd, left, top, width, height, TRUE);
    return TRUE;
}

bool FilterScopeDialog::OnCommand(UINT id, UINT code, HWND control)
{
    static const CommandRoute<FilterScopeDialog> routes[] = {
        {IDC_SCOPE_COMBO, CBN_SELCHANGE, &FilterScopeDialog::OnSelChangeScope},
    };
    return RouteCommand(this, routes, id, code) || SkinDialog::OnCommand(id, code, control);
}

void FilterScopeDialog::ApplyScope()
{
    const std::wstring& text = m_combo.GetCurSel() == kProgramScope ? m_programPath : m_windowText;
    SetDlgItemTextW(m_parent->Handle(), IDC_FILTER_PATTERN, text.c_str());
}
