#include "FiltersPage.h"

#include <commctrl.h>

#include <algorithm>
#include <utility>

#include "DataExchange.h"
#include "FilterDialog.h"
#include "KeyboardCues.h"
#include "MessageRoutes.h"
#include "Messages.h"
#include "resource.h"

namespace {

constexpr int kPatternColumnWidth = 100, kPercentColumnWidth = 80;   // at 96 dots per inch

}  // namespace

LRESULT FiltersPage::ListView::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (AsksAboutEnter(message, lParam))
        return ListCtrl::WindowProc(message, wParam, lParam) | DLGC_WANTMESSAGE;
    // Ctrl+arrow moves the selected filters, and the cursor with them: the list's own Ctrl+arrow
    // would then carry the cursor one row further. Ctrl as it was when the key was typed, not as
    // it is now: a quick Ctrl+arrow (typed ahead, over a remote desktop, from a macro) has let
    // Ctrl go before the key is handled.
    if (message == WM_KEYDOWN && (wParam == VK_UP || wParam == VK_DOWN) && (GetKeyState(VK_CONTROL) & 0x8000)) {
        const UINT button = wParam == VK_UP ? IDC_FILTERS_MOVE_UP : IDC_FILTERS_MOVE_DOWN;
        ::SendMessageW(GetParent(m_hwnd), WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
        return 0;
    }
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
    m_list.InsertColumn(0, L"", LVCFMT_LEFT, MulDiv(kPatternColumnWidth, int(m_dpi), 96));
    m_list.InsertColumn(1, L"", LVCFMT_LEFT, MulDiv(kPercentColumnWidth, int(m_dpi), 96));
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
        {IDC_FILTERS_LIST, UINT(NM_SETFOCUS), &FiltersPage::OnSetFocusList},
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
    if (key == VK_DELETE)
        OnRemove();
    else if (key == VK_RETURN)
        OnModify();
}

// Reached by Tab before any row was touched, the list shows where its cursor is.
void FiltersPage::OnSetFocusList(NMHDR*, LRESULT* result)
{
    *result = 0;
    if (m_list.GetNextItem(-1, LVNI_FOCUSED) < 0 && m_list.GetItemCount() > 0)
        SetCursorRow(std::max(m_list.GetNextItem(-1, LVNI_SELECTED), 0));
}

void FiltersPage::SetCursorRow(int row)
{
    m_list.SetItemState(row, LVIS_FOCUSED, LVIS_FOCUSED);
    m_list.EnsureVisible(row);
}

std::vector<std::wstring> FiltersPage::SelectedPatterns() const
{
    std::vector<std::wstring> patterns;
    for (int row = m_list.GetNextItem(-1, LVNI_SELECTED); row >= 0; row = m_list.GetNextItem(row, LVNI_SELECTED))
        patterns.push_back(m_list.GetItemText(row, 0));
    return patterns;
}

std::wstring FiltersPage::CursorPattern(const std::vector<std::wstring>& selected) const
{
    const int cursor = m_list.GetNextItem(-1, LVNI_FOCUSED);
    if (cursor >= 0 && m_list.IsSelected(cursor))
        return m_list.GetItemText(cursor, 0);
    return selected.empty() ? std::wstring() : selected.front();
}

// A move is offered only where it would move a filter: past a neighbour that is not selected.
// A button that greys out under the focus hands it to the list.
void FiltersPage::UpdateButtons()
{
    const int rows = m_list.GetItemCount();
    bool up = false, down = false;
    for (int row = m_list.GetNextItem(-1, LVNI_SELECTED); row >= 0; row = m_list.GetNextItem(row, LVNI_SELECTED)) {
        up = up || (row > 0 && !m_list.IsSelected(row - 1));
        down = down || (row < rows - 1 && !m_list.IsSelected(row + 1));
    }
    const bool any = m_list.GetSelectedCount() > 0;
    EnableControl(IDC_FILTERS_REMOVE, any, m_list.Handle());
    EnableControl(IDC_FILTERS_MODIFY, any, m_list.Handle());
    EnableControl(IDC_FILTERS_MOVE_UP, up, m_list.Handle());
    EnableControl(IDC_FILTERS_MOVE_DOWN, down, m_list.Handle());
}

