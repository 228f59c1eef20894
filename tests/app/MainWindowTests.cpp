// The main window and the password dialogs in this process, with the program's own application
// object (its engine runs here in safe mode only, which starts no thread and sets no hook). What
// another process cannot see is tested here: fonts, the tray menu's text, the session's end.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <iterator>
#include <string>

#include "Application.h"
#include "MainWindow.h"
#include "PaneveilDriver.h"
#include "PasswordDigest.h"
#include "SetPasswordDialog.h"

namespace {

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_saved = Record();
        Record().hideTrayIcon = 1;   // no tray icon left behind by a failed test
        TheApp().SetMainWnd(&m_window);
        ASSERT_TRUE(m_window.Create());
    }
    void TearDown() override
    {
        TheApp().engine.Stop();
        m_window.DestroyWindow();
        Record() = m_saved;
        TheApp().sessionEnding = false;
    }
    static Settings& Record() { return TheApp().engine.settings; }
    RECT ChildRect(HWND child)
    {
        RECT rect{};
        GetWindowRect(child, &rect);
        MapWindowPoints(nullptr, m_window.Handle(), reinterpret_cast<POINT*>(&rect), 2);
        return rect;
    }

    MainWindow m_window;
    Settings m_saved{};
};

TEST_F(MainWindowTest, HotkeyTextNamesTheKeysOfTheLayout)
{
    const struct {
        WORD virtualKey;
        WORD modifiers;
        const wchar_t* text;   // key names of Wine's US layout
    } cases[] = {
        {0, 0, L""},
        {'T', HOTKEYF_CONTROL | HOTKEYF_ALT, L"Control + Alt + T"},
        {VK_F12, HOTKEYF_ALT | HOTKEYF_SHIFT | HOTKEYF_CONTROL, L"Control + Shift + Alt + F12"},
        // The extended bit names the key of the editing block, not the keypad's.
        {VK_HOME, HOTKEYF_SHIFT | HOTKEYF_EXT, L"Shift + Home"},
        {VK_HOME, HOTKEYF_SHIFT, L"Shift + KP_Home"},
        // A key without a name leaves only the modifiers.
        {0, HOTKEYF_CONTROL, L"Control + "},
    };
    for (const auto& c : cases) {
        Record().hotkeyVirtualKey = c.virtualKey;
        Record().hotkeyModifiers = c.modifiers;
        EXPECT_EQ(m_window.GetHotkeyText(), c.text) << c.virtualKey << " " << c.modifiers;
    }
}

// Once the session ends, nothing is asked any more even with a password and the window hidden.
TEST_F(MainWindowTest, PasswordGateOpensWhenTheSessionEnds)
{
    ASSERT_TRUE(ComputePasswordDigest(L"secret", Record().passwordDigest));
    SendMessageW(m_window.Handle(), WM_ENDSESSION, FALSE, 0);
    EXPECT_FALSE(TheApp().sessionEnding);
    SendMessageW(m_window.Handle(), WM_ENDSESSION, TRUE, 0);
    EXPECT_TRUE(m_window.CheckPassword());
}

