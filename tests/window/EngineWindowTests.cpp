#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "EngineProbe.h"
#include "HelperProcess.h"
#include "ImportPatch.h"
#include "PVDLL.h"
#include "RunningAtom.h"
#include "WindowAlpha.h"

namespace {

constexpr int kUntouched = -1;   // not layered
constexpr int kColourKeyed = -2;

// One engine against the windows of one helper process, which take their leave with it. A window
// titled "PvMarker" always gets alpha 127 through a filter of its own: once it has it, every event
// posted before it has been processed, so a window that is to stay untouched can be checked
// without sleeping.
class EngineWindows : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_engine.filters.AddFilter(L"PvMarker", 50));
        ASSERT_NE(m_marker = m_helper.Create(L"PvMarkerClass", L"PvMarker"), nullptr);
    }
    void TearDown() override { RemoveRunningAtom(); }
    bool Sync()
    {
        m_helper.Hide(m_marker);
        return m_helper.WaitForAlpha(m_marker, kUntouched) && m_helper.ShowAndWait(m_marker, 127, 3000) >= 0;
    }
    HWND Shown(const std::wstring& className, const std::wstring& title, bool quiet = false)
    {
        const HWND window = m_helper.Create(className, title);
        m_helper.Show(window, quiet);
        return window;
    }

    TempFolder m_folder;
    const std::wstring m_dataFile = m_folder.File(L"Paneveil.dat");
    Engine m_engine{m_dataFile.c_str()};
    HelperProcess m_helper;
    HWND m_marker = nullptr;
};

TEST_F(EngineWindows, AShownWindowGetsItsAlphaAndHidingRestoresIt)
{
    const struct {
        const char* what;
        int global;
        bool superTrans;
        const wchar_t* filter;   // nullptr: none
        int filterTransparency;
        const wchar_t* className;
        const wchar_t* title;
        int alpha;
    } cases[] = {
        {"global", 40, false, nullptr, 0, L"PvPlain", L"plain window", 153},
        {"global 0 leaves it", 0, false, nullptr, 0, L"PvPlain", L"plain window", kUntouched},
        {"global capped at 80", 95, false, nullptr, 0, L"PvPlain", L"plain window", 51},
        {"filter on the title", 40, false, L"My Notes", 20, L"PvPlain", L"All My Notes", 204},
        {"filter of 0 shields", 40, false, L"Shielded", 0, L"PvPlain", L"Shielded one", kUntouched},
        {"filter capped at 80", 40, false, L"Very", 95, L"PvPlain", L"Very clear", 51},
        {"filter with super-trans", 40, true, L"Very", 95, L"PvPlain", L"Very clear", 12},
        {"untitled, by class", 0, false, L"PvUntitled", 30, L"PvUntitled", L"", 178},
        {"titled, never by class", 0, false, L"PvTitled", 30, L"PvTitled", L"a title", kUntouched},
        {"filter on the program path", 0, false, L"\\pv_window_helper.exe", 60, L"PvPlain", L"any", 102},
        {"desktop Progman", 40, false, nullptr, 0, L"Progman", L"Program Manager", kUntouched},
        {"desktop WorkerW", 40, false, nullptr, 0, L"WorkerW", L"", kUntouched},
        {"tooltip", 40, false, nullptr, 0, L"tooltips_class32", L"", kUntouched},
        {"filter reaches a tooltip", 40, false, L"tooltips_class32", 30, L"tooltips_class32", L"", 178},
        {"filter reaches Progman", 40, false, L"Program Manager", 30, L"Progman", L"Program Manager", 178},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        m_engine.settings.globalTransparency = static_cast<uint8_t>(c.global);
        m_engine.settings.superTransMode = c.superTrans;
        if (c.filter) {
            ASSERT_TRUE(m_engine.filters.AddFilter(c.filter, static_cast<uint8_t>(c.filterTransparency)));
        }
        ASSERT_TRUE(m_engine.Start());
        const HWND window = Shown(c.className, c.title);
        if (c.alpha == kUntouched) {
            ASSERT_TRUE(Sync());
        }
        EXPECT_TRUE(m_helper.WaitForAlpha(window, c.alpha)) << "alpha " << m_helper.Alpha(window);
        m_helper.Hide(window);
        EXPECT_TRUE(m_helper.WaitForAlpha(window, kUntouched)) << "hidden";
        m_engine.Stop();
        if (c.filter)
            m_engine.filters.RemoveFilter(c.filter);
    }
}

