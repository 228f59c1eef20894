#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "EngineProbe.h"
#include "HelperProcess.h"
#include "RunningAtom.h"
#include "TestSupport.h"

namespace {

constexpr int kUntouched = -1;   // not layered

// One engine against the windows of one helper process. A window titled "PvMarker" always
// gets alpha 127 through a filter of its own: once it has it, every event posted before it has
// been processed, so a window that is to stay untouched can be checked without sleeping.
class EngineWindows : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_helper.IsRunning());
        ASSERT_TRUE(m_engine.filters.AddFilter(L"PvMarker", 50));
        m_marker = Create("PvMarkerClass", "PvMarker");
        ASSERT_NE(m_marker, nullptr);
    }
    void TearDown() override
    {
        m_engine.Stop();
        for (HWND window : m_windows)
            m_helper.Destroy(window);
        RemoveRunningAtom();
    }

    HWND Create(const std::string& className, const std::string& title, bool colorKey = false)
    {
        m_windows.push_back(m_helper.Create(className, title, colorKey));
        return m_windows.back();
    }
    // Shows the window without the event Windows would raise; only a sweep can find it.
    void ShowQuietly(HWND window) { m_helper.Command("show\t" + WindowArgument(window) + "\tquiet"); }
    // Hides the marker until it is opaque, then shows it and waits for its alpha: every event
    // posted before has then been processed.
    bool Sync()
    {
        m_helper.Hide(m_marker);
        return m_helper.Wait(m_marker, kUntouched) >= 0 && m_helper.ShowAndWait(m_marker, 127) >= 0;
    }
    int AlphaOf(HWND window)
    {
        const HelperProcess::Layering layering = m_helper.Query(window);
        if (!(layering.exStyle & WS_EX_LAYERED))
            return kUntouched;
        return layering.got && layering.flags == LWA_ALPHA ? layering.alpha : -2;
    }
    bool WorkerEnded(DWORD threadId)
    {
        UniqueKernelHandle worker(OpenThread(SYNCHRONIZE, FALSE, threadId));
        return !worker || WaitForSingleObject(worker.get(), 0) == WAIT_OBJECT_0;
    }

    TempFolder m_folder;
    Engine m_engine{m_folder.File(L"Paneveil.dat").c_str()};
    HelperProcess m_helper;
    HWND m_marker = nullptr;
    std::vector<HWND> m_windows;
};

TEST_F(EngineWindows, AShownWindowGetsItsAlphaAndHidingRestoresIt)
{
    const struct {
        const char* what;
        int global;
        bool superTrans;
        const wchar_t* filter;   // nullptr: none
        int filterTransparency;
        const char* className;
        const char* title;
        int alpha;
    } cases[] = {
        {"global", 40, false, nullptr, 0, "PvPlain", "plain window", 153},
        {"global 0 leaves it", 0, false, nullptr, 0, "PvPlain", "plain window", kUntouched},
        {"global capped at 80", 95, false, nullptr, 0, "PvPlain", "plain window", 51},
        {"filter on the title", 40, false, L"My Notes", 20, "PvPlain", "All My Notes", 204},
        {"filter of 0 shields", 40, false, L"Shielded", 0, "PvPlain", "Shielded one", kUntouched},
        {"filter capped at 80", 40, false, L"Very", 95, "PvPlain", "Very clear", 51},
        {"filter with super-trans", 40, true, L"Very", 95, "PvPlain", "Very clear", 12},
        {"untitled, by class", 0, false, L"PvUntitled", 30, "PvUntitled", "", 178},
        {"titled, never by class", 0, false, L"PvTitled", 30, "PvTitled", "a title", kUntouched},
        {"filter on the program path", 0, false, L"\\pv_window_helper.exe", 60, "PvPlain", "any", 102},
        {"desktop Progman", 40, false, nullptr, 0, "Progman", "Program Manager", kUntouched},
        {"desktop WorkerW", 40, false, nullptr, 0, "WorkerW", "", kUntouched},
        {"tooltip", 40, false, nullptr, 0, "tooltips_class32", "", kUntouched},
        {"filter reaches a tooltip", 40, false, L"tooltips_class32", 30, "tooltips_class32", "", 178},
        {"filter reaches Progman", 40, false, L"Program Manager", 30, "Progman", "Program Manager", 178},
    };
    for (const auto& c : cases) {
        m_engine.settings.globalTransparency = static_cast<uint8_t>(c.global);
        m_engine.settings.superTransMode = c.superTrans;
        if (c.filter) {
            ASSERT_TRUE(m_engine.filters.AddFilter(c.filter, static_cast<uint8_t>(c.filterTransparency)));
        }
        ASSERT_TRUE(m_engine.Start()) << c.what;

        HWND window = Create(c.className, c.title);
        m_helper.Show(window);
        if (c.alpha == kUntouched) {
            ASSERT_TRUE(Sync()) << c.what;
            EXPECT_EQ(AlphaOf(window), kUntouched) << c.what;
        } else {
            EXPECT_GE(m_helper.Wait(window, c.alpha), 0) << c.what << ": alpha " << AlphaOf(window);
        }
        m_helper.Hide(window);
        EXPECT_GE(m_helper.Wait(window, kUntouched), 0) << c.what << " hidden";

        m_engine.Stop();
        if (c.filter)
            m_engine.filters.RemoveFilter(c.filter);
    }
}

