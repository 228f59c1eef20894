#include "FilterList.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A report-style list view in a window that is never shown.
class ListViewTest : public testing::Test {
protected:
    void SetUp() override
    {
        INITCOMMONCONTROLSEX init = {sizeof(init), ICC_LISTVIEW_CLASSES};
        ASSERT_TRUE(InitCommonControlsEx(&init));
        m_parent = CreateWindowExW(0, L"STATIC", L"list view host", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300,
                                   nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(nullptr, m_parent);
        m_listView = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | LVS_REPORT, 0, 0, 400, 300, m_parent,
                                     nullptr, GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(nullptr, m_listView);
        LVCOLUMNW column = {};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.cx = 200;
        column.pszText = const_cast<wchar_t*>(L"Filter");
        SendMessageW(m_listView, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
        column.pszText = const_cast<wchar_t*>(L"Transparency");
        SendMessageW(m_listView, LVM_INSERTCOLUMNW, 1, reinterpret_cast<LPARAM>(&column));
    }

    void TearDown() override
    {
        if (m_parent)
            DestroyWindow(m_parent);
    }

    struct Row {
        std::wstring pattern;
        std::wstring percentage;
        bool selected;
        bool operator==(const Row& o) const
        {
            return pattern == o.pattern && percentage == o.percentage && selected == o.selected;
        }
    };

    std::wstring Text(int row, int column)
    {
        wchar_t text[300] = {};
        LVITEMW item = {};
        item.iSubItem = column;
        item.pszText = text;
        item.cchTextMax = 300;
        SendMessageW(m_listView, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
        return text;
    }

    std::vector<Row> Rows()
    {
        std::vector<Row> rows;
        const int count = static_cast<int>(SendMessageW(m_listView, LVM_GETITEMCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            const bool selected = SendMessageW(m_listView, LVM_GETITEMSTATE, i, LVIS_SELECTED) & LVIS_SELECTED;
            rows.push_back({Text(i, 0), Text(i, 1), selected});
        }
        return rows;
    }

    HWND m_parent = nullptr;
    HWND m_listView = nullptr;
};


TEST_F(ListViewTest, ShowsListOrderPercentagesAndReselectsIgnoringCase)
{
    FilterList list;
    ASSERT_TRUE(list.AddFilter(L"C:\\Windows\\notepad.exe", 40));
    ASSERT_TRUE(list.AddFilter(L"Calculator", 0));
    ASSERT_TRUE(list.AddFilter(L"*.exe", 99));
    ASSERT_TRUE(list.AddFilter(L"Mail", 1));

    const wchar_t* selected[] = {L"CALCULATOR", L"c:\\windows\\NOTEPAD.EXE", L"not in list"};
    EXPECT_TRUE(list.FillListView(m_listView, selected, 3));
    const std::vector<Row> expected = {
        {L"Mail", L"1%", false},
        {L"*.exe", L"99%", false},
        {L"Calculator", L"Disabled", true},
        {L"C:\\Windows\\notepad.exe", L"40%", true},
    };
    const std::vector<Row> rows = Rows();
    ASSERT_EQ(expected.size(), rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        EXPECT_TRUE(expected[i] == rows[i]) << "row " << i << ": " << testing::PrintToString(rows[i].pattern)
                                            << " " << testing::PrintToString(rows[i].percentage)
                                            << " selected=" << rows[i].selected;
    }
}

TEST_F(ListViewTest, RefillReplacesRowsAndDropsOldSelection)
{
    FilterList list;
    ASSERT_TRUE(list.AddFilter(L"a", 10));
    ASSERT_TRUE(list.AddFilter(L"b", 20));
    const wchar_t* selected[] = {L"a"};
    EXPECT_TRUE(list.FillListView(m_listView, selected, 1));
    ASSERT_TRUE(list.RemoveFilter(L"b"));
    ASSERT_TRUE(list.AddFilter(L"c", 30));
    EXPECT_TRUE(list.FillListView(m_listView));
    const std::vector<Row> rows = Rows();
    ASSERT_EQ(2u, rows.size());
    EXPECT_TRUE((Row{L"c", L"30%", false}) == rows[0]);
    EXPECT_TRUE((Row{L"a", L"10%", false}) == rows[1]);

    list.Clear();
    EXPECT_TRUE(list.FillListView(m_listView));
    EXPECT_TRUE(Rows().empty());
}

} // namespace
