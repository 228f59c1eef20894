// The Settings page of the real program: each box clicked acts and is saved at once, a password
// is set, asked for and removed, and a hotkey is typed, then applied or discarded.
#include "EndToEnd.h"

#include <sddl.h>

namespace {

constexpr wchar_t kSetPasswordCaption[] = L"Paneveil / Set Password";
constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr int kAlpha80 = 51, kAlpha95SuperTrans = 12;

class SettingsEndToEnd : public EndToEnd {
protected:
    bool Checked(int box) { return IsDlgButtonChecked(m_page, box) == BST_CHECKED; }
    // The hidden Global page: the end of its slider's range, the slider's position, its label.
    std::wstring GlobalSlider()
    {
        HWND page = nullptr;
        while ((page = FindWindowExW(m_main, page, L"#32770", nullptr)) && !GetDlgItem(page, IDC_GLOBAL_HELP)) {}
        const HWND slider = GetDlgItem(page, IDC_GLOBAL_SLIDER);
        return std::to_wstring(SendMessageW(slider, TBM_GETRANGEMAX, 0, 0)) + L" " + std::to_wstring(SendMessageW(slider, TBM_GETPOS, 0, 0))
               + L" " + WindowText(GetDlgItem(page, IDC_GLOBAL_LABEL));
    }
    static std::wstring RunValue()
    {
        wchar_t value[600] = L"";
        DWORD size = sizeof value;
        return RegGetValueW(HKEY_CURRENT_USER, kRunKey, L"Paneveil", RRF_RT_REG_SZ, nullptr, value, &size) ? L"" : value;
    }
    // The Run key with an access list of `sddl` (written by the key's owner, this test).
    static bool SetRunKeyAccess(const wchar_t* sddl)
    {
        HKEY key = nullptr;
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        const bool set = RegOpenKeyExW(HKEY_CURRENT_USER, kRunKey, 0, WRITE_DAC, &key) == ERROR_SUCCESS
                         && ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &descriptor, nullptr)
                         && RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor) == ERROR_SUCCESS;
        LocalFree(descriptor);
        RegCloseKey(key);
        return set;
    }
    WORD Hotkey() { return LOWORD(SendDlgItemMessageW(m_page, IDC_SETTINGS_HOTKEY, HKM_GETHOTKEY, 0, 0)); }
    // Clicks into the hot-key control and types a key there.
    bool TypeHotkey(WORD key, WORD shown)
    {
        Drag(Centre(GetDlgItem(m_page, IDC_SETTINGS_HOTKEY)), Centre(GetDlgItem(m_page, IDC_SETTINGS_HOTKEY)));
        PressKeys({key});
        return WaitFor([&] { return Hotkey() == shown; });
    }
};

