#include "FilterDialog.h"

#include <algorithm>

#include "AsciiFold.h"
#include "DataExchange.h"
#include "Elevation.h"
#include "FilterScopeDialog.h"
#include "MessageRoutes.h"
#include "Messages.h"
#include "AppFrames.h"
#include "SimpleFileDialog.h"
#include "UniqueHandle.h"
#include "resource.h"

FilterDialog::FilterDialog(FilterList& filters, Wnd* parent)
    : SkinDialog(IDD_FILTER, parent), m_filters(filters), m_captureMessage(RegisterWindowMessageW(L"WM_PV_CAPTURE"))
{
}

void FilterDialog::DoDataExchange(DataExchange& dx)
{
    SkinDialog::DoDataExchange(dx);
    dx.Control(IDC_FILTER_BROWSE, m_browseIcon);
    dx.Control(IDC_FILTER_PATTERN, m_patternEdit);
    dx.Control(IDC_FILTER_SPIN, m_spin);
    dx.Control(IDC_FILTER_SLIDER, m_slider);
    dx.Control(IDC_FILTER_PERCENT, m_percentEdit);
    dx.Control(IDC_FILTER_FINDER, m_finder);
    dx.Text(IDC_FILTER_PERCENT, m_transparency);
    dx.MinMax(m_transparency, 0, kMaxTransparency);
    dx.Text(IDC_FILTER_PATTERN, m_pattern);
    dx.MaxChars(m_pattern, int(kMaxPatternLength));
}

BOOL FilterDialog::OnInitDialog()
{
    SkinDialog::OnInitDialog();
    m_slider.SetRange(0, kMaxTransparency, false);
    m_spin.SetRange(0, kMaxTransparency);
    UpdateOkButton();
    OnChangePercentEdit();
    return TRUE;
}

bool FilterDialog::OnCommand(UINT id, UINT code, HWND control)
{
    static const CommandRoute<FilterDialog> routes[] = {
        {IDC_FILTER_PERCENT, EN_CHANGE, &FilterDialog::OnChangePercentEdit},
        {IDC_FILTER_PATTERN, EN_CHANGE, &FilterDialog::OnChangePatternEdit},
        {IDC_FILTER_BROWSE, STN_CLICKED, &FilterDialog::OnBrowse},
    };
    return RouteCommand(this, routes, id, code) || SkinDialog::OnCommand(id, code, control);
}

void FilterDialog::OnHScroll(UINT code, UINT position, HWND scrollBar)
{
    SkinDialog::OnHScroll(code, position, scrollBar);
    if (scrollBar == m_slider.Handle() && (code == TB_THUMBTRACK || code == TB_ENDTRACK))
        SetDlgItemInt(m_hwnd, IDC_FILTER_PERCENT, UINT(m_slider.GetPos()), FALSE);
}

// Every change of the number, typed, from the trackbar or the arrows. An emptied edit stays empty
// (the trackbar shows 0); a number above 99 is cut back at once.
void FilterDialog::OnChangePercentEdit()
{
    BOOL isNumber = FALSE;
    UINT value = GetDlgItemInt(m_hwnd, IDC_FILTER_PERCENT, &isNumber, FALSE);
    if (!isNumber)
        value = 0;
    if (value > kMaxTransparency) {
        value = kMaxTransparency;
        SetDlgItemInt(m_hwnd, IDC_FILTER_PERCENT, value, FALSE);
    }
    if (m_slider.IsBound())
        m_slider.SetPos(int(value), true);
}

// A text of nothing but colons is no pattern; the colons themselves stay in it (a drive letter's).
void FilterDialog::UpdateOkButton()
{
    const HWND ok = GetDlgItem(IDOK);
    if (!ok)
        return;
    std::wstring text = m_patternEdit.IsBound() ? m_patternEdit.GetWindowText() : L"";
    text.erase(std::remove(text.begin(), text.end(), L':'), text.end());
    EnableWindow(ok, !text.empty());
}

void FilterDialog::OnBrowse()
{
    SimpleFileDialog chooser(true, nullptr, nullptr, 0, LoadResString(IDS_PROGRAM_FILTER).c_str(), this);
    if (chooser.DoModal() == 1 && !chooser.GetPathName().empty())
        SetDlgItemTextW(m_hwnd, IDC_FILTER_PATTERN, chooser.GetPathName().c_str());
}

void FilterDialog::OnOK()
{
    if (!UpdateData(true))
        return;
    // Keeping its own pattern, or changing only its letter case, a filter is not its own duplicate.
    const bool renamed = m_oldPattern.empty()
                         || !EqualFoldingAscii(m_oldPattern.c_str(), m_pattern.c_str(), kMaxPatternLength);
    if (renamed && m_filters.FindFilter(m_pattern.c_str())) {
        AppMessageBox(FormatResString(IDS_DUPLICATE_FILTER, m_pattern), MB_OK | MB_ICONERROR);
        return;
    }
    SkinDialog::OnOK();
}

LRESULT FilterDialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    // Posted by the finder; the window may have gone since.
    if (m_captureMessage != 0 && message == m_captureMessage && IsWindow(reinterpret_cast<HWND>(wParam)))
        OnWindowPicked(reinterpret_cast<HWND>(wParam));
    return SkinDialog::WindowProc(message, wParam, lParam);
}

void FilterDialog::OnWindowPicked(HWND window)
{
    FilterScopeDialog scope(this);
    wchar_t buffer[kPathCapacity] = {};
    GetWindowProgramPath(window, buffer);
    scope.m_programPath = buffer;
    buffer[0] = L'\0';
    if (::GetWindowTextW(window, buffer, kPathCapacity - 1) == 0)
        GetClassNameW(window, buffer, kPathCapacity - 1);
    scope.m_windowText = buffer;
    scope.DoModal();
    // The filter is still wanted: it takes effect once Paneveil runs as administrator.
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    if (IsBeyondReach(processId))
        AppMessageBox(FormatResString(IDS_ELEVATED_WINDOW, scope.m_programPath), MB_OK | MB_ICONINFORMATION);
}
