// The real program worked by keys alone (SendInput with scan codes), each step checked by asking
// which control has Paneveil's focus.
#include "EndToEnd.h"

#include <algorithm>

namespace {

constexpr wchar_t kDesktopKey[] = L"Control Panel\\Desktop";

class Keyboard : public EndToEnd {
protected:
    void TearDown() override
    {
        Key(VK_CONTROL, false), Key(VK_SHIFT, false);
        RegDeleteKeyValueW(HKEY_CURRENT_USER, kDesktopKey, L"LogPixels");
        EndToEnd::TearDown();
    }
    // Once the keys are pressed: the page of `tab` is shown and `control` (of the main window or
    // of that page) has the focus.
    ::testing::AssertionResult Press(std::initializer_list<WORD> keys, int tab, int control)
    {
        PressKeys(keys);
        const std::pair<int, int> only[] = {{IDC_MAIN_TAB_GLOBAL, IDC_GLOBAL_HELP}, {IDC_MAIN_TAB_FILTERS, IDC_FILTERS_LIST},
                                            {IDC_MAIN_TAB_SETTINGS, IDC_SETTINGS_HOTKEY}, {IDC_MAIN_TAB_ABOUT, IDC_ABOUT_WEB_SITE}};
        const int mark = std::find_if(std::begin(only), std::end(only), [&](auto& p) { return p.first == tab; })->second;
        HWND want = nullptr;
        if (WaitFor([&] {
                m_page = VisiblePage(m_main);
                want = GetDlgItem(m_main, control) ? GetDlgItem(m_main, control) : GetDlgItem(m_page, control);
                return GetDlgItem(m_page, mark) && Focus() == want;
            }))
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "focus on " << GetDlgCtrlID(Focus()) << " instead of " << control;
    }
    HWND Control(int id) const { return GetDlgItem(m_page, id); }
    int ListCursor() const { return int(SendMessageW(Control(IDC_FILTERS_LIST), LVM_GETNEXTITEM, WPARAM(-1), LVNI_FOCUSED)); }
    int Selected() const { return int(SendMessageW(Control(IDC_FILTERS_LIST), LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED)); }
    // The program started with `filters` (front first) and its window in front.
    void Start(std::initializer_list<std::pair<const wchar_t*, uint8_t>> filters = {})
    {
        Settings settings;
        settings.Reset();
        FilterList list;
        for (auto filter = std::rbegin(filters); filter != std::rend(filters); ++filter)
            ASSERT_TRUE(list.AddFilter(filter->first, filter->second));
        ASSERT_TRUE(SaveDataFile(DataFilePath().c_str(), settings, list));
        ASSERT_TRUE((m_main = EndToEnd::Start(m_paneveil)) && WaitFor([&] { return GetForegroundWindow() == m_main; }));
    }
};

// Tab goes round the tabs, the help icon and the page in the order they are seen, arrows move
// along the tabs, Enter and Space open a page; Ctrl+Tab and Ctrl+PgDn walk the pages forward,
// Ctrl+Shift+Tab and Ctrl+PgUp back, the focus staying on the tabs or going into the new page.
TEST_F(Keyboard, TabsArrowsAndCtrlTabWalkThePages)
{
    Start();
    enum : int { G = IDC_MAIN_TAB_GLOBAL, F = IDC_MAIN_TAB_FILTERS, S = IDC_MAIN_TAB_SETTINGS, A = IDC_MAIN_TAB_ABOUT };
    const struct {
        std::initializer_list<WORD> keys;
        int tab, control;
    } steps[] = {
        {{}, G, G}, {{VK_TAB}, G, F}, {{VK_TAB}, G, S}, {{VK_TAB}, G, A}, {{VK_TAB}, G, IDC_MAIN_HELP},
        {{VK_TAB}, G, IDC_GLOBAL_SLIDER}, {{VK_TAB}, G, G}, {{VK_RIGHT}, G, F}, {{VK_RIGHT}, G, S},
        {{VK_RETURN}, S, S}, {{VK_LEFT}, S, F}, {{VK_SPACE}, F, F},
        {{VK_CONTROL, VK_TAB}, S, S}, {{VK_CONTROL, VK_TAB}, A, A}, {{VK_CONTROL, VK_TAB}, G, G},
        {{VK_CONTROL, VK_SHIFT, VK_TAB}, A, A}, {{VK_SHIFT, VK_TAB}, A, S}, {{VK_TAB}, A, A},
        {{VK_TAB}, A, IDC_MAIN_HELP}, {{VK_TAB}, A, IDC_ABOUT_WEB_SITE},
        {{VK_CONTROL, VK_TAB}, G, IDC_GLOBAL_SLIDER}, {{VK_CONTROL, VK_TAB}, F, IDC_FILTERS_LIST},
        {{VK_CONTROL, VK_NEXT}, S, IDC_SETTINGS_HIDE_TRAY}, {{VK_CONTROL, VK_PRIOR}, F, IDC_FILTERS_LIST},
        {{VK_CONTROL, VK_SHIFT, VK_TAB}, G, IDC_GLOBAL_SLIDER}, {{VK_CONTROL, VK_SHIFT, VK_TAB}, A, IDC_ABOUT_WEB_SITE},
    };
    for (const auto& step : steps)
        ASSERT_TRUE(Press(step.keys, step.tab, step.control)) << &step - steps;
    ExitAndExpectOpaque(m_paneveil, m_main);
}

// The Filters list shows its cursor when it gets the focus; a move by the button keeps the focus
// in the list on the moved row.
TEST_F(Keyboard, FiltersListKeepsItsPlace)
{
    Start({{L"Alpha", 30}, {L"Beta", 0}, {L"Gamma", 50}});
    ASSERT_TRUE(Press({VK_SHIFT, VK_TAB}, IDC_MAIN_TAB_GLOBAL, IDC_GLOBAL_SLIDER)
                && Press({VK_CONTROL, VK_TAB}, IDC_MAIN_TAB_FILTERS, IDC_FILTERS_LIST));
    EXPECT_TRUE(ListCursor() == 0 && Selected() == -1);
    ASSERT_TRUE(Press({VK_END}, IDC_MAIN_TAB_FILTERS, IDC_FILTERS_LIST) && Press({VK_UP}, IDC_MAIN_TAB_FILTERS, IDC_FILTERS_LIST));
    ASSERT_TRUE(WaitFor([&] { return Selected() == 1; }));
    for (int button : {IDC_FILTERS_ADD, IDC_FILTERS_REMOVE, IDC_FILTERS_MODIFY, IDC_FILTERS_MOVE_UP, IDC_FILTERS_MOVE_DOWN})
        ASSERT_TRUE(Press({VK_TAB}, IDC_MAIN_TAB_FILTERS, button));
    PressKeys({VK_SPACE});
    const std::vector<std::pair<std::wstring, int>> moved = {{L"Alpha", 30}, {L"Gamma", 50}, {L"Beta", 0}};
    EXPECT_TRUE(WaitFor([&] { return FileFilters() == moved; }));
    ASSERT_TRUE(Press({}, IDC_MAIN_TAB_FILTERS, IDC_FILTERS_LIST));
    EXPECT_TRUE(ListCursor() == 2 && Selected() == 2 && !Enabled(IDC_FILTERS_MOVE_DOWN));
    // Ctrl+Down moves nothing more; Ctrl+Up takes the row back up, the cursor with it.
    PressKeys({VK_CONTROL, VK_DOWN});
    PressKeys({VK_CONTROL, VK_UP});
    EXPECT_TRUE(WaitFor([&] { return FileFilters().back().first == L"Gamma" && ListCursor() == 1 && Selected() == 1; }));
    ExitAndExpectOpaque(m_paneveil, m_main);
}

// Tab visits the Settings page's controls top to bottom, left to right in a row; Apply, greyed
// out by its own press, hands the focus to the hot-key box.
TEST_F(Keyboard, SettingsInTheOrderSeenAndApplyHandsTheFocusOn)
{
    Start();
    ASSERT_TRUE(Press({VK_SHIFT, VK_TAB}, IDC_MAIN_TAB_GLOBAL, IDC_GLOBAL_SLIDER)
                && Press({VK_CONTROL, VK_NEXT}, IDC_MAIN_TAB_FILTERS, IDC_FILTERS_LIST)
                && Press({VK_CONTROL, VK_NEXT}, IDC_MAIN_TAB_SETTINGS, IDC_SETTINGS_HIDE_TRAY));
    std::vector<int> visited;
    RECT last{-1, -1, -1, -1};
    for (HWND focus = Focus(); IsChild(m_page, focus); focus = Focus()) {
        RECT at{};
        GetWindowRect(focus, &at);
        EXPECT_TRUE(at.top >= last.bottom || (at.top < last.bottom && at.left > last.left)) << GetDlgCtrlID(focus);
        visited.push_back(GetDlgCtrlID(focus)), last = at;
        PressKeys({VK_TAB});
        ASSERT_TRUE(WaitFor([&] { return Focus() != focus; }));
    }
    EXPECT_EQ(visited, (std::vector<int>{IDC_SETTINGS_HIDE_TRAY, IDC_SETTINGS_AUTOSTART, IDC_SETTINGS_SAFE_MODE, IDC_SETTINGS_SUPER_TRANS,
                                         IDC_SETTINGS_PASSWORD, IDC_SETTINGS_ACTIVE_OPAQUE, IDC_SETTINGS_HOTKEY, IDC_SETTINGS_WHEEL}));
    ASSERT_TRUE(Press({VK_SHIFT, VK_TAB}, IDC_MAIN_TAB_SETTINGS, IDC_SETTINGS_WHEEL)
                && Press({VK_SHIFT, VK_TAB}, IDC_MAIN_TAB_SETTINGS, IDC_SETTINGS_HOTKEY));
    PressKeys({'Q'});
    ASSERT_TRUE(WaitFor([&] { return Enabled(IDC_SETTINGS_APPLY); }) && Press({VK_TAB}, IDC_MAIN_TAB_SETTINGS, IDC_SETTINGS_APPLY));
    PressKeys({VK_SPACE});
    EXPECT_TRUE(WaitFor([&] { return ReadSettings().hotkeyVirtualKey == 'Q'; }));
    EXPECT_TRUE(WaitFor([&] { return !Enabled(IDC_SETTINGS_APPLY); }) && Press({}, IDC_MAIN_TAB_SETTINGS, IDC_SETTINGS_HOTKEY));
    ExitAndExpectOpaque(m_paneveil, m_main);
}

// At 96 and 144 dots per inch (the prefix's LogPixels, read when a program starts): the focus on
// a tab, and the list's percentage column grown with the scale, "Disabled" whole in it, in
// screenshots to look at.
TEST_F(Keyboard, FocusAndColumnsAt96And144DotsPerInch)
{
    int width96 = 0;
    for (DWORD dpi : {96, 144}) {
        ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, kDesktopKey, L"LogPixels", REG_DWORD, &dpi, sizeof dpi), ERROR_SUCCESS);
        Start({{L"Calculator", 0}});
        ASSERT_TRUE(Press({VK_RIGHT}, IDC_MAIN_TAB_GLOBAL, IDC_MAIN_TAB_FILTERS) && Press({VK_RETURN}, IDC_MAIN_TAB_FILTERS, IDC_MAIN_TAB_FILTERS));
        const int width = int(SendMessageW(Control(IDC_FILTERS_LIST), LVM_GETCOLUMNWIDTH, 1, 0));
        if (dpi == 96)
            width96 = width;
        EXPECT_NEAR(double(width) / width96, dpi / 96.0, 0.05);
        RedrawWindow(m_main, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        EXPECT_TRUE(Shot(dpi == 96 ? L"keys-focus-96" : L"keys-focus-144"));
        ExitAndExpectOpaque(m_paneveil, m_main);
    }
}

}  // namespace
