// Drives the real Paneveil.exe: starts it with a data file written here, works it as a user would
// (clicks, keys, the tray callback, the hotkey) and watches a window of another process, made by
// the window helper, gain and lose its alpha.
#include "EndToEnd.h"

#include <cstdio>
#include <map>

namespace {

// The first start shows the Global page. Dragging its slider moves the label and nothing else;
// releasing it applies and saves. A screenshot of the display with the main window follows, for
// people to look at (the keyboard test takes the other pages); the helper's white window beside
// it shows how it is blended, and the program's own window stays opaque. The close box ends
// everything.
TEST_F(EndToEnd, FirstStartSliderEveryPageInAScreenshotAndTheCloseBox)
{
    PaneveilProcess paneveil;
    const HWND main = Start(paneveil);
    ASSERT_TRUE(main && TargetReaches(kAlpha40));
    const HWND page = VisiblePage(main), slider = GetDlgItem(page, IDC_GLOBAL_SLIDER);
    const HWND label = GetDlgItem(page, IDC_GLOBAL_LABEL), footer = GetDlgItem(main, IDC_MAIN_FOOTER);
    EXPECT_EQ(WindowText(label), L"Global Transparency: 40%");
    EXPECT_EQ(SendMessageW(slider, TBM_GETRANGEMAX, 0, 0), 80);
    EXPECT_TRUE(WindowText(footer).find(L'\u00A9') != std::wstring::npos && WindowText(footer).find(L"(C)") == std::wstring::npos);
    EXPECT_TRUE(GetWindowLongW(footer, GWL_STYLE) & SS_CENTERIMAGE);
    auto scroll = [&](int code, int position) {
        SendMessageW(slider, TBM_SETPOS, TRUE, position);
        SendMessageW(page, WM_HSCROLL, MAKEWPARAM(code, position), reinterpret_cast<LPARAM>(slider));
    };
    // The handler has run when SendMessage returns, and a sweep would have been part of it.
    scroll(TB_THUMBTRACK, 0);
    EXPECT_EQ(WindowText(label), L"Global Transparency: Disabled");
    scroll(TB_THUMBTRACK, 20);
    EXPECT_EQ(WindowText(label), L"Global Transparency: 20%");
    EXPECT_EQ(m_helper.Alpha(m_target), kAlpha40);
    EXPECT_EQ(ReadSettings().globalTransparency, 40);
    scroll(TB_ENDTRACK, 20);
    EXPECT_TRUE(TargetReaches(kAlpha20));
    EXPECT_EQ(ReadSettings().globalTransparency, 20);

    RECT mainRect{};
    GetWindowRect(main, &mainRect);
    SetWindowPos(m_target, nullptr, mainRect.right + 40, 120, 360, 240, SWP_NOZORDER | SWP_NOACTIVATE);
    RedrawWindow(main, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    Sleep(200);   // for the compositor
    Screenshot shot;
    std::string error;
    ASSERT_TRUE(shot.Take(L"page-global", &error)) << error;
    // White at alpha 204 over the root's grey 128: about 229 where the compositor blends.
    const COLORREF blended = shot.Pixel(mainRect.right + 220, 240);
    EXPECT_NEAR(GetRValue(blended), 229, 6);
    EXPECT_NEAR(GetGValue(blended), 229, 6);
    EXPECT_FALSE(GetWindowLongW(main, GWL_EXSTYLE) & WS_EX_LAYERED);
    PostMessageW(main, WM_SYSCOMMAND, SC_CLOSE, 0);
    ASSERT_TRUE(paneveil.WaitForExit());
    EXPECT_EQ(m_helper.Alpha(m_target), kOpaque);
    EXPECT_FALSE(IsRunningAtomPresent());
}

// Started hidden with the tray icon hidden and super-trans mode on: a window shown later is
// caught, a second start with the switch shows nothing, one without it shows the window, and
// minimising hides it again without adding an icon.
TEST_F(EndToEnd, HiddenStartLateWindowAndSecondStarts)
{
    WriteDataFile([](Settings& s) { s.hideTrayIcon = s.superTransMode = 1, s.globalTransparency = 95; });
    PaneveilProcess first;
    const HWND main = Start(first, true, 12);
    ASSERT_NE(main, nullptr);
    EXPECT_FALSE(IsWindowVisible(main));
    EXPECT_FALSE(TrayIconExists(main));
    const HWND late = m_helper.Create(L"PvEndToEndLate", L"Shown after the start");
    EXPECT_GE(m_helper.ShowAndWait(late, 12, 3000), 0);

    PaneveilProcess quiet;   // the switch may stand anywhere, in either case, as a longer word too
    ASSERT_TRUE(quiet.Start(L"-x /Background"));
    EXPECT_TRUE(quiet.WaitForExit());
    ASSERT_TRUE(Sync(main));
    EXPECT_FALSE(IsWindowVisible(main));
    EXPECT_TRUE(quiet.FindWindows(L"Paneveil").empty());

    PaneveilProcess second;
    ASSERT_TRUE(second.Start());
    EXPECT_TRUE(second.WaitForExit());
    ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(main); }));
    PostMessageW(main, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(main); }));
    EXPECT_FALSE(TrayIconExists(main));
    ExitAndExpectOpaque(first, main);
    EXPECT_EQ(m_helper.Alpha(late), kOpaque);
}