TEST_F(MainWindowTest, LayoutFollowsTheWindowSizeAndNeverGoesBelowTheFirst)
{
    const HWND window = m_window.Handle();
    const RECT initial = m_window.GetWindowRect();
    MINMAXINFO limits{};
    SendMessageW(window, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
    EXPECT_EQ(limits.ptMinTrackSize.x, initial.right - initial.left);
    EXPECT_EQ(limits.ptMinTrackSize.y, initial.bottom - initial.top);
    SetWindowPos(window, nullptr, 0, 0, initial.right - initial.left + 200, initial.bottom - initial.top + 150,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    const RECT client = m_window.GetClientRect();
    const RECT tab = ChildRect(GetDlgItem(window, IDC_MAIN_TAB_GLOBAL));
    const RECT banner = ChildRect(GetDlgItem(window, IDC_MAIN_BANNER));
    const RECT footer = ChildRect(GetDlgItem(window, IDC_MAIN_FOOTER));
    EXPECT_EQ(banner.right - banner.left, client.right);
    EXPECT_EQ(footer.right - footer.left, client.right);
    EXPECT_EQ(footer.bottom, client.bottom);
    const RECT page = ChildRect(VisiblePage(window));
    EXPECT_EQ(page.left, tab.left);
    EXPECT_EQ(page.top, tab.bottom - 1);
    EXPECT_EQ(page.right, client.right - tab.left);   // equal margins
    EXPECT_EQ(page.bottom, footer.top - 5);
    EXPECT_EQ(ChildRect(GetDlgItem(window, IDC_MAIN_HELP)).right, page.right);
}

// No dialog font in this process: the template's 8 points, height -11 at 96 dpi, and the About
// page's title five thirds of it in the display face.
TEST_F(MainWindowTest, AboutPageTitleFont)
{
    HWND product = nullptr;
    for (HWND page = GetWindow(m_window.Handle(), GW_CHILD); page; page = GetWindow(page, GW_HWNDNEXT)) {
        if (GetDlgItem(page, IDC_ABOUT_WEB_SITE))
            product = GetDlgItem(page, IDC_ABOUT_PRODUCT);
    }
    LOGFONTW title{};
    ASSERT_EQ(GetObjectW(reinterpret_cast<HFONT>(SendMessageW(product, WM_GETFONT, 0, 0)), sizeof title, &title),
              int(sizeof title));
    EXPECT_STREQ(title.lfFaceName, L"Impact");
    EXPECT_EQ(title.lfHeight, -18);
}

// Another process cannot read a menu under Wine: a thread timer runs inside the menu's own loop,
// reads the item and closes the menu again.
std::wstring g_menuText;
void CALLBACK ReadMenuAndClose(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(nullptr, timer);
    const HMENU menu = reinterpret_cast<HMENU>(SendMessageW(FindWindowW(L"#32768", nullptr), MN_GETHMENU, 0, 0));
    wchar_t text[128] = {};
    GetMenuStringW(menu, IDM_TOGGLE, text, 128, MF_BYCOMMAND);
    g_menuText = text;
    EndMenu();
}

TEST_F(MainWindowTest, TrayMenuTextFollowsTheEngineAndTheHotkey)
{
    auto toggleText = [this] {
        g_menuText = L"(menu not shown)";
        SetTimer(nullptr, 0, 200, ReadMenuAndClose);
        SendMessageW(m_window.Handle(), RegisterWindowMessageW(L"WM_PV_TRAY"), 0, WM_RBUTTONUP);
        return g_menuText;
    };
    Record().hotkeyVirtualKey = Record().hotkeyModifiers = 0;
    EXPECT_EQ(toggleText(), L"&Enable Paneveil\t");   // no hotkey: a trailing tab and no shortcut
    Record().safeMode = 1;
    Record().hotkeyVirtualKey = 'T';
    Record().hotkeyModifiers = HOTKEYF_CONTROL | HOTKEYF_ALT;
    ASSERT_TRUE(TheApp().engine.Start());
    EXPECT_EQ(toggleText(), L"&Disable Paneveil\tControl + Alt + T");
    TheApp().engine.Stop();
    EXPECT_EQ(toggleText(), L"&Enable Paneveil\tControl + Alt + T");
}

// The set-password dialog offers OK only for a non-empty password typed the same twice.
TEST(SetPasswordDialogTest, OkOnlyForMatchingNonEmptyEntries)
{
    SetPasswordDialog dialog(nullptr);
    ASSERT_TRUE(dialog.Create());
    const HWND window = dialog.Handle();
    const struct {
        const wchar_t* first;
        const wchar_t* second;
        bool enabled;
    } cases[] = {{L"", L"", false}, {L"abc", L"", false}, {L"abc", L"abd", false}, {L"abc", L"ABC", false},
                 {L"", L"abc", false}, {L"p\u00e4ss", L"p\u00e4ss", true}};
    for (size_t i = 0; i < std::size(cases); ++i) {
        SetDlgItemTextW(window, IDC_PASSWORD, cases[i].first);
        SetDlgItemTextW(window, IDC_PASSWORD_CONFIRM, cases[i].second);
        EXPECT_EQ(IsWindowEnabled(GetDlgItem(window, IDOK)) != FALSE, cases[i].enabled) << "case " << i;
    }
    for (int edit : {IDC_PASSWORD, IDC_PASSWORD_CONFIRM})
        EXPECT_EQ(SendDlgItemMessageW(window, edit, EM_GETLIMITTEXT, 0, 0), 255);
    ASSERT_TRUE(dialog.UpdateData(true));
    EXPECT_EQ(dialog.m_password, L"p\u00e4ss");
    dialog.DestroyWindow();
}

}  // namespace
