// A desktop at the scale of a real one: tens of programs, some of which do not answer, windows
// shown and hidden while Paneveil starts and while the slider moves; and windows that must be
// passed by.
#include "EndToEnd.h"

#include <tlhelp32.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <memory>
#include <thread>

namespace {

// Programs of one shown window each, windows[i] of programs[i], and `late` hidden ones.
struct Programs {
    Programs(int count, const wchar_t* name, int lateEach = 0)
    {
        for (int i = 0; i < count; ++i) {
            programs.push_back(std::make_unique<HelperProcess>());
            windows.push_back(programs.back()->Create(L"PvProgram", name + std::to_wstring(i)));
            programs.back()->Show(windows.back());
        }
        for (int i = 0; i < count * lateEach; ++i)
            late.push_back(programs[i % count]->Create(L"PvProgram", name + std::to_wstring(i) + L" late"));
    }
    bool All(int alpha) const
    {
        for (size_t i = 0; i < windows.size() + late.size(); ++i)
            if (Of(i).Alpha(i < windows.size() ? windows[i] : late[i - windows.size()]) != alpha)
                return false;
        return true;
    }
    HelperProcess& Of(size_t window) const { return *programs[window % programs.size()]; }
    std::vector<std::unique_ptr<HelperProcess>> programs;
    std::vector<HWND> windows, late;
};

// Forty programs, and windows of theirs shown one by one, each once, from the moment the engine
// starts: met by its sweep or by the hook, none may fall between the two. Each is served within
// seconds, however few helpers the engine has, and Exit gives everything back. Then twenty
// programs more that have stopped answering: their windows stay as they were, and they hold up
// neither the others nor the exit.
TEST_F(EndToEnd, FortyProgramsAreServedAndTwentyThatDoNotAnswerHoldUpNobody)
{
    Programs answering(40, L"answering ", 3);
    for (const bool withHung : {false, true}) {
        std::unique_ptr<Programs> hung(withHung ? new Programs(20, L"hung ") : nullptr);
        for (size_t i = 0; withHung && i < hung->programs.size(); ++i)
            hung->programs[i]->Command(L"hang\t8000");
        PaneveilProcess paneveil;
        const DWORD start = GetTickCount();
        ASSERT_TRUE(paneveil.Start(L"/b") && WaitFor(IsRunningAtomPresent, 10000));
        for (size_t i = 0; i < answering.late.size(); ++i)
            answering.Of(i).Show(answering.late[i]);
        EXPECT_TRUE(WaitFor([&] { return answering.All(kAlpha40); }, 20000));
        std::printf("[ figures  ] 40 programs%s: all 160 windows translucent %lu ms after the start\n",
                    withHung ? " beside 20 that do not answer" : "", GetTickCount() - start);
        DWORD_PTR result = 0;
        // Read here: their program does not answer.
        EXPECT_TRUE(!withHung || (!SendMessageTimeoutW(hung->windows[0], WM_NULL, 0, 0, SMTO_NORMAL, 20, &result) &&
                                  std::none_of(hung->windows.begin(), hung->windows.end(),
                                               [](HWND w) { return GetWindowLongW(w, GWL_EXSTYLE) & WS_EX_LAYERED; })))
            << "served only once they answered";
        const DWORD exit = GetTickCount();
        Exit(paneveil.MainWindow());
        EXPECT_TRUE(paneveil.WaitForExit());
        std::printf("[ figures  ] Exit took %lu ms\n", GetTickCount() - exit);
        EXPECT_TRUE(answering.All(kOpaque));
        for (size_t i = 0; i < answering.late.size(); ++i)
            answering.Of(i).Hide(answering.late[i]);
    }
}

// Thirty slider changes by real keys while windows that their program layered at 255 are hidden
// and shown without pause: afterwards every window has the slider's transparency, and Exit gives
// each its own 255 back.
TEST_F(EndToEnd, SliderChangesWhileWindowsComeAndGoEndWithEveryWindowRight)
{
    Programs toggled(3, L"toggled ", 6);
    const std::vector<HWND>& windows = toggled.late;
    for (size_t i = 0; i < windows.size(); ++i)
        toggled.Of(i).Command(L"layer\t" + HelperProcess::Argument(windows[i]) + L"\t255"), toggled.Of(i).Show(windows[i]);
    const HWND main = Start(m_paneveil);
    ASSERT_TRUE(main && TargetReaches(kAlpha40));
    std::atomic<bool> stop{false};
    std::thread toggler([&] {
        for (size_t i = 0; !stop; i = (i + 1) % windows.size())
            toggled.Of(i).Hide(windows[i]), toggled.Of(i).Show(windows[i]);
    });
    const HWND slider = GetDlgItem(VisiblePage(main), IDC_GLOBAL_SLIDER);
    Mouse(Centre(slider), MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_LEFTUP);   // on the thumb: it stays at 40
    ASSERT_TRUE(WaitFor([&] { return GetForegroundWindow() == main; }) && SendMessageW(slider, TBM_GETPOS, 0, 0) == 40);
    for (int round = 0; round < 30; ++round)
        PressKeys({WORD(round % 3 == 2 ? VK_LEFT : VK_RIGHT)}), Sleep(25);
    stop = true;
    toggler.join();
    ASSERT_TRUE(WaitFor([&] { return SendMessageW(slider, TBM_GETPOS, 0, 0) == 50; }));
    for (size_t i = 0; i < windows.size(); ++i)
        EXPECT_TRUE(toggled.Of(i).WaitForAlpha(windows[i], 127)) << toggled.Of(i).Alpha(windows[i]);   // 50%
    ExitAndExpectOpaque(m_paneveil, main);
    for (size_t i = 0; i < windows.size(); ++i)
        EXPECT_EQ(toggled.Of(i).Alpha(windows[i]), 255);
}

// Only what the hook library would send is taken from the worker's queue: a "shown" posted for a
// child window changes nothing. A window the mouse passes through would take every click for the
// one behind it once layered: the global transparency passes it by, a filter that names it (here
// by the program's path) does not. A path filter does not reach the program's desktop window.
TEST_F(EndToEnd, TheChildTheClickThroughWindowAndTheDesktopArePassedBy)
{
    const HWND clickThrough = reinterpret_cast<HWND>(m_helper.Command(L"create\tPvClickThrough\tclick-through\tclickthrough"));
    const HWND desktop = m_helper.Create(L"Progman", L"Program Manager");
    const HWND child = reinterpret_cast<HWND>(Helper(L"child", m_target, L""));
    for (HWND window : {clickThrough, desktop, child})
        m_helper.Show(window, true);
    PaneveilProcess paneveil, filtered;
    const HWND main = Start(paneveil, true);
    UniqueKernelHandle threads(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    THREADENTRY32 thread{};
    thread.dwSize = sizeof thread;
    for (BOOL more = Thread32First(threads.get(), &thread); main && more; more = Thread32Next(threads.get(), &thread))
        if (thread.th32OwnerProcessID == GetProcessId(paneveil.Handle()))
            PostThreadMessageW(thread.th32ThreadID, RegisterWindowMessageW(L"WM_PANEVEIL"), reinterpret_cast<WPARAM>(child), 0);
    ASSERT_TRUE(main && SyncTarget());
    EXPECT_EQ(m_helper.Alpha(child), kOpaque);
    EXPECT_EQ(m_helper.Alpha(clickThrough), kOpaque);
    ExitAndExpectOpaque(paneveil, main);

    WriteDataFile([](Settings& s) { s.globalTransparency = 0; }, {{L"\\pv_window_helper.exe", 60}});
    ASSERT_TRUE(Start(filtered, true, 102));
    EXPECT_TRUE(m_helper.WaitForAlpha(clickThrough, 102));
    // Once the target has been hidden and shown again, every change queued before has been made.
    m_helper.Hide(m_target);
    ASSERT_TRUE(TargetReaches(kOpaque) && (m_helper.Show(m_target), TargetReaches(102)));
    EXPECT_EQ(m_helper.Alpha(desktop), kOpaque);
}

}  // namespace
