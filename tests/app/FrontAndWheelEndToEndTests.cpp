// The window in front kept opaque (by the option, and always when it fills the screen), and the
// transparency of a program set with Ctrl+Shift and the wheel, on the real program with real input.
#include "EndToEnd.h"

#include <algorithm>

namespace {

constexpr int kAlpha45 = 140, kAlpha50 = 127;

class FrontAndWheel : public EndToEnd {
protected:
    // Two windows of the helper's program side by side, right of where the main window shows.
    void SetUp() override
    {
        EndToEnd::SetUp();
        ASSERT_NE(m_second = m_helper.Create(L"PvSecondWindow", L"Second window"), nullptr);
        SetWindowPos(m_target, nullptr, 900, 100, 300, 200, SWP_NOZORDER | SWP_NOACTIVATE);
        SetWindowPos(m_second, nullptr, 900, 500, 300, 200, SWP_NOZORDER | SWP_NOACTIVATE);
        m_helper.Show(m_second);
    }
    void TearDown() override
    {
        Release();   // a test that stopped short leaves no key down for the next
        EndToEnd::TearDown();
    }
    // A click, as a person brings a window to the front. Wine may not raise the foreground event
    // that Windows raises: the helper raises it once the window is in front.
    bool Click(HWND window, HelperProcess* owner = nullptr)
    {
        Mouse(Centre(window), MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_LEFTUP);
        return WaitFor([&] { return GetForegroundWindow() == window; })
               && (owner ? *owner : m_helper).Command(L"front\t" + HelperProcess::Argument(window));
    }
    bool Reach(int target, int second) { return TargetReaches(target) && m_helper.WaitForAlpha(m_second, second); }
    bool Checked(int box) { return IsDlgButtonChecked(m_page, box) == BST_CHECKED; }
    int Wheels() { return int(m_helper.Command(L"wheels")); }
    // Wine brings its key state in line with the display's whenever a window of one of its
    // programs takes the focus, and the display never saw the keys that SendInput pressed: a focus
    // change that a program reads late lets held keys go up. So the keys count as held once they
    // have stayed down while both programs read what they had pending, and go down again if they
    // went up.
    bool Hold(HWND main, std::vector<WORD> keys = {VK_CONTROL, VK_SHIFT})
    {
        Release();
        m_held = keys;
        for (int attempt = 0; attempt < 5; ++attempt) {
            Drain(main);
            for (WORD key : keys)
                Key(key, true);
            bool held = true;
            for (int look = 0; held && look < 3; ++look) {
                Sleep(50);
                Drain(main);
                held = std::all_of(keys.begin(), keys.end(), [](WORD key) { return (GetAsyncKeyState(key) & 0x8000) != 0; });
            }
            if (held)
                return true;
        }
        return false;
    }
    // In reverse: Alt let go while Ctrl is still down is no menu key.
    void Release()
    {
        for (auto key = m_held.rbegin(); key != m_held.rend(); ++key)
            Key(*key, false);
        m_held.clear();
    }
    // Twice: the first call may come while a program is busy, the second once it has come back to
    // its queue, which reads the display's events first.
    void Drain(HWND main)
    {
        for (int n = 0; n < 2; ++n) {
            DWORD_PTR result = 0;
            SendMessageTimeoutW(main, WM_NULL, 0, 0, SMTO_NORMAL, 2000, &result);
            m_helper.Command(L"wheels");
        }
    }
    void Turn(int notches, HWND window = nullptr, int delta = WHEEL_DELTA)
    {
        for (int n = std::abs(notches); n > 0; --n)
            Wheel(Centre(window ? window : m_target), notches < 0 ? -delta : delta);
    }
    using Filters = std::vector<std::pair<std::wstring, int>>;
    const std::wstring m_helperPath = ProgramFolder() + L"\\pv_window_helper.exe";
    std::vector<WORD> m_held;
    HWND m_second = nullptr;
};

TEST_F(FrontAndWheel, TheActiveWindowIsOpaqueWhileTheOptionIsOn)
{
    WriteDataFile([](Settings& s) { s.activeWindowOpaque = 1; });
    Show(IDC_MAIN_TAB_SETTINGS, IDC_SETTINGS_ACTIVE_OPAQUE);
    EXPECT_TRUE(Checked(IDC_SETTINGS_ACTIVE_OPAQUE) && Checked(IDC_SETTINGS_WHEEL));
    ASSERT_TRUE(Click(m_target));
    EXPECT_TRUE(Reach(kOpaque, kAlpha40));
    ASSERT_TRUE(Click(m_second));
    EXPECT_TRUE(Reach(kAlpha40, kOpaque));
    // Off: the window brought to the front is translucent like the rest; on again: opaque. A
    // click on the box brings Paneveil to the front, itself never translucent.
    for (int on : {0, 1}) {
        ClickButton(m_page, IDC_SETTINGS_ACTIVE_OPAQUE);
        EXPECT_TRUE(WaitFor([&] { return ReadSettings().activeWindowOpaque == on; }));
        ASSERT_TRUE(Click(m_second));
        EXPECT_TRUE(Reach(kAlpha40, on ? kOpaque : kAlpha40)) << on;
    }
    ExitAndExpectOpaque(m_paneveil, m_main);
    EXPECT_EQ(m_helper.Alpha(m_second), kOpaque);
}

// The window the mouse rests on is opaque while the option is on, and takes its 50% back once the
// mouse has left it, in safe mode (the wheel's gesture off) and in hook mode; a window that its
// own program keeps translucent keeps its alpha. The window in front stays opaque when the mouse
// leaves it. Cleared on the page, the option leaves the window under the mouse as it is.
TEST_F(FrontAndWheel, TheWindowUnderTheMouseIsOpaqueWhileTheMouseRestsOnIt)
{
    const HWND own = m_helper.Create(L"PvOwnAlpha", L"Own alpha");
    SetWindowPos(own, nullptr, 500, 500, 300, 200, SWP_NOZORDER | SWP_NOACTIVATE);
    Helper(L"layer", own, L"200");
    m_helper.Show(own);
    // The engine judges the windows it is told in the order it is told them: once the last is
    // opaque, the own window has been judged.
    const auto hover = [&](const char* mode) {
        Mouse(Centre(m_target));
        // Once in a few clean runs the first rest after a start in hook mode was not acted on
        // (not understood, see the README): a second rest one pixel away is, and says so.
        if (!TargetReaches(kOpaque))
            std::printf("[ note     ] %s: the first rest was not acted on\n", mode), Mouse({Centre(m_target).x + 1, Centre(m_target).y});
        EXPECT_TRUE(TargetReaches(kOpaque) && m_helper.WaitForAlpha(m_second, kAlpha50)) << mode << ", second " << m_helper.Alpha(m_second);
        Mouse(Centre(own));
        EXPECT_TRUE(TargetReaches(kAlpha50)) << mode;
        Mouse(Centre(m_second));
        EXPECT_TRUE(Reach(kAlpha50, kOpaque)) << mode;
        EXPECT_EQ(m_helper.Alpha(own), 200) << mode;
    };
    WriteDataFile([](Settings& s) { s.globalTransparency = 50; s.hoverOpaque = 1; s.safeMode = 1; s.wheelAdjust = 0; });
    PaneveilProcess safe;
    const HWND main = Start(safe, true, kAlpha50);
    ASSERT_TRUE(main);
    hover("safe mode");
    // The hook is set for the mouse alone: the gesture's keys and the wheel pass.
    ASSERT_TRUE(Click(m_second) && Hold(main));
    Turn(-1, m_second);
    Release();
    EXPECT_TRUE(WaitFor([&] { return Wheels() == 1; }) && FileFilters().empty());
    ExitAndExpectOpaque(safe, main);

    WriteDataFile([](Settings& s) { s.globalTransparency = 50; s.hoverOpaque = 1; s.activeWindowOpaque = 1; });
    Show(IDC_MAIN_TAB_SETTINGS, IDC_SETTINGS_HOVER_OPAQUE);
    ASSERT_TRUE(Checked(IDC_SETTINGS_HOVER_OPAQUE) && Reach(kAlpha50, kAlpha50));
    hover("hook mode");
    ASSERT_TRUE(m_helper.Command(L"front\t" + HelperProcess::Argument(m_second)));
    Mouse(Centre(m_target));
    EXPECT_TRUE(Reach(kOpaque, kOpaque));
    ClickButton(m_page, IDC_SETTINGS_HOVER_OPAQUE);
    EXPECT_TRUE(WaitFor([&] { return ReadSettings().hoverOpaque == 0; }) && TargetReaches(kAlpha50));
    Mouse(Centre(own));
    Mouse(Centre(m_target));
    EXPECT_FALSE(m_helper.WaitForAlpha(m_target, kOpaque, 1000));
    ExitAndExpectOpaque(m_paneveil, m_main);
}

// Without the option: opaque only while it fills the screen without a caption and is in front. A
// maximized window covers its monitor too, and takes its transparency in front. In safe mode,
// whose sweeps ask for the window in front, while the test above follows the hook's events.
TEST_F(FrontAndWheel, AFullScreenProgramInFrontIsOpaqueAMaximizedWindowNot)
{
    WriteDataFile([](Settings& s) { s.safeMode = 1; });
    PaneveilProcess paneveil;
    const HWND main = Start(paneveil, true);
    ASSERT_TRUE(main && Reach(kAlpha40, kAlpha40));
    const HWND full = m_helper.Create(L"PvFullScreen", L"Full screen", L"popup"), captioned = m_helper.Create(L"PvMaximized", L"Maximized");
    for (HWND window : {full, captioned}) {
        SetWindowPos(window, nullptr, -8, -8, GetSystemMetrics(SM_CXSCREEN) + 16, GetSystemMetrics(SM_CYSCREEN) + 16, SWP_NOZORDER | SWP_NOACTIVATE);
        ASSERT_GE(m_helper.ShowAndWait(window, kAlpha40, 3000), 0);
    }
    // Brought to the front as the program itself or Alt+Tab would: the two cover each other.
    const auto front = [&](HWND window) { return m_helper.Command(L"front\t" + HelperProcess::Argument(window)) != 0; };
    ASSERT_TRUE(front(full));
    EXPECT_TRUE(m_helper.WaitForAlpha(full, kOpaque));
    EXPECT_TRUE(Reach(kAlpha40, kAlpha40));
    // The sweep that gives the full-screen window back its alpha has judged the new front.
    ASSERT_TRUE(front(captioned));
    EXPECT_TRUE(m_helper.WaitForAlpha(full, kAlpha40));
    EXPECT_EQ(m_helper.Alpha(captioned), kAlpha40);
    ASSERT_TRUE(front(full) && m_helper.WaitForAlpha(full, kOpaque));
    ASSERT_TRUE(front(m_target));
    EXPECT_TRUE(m_helper.WaitForAlpha(full, kAlpha40));
    EXPECT_TRUE(Reach(kAlpha40, kAlpha40));
    ExitAndExpectOpaque(paneveil, main);
    EXPECT_EQ(m_helper.Alpha(full), kOpaque);
}

// Ctrl alone (every browser's zoom) and Shift alone are other programs' gestures, whichever keys
// are chosen; so are Ctrl+Shift and the wheel over a console or a terminal, which set their own
// opacity with them. Each notch reaches its window and no filter is written. With Ctrl+Alt chosen
// on the page, Ctrl+Alt acts and Ctrl+Shift passes; with the option off Ctrl+Alt passes too.
TEST_F(FrontAndWheel, TheGesturePassesWhatIsNotItsOwn)
{
    Show(IDC_MAIN_TAB_GLOBAL, IDC_GLOBAL_SLIDER);
    const HWND console = m_helper.Create(L"ConsoleWindowClass", L"Console"), terminal = m_helper.Create(L"CASCADIA_HOSTING_WINDOW_CLASS", L"");
    for (HWND own : {console, terminal}) {
        SetWindowPos(own, nullptr, own == console ? 500 : 200, 400, 300, 200, SWP_NOZORDER | SWP_NOACTIVATE);
        m_helper.Show(own);
    }
    int wheels = 0;
    const auto passes = [&](HWND window, std::vector<WORD> keys) {
        if (!Click(window) || !Hold(m_main, keys))
            return ADD_FAILURE() << "click or keys", false;
        Turn(-2, window);
        Release();
        return WaitFor([&] { return Wheels() == wheels + 2; }) && (wheels += 2);
    };
    for (const wchar_t* chosen : {L"Ctrl+Shift", L"Ctrl+Alt"}) {
        EXPECT_TRUE(passes(m_target, {VK_CONTROL}) && passes(m_target, {VK_SHIFT})) << chosen;
        for (HWND window : {console, terminal, m_target})
            EXPECT_TRUE(window == m_target && chosen[5] == L'S' ? true : passes(window, {VK_CONTROL, VK_SHIFT})) << chosen;
        if (chosen[5] == L'A')
            break;
        Show(IDC_MAIN_TAB_SETTINGS, IDC_SETTINGS_WHEEL_KEYS);
        Mouse(Centre(GetDlgItem(m_page, IDC_SETTINGS_WHEEL_KEYS)), MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_LEFTUP);
        Sleep(300);
        PressKeys({VK_DOWN});
        PressKeys({VK_RETURN});
        EXPECT_TRUE(WaitFor([&] { return ReadSettings().wheelModifiers == kWheelCtrlAlt; }));
        EXPECT_EQ(WindowText(GetDlgItem(m_page, IDC_SETTINGS_WHEEL)), L"Ctrl+Alt and the mouse wheel change a program's transparency.");
    }
    EXPECT_TRUE(Sync(m_main) && FileFilters().empty());
    ASSERT_TRUE(Click(m_target) && Hold(m_main, {VK_CONTROL, VK_MENU}));
    Turn(-1);
    Release();
    EXPECT_TRUE(WaitFor([&] { return FileFilters() == Filters{{m_helperPath, 45}}; }));
    EXPECT_EQ(Wheels(), wheels);
    // With the option off the gesture passes and changes nothing.
    ClickButton(m_page, IDC_SETTINGS_WHEEL);
    EXPECT_TRUE(WaitFor([&] { return ReadSettings().wheelAdjust == 0; }));
    EXPECT_TRUE(passes(m_target, {VK_CONTROL, VK_MENU}) && Sync(m_main) && m_helper.Alpha(m_target) == kAlpha45);
    EXPECT_EQ(FileFilters().size(), 1u);
    ExitAndExpectOpaque(m_paneveil, m_main);
}

// A resume from sleep, an unlock, a change of the displays and a new taskbar each bring a sweep:
// a window shown without the event that Windows raises is found by it alone. After them (the
// wheel's hook set again) a fine wheel's twelve tenths of a notch take both windows of the
// program from the global 50% to 55%, through a new filter at the front, saved once the wheel
// rests; what is left of a notch waits. Three up give 40% in the same filter. The step stops at
// 80% without super-trans mode, in the saved filter too, and a change made just before Exit,
// before the wheel has rested, is saved at the exit. The gesture's messages never reach the window.
TEST_F(FrontAndWheel, SystemEventsFineWheelsTheEightyPercentCapAndAnExitBeforeTheRest)
{
    WriteDataFile([](Settings& s) { s.globalTransparency = 50; }, {{L"Elsewhere*", 50}});
    PaneveilProcess paneveil;
    const HWND main = Start(paneveil, true, kAlpha50);
    const std::pair<UINT, WPARAM> events[] = {{WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC}, {WM_DISPLAYCHANGE, 32},
                                              {RegisterWindowMessageW(L"TaskbarCreated"), 0}, {0x02B1 /* WM_WTSSESSION_CHANGE */, 8 /* WTS_SESSION_UNLOCK */}};
    for (const auto& [message, wParam] : events) {
        const HWND quiet = m_helper.Create(L"PvQuiet", L"Shown quietly");
        m_helper.Show(quiet, true);
        EXPECT_TRUE(Sync(main) && m_helper.Alpha(quiet) == kOpaque) << message;
        SendMessageW(main, message, wParam, 0);
        EXPECT_TRUE(m_helper.WaitForAlpha(quiet, kAlpha50)) << message;
    }
    ASSERT_TRUE(main && Click(m_target) && Hold(main));
    Turn(-12, m_target, WHEEL_DELTA / 10);
    EXPECT_TRUE(Reach(114, 114));   // 55%
    EXPECT_EQ(FileFilters().size(), 1u) << "saved before the wheel rested";
    EXPECT_TRUE(WaitFor([&] { return FileFilters() == Filters{{m_helperPath, 55}, {L"Elsewhere*", 50}}; }));
    HWND filtersPage = nullptr;
    while ((filtersPage = FindWindowExW(main, filtersPage, L"#32770", nullptr)) && !GetDlgItem(filtersPage, IDC_FILTERS_LIST)) {}
    EXPECT_EQ(SendDlgItemMessageW(filtersPage, IDC_FILTERS_LIST, LVM_GETITEMCOUNT, 0, 0), 2);
    Turn(3);
    EXPECT_TRUE(Reach(kAlpha40, kAlpha40));
    EXPECT_TRUE(WaitFor([&] { return FileFilters() == Filters{{m_helperPath, 40}, {L"Elsewhere*", 50}}; }));
    Turn(-9);
    EXPECT_TRUE(Reach(51, 51));   // 80%
    EXPECT_EQ(FileFilters()[0].second, 40) << "saved before the wheel rested";
    Exit(main);
    ASSERT_TRUE(paneveil.WaitForExit());
    EXPECT_EQ(FileFilters(), (Filters{{m_helperPath, 80}, {L"Elsewhere*", 50}}));
    EXPECT_EQ(Wheels(), 0);
}

// Copies of the helper stand in for a Store app: one named as the host shows two frames, another
// puts its window inside one of them. A filter on the app reaches its frame, and the wheel over the
// frame writes the app's path and leaves the other frame of the host as it was.
// Paneveil run without elevation cannot change an elevated program's windows: here the helper's,
// since Wine gives every process started as usual an elevated token, and Paneveil and the Store
// app are started with the limited one linked to it. No sweep tries the elevated windows, the
// wheel passes over them, and the finder says why its filter does nothing yet.
TEST_F(FrontAndWheel, AStoreAppIsItselfAndAnElevatedProgramIsPassedBy)
{
    TempFolder folder;
    const std::wstring host = folder.File(L"ApplicationFrameHost.exe"), app = folder.File(L"Calculator.exe");
    ASSERT_TRUE(CopyFileW(m_helperPath.c_str(), host.c_str(), FALSE) && CopyFileW(m_helperPath.c_str(), app.c_str(), FALSE));
    WriteDataFile([](Settings& s) { s.safeMode = 1; }, {{L"*\\Calculator.exe", 20}});
    HelperProcess frames(host, true), calculator(app, true);
    const HWND frame = frames.Create(L"ApplicationFrameWindow", L"Calculator"), other = frames.Create(L"ApplicationFrameWindow", L"Settings");
    ASSERT_TRUE(frame && other && calculator.Command(L"child\t" + HelperProcess::Argument(frame)));
    for (HWND window : {frame, other}) {
        SetWindowPos(window, nullptr, window == frame ? 200 : 550, 450, 300, 200, SWP_NOZORDER | SWP_NOACTIVATE);
        frames.Show(window);
    }
    ASSERT_TRUE(m_paneveil.Start(L"", true) && (m_main = m_paneveil.MainWindow()));
    ASSERT_TRUE(frames.WaitForAlpha(frame, kAlpha20) && frames.WaitForAlpha(other, kAlpha40));
    for (HWND window : {frame, m_target}) {
        ASSERT_TRUE(Click(window, window == frame ? &frames : nullptr) && Hold(m_main));
        Turn(-1, window);
        Release();
    }
    EXPECT_TRUE(frames.WaitForAlpha(frame, 191));   // 25%
    EXPECT_TRUE(WaitFor([&] { const Filters saved = FileFilters(); return saved.size() == 2 && !lstrcmpiW(saved[0].first.c_str(), app.c_str()) && saved[0].second == 25; }));
    EXPECT_TRUE(WaitFor([&] { return Wheels() == 1; }) && Sync(m_main));
    EXPECT_TRUE(frames.Alpha(other) == kAlpha40 && m_helper.Alpha(m_target) == kOpaque);

    Show(IDC_MAIN_TAB_FILTERS, IDC_FILTERS_ADD);
    ClickButton(m_page, IDC_FILTERS_ADD);
    const HWND dialog = Dialog(L"Add/Modify Filter", IDC_FILTER_PATTERN);
    ASSERT_TRUE(dialog);
    Drag(Centre(GetDlgItem(dialog, IDC_FILTER_FINDER)), Centre(m_target));
    const HWND scope = Dialog(L"Choose how to apply this filter", IDC_SCOPE_COMBO);
    ASSERT_TRUE(scope && Close(scope, IDOK));
    EXPECT_NE(AnswerBox(m_paneveil.MessageBox(), IDOK).find(L"only when Paneveil runs as administrator too"), std::wstring::npos);
    ClickButton(dialog, IDOK);
    EXPECT_TRUE(WaitFor([&] { return FileFilters().size() == 3; }));
    EXPECT_EQ(m_helper.Command(L"styles"), 0) << "tried";
    ExitAndExpectOpaque(m_paneveil, m_main);
    EXPECT_EQ(frames.Alpha(frame), kOpaque);
}

// The password guards the configuration: the gesture does nothing, and the wheel passes.
TEST_F(FrontAndWheel, APasswordSwitchesTheGestureOff)
{
    WriteDataFile([](Settings& s) { ComputePasswordDigest(L"secret", s.passwordDigest); });
    PaneveilProcess paneveil;
    const HWND main = Start(paneveil, true);
    ASSERT_TRUE(main && Click(m_target) && Hold(main));
    Turn(-1);
    Release();
    EXPECT_TRUE(WaitFor([&] { return Wheels() == 1; }) && Sync(main));
    EXPECT_EQ(m_helper.Alpha(m_target), kAlpha40);
    EXPECT_TRUE(FileFilters().empty());
    paneveil.Kill();   // its Exit would ask for the password
}

}  // namespace
