// Prints how the engine performs under Wine, each figure beside a floor measured in the same run;
// asserts nothing.
//   1. Latency from a window shown in another process to its alpha being set: the floor (the
//      showing program layering the window itself), hook mode without and with the wheel's
//      low-level hook and a foreground change right before each show, with the mouse moving and
//      the window under it watched or not, then safe mode.
//   2. One sweep per window with 10, 100, 200 and 500 top-level windows: the engine's, and the old
//      path that looked the program up once per window; the SetLayeredWindowAttributes calls of a
//      sweep over unchanged windows. At 200 windows, what safe mode costs the whole machine.
//   3. The wheel's low-level hook procedure: its own time per mouse message, with the window
//      under the mouse watched or not; what the whole machine spends while the mouse moves.
#include <windows.h>

#include <algorithm>
#include <array>
#include <iterator>
#include <cstdio>
#include <string>
#include <vector>

#include "Engine.h"
#include "HelperProcess.h"
#include "ImportPatch.h"
#include "LinuxProc.h"
#include "ProcessImage.h"
#include "RoadTrace.h"
#include "WindowAlpha.h"

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

// When each step of the road of the window being measured was first reached (the low part of the
// performance counter, the helper's clock too); 0 until then.
volatile LONG g_roadAt[int(RoadStep::Count)] = {};

void RecordFirstArrival(RoadStep step)
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    InterlockedCompareExchange(&g_roadAt[int(step)], LONG(now.LowPart ? now.LowPart : 1), 0);
}

// The road's parts, in its order: each from the step before (the first from the showing program's
// ShowWindow) to its own.
const struct {
    const char* what;
    RoadStep until;
} kRoadParts[] = {
    {"the hook's post and the worker's wake", RoadStep::WorkerWoke},
    {"the checks of the message, the program's path, the title, the filters", RoadStep::Matched},
    {"the worker's look at the window and the hand-over to a helper", RoadStep::HelperWoke},
    {"the helper's question to the window's thread (WM_NULL, a sent message)", RoadStep::Answered},
    {"style, attributes and mark read again, the mark written", RoadStep::Marked},
    {"the style (SetWindowLongW, a message to the window's thread)", RoadStep::StyleSet},
    {"the alpha (SetLayeredWindowAttributes)", RoadStep::AlphaSet},
};
constexpr size_t kRoadColumns = std::size(kRoadParts) + 2;   // with ShowWindow and the polling

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

// Moved before each show of a latency run that sets it, and before its floor sample: the hook's
// thread then looks up the window under the mouse, none of the measured ones, at every show.
bool g_mouseMoves = false;

void MoveMouse(POINT at)
{
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = at.x * 65536 / GetSystemMetrics(SM_CXSCREEN);
    input.mi.dy = at.y * 65536 / GetSystemMetrics(SM_CYSCREEN);
    input.mi.dwFlags = MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE;
    SendInput(1, &input, sizeof input);
}

// The floor of one show: the showing program layers the window itself as soon as it is shown,
// and the bench sees the alpha by the same polling as for the engine. Milliseconds, or -1.
double FloorSample(HelperProcess& helper, HWND window)
{
    LARGE_INTEGER frequency, now;
    QueryPerformanceFrequency(&frequency);
    const DWORD shown = DWORD(helper.Command(L"show\t" + HelperProcess::Argument(window) + L"\tlayer"));
    const bool seen = helper.WaitForAlpha(window, 153, 2000);
    QueryPerformanceCounter(&now);
    helper.Hide(window, true);
    return seen ? (now.LowPart - shown) * 1000.0 / double(frequency.QuadPart) : -1;
}

