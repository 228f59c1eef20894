#include "FilterList.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A report-style list view with the filter page's two columns, in a window that is never shown.
class ListViewTest : public testing::Test {
protected:
    void SetUp() override
    {
        INITCOMMONCONTROLSEX init = {sizeof(init), ICC_LISTVIEW_CLASSES};
        ASSERT_TRUE(InitCommonControlsEx(&init));
        m_parent = CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr, nullptr,
                                   nullptr, nullptr);
        m_listView = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | LVS_REPORT, 0, 0, 400, 300, m_parent,
                                     nullptr, nullptr, nullptr);
        ASSERT_NE(nullptr, m_listView);
        LVCOLUMNW column = {};
        column.mask = LVCF_WIDTH;
        column.cx = 200;
        for (int i = 0; i < 2; ++i)
            SendMessageW(m_listView, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
    }
    void TearDown() override { DestroyWindow(m_parent); }

    // Each row as "pattern|column 1", with "*" appended when it is selected.
    std::vector<std::wstring> Rows()
    {
        std::vector<std::wstring> rows;
        const int count = static_cast<int>(SendMessageW(m_listView, LVM_GETITEMCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            std::wstring row;
            for (int column = 0; column < 2; ++column) {
                wchar_t text[300] = {};
                LVITEMW item = {};
                item.iSubItem = column;
                item.pszText = text;
                item.cchTextMax = 300;
                SendMessageW(m_listView, LVM_GETITEMTEXTW, i, reinterpret_cast<LPARAM>(&item));
                row += (column ? L"|" : L"") + std::wstring(text);
            }
            if (SendMessageW(m_listView, LVM_GETITEMSTATE, i, LVIS_SELECTED) & LVIS_SELECTED)
                row += L"*";
            rows.push_back(row);
        }
        return rows;
    }

    HWND m_parent = nullptr;
    HWND m_listView = nullptr;
};

TEST_F(ListViewTest, ShowsListOrderAndPercentagesReselectsIgnoringCaseAndRefillsWhole)
{
    FilterList list;
    ASSERT_TRUE(list.AddFilter(L"C:\\Windows\\notepad.exe", 40));
    ASSERT_TRUE(list.AddFilter(L"Calculator", 0));
    ASSERT_TRUE(list.AddFilter(L"*.exe", 99));
    ASSERT_TRUE(list.AddFilter(L"Mail", 1));
    const wchar_t* selected[] = {L"CALCULATOR", L"c:\\windows\\NOTEPAD.EXE", L"not in list"};
    EXPECT_TRUE(list.FillListView(m_listView, selected, 3));
    EXPECT_EQ((std::vector<std::wstring>{L"Mail|1%", L"*.exe|99%", L"Calculator|Disabled*",
                                         L"C:\\Windows\\notepad.exe|40%*"}),
              Rows());

    // A refill replaces every row and drops the old selection.
    ASSERT_TRUE(list.RemoveFilter(L"*.exe"));
    EXPECT_TRUE(list.FillListView(m_listView));
    EXPECT_EQ((std::vector<std::wstring>{L"Mail|1%", L"Calculator|Disabled", L"C:\\Windows\\notepad.exe|40%"}),
              Rows());
    list.Clear();
    EXPECT_TRUE(list.FillListView(m_listView));
    EXPECT_TRUE(Rows().empty());
}

} // namespace
