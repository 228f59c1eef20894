// A separate process that owns top-level windows for the engine's and the program's tests. It
// reads one command per line on standard input (fields separated by tabs) and answers one line:
//   create <class> <title> [colorkey]        -> ok <hwnd>   a hidden top-level window
//   child <parent>                           -> ok <hwnd>   a visible child window
//   show|hide <hwnd> [quiet]                 -> ok          ShowWindow and, unless quiet, the
//                                                            window event Windows would raise
//   notify <hwnd> <event> <object> <child>   -> ok          a raw NotifyWinEvent
//   alpha <hwnd>                             -> ok <alpha>  -1 not layered, -2 layered otherwise
//                                                            than with LWA_ALPHA alone
//   showwait <hwnd> <alpha> <ms>             -> ok <us> | timeout   shows, then waits for it
//   hang <ms>                                -> ok          the windows stop answering a while
//   destroy <hwnd>                           -> ok
// Commands run on the window thread, which keeps pumping messages while it waits: Wine changes
// another process's window styles through its owner's queue.
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "HelperProcess.h"

namespace {

constexpr UINT kRunCommand = WM_APP + 1;
constexpr UINT kHang = WM_APP + 2;
HWND g_commandWindow = nullptr;

std::vector<std::string> Split(const std::string& line)
{
    std::vector<std::string> fields;
    for (size_t start = 0;;) {
        const size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab - start));
        if (tab == std::string::npos)
            return fields;
        start = tab + 1;
    }
}

std::wstring Widen(const std::string& text)
{
    return std::wstring(text.begin(), text.end());   // the tests' names are ASCII
}

HWND ParseWindow(const std::string& text)
{
    return reinterpret_cast<HWND>(static_cast<UINT_PTR>(std::strtoull(text.c_str(), nullptr, 10)));
}

int AlphaOf(HWND window)
{
    if (!(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_LAYERED))
        return -1;
    BYTE alpha = 0;
    DWORD flags = 0;
    return GetLayeredWindowAttributes(window, nullptr, &alpha, &flags) && flags == LWA_ALPHA ? alpha : -2;
}

void RegisterClassOnce(const std::wstring& name, WNDPROC procedure = DefWindowProcW)
{
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszClassName = name.c_str();
    RegisterClassW(&windowClass);   // fails harmlessly when it exists
}

// Wine 8 raises no EVENT_OBJECT_SHOW/HIDE of its own; Windows raises exactly this one.
void Show(HWND window, bool show, bool quiet)
{
    ShowWindow(window, show ? SW_SHOWNOACTIVATE : SW_HIDE);
    if (!quiet)
        NotifyWinEvent(show ? EVENT_OBJECT_SHOW : EVENT_OBJECT_HIDE, window, OBJID_WINDOW, CHILDID_SELF);
}

std::string Run(const std::vector<std::string>& f)
{
    const std::string& command = f[0];
    const HWND window = f.size() >= 2 ? ParseWindow(f[1]) : nullptr;
    if (command == "create" && f.size() >= 3) {
        RegisterClassOnce(Widen(f[1]));
        const bool colorKey = f.size() >= 4 && f[3] == "colorkey";
        HWND created = CreateWindowExW(colorKey ? WS_EX_LAYERED : 0, Widen(f[1]).c_str(), Widen(f[2]).c_str(),
                                       WS_OVERLAPPEDWINDOW, 40, 40, 200, 120, nullptr, nullptr, nullptr, nullptr);
        if (created && colorKey)
            SetLayeredWindowAttributes(created, RGB(255, 0, 255), 0, LWA_COLORKEY);
        return created ? "ok " + WindowArgument(created) : "error create";
    }
    if (command == "child" && window) {
        RegisterClassOnce(L"PvHelperChild");
        HWND child = CreateWindowExW(0, L"PvHelperChild", L"child", WS_CHILD, 0, 0, 50, 50, window, nullptr,
                                     nullptr, nullptr);
        return child ? "ok " + WindowArgument(child) : "error child";
    }
    if (command == "show" || command == "hide") {
        Show(window, command == "show", f.size() >= 3 && f[2] == "quiet");
        return "ok";
    }
    if (command == "notify" && f.size() >= 5) {
        NotifyWinEvent(std::stoul(f[2]), window, std::stol(f[3]), std::stol(f[4]));
        return "ok";
    }
    if (command == "alpha")
        return "ok " + std::to_string(AlphaOf(window));
    if (command == "showwait" && f.size() >= 4) {
        LARGE_INTEGER frequency, start, now;
        QueryPerformanceFrequency(&frequency);
        ShowWindow(window, SW_SHOWNOACTIVATE);
        QueryPerformanceCounter(&start);
        Show(window, true, false);
        for (;;) {
            const bool done = AlphaOf(window) == std::stoi(f[2]);
            QueryPerformanceCounter(&now);
            const long long micro = (now.QuadPart - start.QuadPart) * 1000000 / frequency.QuadPart;
            if (done)
                return "ok " + std::to_string(micro);
            if (micro > std::stoll(f[3]) * 1000)
                return "timeout";
            PumpMessages(1);
        }
    }
    if (command == "hang" && f.size() >= 2) {
        PostMessageW(g_commandWindow, kHang, std::stoul(f[1]), 0);
        return "ok";
    }
    if (command == "destroy")
        return DestroyWindow(window) ? "ok" : "error destroy";
    return "error unknown command";
}

LRESULT CALLBACK CommandWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == kRunCommand) {
        *reinterpret_cast<std::string*>(wParam) = Run(*reinterpret_cast<const std::vector<std::string>*>(lParam));
        return 0;
    }
    if (message == kHang) {
        Sleep(static_cast<DWORD>(wParam));
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// Reads commands and hands each to the window thread; ends the process at end of input.
DWORD WINAPI ReaderThread(LPVOID windowThread)
{
    std::string line;
    char c;
    DWORD read = 0;
    while (ReadFile(GetStdHandle(STD_INPUT_HANDLE), &c, 1, &read, nullptr) && read == 1) {
        if (c != '\n') {
            line += c;
            continue;
        }
        std::string reply;
        const std::vector<std::string> fields = Split(line);
        SendMessageW(g_commandWindow, kRunCommand, reinterpret_cast<WPARAM>(&reply),
                     reinterpret_cast<LPARAM>(&fields));
        reply += '\n';
        DWORD written = 0;
        WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), reply.data(), static_cast<DWORD>(reply.size()), &written, nullptr);
        line.clear();
    }
    PostThreadMessageW(static_cast<DWORD>(reinterpret_cast<UINT_PTR>(windowThread)), WM_QUIT, 0, 0);
    return 0;
}

} // namespace

int wmain()
{
    RegisterClassOnce(L"PvHelperCommands", CommandWindowProc);
    g_commandWindow = CreateWindowExW(0, L"PvHelperCommands", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr,
                                      nullptr);
    HANDLE reader = CreateThread(nullptr, 0, ReaderThread,
                                 reinterpret_cast<LPVOID>(static_cast<UINT_PTR>(GetCurrentThreadId())), 0, nullptr);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0)
        DispatchMessageW(&msg);
    WaitForSingleObject(reader, 5000);
    CloseHandle(reader);
    return 0;
}