TEST_F(EngineWindows, StartSweepsExistingWindowsAndStopRestoresThemAndTheAtomButNotColourKeys)
{
    const HWND first = Shown(L"PvPlain", L"first"), second = Shown(L"PvPlain", L"second");
    const HWND keyed = m_helper.Create(L"PvKeyed", L"keyed", L"colorkey");   // a colour key is its program's own
    m_helper.Show(keyed);
    ASSERT_EQ(m_helper.Alpha(keyed), kColourKeyed);

    // Stop when nothing runs touches nothing.
    m_engine.settings.globalTransparency = 40;
    m_engine.SetWindowTransparency(first, 40);
    ASSERT_TRUE(EngineProbe::Settle(m_engine));
    EXPECT_TRUE(m_engine.Stop());
    EXPECT_EQ(m_helper.Alpha(first), 153);

    AddRunningAtom();
    AddRunningAtom();
    ASSERT_TRUE(m_engine.Start() && EngineProbe::Settle(m_engine));
    EXPECT_EQ(m_helper.Alpha(second), 153);
    // Starting again stops first, then sweeps with the current settings.
    m_engine.settings.globalTransparency = 20;
    ASSERT_TRUE(m_engine.Start() && EngineProbe::Settle(m_engine));
    for (HWND window : {first, second})
        EXPECT_EQ(m_helper.Alpha(window), 204);

    EXPECT_TRUE(m_engine.Stop());
    EXPECT_FALSE(m_engine.IsRunning());
    EXPECT_FALSE(IsRunningAtomPresent());   // however many times it was added
    EXPECT_EQ(EngineProbe::WorkerThread(m_engine), nullptr);
    for (HWND window : {first, second})
        EXPECT_EQ(m_helper.Alpha(window), kUntouched);
    EXPECT_EQ(m_helper.Alpha(keyed), kColourKeyed);
}

TEST_F(EngineWindows, ApplySettingsStartsOrSwitchesModesAsItsFlagsAndTheSettingsSay)
{
    const HWND window = Shown(L"PvPlain", L"reapply");
    m_engine.settings.globalTransparency = 30;
    // Reapplying starts a stopped engine in hook mode only.
    m_engine.settings.safeMode = 1;
    m_engine.ApplySettings(false, false, true);
    EXPECT_FALSE(m_engine.IsRunning());
    EXPECT_EQ(m_helper.Alpha(window), kUntouched);
    m_engine.settings.safeMode = 0;
    m_engine.ApplySettings(false, false, true);
    EXPECT_TRUE(EngineProbe::Settle(m_engine));
    EXPECT_NE(EngineProbe::WorkerThreadId(m_engine), 0u);
    EXPECT_EQ(m_helper.Alpha(window), 178);

    // A restart switches to safe mode: no worker, no atom, a timer that finds windows without any
    // event and picks up changed settings on its next tick.
    m_engine.settings.safeMode = 1;
    m_engine.settings.globalTransparency = 40;
    m_engine.ApplySettings(true, false, false);
    EXPECT_TRUE(EngineProbe::TimerRuns(m_engine));
    EXPECT_EQ(EngineProbe::WorkerThreadId(m_engine), 0u);
    EXPECT_FALSE(IsRunningAtomPresent());
    const HWND quiet = Shown(L"PvPlain", L"switching", true);
    EXPECT_TRUE(m_helper.WaitForAlpha(quiet, 153));
    m_engine.settings.globalTransparency = 20;
    EXPECT_TRUE(m_helper.WaitForAlpha(quiet, 204));
    // Safe mode leaves a hidden window layered; stopping must still make it opaque.
    m_helper.Hide(quiet, true);

    // And back to hook mode.
    m_engine.settings.safeMode = 0;
    m_engine.ApplySettings(true, false, false);
    EXPECT_FALSE(EngineProbe::TimerRuns(m_engine));
    EXPECT_TRUE(IsRunningAtomPresent());
    EXPECT_EQ(m_helper.Alpha(quiet), kUntouched);
    EXPECT_GE(m_helper.ShowAndWait(m_helper.Create(L"PvPlain", L"shown in hook mode"), 204, 3000), 0);

    // Without super-trans mode the global transparency is capped at 80 when applied, and saved so.
    m_engine.settings.globalTransparency = 95;
    EXPECT_TRUE(m_engine.ApplySettings(false, false, false));
    Engine reloaded(m_dataFile.c_str());
    ASSERT_TRUE(reloaded.LoadDataFile());
    EXPECT_EQ(reloaded.settings.globalTransparency, 80);
    EXPECT_TRUE(reloaded.filters.FindFilter(L"PvMarker"));
}

