// Prints how the engine performs under Wine; asserts nothing.
//   1. Latency from a window shown in another process to its alpha being set: hook mode, then
//      the same windows in safe mode.
//   2. The cost of one safe-mode sweep per window with 10, 100 and 500 top-level windows, and
//      how many SetLayeredWindowAttributes calls a sweep over unchanged windows makes.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "Engine.h"
#include "HelperProcess.h"
#include "ImportPatch.h"

namespace {

// Every SetLayeredWindowAttributes call of the engine goes through this program's import
// table (the engine is linked in statically); the bench swaps the entry for a counter.
volatile LONG g_setLayeredCalls = 0;
decltype(&SetLayeredWindowAttributes) g_realSetLayered = nullptr;

BOOL WINAPI CountingSetLayered(HWND window, COLORREF key, BYTE alpha, DWORD flags)
{
    InterlockedIncrement(&g_setLayeredCalls);
    return g_realSetLayered(window, key, alpha, flags);
}

double Seconds()
{
    LARGE_INTEGER frequency, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&now);
    return double(now.QuadPart) / double(frequency.QuadPart);
}

double Percentile(std::vector<double> values, double fraction)
{
    std::sort(values.begin(), values.end());
    const size_t index = std::min(values.size() - 1, size_t(fraction * double(values.size() - 1) + 0.5));
    return values[index];
}

// Shows each window, waits until it has alpha 153 and hides it again. With
// `makeOpaque` the hidden window is made opaque, as a hide event would in hook mode; otherwise it
// stays layered, as in safe mode, and is in every later sweep, so each window is measured against
// a longer sweep than the one before. Each show waits a different part of the timer period first:
// measured straight after the previous window's sweep, safe mode would always show nearly the
// whole period instead of where a show falls at random.
std::vector<double> MeasureLatency(Engine& engine, HelperProcess& helper, const std::vector<HWND>& windows,
                                   bool makeOpaque, int& timeouts)
{
    std::vector<double> milliseconds;
    for (size_t i = 0; i < windows.size(); ++i) {
        WaitFor([] { return false; }, static_cast<DWORD>(i * 61 % kSafeModeTimerPeriod));
        const long long micro = helper.ShowAndWait(windows[i], 153, 2000);
        if (micro < 0)
            ++timeouts;
        else
            milliseconds.push_back(micro / 1000.0);
        helper.Hide(windows[i], true);
        if (makeOpaque)
            engine.ProcessWindow(windows[i], true);
    }
    return milliseconds;
}

// The floor of the method: the bench makes each window translucent itself as soon as its show
// returns, and sees the alpha by the same polling as above.
std::vector<double> MeasureFloor(Engine& engine, HelperProcess& helper, const std::vector<HWND>& windows)
{
    LARGE_INTEGER frequency, now;
    QueryPerformanceFrequency(&frequency);
    std::vector<double> milliseconds;
    for (HWND window : windows) {
        const DWORD shown = DWORD(helper.Command(L"show\t" + HelperProcess::Argument(window)));
        engine.SetWindowTransparency(window, 40);
        if (helper.WaitForAlpha(window, 153, 2000)) {
            QueryPerformanceCounter(&now);
            milliseconds.push_back((now.LowPart - shown) * 1000.0 / double(frequency.QuadPart));
        }
        helper.Hide(window, true);
        engine.SetWindowTransparency(window, 0);
    }
    return milliseconds;
}

// The windows a sweep hands to ProcessWindow.
BOOL CALLBACK CountSweptWindow(HWND window, LPARAM parameter)
{
    if (!(GetWindowLongW(window, GWL_STYLE) & WS_CHILD) &&
        (IsWindowVisible(window) || (GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_LAYERED)))
        ++*reinterpret_cast<int*>(parameter);
    return TRUE;
}

int CountSweptWindows()
{
    int count = 0;
    EnumWindows(CountSweptWindow, reinterpret_cast<LPARAM>(&count));
    return count;
}