TEST_F(EngineWindows, WindowsOfTheEnginesOwnProcessTakeFiltersButNotTheGlobal)
{
    HWND own = CreateWindowExW(0, L"STATIC", L"own window", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                               nullptr, nullptr);
    ASSERT_NE(own, nullptr);
    auto ownAlpha = [own] {
        BYTE alpha = 0;
        if (!(GetWindowLongW(own, GWL_EXSTYLE) & WS_EX_LAYERED))
            return kUntouched;
        return GetLayeredWindowAttributes(own, nullptr, &alpha, nullptr) ? int(alpha) : -2;
    };
    auto showOwn = [own] {
        ShowWindow(own, SW_SHOWNOACTIVATE);
        NotifyWinEvent(EVENT_OBJECT_SHOW, own, OBJID_WINDOW, CHILDID_SELF);   // Wine raises none
    };

    m_engine.settings.globalTransparency = 40;
    ASSERT_TRUE(m_engine.Start());
    showOwn();
    ASSERT_TRUE(Sync());   // pumps this thread meanwhile: the worker asks it for the title
    EXPECT_EQ(ownAlpha(), kUntouched);
    ShowWindow(own, SW_HIDE);

    wchar_t program[kPathCapacity] = {};
    GetModuleFileNameW(nullptr, program, kPathCapacity);
    ASSERT_TRUE(m_engine.filters.AddFilter(wcsrchr(program, L'\\') + 1, 30));
    showOwn();
    EXPECT_TRUE(WaitFor([&] { return ownAlpha() == 178; }));
    m_engine.Stop();
    EXPECT_EQ(ownAlpha(), kUntouched);
    DestroyWindow(own);
}

TEST_F(EngineWindows, StartSweepsExistingWindowsAndStopRestoresThemAndTheAtomButNotColourKeys)
{
    HWND first = Create("PvPlain", "first");
    HWND second = Create("PvPlain", "second");
    HWND keyed = Create("PvKeyed", "keyed", true);   // a colour key belongs to its own program
    for (HWND window : {first, second, keyed})
        m_helper.Show(window);
    const HelperProcess::Layering keyedBefore = m_helper.Query(keyed);
    ASSERT_EQ(keyedBefore.flags, DWORD(LWA_COLORKEY));

    // Stop when nothing runs touches nothing.
    m_engine.settings.globalTransparency = 40;
    EXPECT_TRUE(m_engine.SetWindowTransparency(first, 40));
    EXPECT_TRUE(m_engine.Stop());
    EXPECT_EQ(AlphaOf(first), 153);

    GlobalAddAtomW(L"PV_RUNNING_ATOM");
    GlobalAddAtomW(L"PV_RUNNING_ATOM");
    ASSERT_TRUE(m_engine.Start());
    EXPECT_TRUE(m_engine.IsRunning());
    EXPECT_TRUE(IsRunningAtomPresent());
    EXPECT_EQ(AlphaOf(second), 153);

    // Starting again stops first, then sweeps with the current settings.
    m_engine.settings.globalTransparency = 20;
    ASSERT_TRUE(m_engine.Start());
    EXPECT_EQ(AlphaOf(first), 204);
    EXPECT_EQ(AlphaOf(second), 204);

    const DWORD workerId = EngineProbe::WorkerThreadId(m_engine);
    ASSERT_NE(workerId, 0u);
    EXPECT_TRUE(m_engine.Stop());
    EXPECT_FALSE(m_engine.IsRunning());
    EXPECT_FALSE(IsRunningAtomPresent());
    EXPECT_EQ(EngineProbe::WorkerThread(m_engine), nullptr);
    EXPECT_EQ(AlphaOf(first), kUntouched);
    EXPECT_EQ(AlphaOf(second), kUntouched);
    EXPECT_TRUE(WorkerEnded(workerId));   // by the time Stop returns
    const HelperProcess::Layering keyedAfter = m_helper.Query(keyed);
    EXPECT_TRUE(keyedAfter.exStyle & WS_EX_LAYERED);
    EXPECT_EQ(keyedAfter.flags, keyedBefore.flags);
    EXPECT_EQ(keyedAfter.alpha, keyedBefore.alpha);
}