TEST_F(EndToEnd, TrayMenuHotkeyDoubleClickMinimiseAndExplorerRestart)
{
    PaneveilProcess paneveil;
    const HWND main = Start(paneveil, true);
    ASSERT_NE(main, nullptr);
    // The menu's second item, chosen with the keyboard, switches the engine off; the hotkey (Shift
    // among its keys) and the item toggle it from then on. None of them shows the window.
    Tray(main, WM_RBUTTONUP);
    HWND menu = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (menu = FindWindowW(L"#32768", nullptr)) && IsWindowVisible(menu); }));
    for (WPARAM key : {VK_DOWN, VK_DOWN, VK_RETURN})
        PostMessageW(menu, WM_KEYDOWN, key, 0);
    EXPECT_TRUE(TargetReaches(kOpaque));
    PressHotkey();
    EXPECT_TRUE(TargetReaches(kAlpha40));
    PressHotkey();
    EXPECT_TRUE(TargetReaches(kOpaque));
    PostMessageW(main, WM_COMMAND, IDM_TOGGLE, 0);
    EXPECT_TRUE(TargetReaches(kAlpha40));
    EXPECT_FALSE(IsWindowVisible(main));

    Tray(main, WM_LBUTTONDBLCLK);
    ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(main); }));
    // Enter (the dialog manager's IDOK) does nothing at the window level.
    PostMessageW(main, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    ASSERT_TRUE(Sync(main));
    EXPECT_TRUE(IsWindowVisible(main));
    // Minimising hides the window into the tray instead of leaving it on the taskbar.
    PostMessageW(main, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(main); }));
    EXPECT_FALSE(IsIconic(main));
    EXPECT_TRUE(TrayIconExists(main));
    // A restarted Explorer has forgotten the icon and says so; the icon comes back.
    NOTIFYICONDATAW lost{};
    lost.cbSize = sizeof lost;
    lost.hWnd = main;
    ASSERT_TRUE(Shell_NotifyIconW(NIM_DELETE, &lost));
    PostMessageW(main, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
    EXPECT_TRUE(WaitFor([&] { return TrayIconExists(main); }));
    ExitAndExpectOpaque(paneveil, main);
}

// A start without the switch asks first: the prompt comes to the front although nothing else
// shows, and the hidden window has its tray icon meanwhile. Two wrong entries (letter case
// counts) may be followed by the right one; a third wrong one ends the program, no window ever
// translucent and no icon left.
TEST_F(EndToEnd, PasswordAtTheStartTwoWrongThenRightOrThreeWrong)
{
    for (bool thirdWrong : {false, true}) {
        SCOPED_TRACE(thirdWrong ? "three wrong" : "two wrong, then right");
        WriteDataFile([](Settings& s) { ComputePasswordDigest(L"secret", s.passwordDigest); });
        PaneveilProcess paneveil;
        ASSERT_TRUE(paneveil.Start());
        const HWND prompt = Prompt(paneveil);
        ASSERT_NE(prompt, nullptr);
        const HWND main = paneveil.MainWindow();
        EXPECT_FALSE(IsWindowVisible(main));
        EXPECT_TRUE(TrayIconExists(main));
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(prompt, IDOK)));
        EXPECT_TRUE(WaitFor([&] { return GetForegroundWindow() == prompt; }, 2000));
        for (const wchar_t* wrong : {L"wrong", L"Secret"})
            EXPECT_EQ(AnswerPrompt(paneveil, prompt, wrong), L"Incorrect password, please try again.");
        EXPECT_EQ(m_helper.Alpha(m_target), kOpaque);
        if (thirdWrong) {
            EXPECT_EQ(AnswerPrompt(paneveil, prompt, L"three"), L"Incorrect password, operation abort.");
            ASSERT_TRUE(paneveil.WaitForExit());
            EXPECT_FALSE(TrayIconExists(main));
            EXPECT_EQ(m_helper.Alpha(m_target), kOpaque);
            // The engine never started: it would have left its atom, the run not ending in order.
            EXPECT_FALSE(IsRunningAtomPresent());
            continue;
        }
        EXPECT_EQ(AnswerPrompt(paneveil, prompt, L"secret"), L"");
        EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(main); }));
        EXPECT_TRUE(TargetReaches(kAlpha40));
        // With the window visible nothing asks: the hotkey and Exit act at once.
        PressHotkey();
        EXPECT_TRUE(TargetReaches(kOpaque));
        EXPECT_TRUE(paneveil.FindWindows(kPromptCaption).empty());
        Exit(main);
        ASSERT_TRUE(paneveil.WaitForExit());
    }
}

