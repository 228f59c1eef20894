// The real program worked by keys alone (SendInput with scan codes), each step checked by asking
// which control has Paneveil's focus.
#include "EndToEnd.h"

namespace {

// A control only its page has, to know the page shown.
enum Page : int { G = IDC_GLOBAL_HELP, F = IDC_FILTERS_LIST, S = IDC_SETTINGS_HOTKEY, A = IDC_ABOUT_WEB_SITE };

class Keyboard : public EndToEnd {
protected:
    // Once the keys are pressed, `page` is shown and `control` of the main window or of that page
    // has the focus.
    bool Press(std::initializer_list<WORD> keys, Page page, int control)
    {
        PressKeys(keys);
        return WaitFor([&] {
            m_page = VisiblePage(m_main);
            const HWND main = GetDlgItem(m_main, control);
            return GetDlgItem(m_page, page) && Focus() == (main ? main : GetDlgItem(m_page, control));
        });
    }
    int ListRow(UINT which) const { return int(SendDlgItemMessageW(m_page, IDC_FILTERS_LIST, LVM_GETNEXTITEM, WPARAM(-1), which)); }
    // The program started with `filters` (front first) and its window in front.
    void Start(std::initializer_list<std::pair<const wchar_t*, uint8_t>> filters)
    {
        WriteDataFile([](Settings&) {}, filters);
        ASSERT_TRUE((m_main = EndToEnd::Start(m_paneveil)) && WaitFor([&] { return GetForegroundWindow() == m_main; }));
    }
};

// At 96 and 144 dots per inch (the prefix's LogPixels, read when a program starts): Tab goes round
// the tabs, the help icon and the page in the order they are seen, arrows move along the tabs,
// Enter and Space open a page; Ctrl+Tab and Ctrl+PgDn walk the pages forward, Ctrl+Shift+Tab and
// Ctrl+PgUp back, the focus staying on the tabs or going into the new page. Tab visits the
// Settings page top to bottom, left to right in a row. The list's percentage column grows with
// the scale; screenshots to look at show the focus on a tab and "Disabled" whole, and each page.
TEST_F(Keyboard, PagesAndTheirControlsInTheOrderSeenAt96And144DotsPerInch)
{
    enum : int { GT = IDC_MAIN_TAB_GLOBAL, FT = IDC_MAIN_TAB_FILTERS, ST = IDC_MAIN_TAB_SETTINGS, AT = IDC_MAIN_TAB_ABOUT };
    const WORD control = VK_CONTROL, shift = VK_SHIFT, tab = VK_TAB;
    const struct {
        std::initializer_list<WORD> keys;
        Page page;
        int focus;
        const wchar_t* shot = nullptr;   // at 96 dots per inch, for people to look at
    } steps[] = {
        {{}, G, GT}, {{tab}, G, FT}, {{tab}, G, ST}, {{tab}, G, AT}, {{tab}, G, IDC_MAIN_HELP}, {{tab}, G, IDC_GLOBAL_SLIDER},
        {{tab}, G, GT}, {{VK_RIGHT}, G, FT}, {{VK_RIGHT}, G, ST}, {{VK_RETURN}, S, ST, L"page-settings"}, {{VK_LEFT}, S, FT}, {{VK_SPACE}, F, FT, L"page-filters"},
        {{control, tab}, S, ST}, {{control, tab}, A, AT}, {{control, tab}, G, GT}, {{control, tab}, F, FT},
        {{control, shift, tab}, G, GT}, {{control, shift, tab}, A, AT}, {{shift, tab}, A, ST}, {{tab}, A, AT},
        {{tab}, A, IDC_MAIN_HELP, L"page-about"}, {{tab}, A, IDC_ABOUT_WEB_SITE}, {{control, tab}, G, IDC_GLOBAL_SLIDER},
        {{control, shift, tab}, A, IDC_ABOUT_WEB_SITE}, {{control, VK_PRIOR}, S, IDC_SETTINGS_HIDE_TRAY},
        {{control, VK_PRIOR}, F, IDC_FILTERS_LIST}, {{control, VK_NEXT}, S, IDC_SETTINGS_HIDE_TRAY},
    };
    int width96 = 0;
    for (DWORD dpi : {96, 144}) {
        ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LogPixels", REG_DWORD, &dpi, sizeof dpi), ERROR_SUCCESS);
        Start({{L"Calculator", 0}});
        for (const auto& step : steps) {
            ASSERT_TRUE(Press(step.keys, step.page, step.focus)) << "step " << &step - steps << ", focus on " << GetDlgCtrlID(Focus());
            EXPECT_TRUE(!step.shot || dpi != 96 || (RedrawWindow(m_main, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN), Sleep(300), Shot(step.shot)));
        }
        std::vector<int> visited;
        RECT last{-1, -1, -1, -1};
        for (HWND focus = Focus(); IsChild(m_page, focus); PressKeys({tab}), WaitFor([&] { return Focus() != focus; }), focus = Focus()) {
            RECT at{};
            GetWindowRect(focus, &at);
            EXPECT_TRUE(at.top >= last.bottom || at.left > last.left) << GetDlgCtrlID(focus);
            visited.push_back(GetDlgCtrlID(focus)), last = at;
        }
        EXPECT_EQ(visited, (std::vector<int>{IDC_SETTINGS_HIDE_TRAY, IDC_SETTINGS_AUTOSTART, IDC_SETTINGS_SAFE_MODE, IDC_SETTINGS_SUPER_TRANS,
                                             IDC_SETTINGS_PASSWORD, IDC_SETTINGS_ACTIVE_OPAQUE, IDC_SETTINGS_HOTKEY, IDC_SETTINGS_HOVER_OPAQUE, IDC_SETTINGS_WHEEL,
                                             IDC_SETTINGS_WHEEL_KEYS}));
        ASSERT_TRUE(Press({}, S, GT) && Press({VK_RIGHT}, S, FT) && Press({VK_RETURN}, F, FT));
        const int width = int(SendDlgItemMessageW(m_page, IDC_FILTERS_LIST, LVM_GETCOLUMNWIDTH, 1, 0));
        EXPECT_NEAR(double(width) / (width96 = width96 ? width96 : width), dpi / 96.0, 0.05);
        RedrawWindow(m_main, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        EXPECT_TRUE(Shot(dpi == 96 ? L"keys-focus-96" : L"keys-focus-144"));
        ExitAndExpectOpaque(m_paneveil, m_main);
    }
}

// The Filters list shows its cursor when it gets the focus. Move Down pressed on the second-to-last
// row greys out and leaves the focus in the list on the moved row; Ctrl+Down there moves nothing
// more, and Ctrl+Up takes the row back up, the cursor with it.
TEST_F(Keyboard, TheFiltersListKeepsItsPlace)
{
    Start({{L"Alpha", 30}, {L"Beta", 0}, {L"Gamma", 50}});
    ASSERT_TRUE(Press({VK_SHIFT, VK_TAB}, G, IDC_GLOBAL_SLIDER) && Press({VK_CONTROL, VK_TAB}, F, IDC_FILTERS_LIST));
    EXPECT_TRUE(ListRow(LVNI_FOCUSED) == 0 && ListRow(LVNI_SELECTED) == -1);
    ASSERT_TRUE(Press({VK_END}, F, IDC_FILTERS_LIST) && Press({VK_UP}, F, IDC_FILTERS_LIST));
    ASSERT_TRUE(WaitFor([&] { return ListRow(LVNI_SELECTED) == 1; }));
    for (int button : {IDC_FILTERS_ADD, IDC_FILTERS_REMOVE, IDC_FILTERS_MODIFY, IDC_FILTERS_MOVE_UP, IDC_FILTERS_MOVE_DOWN})
        ASSERT_TRUE(Press({VK_TAB}, F, button));
    PressKeys({VK_SPACE});
    EXPECT_TRUE(WaitFor([&] { return FileFilters() == std::vector<std::pair<std::wstring, int>>{{L"Alpha", 30}, {L"Gamma", 50}, {L"Beta", 0}}; }));
    ASSERT_TRUE(Press({}, F, IDC_FILTERS_LIST));
    EXPECT_TRUE(ListRow(LVNI_FOCUSED) == 2 && ListRow(LVNI_SELECTED) == 2 && !Enabled(IDC_FILTERS_MOVE_DOWN));
    PressKeys({VK_CONTROL, VK_DOWN});
    PressKeys({VK_CONTROL, VK_UP});
    // The whole list: read while the program saves, the file may hold none.
    EXPECT_TRUE(WaitFor([&] { return FileFilters() == std::vector<std::pair<std::wstring, int>>{{L"Alpha", 30}, {L"Beta", 0}, {L"Gamma", 50}}
                                     && ListRow(LVNI_FOCUSED) == 1 && ListRow(LVNI_SELECTED) == 1; }));
    ExitAndExpectOpaque(m_paneveil, m_main);
}

}  // namespace
