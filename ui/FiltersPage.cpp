#include "FiltersPage.h"

#include <commctrl.h>

#include "DataExchange.h"
#include "FilterDialog.h"
#include "MessageRoutes.h"
#include "Messages.h"
#include "resource.h"

LRESULT FiltersPage::ListView::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    const auto* key = reinterpret_cast<const MSG*>(lParam);
    if (message == WM_GETDLGCODE && key && key->message == WM_KEYDOWN && key->wParam == VK_RETURN)
        return ListCtrl::WindowProc(message, wParam, lParam) | DLGC_WANTMESSAGE;
    return ListCtrl::WindowProc(message, wParam, lParam);
}

FiltersPage::FiltersPage(Engine& engine, PageHost& host, Wnd* parent)
    : SkinDialog(IDD_FILTERS_PAGE, parent), m_engine(engine), m_host(host)
{
}

FiltersPage::~FiltersPage()
{
    m_engine.filtersChanged = nullptr;
    m_engine.wheelSaved = nullptr;
}

void FiltersPage::DoDataExchange(DataExchange& dx)
{
    SkinDialog::DoDataExchange(dx);
    dx.Control(IDC_FILTERS_LIST, m_list);
}

BOOL FiltersPage::OnInitDialog()
{
    SkinDialog::OnInitDialog();
    m_list.SetExtendedStyle(m_list.GetExtendedStyle() | LVS_EX_FULLROWSELECT | LVS_EX_LABELTIP);
    m_list.InsertColumn(0, L"", LVCFMT_LEFT, 100);
    m_list.InsertColumn(1, L"", LVCFMT_LEFT, 80);
    m_engine.filters.FillListView(m_list.Handle());
    UpdateButtons();
    // The wheel gesture changes a filter from outside the page.
    m_engine.filtersChanged = [this] { ReloadList(); };
    m_engine.wheelSaved = [this](bool saved) { m_host.ReportSave(saved); };
    return TRUE;
}

bool FiltersPage::OnCommand(UINT id, UINT code, HWND control)
{
    static const CommandRoute<FiltersPage> routes[] = {
        {IDC_FILTERS_ADD, BN_CLICKED, &FiltersPage::OnAdd},
        {IDC_FILTERS_REMOVE, BN_CLICKED, &FiltersPage::OnRemove},
        {IDC_FILTERS_MODIFY, BN_CLICKED, &FiltersPage::OnModify},
        {IDC_FILTERS_MOVE_UP, BN_CLICKED, &FiltersPage::OnMoveUp},
        {IDC_FILTERS_MOVE_DOWN, BN_CLICKED, &FiltersPage::OnMoveDown},
    };
    return RouteCommand(this, routes, id, code) || SkinDialog::OnCommand(id, code, control);
}

bool FiltersPage::OnNotify(UINT id, NMHDR* header, LRESULT* result)
{
    static const NotifyRoute<FiltersPage> routes[] = {
        {IDC_FILTERS_LIST, UINT(LVN_ITEMCHANGED), &FiltersPage::OnItemChangedList},
        {IDC_FILTERS_LIST, UINT(NM_DBLCLK), &FiltersPage::OnDblClkList},
        {IDC_FILTERS_LIST, UINT(LVN_KEYDOWN), &FiltersPage::OnKeyDownList},
    };
    return RouteNotify(this, routes, id, header, result) || SkinDialog::OnNotify(id, header, result);
}

void FiltersPage::OnItemChangedList(NMHDR*, LRESULT* result)
{
    *result = 0;
    UpdateButtons();
}

void FiltersPage::OnDblClkList(NMHDR*, LRESULT* result)
{
    *result = 0;
    OnModify();
}

void FiltersPage::OnKeyDownList(NMHDR* header, LRESULT* result)
{
    *result = 0;
    const WORD key = reinterpret_cast<NMLVKEYDOWN*>(header)->wVKey;
    // Ctrl as it was when the key was typed, not as it is now: a quick Ctrl+arrow (typed ahead,
    // over a remote desktop, from a macro) has let Ctrl go before the key is handled.
    const bool control = (GetKeyState(VK_CONTROL) & 0x8000) != 0;
    if (key == VK_DELETE)
        OnRemove();
    else if (key == VK_RETURN)
        OnModify();
    else if (key == VK_UP && control)
        OnMoveUp();
    else if (key == VK_DOWN && control)
        OnMoveDown();
}

std::vector<std::wstring> FiltersPage::SelectedPatterns() const
{
    std::vector<std::wstring> patterns;
    for (int row = m_list.GetNextItem(-1, LVNI_SELECTED); row >= 0; row = m_list.GetNextItem(row, LVNI_SELECTED))
        patterns.push_back(m_list.GetItemText(row, 0));
    return patterns;
}