// Shows each window, waits until it has alpha 153 and hides it again. With
// `makeOpaque` the hidden window is made opaque, as a hide event would in hook mode; otherwise it
// stays layered, as in safe mode, and is in every later sweep, so each window is measured against
// a longer sweep than the one before. Each show waits a different part of the timer period first:
// measured straight after the previous window's sweep, safe mode would always show nearly the
// whole period instead of where a show falls at random. With `floorWindows`, a floor sample is
// taken before each show, after the same wait: conditions on the machine drift within a run, and
// the two then meet the same.
std::vector<double> MeasureLatency(Engine& engine, HelperProcess& helper, const std::vector<HWND>& windows,
                                   bool makeOpaque, int& timeouts, const std::vector<HWND>* floorWindows = nullptr,
                                   std::vector<double>* floor = nullptr, HelperProcess* frontHelper = nullptr,
                                   const HWND* frontWindows = nullptr,
                                   std::vector<std::array<double, kRoadColumns>>* road = nullptr)
{
    std::vector<double> measured;
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    for (size_t i = 0; i < windows.size(); ++i) {
        const DWORD wait = static_cast<DWORD>(i * 61 % kSafeModeTimerPeriod);
        // Each show follows a change of the foreground, the floor's as well: the system's own
        // work on it then weighs on both.
        const auto changeFront = [&](size_t turn) {
            if (frontHelper && frontWindows)
                frontHelper->Command(L"front\t" + HelperProcess::Argument(frontWindows[turn % 2]));
        };
        if (floorWindows && floor) {
            WaitFor([] { return false; }, wait);
            changeFront(2 * i);
            if (g_mouseMoves)
                MoveMouse({600, 600});
            const double sample = FloorSample(helper, (*floorWindows)[i]);
            if (sample >= 0)
                floor->push_back(sample);
            // Its own layering, which no restore of the engine touches: taken away as the helper's.
            SetWindowLongW((*floorWindows)[i], GWL_EXSTYLE,
                           GetWindowLongW((*floorWindows)[i], GWL_EXSTYLE) & ~WS_EX_LAYERED);
        }
        WaitFor([] { return false; }, wait);
        // The worker meets the foreground event just before the show's.
        changeFront(2 * i + 1);
        if (g_mouseMoves)
            MoveMouse({608, 600});
        for (volatile LONG& at : g_roadAt)
            at = 0;
        // As HelperProcess::ShowAndWait, with the moments kept for the road.
        const DWORD shown = DWORD(helper.Command(L"show\t" + HelperProcess::Argument(windows[i])));
        const bool seen = helper.WaitForAlpha(windows[i], 153, 2000);
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        const auto milliseconds = [&](DWORD from, DWORD to) { return LONG(to - from) * 1000.0 / double(frequency.QuadPart); };
        if (!seen)
            ++timeouts;
        else
            measured.push_back(milliseconds(shown, now.LowPart));
        if (road && seen) {
            // Every step reached after the show and in its order: else this window took another road.
            std::array<double, kRoadColumns> parts{};
            DWORD from = DWORD(helper.Command(L"shown"));
            parts[0] = milliseconds(shown, from);
            bool whole = true;
            for (size_t p = 0; p < std::size(kRoadParts); ++p) {
                const DWORD at = DWORD(g_roadAt[int(kRoadParts[p].until)]);
                whole = whole && at && LONG(at - from) >= 0;
                parts[p + 1] = milliseconds(from, at);
                from = at;
            }
            parts[kRoadColumns - 1] = milliseconds(from, now.LowPart);
            if (whole)
                road->push_back(parts);
        }
        helper.Hide(windows[i], true);
        if (makeOpaque)
            engine.ProcessWindow(windows[i], true);
    }
    return measured;
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
    std::vector<HWND> windows, floorWindows;
    for (int i = 0; i < kWindows; ++i) {
        windows.push_back(helper.Create(L"PvBenchLatency", L"latency " + std::to_wstring(i)));
        floorWindows.push_back(helper.Create(L"PvBenchFloor", L"floor " + std::to_wstring(i)));
    }

    Engine engine(dataFile);
    engine.settings.globalTransparency = 40;
    std::printf("Latency from show (other process) to alpha set, %d windows shown one at a time; in hook mode each\n"
                "show follows a floor sample: the showing program setting the alpha itself\n", kWindows);
    std::printf("| mode | hidden windows | windows swept besides the shown one | median ms | p99 ms | max ms | timeouts | median / floor median | p99 / floor p99 |\n"
                "|---|---|---|---|---|---|---|---|---|\n");
    // Two windows of another program that take turns in front, beside the measured ones: the
    // showing program is then busy with nothing but its show, as for the floor.
    HelperProcess frontHelper;
    HWND front[2];
    for (HWND& window : front) {
        window = frontHelper.Create(L"PvBenchFront", L"front");
        frontHelper.Show(window, true);
    }
    const struct {
        bool safeMode;
        bool makeOpaque;
        bool wheelHook;
        bool frontChanges;    // before each show, and before its floor sample
        bool activeOpaque;
        int mouse;            // 1: moved before each show, 2: so and hoverOpaque on
        const char* mode;
        const char* hidden;
    } runs[] = {
        {false, true, false, false, false, 0, "hook", "made opaque"},
        {false, true, true, false, false, 0, "hook, wheel hook set", "made opaque"},
        {false, true, false, true, false, 0, "hook, a foreground change before each show", "made opaque"},
        {false, true, true, true, true, 0, "hook, wheel hook, foreground changes, active window kept opaque", "made opaque"},
        {false, true, true, false, false, 1, "hook, wheel hook set, the mouse moved before each show", "made opaque"},
        {false, true, true, false, false, 2, "the same with the window under the mouse made opaque", "made opaque"},
        {true, true, false, false, false, 0, "safe (100 ms timer)", "made opaque"},
        {true, false, false, false, false, 0, "safe (100 ms timer)", "left layered"},
    };
    std::vector<double> floor;
    double floorMedian = 0, floorP99 = 0;
    std::vector<std::array<double, kRoadColumns>> road;
    for (const auto& run : runs) {
        // The road's steps are timed in the first run only: the recorder costs a little itself.
        const bool timeRoad = &run == &runs[0];
        g_roadRecorder = timeRoad ? RecordFirstArrival : nullptr;
        engine.settings.safeMode = run.safeMode;
        engine.settings.wheelAdjust = run.wheelHook;
        engine.settings.activeWindowOpaque = run.activeOpaque;
        engine.settings.hoverOpaque = run.mouse == 2;
        g_mouseMoves = run.mouse != 0;
        const int others = CountSweptWindows();
        engine.Start();
        int timeouts = 0;
        // Each hook-mode run beside a floor of its own: conditions drift from one run to the next.
        const bool withFloor = !run.safeMode;
        if (withFloor)
            floor.clear();
        const std::vector<double> ms = MeasureLatency(engine, helper, windows, run.makeOpaque, timeouts,
                                                      withFloor ? &floorWindows : nullptr, &floor,
                                                      &frontHelper, run.frontChanges ? front : nullptr,
                                                      timeRoad ? &road : nullptr);
        const int othersAtEnd = CountSweptWindows();
        engine.Stop();
        if (withFloor && !floor.empty()) {
            floorMedian = Percentile(floor, 0.5);
            floorP99 = Percentile(floor, 0.99);
            std::printf("| floor: the showing program sets the alpha itself | made opaque | 0 | %.2f | %.2f | %.2f | %d | 1.0 | 1.0 |\n",
                        floorMedian, floorP99, Percentile(floor, 1.0), int(windows.size() - floor.size()));
        }
        const std::string swept = othersAtEnd > others + 1
                                      ? std::to_string(others) + " rising to " + std::to_string(othersAtEnd - 1)
                                      : std::to_string(others);
        if (ms.empty() || floor.empty()) {
            std::printf("| %s | %s | %s | - | - | - | %d | - | - |\n", run.mode, run.hidden, swept.c_str(), timeouts);
            continue;
        }
        std::printf("| %s | %s | %s | %.2f | %.2f | %.2f | %d | %.2f | %.2f |\n", run.mode, run.hidden, swept.c_str(),
                    Percentile(ms, 0.5), Percentile(ms, 0.99), Percentile(ms, 1.0), timeouts,
                    Percentile(ms, 0.5) / floorMedian, Percentile(ms, 0.99) / floorP99);
    }
    g_roadRecorder = nullptr;
    std::printf("\nOne window's road in the first hook-mode run, %d windows whose every step was seen in order: "
                "each part's median and 90th percentile, ms\n| part | median | p90 |\n|---|---|---|\n", int(road.size()));
    for (size_t column = 0; column < kRoadColumns && !road.empty(); ++column) {
        std::vector<double> values;
        for (const auto& parts : road)
            values.push_back(parts[column]);
        const char* what = column == 0                  ? "ShowWindow in the showing program (in the floor too)"
                           : column == kRoadColumns - 1 ? "until the bench saw it (its polling; in the floor too)"
                                                        : kRoadParts[column - 1].what;
        std::printf("| %s | %.3f | %.3f |\n", what, Percentile(values, 0.5), Percentile(values, 0.9));
    }
    for (HWND window : windows)
        helper.Destroy(window);
    for (HWND window : floorWindows)
        helper.Destroy(window);
    for (HWND window : front)
        frontHelper.Destroy(window);
}

