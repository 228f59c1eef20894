// Prints what each call a sweep or an event makes on another process's window costs under Wine,
// the mean over 200 windows shown by the window helper, 10 rounds; asserts nothing. It shows where
// the time of a sweep goes, and what is left to remove.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "Engine.h"
#include "HelperProcess.h"

namespace {

double Seconds()
{
    LARGE_INTEGER frequency, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&now);
    return double(now.QuadPart) / double(frequency.QuadPart);
}

} // namespace

int wmain()
{
    constexpr int kRounds = 10;
    HelperProcess helper;
    std::vector<HWND> windows;
    for (int i = 0; i < 200; ++i) {
        windows.push_back(helper.Create(L"PvCallCost", L"call cost " + std::to_wstring(i)));
        helper.Show(windows.back(), true);
    }
    wchar_t folder[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    const std::wstring dataFile = std::wstring(folder) + L"pv_call_cost.dat";
    Engine engine(dataFile.c_str());
    engine.SweepWindows(false);

    std::printf("\nWhat one call on another process's window costs, mean over %zu windows\n", windows.size());
    std::printf("| call | us |\n|---|---|\n");
    const auto time = [&](const char* name, auto call) {
        const double start = Seconds();
        for (int round = 0; round < kRounds; ++round)
            for (HWND window : windows)
                call(window);
        std::printf("| %s | %.1f |\n", name, (Seconds() - start) * 1e6 / (kRounds * windows.size()));
    };
    wchar_t text[kPathCapacity];
    time("GetWindowLongW(GWL_STYLE)", [](HWND w) { GetWindowLongW(w, GWL_STYLE); });
    time("IsWindowVisible", [](HWND w) { IsWindowVisible(w); });
    time("GetWindowThreadProcessId", [](HWND w) { DWORD id; GetWindowThreadProcessId(w, &id); });
    time("GetClassNameW", [&](HWND w) { GetClassNameW(w, text, kPathCapacity - 1); });
    time("GetWindowTextW", [&](HWND w) { GetWindowTextW(w, text, kPathCapacity - 1); });
    time("GetLayeredWindowAttributes", [](HWND w) { BYTE alpha; DWORD flags; GetLayeredWindowAttributes(w, nullptr, &alpha, &flags); });
    time("GetPropW", [](HWND w) { GetPropW(w, L"PROP_PANEVEIL"); });
    time("OpenProcess and CloseHandle", [](HWND w) {
        DWORD id = 0;
        GetWindowThreadProcessId(w, &id);
        CloseHandle(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, id));
    });
    time("SendMessageTimeoutW(WM_NULL): the hung-window probe", [](HWND w) {
        DWORD_PTR result;
        SendMessageTimeoutW(w, WM_NULL, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK, 50, &result);
    });
    time("SetWindowLongW(GWL_EXSTYLE)", [](HWND w) { SetWindowLongW(w, GWL_EXSTYLE, GetWindowLongW(w, GWL_EXSTYLE)); });
    // What the wheel gesture's hook procedure may call.
    time("WindowFromPoint", [](HWND w) {
        RECT r{};
        GetWindowRect(w, &r);
        WindowFromPoint(POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2});
    });
    time("GetWindowRect (counted in the line above)", [](HWND w) { RECT r; GetWindowRect(w, &r); });
    time("GetAncestor(GA_ROOT)", [](HWND w) { GetAncestor(w, GA_ROOT); });
    time("GetShellWindow", [](HWND) { GetShellWindow(); });
    time("GetAsyncKeyState", [](HWND) { GetAsyncKeyState(VK_SHIFT); });
    const HWND own = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    time("PostMessageW to a window of this thread", [own](HWND) { PostMessageW(own, WM_APP, 0, 0); });
    for (MSG msg; PeekMessageW(&msg, own, WM_APP, WM_APP, PM_REMOVE);) {
    }
    DestroyWindow(own);
    time("Engine::ProcessWindow, alpha unchanged", [&](HWND w) { engine.ProcessWindow(w, false); });
    engine.SweepWindows(true);
    for (HWND window : windows)
        helper.Destroy(window);
    DeleteFileW(dataFile.c_str());
    return 0;
}