void FiltersPage::UpdateButtons()
{
    const int selected = m_list.GetSelectedCount(), rows = m_list.GetItemCount();
    const int only = selected == 1 ? m_list.GetNextItem(-1, LVNI_SELECTED) : -1;
    EnableWindow(GetDlgItem(IDC_FILTERS_REMOVE), selected > 0);
    EnableWindow(GetDlgItem(IDC_FILTERS_MODIFY), selected > 0);
    EnableWindow(GetDlgItem(IDC_FILTERS_MOVE_UP), selected > 1 || only > 0);
    EnableWindow(GetDlgItem(IDC_FILTERS_MOVE_DOWN), selected > 1 || (only >= 0 && only < rows - 1));
}

void FiltersPage::Rebuild(const std::vector<std::wstring>& selected)
{
    const bool saved = m_engine.ApplySettings(false, false, true);
    std::vector<const wchar_t*> patterns;
    for (const std::wstring& pattern : selected)
        patterns.push_back(pattern.c_str());
    m_engine.filters.FillListView(m_list.Handle(), patterns.data(), patterns.size());
    UpdateButtons();
    m_host.ReportSave(saved);
}

void FiltersPage::ReloadList()
{
    if (!m_list.IsBound())
        return;
    m_engine.filters.FillListView(m_list.Handle());
    UpdateButtons();
    LayoutControls();
}

void FiltersPage::OnAdd()
{
    FilterDialog dialog(m_engine.filters, nullptr);
    dialog.m_transparency = m_engine.settings.globalTransparency;
    if (dialog.DoModal() != IDOK || dialog.m_pattern.empty()
        || !m_engine.filters.AddFilter(dialog.m_pattern.c_str(), dialog.m_transparency))
        return;
    Rebuild({});
    LayoutControls();
}

void FiltersPage::OnRemove()
{
    const int count = m_list.GetSelectedCount();
    const std::vector<std::wstring> patterns = SelectedPatterns();
    if (count <= 0 || patterns.empty())
        return;
    const std::wstring question = count == 1 ? FormatResString(IDS_CONFIRM_REMOVE_ONE, patterns.front())
                                             : FormatResString(IDS_CONFIRM_REMOVE_MANY, std::to_wstring(count));
    if (AppMessageBox(question, MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    for (const std::wstring& pattern : patterns)
        m_engine.filters.RemoveFilter(pattern.c_str());
    Rebuild({});
    LayoutControls();
}

void FiltersPage::OnModify()
{
    const std::vector<std::wstring> patterns = SelectedPatterns();
    uint8_t transparency = 0;
    if (patterns.empty() || !m_engine.filters.FindFilter(patterns.front().c_str(), &transparency))
        return;
    FilterDialog dialog(m_engine.filters, nullptr);
    dialog.m_oldPattern = dialog.m_pattern = patterns.front();
    dialog.m_transparency = transparency;
    if (dialog.DoModal() != IDOK
        || !m_engine.filters.ModifyFilter(patterns.front().c_str(), dialog.m_pattern.c_str(), dialog.m_transparency))
        return;
    Rebuild({dialog.m_pattern});
}

// Every selected filter moves one step; one already at the end stays and does not hold the others.
void FiltersPage::Move(bool up)
{
    const std::vector<std::wstring> patterns = SelectedPatterns();
    if (patterns.empty())
        return;
    if (up) {
        for (const std::wstring& pattern : patterns)
            m_engine.filters.MoveFilterUp(pattern.c_str());
    } else {
        for (auto pattern = patterns.rbegin(); pattern != patterns.rend(); ++pattern)
            m_engine.filters.MoveFilterDown(pattern->c_str());
    }
    Rebuild(patterns);
}

void FiltersPage::LayoutControls()
{
    if (!m_list.IsBound())
        return;
    const RECT client = GetClientRect();
    const HWND intro = GetDlgItem(IDC_FILTERS_DESCRIPTION);
    const RECT introRect = GetChildRect(intro);
    const int margin = introRect.left;
    MoveWindow(intro, margin, introRect.top, client.right - 2 * margin, introRect.bottom - introRect.top, TRUE);

    const RECT add = GetChildRect(GetDlgItem(IDC_FILTERS_ADD));
    const int buttonWidth = add.right - add.left;
    for (UINT id : {IDC_FILTERS_ADD, IDC_FILTERS_REMOVE, IDC_FILTERS_MODIFY, IDC_FILTERS_MOVE_UP, IDC_FILTERS_MOVE_DOWN}) {
        const RECT button = GetChildRect(GetDlgItem(id));
        MoveWindow(GetDlgItem(id), client.right - margin - buttonWidth, button.top, buttonWidth,
                   button.bottom - button.top, TRUE);
    }
    const int top = GetChildRect(m_list.Handle()).top;
    MoveWindow(m_list.Handle(), margin, top, client.right - 3 * margin - buttonWidth, client.bottom - margin - top, TRUE);
    m_list.SetColumnWidth(0, m_list.GetClientRect().right - m_list.GetColumnWidth(1));
}
