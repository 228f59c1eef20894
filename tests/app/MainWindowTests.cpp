// The main window and the password dialogs in this process, with the program's own application
// object (its engine is never started here).
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <cwchar>
#include <string>

#include "Application.h"
#include "GlobalPage.h"
#include "MainWindow.h"
#include "PaneveilDriver.h"
#include "PasswordDigest.h"
#include "SetPasswordDialog.h"
#include "UiFont.h"
#include "resource.h"

namespace {

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_saved = TheApp().engine.settings;
        TheApp().engine.settings.hideTrayIcon = 1;   // no tray icon left behind by a failed test
        TheApp().SetMainWnd(&m_window);
        ASSERT_TRUE(m_window.Create());
    }
    void TearDown() override
    {
        m_window.DestroyWindow();
        TheApp().SetMainWnd(nullptr);
        TheApp().engine.settings = m_saved;
        TheApp().sessionEnding = false;
    }

    Settings& SettingsRecord() { return TheApp().engine.settings; }
    RECT ChildRect(HWND parent, HWND child)
    {
        RECT rect{};
        GetWindowRect(child, &rect);
        MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
        return rect;
    }

    MainWindow m_window;
    Settings m_saved{};
};

TEST_F(MainWindowTest, HotkeyText)
{
    struct Case {
        WORD virtualKey;
        WORD modifiers;
        const wchar_t* text;   // key names of Wine's US layout
    };
    const Case cases[] = {
        {0, 0, L""},
        {'T', HOTKEYF_CONTROL | HOTKEYF_ALT, L"Control + Alt + T"},
        {VK_F12, HOTKEYF_ALT | HOTKEYF_SHIFT | HOTKEYF_CONTROL, L"Control + Shift + Alt + F12"},
        {'T', 0, L"T"},
        // The extended bit names the key of the editing block, not the keypad's.
        {VK_HOME, HOTKEYF_SHIFT | HOTKEYF_EXT, L"Shift + Home"},
        {VK_HOME, HOTKEYF_SHIFT, L"Shift + KP_Home"},
        // A key without a name leaves only the modifiers.
        {0, HOTKEYF_CONTROL, L"Control + "},
    };
    for (const Case& c : cases) {
        SettingsRecord().hotkeyVirtualKey = c.virtualKey;
        SettingsRecord().hotkeyModifiers = c.modifiers;
        EXPECT_EQ(m_window.GetHotkeyText(), c.text) << c.virtualKey << " " << c.modifiers;
    }
}

// The hotkey is registered with the platform's modifier flags: a second registration of the
// same combination fails while ours holds it, and succeeds once it is released.
TEST_F(MainWindowTest, HotkeyRegistrationTranslatesModifiers)
{
    const struct {
        WORD virtualKey, modifiers;
        UINT taken, free;   // platform modifiers of F11
    } steps[] = {
        {VK_F11, HOTKEYF_SHIFT | HOTKEYF_ALT, MOD_SHIFT | MOD_ALT, MOD_CONTROL | MOD_ALT},
        {VK_F11, HOTKEYF_CONTROL | HOTKEYF_EXT, MOD_CONTROL, MOD_SHIFT | MOD_ALT},   // the old one given up
        {0, 0, 0, MOD_CONTROL},                                                       // none at all
    };
    for (const auto& step : steps) {
        SettingsRecord().hotkeyVirtualKey = step.virtualKey;
        SettingsRecord().hotkeyModifiers = step.modifiers;
        ASSERT_TRUE(m_window.RegisterToggleHotkey()) << step.modifiers;
        if (step.taken) {
            EXPECT_FALSE(RegisterHotKey(nullptr, 7, step.taken, VK_F11)) << step.modifiers;
        }
        EXPECT_TRUE(RegisterHotKey(nullptr, 7, step.free, VK_F11)) << step.modifiers;
        UnregisterHotKey(nullptr, 7);
    }
}