HANDLE WINAPI FailingCreateThread(LPSECURITY_ATTRIBUTES, SIZE_T, LPTHREAD_START_ROUTINE, LPVOID, DWORD, LPDWORD)
{
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
}

BOOL WINAPI FailingSetLayered(HWND, COLORREF, BYTE, DWORD) { return FALSE; }

// A call that fails leaves no window changed. An engine that could not start its worker is not
// running: nothing may mark it as running (the next start would offer safe mode) or leave windows
// translucent that Stop would never restore. A layered window without attributes is not drawn at
// all: a style added for an alpha that could not be set goes again, and so does the mark.
TEST_F(EngineWindows, AFailedCallLeavesNoWindowChangedAndNoAtom)
{
    const HWND window = Shown(L"PvPlain", L"failing");
    {
        ImportPatch failing(L"kernel32.dll", "CreateThread", reinterpret_cast<const void*>(&FailingCreateThread));
        ASSERT_TRUE(failing.Installed());
        EXPECT_FALSE(m_engine.Start());
    }
    EXPECT_FALSE(m_engine.IsRunning());
    EXPECT_FALSE(IsRunningAtomPresent());
    EXPECT_EQ(m_helper.Alpha(window), kUntouched);
    ImportPatch failing(L"user32.dll", "SetLayeredWindowAttributes", reinterpret_cast<const void*>(&FailingSetLayered));
    ASSERT_TRUE(failing.Installed());
    EXPECT_FALSE(m_engine.SetWindowTransparency(window, 40));
    ASSERT_TRUE(EngineProbe::Settle(m_engine));
    EXPECT_EQ(m_helper.Alpha(window), kUntouched);
    EXPECT_EQ(GetPropW(window, L"PV_MARK"), nullptr);
}

// A style that Paneveil added without the alpha that should follow (its process or the window's
// stalled or ended in between) is not drawn at all: it is Paneveil's own change, which a later
// apply completes and a restore takes away.
TEST_F(EngineWindows, AnUnfinishedChangeIsOurs)
{
    const HWND unfinished = Shown(L"PvPlain", L"unfinished");
    for (const bool restore : {false, true}) {
        const LONG style = GetWindowLongW(unfinished, GWL_EXSTYLE) & ~WS_EX_LAYERED;
        SetWindowLongW(unfinished, GWL_EXSTYLE, style);   // no attributes once layered again
        SetWindowLongW(unfinished, GWL_EXSTYLE, style | WS_EX_LAYERED);
        WriteMark(unfinished, {true, 255, 153});
        restore ? RestoreMarkedWindows(nullptr) : void(m_engine.SetWindowTransparency(unfinished, 40));
        ASSERT_TRUE(EngineProbe::Settle(m_engine));
        EXPECT_EQ(m_helper.Alpha(unfinished), restore ? kUntouched : 153) << restore;
    }
}

int g_getTextCalls = 0;
WNDPROC g_staticProc = nullptr;

LRESULT CALLBACK CountingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    g_getTextCalls += message == WM_GETTEXT;
    return CallWindowProcW(g_staticProc, window, message, wParam, lParam);
}

