// The wheel hook's procedure called as the system calls it, on windows of this process and of
// another, where the end-to-end tests cannot see a wheel message arrive.
#include <gtest/gtest.h>
#include <windows.h>

#include "WheelGesture.h"
#include "HelperProcess.h"
#include "PaneveilDriver.h"
#include "TestSupport.h"

namespace {

bool Keys(std::initializer_list<WORD> keys, bool down)
{
    bool as = true;
    for (WORD key : keys)
        Key(key, down), PumpMessages(50), as = as && ((GetAsyncKeyState(key) & 0x8000) != 0) == down;
    return as;
}

// With the keys held the wheel over another program's window is taken; over one of this program's
// own windows it is handed on, so that the window gets it. One key alone hands it on anywhere.
// Over the same two windows, the window the mouse rests on, decided on a clock of the test's own:
// nothing before the first look, told after 250 ms over a window and once the mouse has been off
// the last one told for 500 ms (over whichever others), looked up at most every 100 ms; a pass
// across another window and back changes nothing.
TEST(WheelProcedure, HandsOnTheWheelOverThisProgramsOwnWindowsAndTellsWhereTheMouseRests)
{
    HelperProcess helper;
    const HWND other = helper.Create(L"PvWheelOther", L"other");
    SetWindowPos(other, HWND_TOPMOST, 100, 100, 300, 200, SWP_NOACTIVATE);
    helper.Show(other, true);
    // A dialog's class: a static one is transparent to WindowFromPoint.
    const HWND own = CreateWindowExW(WS_EX_TOPMOST, L"#32770", L"own", WS_POPUP, 500, 100, 300, 200, nullptr, nullptr,
                                     nullptr, nullptr);
    ShowWindow(own, SW_SHOWNOACTIVATE);
    Settings settings;
    settings.Reset();
    WheelHook hook;
    ASSERT_TRUE(own && hook.Install(own, WM_APP, WM_APP + 1, settings));
    const struct { std::initializer_list<WORD> keys; HWND window; LRESULT taken; } cases[] = {
        {{VK_CONTROL, VK_SHIFT}, other, 1}, {{VK_CONTROL, VK_SHIFT}, own, 0}, {{VK_CONTROL}, other, 0}, {{VK_SHIFT}, other, 0}};
    for (const auto& c : cases) {
        ASSERT_TRUE(Keys(c.keys, true));
        MSLLHOOKSTRUCT mouse{};
        mouse.pt = {c.window == own ? 650 : 250, 200};
        mouse.mouseData = DWORD(-WHEEL_DELTA) << 16;
        mouse.time = GetTickCount();
        EXPECT_EQ(WheelHook::Procedure(HC_ACTION, WM_MOUSEWHEEL, reinterpret_cast<LPARAM>(&mouse)), c.taken)
            << (c.window == own ? "own " : "other ") << c.keys.size();
        Keys(c.keys, false);
        Sleep(kWheelRestMilliseconds);   // the next is a gesture of its own
    }
    hook.Remove();

    const POINT at[] = {{250, 200}, {650, 200}, {50, 50}};   // the third beside both
    const HWND windows[] = {other, own};
    const struct { DWORD time; int move, told; DWORD wait; } steps[] = {
        {0, -1, -1, INFINITE}, {0, 0, -1, 250}, {249, -1, -1, 1}, {250, -1, 0, INFINITE}, {300, 1, -1, 500},
        {350, 0, -1, 50}, {400, -1, -1, INFINITE}, {450, 1, -1, 50}, {500, -1, -1, 500}, {1000, -1, 1, INFINITE},
        {1100, 2, -1, 500}, {1300, 0, -1, 300}, {1600, -1, 0, INFINITE}};
    HoverWatch watch;
    const DWORD start = 0xFFFFFF00;   // the tick count wraps around on the way
    for (const auto& step : steps) {
        if (step.move >= 0)
            watch.Moved(at[step.move]);
        HWND told = nullptr;
        DWORD wait = 0;
        EXPECT_EQ(watch.Decide(start + step.time, &told, &wait), step.told >= 0) << step.time;
        EXPECT_TRUE(told == (step.told >= 0 ? windows[step.told] : nullptr) && wait == step.wait) << step.time;
    }
    DestroyWindow(own);
}

}  // namespace
