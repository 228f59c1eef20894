#include "FilterList.h"
#include "FilterListLock.h"
#include "AsciiFold.h"

#include <commctrl.h>
#include <cwchar>
#include <iterator>

namespace {

bool IsSelected(const wchar_t* pattern, const wchar_t* const* selected, size_t selectedCount)
{
    for (size_t i = 0; selected && i < selectedCount; ++i) {
        if (selected[i] && EqualFoldingAscii(pattern, selected[i], kMaxPatternLength))
            return true;
    }
    return false;
}

} // namespace

bool FilterList::FillListView(HWND listView, const wchar_t* const* selected, size_t selectedCount)
{
    SendMessageW(listView, LVM_DELETEALLITEMS, 0, 0);

    Lock lock(m_lock);
    int previousRow = 0;
    for (const Filter* entry = m_head; entry; entry = entry->next) {
        LVITEMW item = {};
        item.mask = LVIF_TEXT | LVIF_IMAGE;
        item.iItem = previousRow + 1;
        item.pszText = const_cast<wchar_t*>(entry->pattern);
        item.iImage = 0;
        const int row = static_cast<int>(SendMessageW(listView, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
        if (row < 0)
            continue;
        previousRow = row;

        // Room for the longer of "Disabled" and "255%" (the list may hold up to 255).
        wchar_t percentage[std::size(L"Disabled")];
        if (entry->transparency == 0)
            wcsncpy(percentage, L"Disabled", std::size(percentage));
        else
            swprintf(percentage, std::size(percentage), L"%d%%", entry->transparency);
        LVITEMW column = {};
        column.iSubItem = 1;
        column.pszText = percentage;
        SendMessageW(listView, LVM_SETITEMTEXTW, row, reinterpret_cast<LPARAM>(&column));

        if (IsSelected(entry->pattern, selected, selectedCount)) {
            LVITEMW state = {};
            state.stateMask = LVIS_SELECTED;
            state.state = LVIS_SELECTED;
            SendMessageW(listView, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&state));
        }
    }
    return true;
}