TEST_F(EngineWindows, ApplySettingsStartsOrSwitchesModesAsItsFlagsAndTheSettingsSay)
{
    HWND window = Create("PvPlain", "reapply");
    m_helper.Show(window);
    m_engine.settings.globalTransparency = 30;

    // Reapplying starts a stopped engine in hook mode only.
    m_engine.settings.safeMode = 1;
    m_engine.ApplySettings(false, false, true);
    EXPECT_FALSE(m_engine.IsRunning());
    EXPECT_EQ(AlphaOf(window), kUntouched);
    m_engine.settings.safeMode = 0;
    m_engine.ApplySettings(false, false, true);
    EXPECT_NE(EngineProbe::WorkerThreadId(m_engine), 0u);
    EXPECT_EQ(AlphaOf(window), 178);

    // A restart switches to safe mode: no worker, no atom, a timer that finds windows without
    // any event and picks up changed settings on its next tick.
    const DWORD workerId = EngineProbe::WorkerThreadId(m_engine);
    m_engine.settings.safeMode = 1;
    m_engine.settings.globalTransparency = 40;
    m_engine.ApplySettings(true, false, false);
    EXPECT_TRUE(m_engine.IsRunning());
    EXPECT_EQ(EngineProbe::WorkerThreadId(m_engine), 0u);
    EXPECT_EQ(EngineProbe::WorkerThread(m_engine), nullptr);
    EXPECT_TRUE(WorkerEnded(workerId));
    EXPECT_TRUE(EngineProbe::TimerRuns(m_engine));
    EXPECT_FALSE(IsRunningAtomPresent());
    HWND quiet = Create("PvPlain", "switching");
    ShowQuietly(quiet);
    EXPECT_GE(m_helper.Wait(quiet, 153), 0);
    m_engine.settings.globalTransparency = 20;
    EXPECT_GE(m_helper.Wait(quiet, 204), 0);

    // And back to hook mode.
    m_engine.settings.safeMode = 0;
    m_engine.ApplySettings(true, false, false);
    EXPECT_FALSE(EngineProbe::TimerRuns(m_engine));
    EXPECT_NE(EngineProbe::WorkerThreadId(m_engine), 0u);
    EXPECT_TRUE(IsRunningAtomPresent());
    EXPECT_GE(m_helper.ShowAndWait(Create("PvPlain", "shown in hook mode"), 204), 0);
    EXPECT_TRUE(m_engine.Stop());
    EXPECT_EQ(AlphaOf(quiet), kUntouched);
}

TEST_F(EngineWindows, ApplySettingsCapsTheGlobalTransparencyAndSaves)
{
    m_engine.settings.globalTransparency = 95;
    EXPECT_TRUE(m_engine.ApplySettings(false, false, false));
    EXPECT_EQ(m_engine.settings.globalTransparency, 80);

    Engine reloaded(m_folder.File(L"Paneveil.dat").c_str());
    ASSERT_TRUE(reloaded.LoadDataFile());
    EXPECT_EQ(reloaded.settings.globalTransparency, 80);
    EXPECT_TRUE(reloaded.filters.FindFilter(L"PvMarker"));

    m_engine.settings.superTransMode = 1;
    m_engine.settings.globalTransparency = 95;
    EXPECT_TRUE(m_engine.ApplySettings(false, false, false));
    EXPECT_EQ(m_engine.settings.globalTransparency, 95);
}

} // namespace