void LatencyBench(const wchar_t* dataFile)
{
    constexpr int kWindows = 200;
    HelperProcess helper;
    std::vector<HWND> windows;
    for (int i = 0; i < kWindows; ++i)
        windows.push_back(helper.Create(L"PvBenchLatency", L"latency " + std::to_wstring(i)));

    Engine engine(dataFile);
    engine.settings.globalTransparency = 40;
    std::printf("Latency from show (other process) to alpha set, %d windows shown one at a time\n", kWindows);
    std::printf("| mode | hidden windows | windows swept besides the shown one | median ms | p99 ms | max ms | timeouts | median / floor |\n"
                "|---|---|---|---|---|---|---|---|\n");
    const std::vector<double> floor = MeasureFloor(engine, helper, windows);
    const double floorMedian = Percentile(floor, 0.5);
    std::printf("| floor: alpha set by the bench at the show | made opaque | 0 | %.2f | %.2f | %.2f | %d | 1.0 |\n",
                floorMedian, Percentile(floor, 0.99), Percentile(floor, 1.0), int(windows.size() - floor.size()));
    const struct {
        bool safeMode;
        bool makeOpaque;
        const char* mode;
        const char* hidden;
    } runs[] = {
        {false, true, "hook", "made opaque"},
        {true, true, "safe (100 ms timer)", "made opaque"},
        {true, false, "safe (100 ms timer)", "left layered"},
    };
    for (const auto& run : runs) {
        engine.settings.safeMode = run.safeMode;
        const int others = CountSweptWindows();
        engine.Start();
        int timeouts = 0;
        const std::vector<double> ms = MeasureLatency(engine, helper, windows, run.makeOpaque, timeouts);
        const int othersAtEnd = CountSweptWindows();
        engine.Stop();
        const std::string swept = othersAtEnd > others + 1
                                      ? std::to_string(others) + " rising to " + std::to_string(othersAtEnd - 1)
                                      : std::to_string(others);
        if (ms.empty()) {
            std::printf("| %s | %s | %s | - | - | - | %d | - |\n", run.mode, run.hidden, swept.c_str(), timeouts);
            continue;
        }
        std::printf("| %s | %s | %s | %.2f | %.2f | %.2f | %d | %.1f |\n", run.mode, run.hidden, swept.c_str(),
                    Percentile(ms, 0.5), Percentile(ms, 0.99), Percentile(ms, 1.0), timeouts,
                    Percentile(ms, 0.5) / floorMedian);
    }
    for (HWND window : windows)
        helper.Destroy(window);
}

void SweepBench(const wchar_t* dataFile)
{
    ImportPatch counter(L"user32.dll", "SetLayeredWindowAttributes", reinterpret_cast<const void*>(&CountingSetLayered));
    g_realSetLayered = counter.Original<decltype(&SetLayeredWindowAttributes)>();
    const bool counting = counter.Installed();
    Engine engine(dataFile);
    engine.settings.globalTransparency = 40;
    HelperProcess helper;
    std::vector<HWND> windows;

    std::printf("\nOne sweep (SweepWindows(false), engine stopped)\n");
    std::printf("| helper windows | swept windows | first sweep ms | per window us | SetLayered calls | unchanged sweep ms | per window us | SetLayered calls |\n");
    std::printf("|---|---|---|---|---|---|---|---|\n");
    for (int target : {10, 100, 500}) {
        while (int(windows.size()) < target) {
            HWND window = helper.Create(L"PvBenchSweep", L"sweep " + std::to_wstring(windows.size()));
            helper.Show(window, true);
            windows.push_back(window);
        }
        engine.SweepWindows(true);   // every window opaque again
        const int swept = CountSweptWindows();

        const LONG firstBefore = g_setLayeredCalls;
        double start = Seconds();
        engine.SweepWindows(false);
        const double first = Seconds() - start;
        const LONG firstCalls = g_setLayeredCalls - firstBefore;

        constexpr int kRepeats = 10;
        const LONG callsBefore = g_setLayeredCalls;
        start = Seconds();
        for (int i = 0; i < kRepeats; ++i)
            engine.SweepWindows(false);
        const double unchanged = (Seconds() - start) / kRepeats;
        const LONG calls = (g_setLayeredCalls - callsBefore) / kRepeats;

        std::printf("| %d | %d | %.2f | %.1f | %s | %.2f | %.1f | %s |\n", target, swept, first * 1e3,
                    first * 1e6 / swept, counting ? std::to_string(firstCalls).c_str() : "not counted",
                    unchanged * 1e3, unchanged * 1e6 / swept,
                    counting ? std::to_string(calls).c_str() : "not counted");
    }
    engine.SweepWindows(true);
    for (HWND window : windows)
        helper.Destroy(window);
}

} // namespace

int wmain()
{
    wchar_t folder[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    const std::wstring dataFile = std::wstring(folder) + L"pv_bench.dat";
    LatencyBench(dataFile.c_str());
    SweepBench(dataFile.c_str());
    DeleteFileW(dataFile.c_str());
    return 0;
}
