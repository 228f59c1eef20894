#include "FilterList.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

namespace {

// One list through a session of edits, read back after each step as the filter page shows it.
// A step without rows leaves them as they were. Find reports what it found in `transparency`
// and leaves the caller's byte (77) alone otherwise. Select fills the view selecting its two
// patterns; the next fill drops the selection.
TEST(FilterList, EditsFindsMovesAndSelectionsAsTheListViewShowsThem)
{
    INITCOMMONCONTROLSEX init = {sizeof(init), ICC_LISTVIEW_CLASSES};
    LVCOLUMNW column = {};
    ASSERT_TRUE(InitCommonControlsEx(&init));
    const HWND view = CreateWindowExW(0, WC_LISTVIEWW, L"", LVS_REPORT, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(ListView_InsertColumn(view, 0, &column) == 0 && ListView_InsertColumn(view, 1, &column) == 1);
    FilterList list;
    // Each row as "pattern|column 1", with "*" after a selected one.
    auto shown = [&](const wchar_t* const* selected, size_t selectedCount) {
        EXPECT_TRUE(list.FillListView(view, selected, selectedCount));
        std::wstring rows;
        for (int row = 0; row < ListView_GetItemCount(view); ++row) {
            wchar_t pattern[300] = {}, column1[300] = {};
            ListView_GetItemText(view, row, 0, pattern, 300);
            ListView_GetItemText(view, row, 1, column1, 300);
            rows += (row ? L" " : L"") + std::wstring(pattern) + L"|" + column1
                    + (ListView_GetItemState(view, row, LVIS_SELECTED) ? L"*" : L"");
        }
        return rows;
    };
    // Patterns are compared by what an entry can hold, so a longer one cannot make a second
    // entry of the same stored name.
    const std::wstring p260(260, L'p'), long1 = p260 + L"1", long2 = p260 + L"2", row1 = p260 + L"|20%";
    const std::wstring row2 = L"s|3% " + row1;
    enum Op { Add, Find, Modify, Remove, Up, Down, Select };
    const struct { Op op; const wchar_t* pattern; bool result = false; const wchar_t* rows = nullptr;
                   uint8_t transparency = 0; const wchar_t* newPattern = nullptr; } steps[] = {
        {Add, L"MAIL", true, L"MAIL|Disabled"}, {Add, L"Mail", false, nullptr, 50}, {Add, L""}, {Add, nullptr},
        {Add, L"\u00E9", true, L"\u00E9|40% MAIL|Disabled", 150},   // above 99: the default
        {Add, L"\u00C9", true, L"\u00C9|99% \u00E9|40% MAIL|Disabled", 99},   // only A-Z fold
        {Find, L"mail", true, nullptr, 0}, {Find, L"\u00C9", true, nullptr, 99}, {Find, L"MAI", false, nullptr, 77},
        {Find, L"MAILS", false, nullptr, 77}, {Find, L"", false, nullptr, 77}, {Find, nullptr, false, nullptr, 77},
        {Modify, L"mail", true, L"\u00C9|99% \u00E9|40% Mail|1%", 1, L"Mail"},
        {Modify, L"\u00E9", true, L"\u00C9|99% b|2% Mail|1%", 2, L"b"}, {Modify, L"b", false, nullptr, 5, L"MAIL"},
        {Modify, L"x", false, nullptr, 5, L"c"}, {Modify, L"", false, nullptr, 5, L"c"},
        {Modify, nullptr, false, nullptr, 5, L"c"}, {Modify, L"b", false, nullptr, 5, L""}, {Modify, L"b"},
        {Modify, L"\u00C9", true, L"a|10% b|2% Mail|1%", 10, L"a"}, {Add, L"c", true, L"c|3% a|10% b|2% Mail|1%", 3},
        {Up, L"c"}, {Down, L"mail"}, {Up, L"x"}, {Select, L"MAIL", true, L"c|3% a|10%* b|2% Mail|1%*", 0, L"A"},
        {Down, L"A", true, L"c|3% b|2% a|10% Mail|1%"}, {Down, L"a", true, L"c|3% b|2% Mail|1% a|10%"},
        {Up, L"a", true, L"c|3% b|2% a|10% Mail|1%"}, {Up, L"a", true, L"c|3% a|10% b|2% Mail|1%"},
        {Up, L"a", true, L"a|10% c|3% b|2% Mail|1%"}, {Down, L"c", true, L"a|10% b|2% c|3% Mail|1%"},
        // After each removal, moves walk the links around the gap.
        {Remove, L"B", true, L"a|10% c|3% Mail|1%"}, {Remove, L"b"}, {Up, L"mail", true, L"a|10% Mail|1% c|3%"},
        {Up, L"mail", true, L"Mail|1% a|10% c|3%"}, {Remove, L"c", true, L"Mail|1% a|10%"}, {Down, L"a"},
        {Remove, L"MAIL", true, L"a|10%"}, {Up, L"a"}, {Remove, L"a", true, L""}, {Remove, L"a"}, {Remove, nullptr},
        {Add, long1.c_str(), true, row1.c_str(), 20}, {Add, long2.c_str(), false, nullptr, 30},
        {Find, p260.c_str(), true, nullptr, 20}, {Add, L"s", true, row2.c_str(), 3},
        {Modify, L"s", false, nullptr, 3, long2.c_str()}, {Remove, long2.c_str(), true, L"s|3%"},
    };
    std::wstring rows;
    for (const auto& s : steps) {
        uint8_t found = 77;
        const wchar_t* selected[] = {s.pattern, nullptr, s.newPattern};
        const bool result = s.op == Add      ? list.AddFilter(s.pattern, s.transparency)
                            : s.op == Find   ? list.FindFilter(s.pattern, &found)
                            : s.op == Modify ? list.ModifyFilter(s.pattern, s.newPattern, s.transparency)
                            : s.op == Remove ? list.RemoveFilter(s.pattern)
                            : s.op == Up     ? list.MoveFilterUp(s.pattern)
                            : s.op == Down   ? list.MoveFilterDown(s.pattern)
                                             : true;
        rows = s.rows ? s.rows : rows;
        EXPECT_EQ(s.result, result) << "step " << &s - steps;
        EXPECT_EQ(rows, shown(selected, s.op == Select ? 3 : 0)) << "step " << &s - steps;
        EXPECT_EQ(s.op == Find ? s.transparency : 77, found) << "step " << &s - steps;
    }
    DestroyWindow(view);
}

TEST(FilterList, MatchWindowTriesPathThenTitleThenClassOfUntitledWindowsFrontToBack)
{
    FilterList list;
    for (const auto& filter : {std::pair<const wchar_t*, uint8_t>{L"TooltipsClass32", 50}, {L"c:\\tools\\*.exe", 60},
                               {L"TitleOnly", 0}, {L"Calculator", 70}})
        ASSERT_TRUE(list.AddFilter(filter.first, filter.second));
    // -1: no match, and the caller's byte is left alone.
    const struct { const wchar_t *path, *className, *title; int transparency; } cases[] = {
        {L"C:\\TOOLS\\X.EXE", L"Cls", L"Doc", 60}, {L"", L"TooltipsClass32", nullptr, 50}, {L"", L"C", L"x", -1},
        {L"C:\\tools\\x.exe", L"Cls", L"Calculator", 70},                     // an earlier title filter wins
        {L"C:\\apps\\calculator.exe", L"Cls", L"TitleOnly", 70},              // an earlier path filter wins
        {L"C:\\apps\\a.exe", L"Cls", L"my TitleOnly window", 0},              // transparency 0 still matches
        {L"C:\\apps\\a.exe", L"tooltips_class32x TooltipsClass32", L"", 50},  // class of an untitled window
        {L"C:\\apps\\a.exe", L"TooltipsClass32", L"Tip", -1},                 // class ignored when titled
        {L"C:\\tools\\tooltipsclass32.exe", L"TooltipsClass32", L"", 60},     // the path before the class
    };
    for (const auto& c : cases) {
        uint8_t found = 255;
        EXPECT_EQ(c.transparency >= 0, list.MatchWindow(c.path, c.className, c.title, &found)) << "case " << &c - cases;
        EXPECT_EQ(c.transparency >= 0 ? c.transparency : 255, found) << "case " << &c - cases;
    }
    EXPECT_TRUE(list.MatchWindow(L"C:\\tools\\x.exe", L"", L"", nullptr));
}

// Renames flip a filter between two patterns that both match the reader's title while no mix of
// them does; another filter is added, moved past it and removed. A read torn by any of these
// edits misses the filter or returns a value no state of the list had.
TEST(FilterList, MatchWindowOnlySeesStatesTheListReallyHad)
{
    FilterList list;
    const std::wstring a(100, L'a'), b(100, L'b'), title = a + b;
    bool edited = list.AddFilter(a.c_str(), 10);
    std::atomic<int> rounds{1000}, reads{0}, torn{0};
    std::thread reader([&] {
        for (uint8_t transparency = 0; rounds > 0; ++reads)
            torn += !list.MatchWindow(L"", L"", title.c_str(), &transparency) || transparency < 10 || transparency > 11;
    });
    for (; rounds > 0; --rounds) {
        for (const int before = reads; reads == before;)   // so that each round's edits fall among reads
            std::this_thread::yield();
        edited = list.ModifyFilter(a.c_str(), b.c_str(), 11) && list.AddFilter(L"other", 12)
                 && list.MoveFilterDown(L"other") && list.MoveFilterUp(L"other")
                 && list.ModifyFilter(b.c_str(), a.c_str(), 10) && list.RemoveFilter(L"other") && edited;
    }
    reader.join();
    EXPECT_TRUE(edited);
    EXPECT_EQ(0, torn.load()) << "of " << reads.load() << " reads";
}

} // namespace
