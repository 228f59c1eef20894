// The window in front kept opaque (by the option, and always when it fills the screen), and the
// transparency of a program set with Ctrl+Shift and the wheel, on the real program with real input.
#include "EndToEnd.h"

namespace {

constexpr int kAlpha45 = 140, kAlpha50 = 127, kAlpha60 = 102;

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
        ReleaseCtrlShift();   // a test that stopped short leaves no key down for the next
        EndToEnd::TearDown();
    }
    // A click, as a person brings a window to the front. Wine may not raise the foreground event
    // that Windows raises: the helper raises it once the window is in front.
    bool Click(HWND window)
    {
        Mouse(Centre(window), MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_LEFTUP);
        return WaitFor([&] { return GetForegroundWindow() == window; }) && m_helper.Command(L"front\t" + HelperProcess::Argument(window));
    }
    bool Reach(int target, int second) { return TargetReaches(target) && m_helper.WaitForAlpha(m_second, second); }
    bool Checked(int box) { return IsDlgButtonChecked(m_page, box) == BST_CHECKED; }
    int Wheels() { return int(m_helper.Command(L"wheels")); }
    // Wine brings its key state in line with the display's whenever a window of one of its
    // programs takes the focus, and the display never saw the keys that SendInput pressed: a focus
    // change that a program reads late lets Ctrl and Shift go up. So the keys count as held once
    // they have stayed down while both programs read what they had pending, and go down again
    // if they went up.
    bool HoldCtrlShift(HWND main)
    {
        for (int attempt = 0; attempt < 5; ++attempt) {
            Drain(main);
            Key(VK_CONTROL, true), Key(VK_SHIFT, true);
            bool held = true;
            for (int look = 0; held && look < 3; ++look) {
                Sleep(50);
                Drain(main);
                held = Held(VK_CONTROL) && Held(VK_SHIFT);
            }
            if (held)
                return true;
        }
        return false;
    }
    static void ReleaseCtrlShift() { Key(VK_CONTROL, false), Key(VK_SHIFT, false); }
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
    static bool Held(int key) { return (GetAsyncKeyState(key) & 0x8000) != 0; }
    void Turn(int notches) { for (int n = std::abs(notches); n > 0; --n) Wheel(Centre(m_target), notches < 0 ? -WHEEL_DELTA : WHEEL_DELTA); }

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

// Without the option: opaque only while it fills the screen and is in front. In safe mode, whose
// sweeps ask for the window in front, while the test above follows the hook's events.
TEST_F(FrontAndWheel, AFullScreenWindowInFrontIsOpaque)
{
    WriteDataFile([](Settings& s) { s.safeMode = 1; });
    PaneveilProcess paneveil;
    const HWND main = Start(paneveil, true);
    ASSERT_TRUE(main && Reach(kAlpha40, kAlpha40));
    const HWND full = m_helper.Create(L"PvFullScreen", L"Full screen");
    SetWindowPos(full, nullptr, 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_GE(m_helper.ShowAndWait(full, kAlpha40, 3000), 0);
    ASSERT_TRUE(Click(full));
    EXPECT_TRUE(m_helper.WaitForAlpha(full, kOpaque));
    EXPECT_TRUE(Reach(kAlpha40, kAlpha40));
    // Another window in front, as the program itself or Alt+Tab would bring it.
    ASSERT_TRUE(m_helper.Command(L"front\t" + HelperProcess::Argument(m_target)));
    EXPECT_TRUE(m_helper.WaitForAlpha(full, kAlpha40));
    EXPECT_TRUE(Reach(kAlpha40, kAlpha40));
    ExitAndExpectOpaque(paneveil, main);
    EXPECT_EQ(m_helper.Alpha(full), kOpaque);
}

// Two notches down take both windows of the program from the global 50% to 60%, through a new
// filter at the front, saved once the wheel rests; three up give 45% in the same filter. The
// gesture's wheel messages never reach the window; the plain wheel's and, with the option off,
// Ctrl+Shift's do, and change nothing.
TEST_F(FrontAndWheel, CtrlShiftAndTheWheelSetTheProgramsTransparency)
{
    WriteDataFile([](Settings& s) { s.globalTransparency = 50; }, {{L"Elsewhere*", 50}});
    Show(IDC_MAIN_TAB_FILTERS, IDC_FILTERS_LIST);
    const HWND list = GetDlgItem(m_page, IDC_FILTERS_LIST);
    ASSERT_TRUE(Reach(kAlpha50, kAlpha50));
    ASSERT_TRUE(Click(m_target));   // the wheel turns what has the focus
    const std::wstring helper = ProgramFolder() + L"\\pv_window_helper.exe";
    ASSERT_TRUE(HoldCtrlShift(m_main));
    Turn(-2);
    EXPECT_TRUE(Reach(kAlpha60, kAlpha60));
    EXPECT_EQ(FileFilters().size(), 1u) << "saved before the wheel rested";
    EXPECT_TRUE(WaitFor([&] { return FileFilters() == std::vector<std::pair<std::wstring, int>>{{helper, 60}, {L"Elsewhere*", 50}}; }));
    EXPECT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 2);
    Turn(3);
    Wheel(Centre(m_main), -WHEEL_DELTA);   // Paneveil's own window, before the wheel rests: passed by
    EXPECT_TRUE(Reach(kAlpha45, kAlpha45));
    EXPECT_TRUE(WaitFor([&] { return FileFilters() == std::vector<std::pair<std::wstring, int>>{{helper, 45}, {L"Elsewhere*", 50}}; }));
    ReleaseCtrlShift();
    EXPECT_EQ(Wheels(), 0);

    Turn(-1);
    EXPECT_TRUE(WaitFor([&] { return Wheels() == 1; }));
    Show(IDC_MAIN_TAB_SETTINGS, IDC_SETTINGS_WHEEL);
    ClickButton(m_page, IDC_SETTINGS_WHEEL);
    EXPECT_TRUE(WaitFor([&] { return ReadSettings().wheelAdjust == 0; }));
    ASSERT_TRUE(Click(m_target));
    ASSERT_TRUE(HoldCtrlShift(m_main));
    Turn(-1);
    EXPECT_TRUE(WaitFor([&] { return Wheels() == 2; }));
    ReleaseCtrlShift();
    EXPECT_TRUE(Sync(m_main));
    EXPECT_EQ(m_helper.Alpha(m_target), kAlpha45);
    EXPECT_EQ(FileFilters().size(), 2u);
    ExitAndExpectOpaque(m_paneveil, m_main);
}

// The password guards the configuration: the gesture does nothing, and the wheel passes.
TEST_F(FrontAndWheel, APasswordSwitchesTheGestureOff)
{
    WriteDataFile([](Settings& s) { ComputePasswordDigest(L"secret", s.passwordDigest); });
    PaneveilProcess paneveil;
    const HWND main = Start(paneveil, true);
    ASSERT_TRUE(main && Click(m_target) && HoldCtrlShift(main));
    Turn(-1);
    ReleaseCtrlShift();
    EXPECT_TRUE(WaitFor([&] { return Wheels() == 1; }) && Sync(main));
    EXPECT_EQ(m_helper.Alpha(m_target), kAlpha40);
    EXPECT_TRUE(FileFilters().empty());
    paneveil.Kill();   // its Exit would ask for the password
}

}  // namespace