// The worker reads the title of a window of this thread, which is a message to this thread. Stop
// must serve it while it waits; otherwise the worker never ends and is terminated after the limit.
TEST_F(EngineWindows, StopServesTheWorkersMessagesToThisThreadWhileWaiting)
{
    HWND window = CreateWindowExW(0, L"STATIC", L"probe", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    g_staticProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(window, GWLP_WNDPROC, LONG_PTR(&CountingProc)));
    ASSERT_TRUE(m_engine.Start());
    g_getTextCalls = 0;
    // Stands in for PVDLL's post about a window of this thread; no message is pumped here.
    ASSERT_TRUE(PostThreadMessageW(EngineProbe::WorkerThreadId(m_engine), EngineProbe::WindowMessage(m_engine),
                                   reinterpret_cast<WPARAM>(window), 0));
    m_engine.Stop();
    EXPECT_GE(g_getTextCalls, 1);
    EXPECT_EQ(EngineProbe::WorkerThread(m_engine), nullptr);
    DestroyWindow(window);
}

// PVDLL posts to the worker from the moment it is hooked, and a post that finds no message queue
// is lost: the queue must exist by the time Start returns.
TEST_F(EngineWindows, TheWorkerHasItsMessageQueueWhenStartReturns)
{
    for (int round = 0; round < 50; ++round) {
        ASSERT_TRUE(m_engine.Start());
        EXPECT_TRUE(PostThreadMessageW(EngineProbe::WorkerThreadId(m_engine), WM_NULL, 0, 0)) << "round " << round;
        m_engine.Stop();
    }
}

// A program whose window thread answers the engine's question once and then stops answering, right
// after showing a window, holds up neither the windows of other programs nor a Stop; its windows are
// dealt with once it answers again.
TEST_F(EngineWindows, AProgramThatStopsAnsweringHoldsUpNoOneAndIsServedLater)
{
    HelperProcess other;
    const HWND answering = other.Create(L"PvPlain", L"answering");
    const HWND first = Shown(L"PvPlain", L"first"), late = m_helper.Create(L"PvPlain", L"late");
    ASSERT_TRUE(m_engine.Start());
    ASSERT_TRUE(m_helper.WaitForAlpha(first, 153));
    DWORD_PTR result = 0;
    const auto hangs = [&] { return !SendMessageTimeoutW(first, WM_NULL, 0, 0, SMTO_BLOCK, 20, &result); };
    m_helper.Command(L"hang\t1500\t" + HelperProcess::Argument(late) + L"\tonce");
    ASSERT_TRUE(WaitFor(hangs));
    EXPECT_GE(other.ShowAndWait(answering, 153, 1000), 0);
    EXPECT_TRUE(hangs());
    EXPECT_TRUE(m_helper.WaitForAlpha(late, 153));

    m_helper.Command(L"hang\t1500");
    ASSERT_TRUE(WaitFor(hangs));
    m_engine.Stop();
    EXPECT_TRUE(hangs());
    EXPECT_EQ(other.Alpha(answering), kUntouched);
    BYTE alpha = 0;   // opaque at once, though still layered
    EXPECT_TRUE(GetLayeredWindowAttributes(first, nullptr, &alpha, nullptr) && alpha == 255);
    // The style goes once the program answers again.
    EXPECT_TRUE(m_helper.WaitForAlpha(first, kUntouched));
    EXPECT_TRUE(m_helper.WaitForAlpha(late, kUntouched));
}

DWORD g_hookedOn = 0, g_unhookedOn = 0;
PV_HookFunction g_hook = nullptr;
PV_UnhookFunction g_unhook = nullptr;
HWINEVENTHOOK __cdecl RecordingHook(DWORD thread, UINT message) { return g_hookedOn = GetCurrentThreadId(), g_hook(thread, message); }
BOOL __cdecl RecordingUnhook() { return g_unhookedOn = GetCurrentThreadId(), g_unhook(); }

// Events that the system delivers out of context go to the thread that set the hook: neither this
// (the user-interface) thread nor the worker, but one of the engine's own that only pumps messages.
TEST_F(EngineWindows, TheHookIsSetAndRemovedByAThreadOfItsOwn)
{
    ImportPatch hook(L"PVDLL.dll", "PV_Hook", reinterpret_cast<const void*>(&RecordingHook));
    ImportPatch unhook(L"PVDLL.dll", "PV_Unhook", reinterpret_cast<const void*>(&RecordingUnhook));
    g_hook = hook.Original<PV_HookFunction>();
    g_unhook = unhook.Original<PV_UnhookFunction>();
    ASSERT_TRUE(hook.Installed() && unhook.Installed());
    ASSERT_TRUE(m_engine.Start());
    const DWORD hookThread = GetThreadId(EngineProbe::HookThread(m_engine));
    EXPECT_EQ(g_hookedOn, hookThread);
    EXPECT_NE(hookThread, EngineProbe::WorkerThreadId(m_engine));
    EXPECT_GE(m_helper.ShowAndWait(m_helper.Create(L"PvPlain", L"hooked"), 153, 3000), 0);
    m_engine.Stop();
    EXPECT_EQ(g_unhookedOn, hookThread);
}