void FiltersPage::Rebuild(const std::vector<std::wstring>& selected, const std::wstring& cursor)
{
    const bool saved = m_engine.ApplySettings(false, false, true);
    Refill(selected, cursor);
    m_host.ReportSave(saved);
}

void FiltersPage::Refill(const std::vector<std::wstring>& selected, const std::wstring& cursor)
{
    std::vector<const wchar_t*> patterns;
    for (const std::wstring& pattern : selected)
        patterns.push_back(pattern.c_str());
    m_engine.filters.FillListView(m_list.Handle(), patterns.data(), patterns.size());
    for (int row = 0, rows = m_list.GetItemCount(); row < rows && !cursor.empty(); ++row) {
        if (m_list.GetItemText(row, 0) == cursor) {
            SetCursorRow(row);
            break;
        }
    }
    UpdateButtons();
}

// The wheel's change keeps the user's selection, which is named by patterns.
void FiltersPage::ReloadList()
{
    if (!m_list.IsBound())
        return;
    const std::vector<std::wstring> selected = SelectedPatterns();
    Refill(selected, CursorPattern(selected));
    LayoutControls();
}

// The percentage column keeps its width in inches on a monitor of another scale.
void FiltersPage::RescaleToFont(HFONT font)
{
    const UINT before = m_dpi;
    SkinDialog::RescaleToFont(font);
    if (m_list.IsBound() && m_dpi != before) {
        m_list.SetColumnWidth(1, MulDiv(m_list.GetColumnWidth(1), int(m_dpi), int(before)));
        LayoutControls();
    }
}

void FiltersPage::OnAdd()
{
    FilterDialog dialog(m_engine.filters, nullptr);
    dialog.m_transparency = m_engine.settings.globalTransparency;
    if (dialog.DoModal() != IDOK || dialog.m_pattern.empty()
        || !m_engine.filters.AddFilter(dialog.m_pattern.c_str(), dialog.m_transparency))
        return;
    Rebuild({dialog.m_pattern}, dialog.m_pattern);
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
    // The row that takes the place of the first removed one is selected next; the last one left
    // when the removed ones reached the end.
    std::wstring next;
    const int first = m_list.GetNextItem(-1, LVNI_SELECTED);
    for (int row = first + 1, rows = m_list.GetItemCount(); row < rows && next.empty(); ++row) {
        if (!m_list.IsSelected(row))
            next = m_list.GetItemText(row, 0);
    }
    if (next.empty() && first > 0)
        next = m_list.GetItemText(first - 1, 0);
    for (const std::wstring& pattern : patterns)
        m_engine.filters.RemoveFilter(pattern.c_str());
    Rebuild(next.empty() ? std::vector<std::wstring>{} : std::vector<std::wstring>{next}, next);
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
    Rebuild({dialog.m_pattern}, dialog.m_pattern);
}

// Every selected filter passes the neighbour that is not selected above it (below it, moving
// down). Selected filters already gathered at that end of the list stay there in their order:
// passing each other they would only swap.
void FiltersPage::Move(bool up)
{
    const std::vector<std::wstring> selected = SelectedPatterns();
    if (selected.empty())
        return;
    const int rows = m_list.GetItemCount(), step = up ? -1 : 1;
    std::vector<std::wstring> patterns;
    std::vector<bool> chosen;
    for (int row = 0; row < rows; ++row) {
        patterns.push_back(m_list.GetItemText(row, 0));
        chosen.push_back(m_list.IsSelected(row));
    }
    // From the end the filters move towards, so that a block moves as one.
    for (int row = up ? 1 : rows - 2; row >= 0 && row < rows; row -= step) {
        if (!chosen[row] || chosen[row + step])
            continue;
        if (up)
            m_engine.filters.MoveFilterUp(patterns[row].c_str());
        else
            m_engine.filters.MoveFilterDown(patterns[row].c_str());
        std::swap(patterns[row], patterns[row + step]);
        chosen[row] = false;
        chosen[row + step] = true;
    }
    Rebuild(selected, CursorPattern(selected));
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