TEST_F(SettingsEndToEnd, EachBoxActsAtOnceAndIsSaved)
{
    // A fresh or cleaned profile may lack the key: it is made.
    RegDeleteTreeW(HKEY_CURRENT_USER, kRunKey);
    WriteDataFile([](Settings& s) { s.superTransMode = 1, s.globalTransparency = 95; });
    Show(IDC_MAIN_TAB_SETTINGS, IDC_SETTINGS_HOTKEY);
    ASSERT_TRUE(TargetReaches(kAlpha95SuperTrans) && TrayIconExists(m_main));
    EXPECT_TRUE(Checked(IDC_SETTINGS_SUPER_TRANS) && !Checked(IDC_SETTINGS_HIDE_TRAY) && !Checked(IDC_SETTINGS_PASSWORD));
    EXPECT_EQ(GlobalSlider(), L"99 95 Global Transparency: 95%");
    for (bool hidden : {true, false}) {
        ClickButton(m_page, IDC_SETTINGS_HIDE_TRAY);
        EXPECT_TRUE(WaitFor([&] { return TrayIconExists(m_main) != hidden && ReadSettings().hideTrayIcon == hidden; }));
    }
    // Autostart: the program's path, quoted when it holds a blank, and the switch.
    const std::wstring& path = ProgramPath();
    const std::wstring value = (path.find(L' ') != std::wstring::npos ? L'"' + path + L'"' : path) + L" /b";
    for (bool autoStart : {true, false}) {
        ClickButton(m_page, IDC_SETTINGS_AUTOSTART);
        EXPECT_TRUE(WaitFor([&] { return RunValue() == (autoStart ? value : L"") && ReadSettings().autoStart == autoStart; }));
        EXPECT_TRUE(!autoStart || Shot(L"page-settings-options"));
    }
    // A Run key that may only be read, clicked from off and from on: a message, and the box goes
    // back to what the next log-on will do, which is also what is saved.
    for (bool autoStart : {false, true}) {
        if (autoStart)
            ClickButton(m_page, IDC_SETTINGS_AUTOSTART);
        ASSERT_TRUE(WaitFor([&] { return RunValue() == (autoStart ? value : L""); }) && SetRunKeyAccess(L"D:(A;;KR;;;WD)"));
        ClickButton(m_page, IDC_SETTINGS_AUTOSTART);
        EXPECT_NE(AnswerBox(m_paneveil.MessageBox(), IDOK).find(L"log on"), std::wstring::npos);
        EXPECT_TRUE(Checked(IDC_SETTINGS_AUTOSTART) == autoStart && RunValue() == (autoStart ? value : L"")
                    && ReadSettings().autoStart == autoStart);
        ASSERT_TRUE(SetRunKeyAccess(L"D:(A;;KA;;;WD)"));
    }
    ClickButton(m_page, IDC_SETTINGS_AUTOSTART);
    // Safe mode: no atom, and a window shown now is still caught, by the timer; off: the atom, so
    // the hook, again.
    ClickButton(m_page, IDC_SETTINGS_SAFE_MODE);
    EXPECT_TRUE(WaitFor([&] { return !IsRunningAtomPresent() && ReadSettings().safeMode == 1; }));
    const HWND late = m_helper.Create(L"PvSettingsLate", L"Shown in safe mode");
    EXPECT_GE(m_helper.ShowAndWait(late, kAlpha95SuperTrans, 3000), 0);
    ClickButton(m_page, IDC_SETTINGS_SAFE_MODE);
    EXPECT_TRUE(WaitFor([&] { return IsRunningAtomPresent() && ReadSettings().safeMode == 0; }));
    // Super-trans off at 95: 80 in the file, on the Global page and on the windows; on again: the
    // range ends at 99 and 80 stays.
    ClickButton(m_page, IDC_SETTINGS_SUPER_TRANS);
    EXPECT_TRUE(WaitFor([&] { return ReadSettings().superTransMode == 0 && ReadSettings().globalTransparency == 80; }));
    EXPECT_TRUE(TargetReaches(kAlpha80));
    EXPECT_EQ(GlobalSlider(), L"80 80 Global Transparency: 80%");
    ClickButton(m_page, IDC_SETTINGS_SUPER_TRANS);
    EXPECT_TRUE(WaitFor([&] { return ReadSettings().superTransMode == 1; }));
    EXPECT_EQ(GlobalSlider(), L"99 80 Global Transparency: 80%");
    ExitAndExpectOpaque(m_paneveil, m_main);
    EXPECT_EQ(m_helper.Alpha(late), kOpaque);
}

// Cancelled, no password; chosen, its digest in the file; cleared, gone at once (a question
// would hold the save up); chosen again and the window hidden, the gated operations ask, one
// prompt at a time, and a start with the switch does not.
TEST_F(SettingsEndToEnd, PasswordSetRemovedAndAskedFor)
{
    Show(IDC_MAIN_TAB_SETTINGS, IDC_SETTINGS_HOTKEY);
    Settings expected;
    ASSERT_TRUE(ComputePasswordDigest(L"secret", expected.passwordDigest));
    for (int button : {IDCANCEL, IDOK, 0, IDOK}) {
        ClickButton(m_page, IDC_SETTINGS_PASSWORD);
        const HWND dialog = button ? Dialog(kSetPasswordCaption, IDC_PASSWORD_CONFIRM) : nullptr;
        TypeText(dialog, IDC_PASSWORD, L"secret");
        TypeText(dialog, IDC_PASSWORD_CONFIRM, L"secret");
        ASSERT_TRUE(!button || Close(dialog, button));
        EXPECT_TRUE(WaitFor([&] { return Checked(IDC_SETTINGS_PASSWORD) == (button == IDOK)
                                         && !std::memcmp(ReadSettings().passwordDigest, expected.passwordDigest, 16) == (button == IDOK); }));
    }
    PostMessageW(m_main, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(m_main); }));
    PressHotkey();
    const HWND prompt = Prompt(m_paneveil);
    ASSERT_NE(prompt, nullptr);
    PressHotkey();
    PostMessageW(m_main, WM_COMMAND, IDM_SHOW_MAIN, 0);
    // Twice: each request posts itself once more before it reaches the gate.
    ASSERT_TRUE(Sync(m_main) && Sync(m_main));
    EXPECT_EQ(m_paneveil.FindWindows(kPromptCaption).size(), 1u);
    ASSERT_TRUE(Close(prompt, IDCANCEL));
    // Refused: the engine kept running and nothing was shown. Exit asks too, and the right
    // password lets it through.
    EXPECT_EQ(m_helper.Alpha(m_target), kAlpha40);
    EXPECT_FALSE(IsWindowVisible(m_main));
    Exit(m_main);
    EXPECT_EQ(AnswerPrompt(m_paneveil, Prompt(m_paneveil), L"secret"), L"");
    ASSERT_TRUE(m_paneveil.WaitForExit());
    EXPECT_EQ(m_helper.Alpha(m_target), kOpaque);
    ASSERT_NE(Start(m_paneveil, true), nullptr);
    EXPECT_TRUE(m_paneveil.FindWindows(kPromptCaption).empty());
    m_paneveil.Kill();   // its Exit would ask again
}