// Once the session ends, nothing is asked any more even with a password and the window hidden
// (the end-to-end tests follow the other ways through the gate).
TEST_F(MainWindowTest, PasswordGateOpensWhenTheSessionEnds)
{
    ASSERT_TRUE(ComputePasswordDigest(L"secret", SettingsRecord().passwordDigest));
    EXPECT_FALSE(TheApp().sessionEnding);
    SendMessageW(m_window.Handle(), WM_ENDSESSION, FALSE, 0);
    EXPECT_FALSE(TheApp().sessionEnding);
    SendMessageW(m_window.Handle(), WM_ENDSESSION, TRUE, 0);
    EXPECT_TRUE(TheApp().sessionEnding);
    EXPECT_TRUE(m_window.CheckPassword());
}

TEST_F(MainWindowTest, LayoutFollowsTheWindowSize)
{
    const HWND window = m_window.Handle();
    RECT initial{};
    GetWindowRect(window, &initial);
    MINMAXINFO limits{};
    SendMessageW(window, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
    EXPECT_EQ(limits.ptMinTrackSize.x, initial.right - initial.left);
    EXPECT_EQ(limits.ptMinTrackSize.y, initial.bottom - initial.top);

    for (int grow : {0, 200}) {
        SetWindowPos(window, nullptr, 0, 0, initial.right - initial.left + grow, initial.bottom - initial.top + grow,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        RECT client{};
        GetClientRect(window, &client);
        const RECT tab = ChildRect(window, GetDlgItem(window, IDC_MAIN_TAB_GLOBAL));
        const RECT banner = ChildRect(window, GetDlgItem(window, IDC_MAIN_BANNER));
        const RECT footer = ChildRect(window, GetDlgItem(window, IDC_MAIN_FOOTER));
        const RECT help = ChildRect(window, GetDlgItem(window, IDC_MAIN_HELP));
        EXPECT_EQ(banner.left, 0);
        EXPECT_EQ(banner.right, client.right);
        EXPECT_EQ(footer.left, 0);
        EXPECT_EQ(footer.right, client.right);
        EXPECT_EQ(footer.bottom, client.bottom);
        for (HWND page = GetWindow(window, GW_CHILD); page; page = GetWindow(page, GW_HWNDNEXT)) {
            wchar_t name[16] = {};
            GetClassNameW(page, name, 16);
            if (wcscmp(name, L"#32770") != 0)
                continue;
            const RECT r = ChildRect(window, page);
            EXPECT_EQ(r.left, tab.left);
            EXPECT_EQ(r.top, tab.bottom - 1);
            EXPECT_EQ(r.right, client.right - tab.left);   // equal margins
            EXPECT_EQ(r.bottom, footer.top - 5);
            EXPECT_EQ(help.right, r.right);
        }
    }
}

TEST_F(MainWindowTest, AboutPageTitleFontAndFooter)
{
    // Ids repeat between pages (1026 is also a Filters page button): the About page is the one
    // with the Web Site button.
    HWND product = nullptr;
    for (HWND page = GetWindow(m_window.Handle(), GW_CHILD); page && !product; page = GetWindow(page, GW_HWNDNEXT))
        if (GetDlgItem(page, IDC_ABOUT_WEB_SITE))
            product = GetDlgItem(page, IDC_ABOUT_PRODUCT);
    ASSERT_NE(product, nullptr);
    // No dialog font in this process: the template's 8 points, height -11 at 96 dpi, and the
    // title five thirds of it.
    const HDC screen = GetDC(nullptr);
    ASSERT_EQ(GetDeviceCaps(screen, LOGPIXELSY), 96);
    ReleaseDC(nullptr, screen);
    LOGFONTW title{};
    ASSERT_EQ(GetObjectW(reinterpret_cast<HFONT>(SendMessageW(product, WM_GETFONT, 0, 0)), sizeof title, &title),
              static_cast<int>(sizeof title));
    EXPECT_STREQ(title.lfFaceName, L"Impact");
    EXPECT_EQ(title.lfHeight, -18);

    wchar_t footer[256] = {};
    GetDlgItemTextW(m_window.Handle(), IDC_MAIN_FOOTER, footer, 256);
    EXPECT_NE(wcschr(footer, L'\u00A9'), nullptr);
    EXPECT_EQ(wcsstr(footer, L"(C)"), nullptr);
    EXPECT_TRUE(GetWindowLongW(GetDlgItem(m_window.Handle(), IDC_MAIN_FOOTER), GWL_STYLE) & SS_CENTERIMAGE);
}

TEST_F(MainWindowTest, GlobalPageShowsTheSettingWithinItsRange)
{
    const struct {
        uint8_t superTransMode;
        uint8_t transparency;
        int maximum;
        const wchar_t* label;
    } cases[] = {
        {0, 40, 80, L"Global Transparency: 40%"},
        {1, 95, 99, L"Global Transparency: 95%"},
        {0, 0, 80, L"Global Transparency: Disabled"},
    };
    for (const auto& c : cases) {
        SettingsRecord().superTransMode = c.superTransMode;
        SettingsRecord().globalTransparency = c.transparency;
        GlobalPage page(TheApp().engine, &m_window);
        ASSERT_TRUE(page.Create());
        const HWND slider = GetDlgItem(page.Handle(), IDC_GLOBAL_SLIDER);
        EXPECT_EQ(SendMessageW(slider, TBM_GETRANGEMIN, 0, 0), 0);
        EXPECT_EQ(SendMessageW(slider, TBM_GETRANGEMAX, 0, 0), c.maximum);
        EXPECT_EQ(SendMessageW(slider, TBM_GETPOS, 0, 0), c.transparency);
        wchar_t label[64] = {};
        GetDlgItemTextW(page.Handle(), IDC_GLOBAL_LABEL, label, 64);
        EXPECT_STREQ(label, c.label);

        // Dragging stores the position and rewrites the label; only the end of the drag
        // applies it (the end-to-end tests follow that path).
        SendMessageW(slider, TBM_SETPOS, TRUE, 7);
        SendMessageW(page.Handle(), WM_HSCROLL, MAKEWPARAM(TB_THUMBTRACK, 7), reinterpret_cast<LPARAM>(slider));
        EXPECT_EQ(SettingsRecord().globalTransparency, 7);
        GetDlgItemTextW(page.Handle(), IDC_GLOBAL_LABEL, label, 64);
        EXPECT_STREQ(label, L"Global Transparency: 7%");
        // Other scroll codes and other senders are left alone.
        SendMessageW(slider, TBM_SETPOS, TRUE, 9);
        SendMessageW(page.Handle(), WM_HSCROLL, MAKEWPARAM(TB_LINEDOWN, 9), reinterpret_cast<LPARAM>(slider));
        SendMessageW(page.Handle(), WM_HSCROLL, MAKEWPARAM(TB_THUMBTRACK, 9), 0);
        EXPECT_EQ(SettingsRecord().globalTransparency, 7);
        page.DestroyWindow();
    }
}

// After Explorer restarts, the icon comes back if it was shown, and only then.
TEST_F(MainWindowTest, TaskbarRestartBringsTheIconBack)
{
    const HWND window = m_window.Handle();
    const UINT taskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
    ASSERT_FALSE(TrayIconExists(window));   // hidden by the fixture's settings
    SendMessageW(window, taskbarCreated, 0, 0);
    EXPECT_FALSE(TrayIconExists(window));

    m_window.UpdateTrayIcon(false);
    NOTIFYICONDATAW lost{};
    lost.cbSize = sizeof lost;
    lost.hWnd = window;
    ASSERT_TRUE(Shell_NotifyIconW(NIM_DELETE, &lost));   // what a restarted Explorer forgets
    SendMessageW(window, taskbarCreated, 0, 0);
    EXPECT_TRUE(TrayIconExists(window));
    m_window.UpdateTrayIcon(true);
    EXPECT_FALSE(TrayIconExists(window));
}

// What the tray menu shows is read while it is open: a thread timer runs inside the menu's
// own message loop, reads the item and closes the menu again.
std::wstring g_menuText;
void CALLBACK ReadMenuAndClose(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(nullptr, timer);
    const HWND menuWindow = FindWindowW(L"#32768", nullptr);
    const HMENU menu = reinterpret_cast<HMENU>(SendMessageW(menuWindow, MN_GETHMENU, 0, 0));
    wchar_t text[128] = {};
    GetMenuStringW(menu, IDM_TOGGLE, text, 128, MF_BYCOMMAND);
    g_menuText = text;
    EndMenu();
}

std::wstring TrayMenuToggleText(HWND mainWindow)
{
    g_menuText = L"(menu not shown)";
    SetTimer(nullptr, 0, 200, ReadMenuAndClose);
    SendMessageW(mainWindow, RegisterWindowMessageW(L"WM_PV_TRAY"), 0, WM_RBUTTONUP);
    return g_menuText;
}

TEST_F(MainWindowTest, TrayMenuTextFollowsTheEngineAndTheHotkey)
{
    Engine& engine = TheApp().engine;
    ASSERT_FALSE(engine.IsRunning());
    SettingsRecord().hotkeyVirtualKey = 0;
    SettingsRecord().hotkeyModifiers = 0;
    // No hotkey: a trailing tab and no shortcut.
    EXPECT_EQ(TrayMenuToggleText(m_window.Handle()), L"&Enable Paneveil\t");

    // Safe mode starts no hook and no thread here, only a timer that keeps windows up to date.
    SettingsRecord().safeMode = 1;
    SettingsRecord().hotkeyVirtualKey = 'T';
    SettingsRecord().hotkeyModifiers = HOTKEYF_CONTROL | HOTKEYF_ALT;
    ASSERT_TRUE(engine.Start());
    EXPECT_EQ(TrayMenuToggleText(m_window.Handle()), L"&Disable Paneveil\tControl + Alt + T");
    engine.Stop();
    EXPECT_EQ(TrayMenuToggleText(m_window.Handle()), L"&Enable Paneveil\tControl + Alt + T");
}

// The set-password dialog offers OK only for a non-empty password typed the same twice.
TEST(SetPasswordDialogTest, OkOnlyForMatchingNonEmptyEntries)
{
    SetPasswordDialog dialog(nullptr);
    ASSERT_TRUE(dialog.Create());
    const HWND window = dialog.Handle();
    const HWND ok = GetDlgItem(window, IDOK);
    EXPECT_FALSE(IsWindowEnabled(ok));
    const struct {
        const wchar_t* first;
        const wchar_t* second;
        bool enabled;
    } cases[] = {
        {L"", L"", false},
        {L"abc", L"", false},
        {L"abc", L"abd", false},
        {L"abc", L"ABC", false},   // exact, case-sensitive
        {L"", L"abc", false},
        {L"abc", L"abc", true},
        {L"p\u00e4ss", L"p\u00e4ss", true},
    };
    for (const auto& c : cases) {
        SetDlgItemTextW(window, IDC_PASSWORD, c.first);
        SetDlgItemTextW(window, IDC_PASSWORD_CONFIRM, c.second);
        EXPECT_EQ(IsWindowEnabled(ok) != FALSE, c.enabled) << static_cast<const void*>(c.first);
    }
    // Both edits stop at 255 characters.
    for (int edit : {IDC_PASSWORD, IDC_PASSWORD_CONFIRM})
        EXPECT_EQ(SendDlgItemMessageW(window, edit, EM_GETLIMITTEXT, 0, 0), 255);

    SetDlgItemTextW(window, IDC_PASSWORD, L"secret");
    SetDlgItemTextW(window, IDC_PASSWORD_CONFIRM, L"secret");
    ASSERT_TRUE(dialog.UpdateData(true));
    EXPECT_EQ(dialog.m_password, L"secret");
    EXPECT_EQ(dialog.m_confirmPassword, L"secret");
    dialog.DestroyWindow();
}

}  // namespace