// The floor of a hook procedure: nothing but handing the message on, as every one must.
LRESULT CALLBACK PassingProcedure(int code, WPARAM wParam, LPARAM lParam)
{
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// The floor of the gesture's notches: asking for Ctrl and Shift, which Wine answers with a round
// trip to its server each while the key is down.
LRESULT CALLBACK KeysProcedure(int code, WPARAM wParam, LPARAM lParam)
{
    if ((GetAsyncKeyState(VK_CONTROL) & 0x8000) && (GetAsyncKeyState(VK_SHIFT) & 0x8000))
        return 1;
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void Modifiers(bool down)
{
    INPUT keys[2] = {};
    for (int i = 0; i < 2; ++i) {
        keys[i].type = INPUT_KEYBOARD;
        keys[i].ki.wVk = i ? VK_SHIFT : VK_CONTROL;
        keys[i].ki.wScan = WORD(MapVirtualKeyW(keys[i].ki.wVk, MAPVK_VK_TO_VSC));
        keys[i].ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
    }
    SendInput(2, keys, sizeof(INPUT));
    Sleep(50);
}

// The wheel hook's procedure called as the system calls it, over a window of another process:
// what it costs every mouse message of the desktop, and the wheel messages that it passes or
// takes. The gesture's posts are taken from the queue unhandled.
void WheelHookBench(const wchar_t* dataFile)
{
    HelperProcess helper;
    const HWND window = helper.Create(L"PvBenchWheel", L"wheel");
    SetWindowPos(window, HWND_TOP, 100, 100, 300, 200, SWP_NOACTIVATE);
    helper.Show(window, true);
    Engine engine(dataFile);
    engine.Start();
    RECT rect{};
    GetWindowRect(window, &rect);
    MSLLHOOKSTRUCT mouse{};
    mouse.pt = {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    std::printf("\nThe wheel's low-level hook procedure over a window of another process, its own time per message "
                "(goal: at most 50 us; for a mouse move with the window under the mouse watched, at most 20 us beyond "
                "the floor), each call timed alone; and what its thread does once it has returned (the post, and the "
                "look-up of the window under the mouse at most every 100 ms), its mean and worst; the median and the "
                "worst of the calls beside the mean, since the system drops a hook whose procedure once takes too "
                "long\n| message | calls | us per call | median, us | worst, us | own time beyond the floor, us | "
                "beyond the gesture's floor, us | after the return: mean, worst, us |\n|---|---|---|---|---|---|---|---|\n");
    const struct {
        const char* what;
        HOOKPROC procedure;
        WPARAM message;
        short delta;
        bool ctrlShift;
        bool newGesture;   // each notch one pixel away from the last: the window is looked up
        bool hover = false;   // hoverOpaque on: moves are watched
    } cases[] = {
        {"floor: a procedure that only calls CallNextHookEx", PassingProcedure, WM_MOUSEWHEEL, -WHEEL_DELTA, false, false},
        {"mouse move", WheelHook::Procedure, WM_MOUSEMOVE, 0, false, false},
        {"mouse move, the window under the mouse watched (option on)", WheelHook::Procedure, WM_MOUSEMOVE, 0, false,
         true, true},
        {"wheel without Ctrl+Shift (passes)", WheelHook::Procedure, WM_MOUSEWHEEL, -WHEEL_DELTA, false, false},
        {"the gesture's floor: a procedure that only asks for Ctrl and Shift, held", KeysProcedure, WM_MOUSEWHEEL,
         -WHEEL_DELTA, true, false},
        {"wheel with Ctrl+Shift, a gesture's first notch (taken)", WheelHook::Procedure, WM_MOUSEWHEEL, -WHEEL_DELTA,
         true, true},
        {"wheel with Ctrl+Shift, a gesture's later notch (taken)", WheelHook::Procedure, WM_MOUSEWHEEL, -WHEEL_DELTA,
         true, false},
    };
    double floor = 0, keysFloor = 0;
    constexpr int kBatch = 1000, kBatches = 5;
    const POINT center = mouse.pt;
    for (const auto& c : cases) {
        Modifiers(c.ctrlShift);
        engine.settings.hoverOpaque = c.hover;
        mouse.mouseData = DWORD(c.delta) << 16;
        double seconds = 0, postSeconds = 0, worstPost = 0;
        int taken = 0;
        std::vector<double> calls;
        calls.reserve(kBatch * kBatches);
        for (int batch = 0; batch < kBatches; ++batch) {
            for (int i = 0; i < kBatch; ++i) {
                mouse.pt.x = center.x + (c.newGesture ? i % 2 : 0);
                const double start = Seconds();
                taken += c.procedure(HC_ACTION, c.message, reinterpret_cast<LPARAM>(&mouse)) != 0;
                const double returned = Seconds();
                WheelHook::PostTaken();
                WheelHook::WatchHover();
                const double after = Seconds() - returned;
                postSeconds += after;
                worstPost = std::max(worstPost, after);
                seconds += returned - start;
                calls.push_back((returned - start) * 1e6);
            }
            MSG msg;
            while (PeekMessageW(&msg, nullptr, WM_APP, WM_APP + 16, PM_REMOVE)) {
            }
        }
        const double perCall = seconds * 1e6 / (kBatch * kBatches);
        if (c.procedure == PassingProcedure)
            floor = perCall;
        if (c.procedure == KeysProcedure)
            keysFloor = perCall;
        char beyondKeys[16] = "-";
        if (c.procedure == WheelHook::Procedure && c.ctrlShift)
            std::snprintf(beyondKeys, sizeof beyondKeys, "%.1f", perCall - keysFloor);
        std::sort(calls.begin(), calls.end());
        std::printf("| %s | %d (%d taken) | %.1f | %.1f | %.1f | **%.1f** | %s | %.1f, %.1f |\n", c.what, kBatch * kBatches,
                    taken, perCall, calls[calls.size() / 2], calls.back(), perCall - floor, beyondKeys,
                    postSeconds * 1e6 / (kBatch * kBatches), worstPost * 1e6);
    }
    Modifiers(false);
    engine.settings.hoverOpaque = 0;
    engine.Stop();
    helper.Destroy(window);
}

// The sweep as it was before program paths were cached: the process opened and its path read
// for every window, the visibility asked separately, the alpha property always read.
BOOL CALLBACK OldSweepProc(HWND window, LPARAM parameter)
{
    auto& engine = *reinterpret_cast<Engine*>(parameter);
    if (GetWindowLongW(window, GWL_STYLE) & WS_CHILD)
        return TRUE;
    if (!IsWindowVisible(window) && !(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_LAYERED))
        return TRUE;
    wchar_t imagePath[kPathCapacity] = {}, className[kPathCapacity] = {}, title[kPathCapacity] = {};
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    GetProcessImagePath(processId, imagePath);
    GetClassNameW(window, className, kPathCapacity - 1);
    GetWindowTextW(window, title, kPathCapacity - 1);
    uint8_t percentage = engine.settings.globalTransparency;
    if (!engine.filters.MatchWindow(imagePath, className, title, &percentage) &&
        (IsExcludedWindowClass(className) || processId == GetCurrentProcessId()))
        return TRUE;
    GetPropW(window, L"PROP_PANEVEIL");
    engine.SetWindowTransparency(window, percentage, false);
    return TRUE;
}

// The whole machine's busy time in clock ticks (user, nice, system, irq, softirq, steal), read
// from Linux through Wine's Z: drive.
bool MachineBusyTicks(unsigned long long& busy)
{
    FILE* file = _wfopen(L"Z:\\proc\\stat", L"r");
    if (!file)
        return false;
    unsigned long long user = 0, nice = 0, system = 0, idle = 0, iowait = 0, irq = 0, softirq = 0, steal = 0;
    const int fields = std::fscanf(file, "cpu %llu %llu %llu %llu %llu %llu %llu %llu", &user, &nice, &system, &idle,
                                   &iowait, &irq, &softirq, &steal);
    std::fclose(file);
    busy = user + nice + system + irq + softirq + steal;
    return fields >= 7;
}

// The clock ticks of this Wine environment: its display (Xvfb and the compositing manager, whose
// pids env-up keeps) and every process started in it (the wineserver, Wine's own services, this
// program, the helpers), known by PV_TEST_ENV in their environment. The machine is shared, and its
// other work would drown what the mouse costs here.
bool EnvironmentTicks(unsigned long long& ticks)
{
    wchar_t folder[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableW(L"PV_TEST_ENV", folder, MAX_PATH);
    if (!length || length >= MAX_PATH)
        return false;
    std::wstring windowsFolder(folder);
    std::replace(windowsFolder.begin(), windowsFolder.end(), L'/', L'\\');
    const std::string mark = "PV_TEST_ENV=" + std::string(folder, folder + length) + '\0';
    ticks = 0;
    for (const wchar_t* pidFile : {L"\\xvfb.pid", L"\\xcompmgr.pid"}) {
        const std::string pid = ReadLinuxFile(windowsFolder + pidFile);
        ticks += std::max(0LL, ProcessorTicks(std::to_wstring(std::atol(pid.c_str()))));
    }
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW(L"Z:\\proc\\*", &found);
    for (bool more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileW(search, &found)) {
        if (iswdigit(found.cFileName[0])
            && ReadLinuxFile(std::wstring(L"\\proc\\") + found.cFileName + L"\\environ").find(mark) != std::string::npos)
            ticks += std::max(0LL, ProcessorTicks(found.cFileName));
    }
    if (search != INVALID_HANDLE_VALUE)
        FindClose(search);
    return true;
}

// The busy share of one core, by `ticks` (the machine's or the environment's), while this thread
// pumps its messages (and so runs a safe-mode timer) for `seconds`, calling `step` every 5 ms or
// so; negative when /proc cannot be read.
double MachineLoad(double seconds, void (*step)(int) = nullptr, bool (*ticks)(unsigned long long&) = MachineBusyTicks)
{
    unsigned long long before = 0, after = 0;
    if (!ticks(before))
        return -1;
    const double start = Seconds();
    for (int steps = 0; Seconds() - start < seconds; ++steps) {
        if (step)
            step(steps);
        PumpMessages(5);
    }
    const double elapsed = Seconds() - start;
    ticks(after);
    return double(after - before) / (elapsed * 100.0);   // USER_HZ is 100
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

    std::printf("\nOne sweep over unchanged windows (SweepWindows(false) as safe mode makes it), mean of 10\n");
    std::printf("| helper windows | swept windows | first sweep ms | old path: ms | per window us | engine: ms | per window us | old / engine | SetLayered calls |\n");
    std::printf("|---|---|---|---|---|---|---|---|---|\n");
    constexpr int kLoadWindows = 200;
    constexpr double kSeconds = 5;
    double idle = -1, running = -1;
    int swept200 = 0;
    for (int target : {10, 100, kLoadWindows, 500}) {
        while (int(windows.size()) < target) {
            HWND window = helper.Create(L"PvBenchSweep", L"sweep " + std::to_wstring(windows.size()));
            helper.Show(window, true);
            windows.push_back(window);
        }
        engine.SweepWindows(true);   // every window opaque again
        const int swept = CountSweptWindows();

        double start = Seconds();
        engine.SweepWindows(false);
        const double first = Seconds() - start;

        constexpr int kRepeats = 10;
        start = Seconds();
        for (int i = 0; i < kRepeats; ++i)
            EnumWindows(OldSweepProc, reinterpret_cast<LPARAM>(&engine));
        const double old = (Seconds() - start) / kRepeats;
        // Sweeps as the safe-mode timer makes them; no message is pumped here, so the timer
        // itself never fires.
        engine.settings.safeMode = 1;
        engine.Start();
        engine.SweepWindows(false);
        const LONG callsBefore = g_setLayeredCalls;
        start = Seconds();
        for (int i = 0; i < kRepeats; ++i)
            engine.SweepWindows(false);
        const double unchanged = (Seconds() - start) / kRepeats;
        const LONG calls = (g_setLayeredCalls - callsBefore) / kRepeats;
        engine.Stop();
        engine.settings.safeMode = 0;
        engine.SweepWindows(false);

        std::printf("| %d | %d | %.2f | %.2f | %.1f | %.2f | %.1f | %.1f | %s |\n", target, swept, first * 1e3, old * 1e3,
                    old * 1e6 / swept, unchanged * 1e3, unchanged * 1e6 / swept, old / unchanged,
                    counting ? std::to_string(calls).c_str() : "not counted");

        if (target == kLoadWindows) {
            swept200 = swept;
            idle = MachineLoad(kSeconds);
            engine.settings.safeMode = 1;
            engine.Start();
            PumpMessages(300);   // the first sweeps give the windows their alpha
            running = MachineLoad(kSeconds);
            engine.Stop();
            engine.settings.safeMode = 0;
        }
    }
    std::printf("\nSafe mode with %d visible translucent windows (%d swept), the whole machine over %.0f s, "
                "in %% of one core: idle %.1f, safe mode running %.1f, above idle **%.1f** (goal: at most 15)\n",
                kLoadWindows, swept200, kSeconds, idle * 100, running * 100, (running - idle) * 100);
    engine.SweepWindows(true);
    for (HWND window : windows)
        helper.Destroy(window);
}

// The mouse sweeps to and fro across two translucent windows of another process, 4 pixels a step.
void SweepMouse(int step)
{
    const int x = step * 4 % 1200;
    MoveMouse({100 + (x < 600 ? x : 1200 - x), 300});
}

// What the Wine environment spends while the mouse moves steadily, with the window under it watched
// (made opaque while the mouse rests on it, which it does for about half a second on each window)
// and without, beside the same engine while the mouse is still.
void HoverLoadBench(const wchar_t* dataFile)
{
    HelperProcess helper;
    HWND windows[2];
    for (int i = 0; i < 2; ++i) {
        windows[i] = helper.Create(L"PvBenchHover", L"hover");
        SetWindowPos(windows[i], HWND_TOP, 100 + 300 * i, 150, 300, 300, SWP_NOACTIVATE);
        helper.Show(windows[i]);
    }
    Engine engine(dataFile);
    engine.settings.globalTransparency = 40;
    engine.Start();
    constexpr double kSeconds = 5;
    std::printf("\nThis Wine environment (its display, server and processes) while the mouse moves steadily (a move "
                "every 5 ms or so) for %.0f s across two translucent windows of another program, hook mode with the "
                "mouse hook set, in %% of one core\n| window under the mouse | still | moving | above still |\n"
                "|---|---|---|---|\n", kSeconds);
    for (uint8_t hover : {0, 1, 0, 1}) {
        engine.settings.hoverOpaque = hover;
        engine.ApplySettings(false, false, true);
        const double still = MachineLoad(kSeconds, nullptr, EnvironmentTicks),
                     moving = MachineLoad(kSeconds, SweepMouse, EnvironmentTicks);
        std::printf("| %s | %.1f | %.1f | **%.1f** |\n", hover ? "made opaque (option on)" : "left alone (option off)",
                    still * 100, moving * 100, (moving - still) * 100);
    }
    engine.Stop();
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
    WheelHookBench(dataFile.c_str());
    HoverLoadBench(dataFile.c_str());
    DeleteFileW(dataFile.c_str());
    return 0;
}