TEST_F(SettingsEndToEnd, HotkeyTypedThenAppliedOrDiscarded)
{
    Show(IDC_MAIN_TAB_SETTINGS, IDC_SETTINGS_HOTKEY);
    const WORD stored = MAKEWORD(VK_F11, HOTKEYF_CONTROL | HOTKEYF_SHIFT), typed = MAKEWORD('Q', HOTKEYF_CONTROL | HOTKEYF_ALT);
    EXPECT_EQ(Hotkey(), stored);
    EXPECT_FALSE(Enabled(IDC_SETTINGS_APPLY));
    // A letter alone gets Ctrl+Alt; typed and not applied, it is gone once another page was shown.
    // (The stored combination cannot be typed again: it is the registered hotkey, and taken.)
    EXPECT_TRUE(TypeHotkey('Q', typed) && Enabled(IDC_SETTINGS_APPLY));
    Show(IDC_MAIN_TAB_FILTERS, IDC_FILTERS_LIST);
    Show(IDC_MAIN_TAB_SETTINGS, IDC_SETTINGS_HOTKEY);
    EXPECT_EQ(Hotkey(), stored);
    EXPECT_FALSE(Enabled(IDC_SETTINGS_APPLY));
    // Held by another program (here this one): said so, the typed combination and Apply stay,
    // and the stored hotkey still works. Let go: applied, saved, the new hotkey toggles the
    // engine and the old one does nothing.
    ASSERT_TRUE(RegisterHotKey(nullptr, 1, MOD_CONTROL | MOD_ALT, 'Q') && TypeHotkey('Q', typed));
    ClickButton(m_page, IDC_SETTINGS_APPLY);
    EXPECT_NE(AnswerBox(m_paneveil.MessageBox(), IDOK).find(L"Another program"), std::wstring::npos);
    EXPECT_TRUE(Hotkey() == typed && Enabled(IDC_SETTINGS_APPLY));
    EXPECT_EQ(ReadSettings().hotkeyVirtualKey | ReadSettings().hotkeyModifiers << 8, stored);
    PressHotkey();
    EXPECT_TRUE(TargetReaches(kOpaque));
    PressHotkey();
    EXPECT_TRUE(TargetReaches(kAlpha40));
    // Apply by Space (the click gave it the focus) greys out and hands the focus to the box.
    UnregisterHotKey(nullptr, 1);
    ASSERT_TRUE(WaitFor([&] { return Focus() == GetDlgItem(m_page, IDC_SETTINGS_APPLY); }));
    PressKeys({VK_SPACE});
    EXPECT_TRUE(WaitFor([&] { return !Enabled(IDC_SETTINGS_APPLY) && Focus() == GetDlgItem(m_page, IDC_SETTINGS_HOTKEY); }));
    EXPECT_EQ(ReadSettings().hotkeyVirtualKey | ReadSettings().hotkeyModifiers << 8, typed);
    PressHotkey();
    ASSERT_TRUE(Sync(m_main));
    EXPECT_EQ(m_helper.Alpha(m_target), kAlpha40);
    for (int alpha : {kOpaque, kAlpha40}) {
        PressKeys({VK_CONTROL, VK_MENU, 'Q'});
        EXPECT_TRUE(TargetReaches(alpha));
    }
    ExitAndExpectOpaque(m_paneveil, m_main);
}

// At 144 dots per inch (set before the program starts, as Windows has it at 150%) the list of the
// wheel's keys and its box, and the box of the window under the mouse and the hotkey's Apply,
// neither overlap nor leave the page; page-settings-options.png shows them at 96.
TEST_F(SettingsEndToEnd, TheWheelsKeysBesideItsBoxAt144Dpi)
{
    const DWORD dpi = 144;
    ASSERT_FALSE(RegSetKeyValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LogPixels", REG_DWORD, &dpi, sizeof dpi));
    Show(IDC_MAIN_TAB_SETTINGS, IDC_SETTINGS_WHEEL_KEYS);
    RegDeleteKeyValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LogPixels");   // the prefix has none
    RECT page{}, box{}, keys{}, hover{}, apply{};
    GetWindowRect(m_page, &page);
    for (auto [id, rect] : std::initializer_list<std::pair<int, RECT*>>{{IDC_SETTINGS_WHEEL, &box}, {IDC_SETTINGS_WHEEL_KEYS, &keys},
                                                                      {IDC_SETTINGS_HOVER_OPAQUE, &hover}, {IDC_SETTINGS_APPLY, &apply}})
        GetWindowRect(GetDlgItem(m_page, id), rect);
    EXPECT_TRUE(box.right <= keys.left && keys.right <= page.right && keys.bottom <= page.bottom && box.bottom <= page.bottom);
    EXPECT_TRUE(apply.right <= hover.left && hover.right <= page.right && hover.bottom <= box.top);
    EXPECT_TRUE(Shot(L"page-settings-wheel-144dpi"));
    ExitAndExpectOpaque(m_paneveil, m_main);
}

}  // namespace