DWORD WINAPI RunEngineUntilQuit(LPVOID parameter)
{
    auto& [engine, started] = *static_cast<std::pair<Engine*, HANDLE>*>(parameter);
    engine->Start();
    SetEvent(started);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0)
        DispatchMessageW(&msg);
    return engine->Stop();
}

// Whichever thread crashes, no other engine thread may go on to make a window translucent behind
// the last restore: the user-interface thread (a timer tick) as little as the worker or the hook's.
TEST_F(EngineWindows, ACrashFreezesEveryEngineThreadButTheCrashingOne)
{
    UniqueKernelHandle started(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    std::pair<Engine*, HANDLE> shared{&m_engine, started.get()};
    UniqueKernelHandle uiThread(CreateThread(nullptr, 0, RunEngineUntilQuit, &shared, 0, nullptr));
    ASSERT_EQ(WaitForSingleObject(started.get(), 10000), WAIT_OBJECT_0);
    m_engine.HaltForCrash();
    for (HANDLE thread : {uiThread.get(), EngineProbe::WorkerThread(m_engine), EngineProbe::HookThread(m_engine)})
        EXPECT_EQ(ResumeThread(thread), 1u);
    PostThreadMessageW(GetThreadId(uiThread.get()), WM_QUIT, 0, 0);
    EXPECT_EQ(WaitForSingleObject(uiThread.get(), 10000), WAIT_OBJECT_0);
}

decltype(&WriteFile) g_writeFile = nullptr;
HANDLE g_writeMayGoOn = nullptr;
volatile bool g_writeHeld = false;

BOOL WINAPI SlowWriteFile(HANDLE file, LPCVOID data, DWORD size, LPDWORD written, LPOVERLAPPED overlapped)
{
    // A filter's record is written under the list's lock.
    if (size == sizeof(FilterRecord) && (g_writeHeld = true))
        WaitForSingleObject(g_writeMayGoOn, 30000);
    return g_writeFile(file, data, size, written, overlapped);
}

DWORD WINAPI Save(LPVOID engine) { return static_cast<Engine*>(engine)->SaveDataFile(); }

// A worker that has not ended within the limit is terminated, and it may die holding the filters'
// lock (here a save holds it while the worker waits for it): the restore that follows needs none.
TEST_F(EngineWindows, StopRestoresWithoutTheLocksOfATerminatedWorker)
{
    const HWND window = Shown(L"PvPlain", L"behind a stuck worker");
    ASSERT_TRUE(m_engine.Start());
    ASSERT_TRUE(m_helper.WaitForAlpha(window, 153));
    ImportPatch write(L"kernel32.dll", "WriteFile", reinterpret_cast<const void*>(&SlowWriteFile));
    g_writeFile = write.Original<decltype(&WriteFile)>();
    UniqueKernelHandle mayGoOn(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    g_writeMayGoOn = mayGoOn.get();
    ASSERT_TRUE(write.Installed());
    UniqueKernelHandle saver(CreateThread(nullptr, 0, Save, &m_engine, 0, nullptr));
    ASSERT_TRUE(WaitFor([] { return g_writeHeld; }));   // with the lock
    ASSERT_TRUE(PostThreadMessageW(EngineProbe::WorkerThreadId(m_engine), EngineProbe::WindowMessage(m_engine),
                                   reinterpret_cast<WPARAM>(window), 0));
    m_engine.Stop();
    EXPECT_EQ(WaitForSingleObject(saver.get(), 0), WAIT_TIMEOUT) << "Stop waited for the lock";
    EXPECT_EQ(m_helper.Alpha(window), 255);
    SetEvent(mayGoOn.get());
    EXPECT_EQ(WaitForSingleObject(saver.get(), 10000), WAIT_OBJECT_0);
}

} // namespace
