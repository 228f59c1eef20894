// The main window in this process, with the program's own application
// object (its engine runs here in safe mode only, which starts no thread and sets no hook): what
// the end-to-end tests cannot see from another process.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "Application.h"
#include "ImportPatch.h"
#include "MainWindow.h"
#include "Messages.h"
#include "PaneveilDriver.h"
#include "PasswordDigest.h"

namespace {

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Record().hideTrayIcon = 1;   // no tray icon left behind by a failed test
        TheApp().SetMainWnd(&m_window);
        ASSERT_TRUE(m_window.Create());
    }
    void TearDown() override
    {
        TheApp().engine.Stop();
        Record().Reset();
        TheApp().sessionEnding = false;
    }
    static Settings& Record() { return TheApp().engine.settings; }
    RECT ChildRect(int id) { return m_window.GetChildRect(GetDlgItem(m_window.Handle(), id)); }

    MainWindow m_window;
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

// The system's hash provider fails, and a timer inside the modal loop answers the Set Password
// dialog. A digest that could not be made never becomes the password (all zero it would mean
// "none" while the box showed one): the box is cleared again and the user told.
LONG WINAPI FailingOpenAlgorithm(void**, LPCWSTR, LPCWSTR, ULONG) { return LONG(0xC0000225); }
std::wstring g_box;
int WINAPI RecordMessageBox(HWND, LPCWSTR text, LPCWSTR, UINT) { g_box += text; return IDOK; }
void CALLBACK AnswerSetPassword(HWND, UINT, UINT_PTR timer, DWORD)
{
    if (const HWND dialog = FindWindowW(nullptr, L"Paneveil / Set Password")) {
        KillTimer(nullptr, timer);
        SetDlgItemTextW(dialog, IDC_PASSWORD, L"secret");
        SetDlgItemTextW(dialog, IDC_PASSWORD_CONFIRM, L"secret");
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    }
}

TEST_F(MainWindowTest, APasswordWhoseDigestCannotBeMadeIsNotSet)
{
    ImportPatch provider(L"bcrypt.dll", "BCryptOpenAlgorithmProvider", reinterpret_cast<const void*>(&FailingOpenAlgorithm));
    ImportPatch box(L"user32.dll", "MessageBoxW", reinterpret_cast<const void*>(&RecordMessageBox));
    ASSERT_TRUE(provider.Installed() && box.Installed());
    SendMessageW(m_window.Handle(), WM_COMMAND, IDC_MAIN_TAB_SETTINGS, 0);
    const HWND page = VisiblePage(m_window.Handle());
    SetTimer(nullptr, 0, 20, &AnswerSetPassword);
    SendDlgItemMessageW(page, IDC_SETTINGS_PASSWORD, BM_CLICK, 0, 0);
    EXPECT_FALSE(Record().HasPassword() || IsDlgButtonChecked(page, IDC_SETTINGS_PASSWORD));
    EXPECT_EQ(g_box, LoadResString(IDS_PASSWORD_NOT_SET));
}

// F1 on a control of a page: the page hands the request up, and the help page beside the program
// opens, as from the tray menu.
std::wstring g_opened;
HINSTANCE WINAPI RecordShellExecute(HWND, LPCWSTR, LPCWSTR file, LPCWSTR, LPCWSTR, INT)
{
    g_opened = file;
    return reinterpret_cast<HINSTANCE>(33);
}

TEST_F(MainWindowTest, F1OnAPageOpensTheHelpPage)
{
    ImportPatch shell(L"shell32.dll", "ShellExecuteW", reinterpret_cast<const void*>(&RecordShellExecute));
    ASSERT_TRUE(shell.Installed());
    ShowWindow(m_window.Handle(), SW_SHOW);
    SetForegroundWindow(m_window.Handle());
    SetFocus(GetDlgItem(VisiblePage(m_window.Handle()), IDC_GLOBAL_SLIDER));
    PressKeys({VK_F1});
    EXPECT_TRUE(WaitFor([] { return g_opened.size() > 10; }));
    EXPECT_EQ(g_opened.substr(g_opened.size() - 10), L"\\help.html");
}