// A run that ends abnormally in hook mode leaves the engine's atom behind, which brings the offer,
// and its windows to its watchdog, which makes them opaque again at once. Safe mode sweeps by timer
// and never marks its run with the atom; hook mode does, and an orderly exit removes every
// reference, the old one included, so the next start asks nothing.
TEST_F(EndToEnd, SafeModeOfferAfterAnAbnormalEnd)
{
    const struct {
        int answer;
        uint8_t safeMode;
        bool atomWhileRunning;
    } cases[] = {{IDYES, 1, false}, {IDNO, 0, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answer);
        WriteDataFile([](Settings&) {});
        PaneveilProcess crashed;
        ASSERT_NE(Start(crashed, true), nullptr);
        ASSERT_TRUE(TerminateProcess(crashed.Handle(), 1));
        EXPECT_TRUE(m_helper.WaitForAlpha(m_target, kOpaque, 2000));
        EXPECT_TRUE(crashed.WaitForExit() && WaitFor([&] { return crashed.Watchdogs().empty(); }) && IsRunningAtomPresent());
        PaneveilProcess paneveil;
        ASSERT_TRUE(paneveil.Start());
        EXPECT_EQ(AnswerBox(paneveil.MessageBox(), c.answer), L"It seems Paneveil was terminated unexpectedly. Do you want to turn on its safe mode?");
        const HWND main = paneveil.MainWindow();
        ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(main); }));
        EXPECT_EQ(ReadSettings().safeMode, c.safeMode);
        EXPECT_TRUE(TargetReaches(kAlpha40));
        EXPECT_EQ(IsRunningAtomPresent(), c.atomWhileRunning);
        ExitAndExpectOpaque(paneveil, main);
        EXPECT_FALSE(IsRunningAtomPresent());
    }
    PaneveilProcess again;
    const HWND main = Start(again);   // an offer would come before the window
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(again.MessageBox(0), nullptr);
    Exit(main);
    ASSERT_TRUE(again.WaitForExit());
}

// A FontSize override scales the dialogs (seen in a child control: the window itself may be
// limited to the screen), proportionally, and no further than 72 points.
TEST_F(EndToEnd, LargerFontGrowsTheDialogsAndHundredActsAsSeventyTwo)
{
    std::map<DWORD, SIZE> tab;
    for (DWORD points : {0, 12, 24, 72, 100}) {
        RegDeleteTreeW(HKEY_CURRENT_USER, kHiddenFontKey);
        if (points)
            RegSetKeyValueW(HKEY_CURRENT_USER, kHiddenFontKey, L"FontSize", REG_DWORD, &points, sizeof points);
        PaneveilProcess paneveil;
        const HWND main = paneveil.Start(L"/b") ? paneveil.MainWindow() : nullptr;
        ASSERT_TRUE(Sync(main));   // scaled while the window initialises, before it answers anything posted
        RECT rect{};
        GetWindowRect(GetDlgItem(main, IDC_MAIN_TAB_GLOBAL), &rect);
        tab[points] = {rect.right - rect.left, rect.bottom - rect.top};
        Exit(main);
        ASSERT_TRUE(paneveil.WaitForExit());
    }
    EXPECT_TRUE(tab[12].cx > tab[0].cx && tab[12].cy > tab[0].cy);
    EXPECT_NEAR(double(tab[24].cy) / tab[12].cy, 2.0, 0.25);
    EXPECT_NEAR(double(tab[24].cx) / tab[12].cx, 2.0, 0.25);
    EXPECT_GT(tab[72].cy, tab[24].cy);
    EXPECT_TRUE(tab[100].cx == tab[72].cx && tab[100].cy == tab[72].cy);
}

}  // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: app_end_to_end_tests <path of Paneveil.exe>\n");
        return 2;
    }
    SetProgramPath(argv[1]);
    return RUN_ALL_TESTS();
}