// Wine never moves a window to a monitor of another scale: the message is sent as Windows sends
// it. The font is the one for 144 dots per inch, the window takes the suggested rectangle, the
// tabs are bold again, and the minimum size is in the new pixels. Grown, the window lays out its
// banner, footer, pages and help icon at the new scale.
TEST_F(MainWindowTest, LayoutFollowsTheWindowsSizeAndScaleAndNeverGoesBelowTheFirst)
{
    const HWND window = m_window.Handle();
    auto tabFont = [&] {
        LOGFONTW font{};
        GetObjectW(HFONT(SendDlgItemMessageW(window, IDC_MAIN_TAB_GLOBAL, WM_GETFONT, 0, 0)), sizeof font, &font);
        return font;
    };
    const LOGFONTW before = tabFont();
    const RECT first = m_window.GetWindowRect(), tab = ChildRect(IDC_MAIN_TAB_GLOBAL);
    const int width = MulDiv(first.right - first.left, 3, 2), height = MulDiv(first.bottom - first.top, 3, 2);
    RECT suggested{20, 10, 20 + width, 10 + height};
    SendMessageW(window, 0x02E0 /* WM_DPICHANGED */, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    RECT now = m_window.GetWindowRect();
    EXPECT_TRUE(EqualRect(&now, &suggested));
    const LOGFONTW after = tabFont();
    EXPECT_NEAR(after.lfHeight, before.lfHeight * 1.5, 1.0);
    EXPECT_EQ(after.lfWeight, FW_BOLD);
    SetWindowPos(window, nullptr, 0, 0, width - 40, height - 40, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    now = m_window.GetWindowRect();
    EXPECT_EQ(now.right - now.left, width);
    SetWindowPos(window, nullptr, 0, 0, width + 200, height + 150, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    const RECT client = m_window.GetClientRect(), grown = ChildRect(IDC_MAIN_TAB_GLOBAL);
    const RECT banner = ChildRect(IDC_MAIN_BANNER), footer = ChildRect(IDC_MAIN_FOOTER);
    const RECT page = m_window.GetChildRect(VisiblePage(window));
    EXPECT_NEAR(grown.bottom - grown.top, (tab.bottom - tab.top) * 1.5, 3.0);
    EXPECT_TRUE(banner.right - banner.left == client.right && footer.right - footer.left == client.right && footer.bottom == client.bottom);
    EXPECT_TRUE(page.left == grown.left && page.top == grown.bottom - 1 && page.bottom == footer.top - 5);
    EXPECT_EQ(page.right, client.right - grown.left);   // equal margins
    EXPECT_EQ(ChildRect(IDC_MAIN_HELP).right, page.right);
    const RECT slider = m_window.GetChildRect(GetDlgItem(VisiblePage(window), IDC_GLOBAL_SLIDER));
    EXPECT_EQ(slider.right - slider.left, (page.right - page.left) - 2 * (slider.left - page.left));
}

// An elevated instance lets the messages it must hear from lower programs through to its main
// window (Windows has the filter; Wine only the function): the calls are recorded.
std::vector<UINT> g_allowed;
BOOL WINAPI RecordFilter(HWND, UINT message, DWORD action, void*)
{
    g_allowed.push_back(action == 1 ? message : 0);
    return TRUE;
}
ImportPatch* g_lookUp = nullptr;
FARPROC WINAPI LookUpRecordingFilter(HMODULE module, LPCSTR name)
{
    if (HIWORD(reinterpret_cast<UINT_PTR>(name)) && std::string(name) == "ChangeWindowMessageFilterEx")
        return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&RecordFilter));
    return g_lookUp->Original<FARPROC(WINAPI*)(HMODULE, LPCSTR)>()(module, name);
}

TEST_F(MainWindowTest, MessagesFromLowerProgramsAreLetThrough)
{
    ImportPatch lookUp(L"kernel32.dll", "GetProcAddress", reinterpret_cast<const void*>(&LookUpRecordingFilter));
    g_lookUp = &lookUp;
    ASSERT_TRUE(lookUp.Installed());
    MainWindow second;
    ASSERT_TRUE(second.Create());
    EXPECT_EQ(g_allowed, (std::vector<UINT>{WM_COPYDATA, RegisterWindowMessageW(L"Paneveil_Mutex"), RegisterWindowMessageW(L"WM_PV_TRAY"), RegisterWindowMessageW(L"TaskbarCreated")}));
}

}  // namespace
