// A separate process that owns top-level windows for the engine tests. It reads one command per
// line from standard input (fields separated by tabs) and answers one line on standard output:
//   create <class> <title> [colorkey]   -> ok <hwnd>     a hidden top-level window
//   child <parent hwnd>                 -> ok <hwnd>     a visible child window
//   show <hwnd> [quiet] | hide <hwnd> [quiet] -> ok      ShowWindow and (unless quiet) the
//                                                         matching window event
//   notify <hwnd> <event> <object> <child> -> ok         a raw NotifyWinEvent
//   query <hwnd>                        -> ok <exstyle> <got> <alpha> <flags>
//   wait <hwnd> <alpha> <ms>            -> ok <microseconds> | timeout
//   showwait <hwnd> <alpha> <ms>        -> ok <microseconds> | timeout   (shows, then waits)
//   destroy <hwnd>                      -> ok
// <alpha> -1 waits until the window is not layered, otherwise until it is layered with LWA_ALPHA
// and that alpha. Commands run on the window thread, which keeps pumping messages while it
// waits, because Wine changes another process's window styles through its owner's queue.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "HelperProcess.h"

namespace {

constexpr UINT kRunCommand = WM_APP + 1;
HWND g_commandWindow = nullptr;
DWORD g_windowThreadId = 0;

std::vector<std::string> Split(const std::string& line)
{
    std::vector<std::string> fields;
    size_t start = 0;
    for (;;) {
        const size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab - start));
        if (tab == std::string::npos)
            return fields;
        start = tab + 1;
    }
}

std::wstring Widen(const std::string& text)
{
    std::wstring wide(text.size() + 1, L'\0');
    const int n = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, &wide[0], static_cast<int>(wide.size()));
    wide.resize(n > 0 ? n - 1 : 0);
    return wide;
}

HWND ParseWindow(const std::string& text)
{
    return reinterpret_cast<HWND>(static_cast<UINT_PTR>(std::strtoull(text.c_str(), nullptr, 10)));
}

bool HasAlpha(HWND window, int alpha)
{
    const bool layered = (GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_LAYERED) != 0;
    if (alpha < 0)
        return !layered;
    BYTE current = 0;
    DWORD flags = 0;
    return layered && GetLayeredWindowAttributes(window, nullptr, &current, &flags) &&
           flags == LWA_ALPHA && current == alpha;
}

std::string WaitForAlpha(HWND window, int alpha, DWORD timeout, LARGE_INTEGER start)
{
    LARGE_INTEGER frequency, now;
    QueryPerformanceFrequency(&frequency);
    for (;;) {
        const bool done = HasAlpha(window, alpha);
        QueryPerformanceCounter(&now);
        const long long micro = (now.QuadPart - start.QuadPart) * 1000000 / frequency.QuadPart;
        if (done)
            return "ok " + std::to_string(micro);
        if (micro > static_cast<long long>(timeout) * 1000)
            return "timeout";
        PumpMessages(1);
    }
}

void RegisterClassOnce(const std::wstring& name)
{
    WNDCLASSW existing;
    if (GetClassInfoW(GetModuleHandleW(nullptr), name.c_str(), &existing))
        return;
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszClassName = name.c_str();
    RegisterClassW(&windowClass);
}

void Notify(DWORD event, HWND window)
{
    // Wine 8 raises no EVENT_OBJECT_SHOW/HIDE of its own; Windows raises exactly this one.
    NotifyWinEvent(event, window, OBJID_WINDOW, CHILDID_SELF);
}

std::string Run(const std::vector<std::string>& f)
{
    const std::string& command = f[0];
    if (command == "create" && f.size() >= 3) {
        const std::wstring className = Widen(f[1]);
        RegisterClassOnce(className);
        const bool colorKey = f.size() >= 4 && f[3] == "colorkey";
        HWND window = CreateWindowExW(colorKey ? WS_EX_LAYERED : 0, className.c_str(), Widen(f[2]).c_str(),
                                      WS_OVERLAPPEDWINDOW, 40, 40, 200, 120, nullptr, nullptr,
                                      GetModuleHandleW(nullptr), nullptr);
        if (!window)
            return "error create";
        if (colorKey)
            SetLayeredWindowAttributes(window, RGB(255, 0, 255), 0, LWA_COLORKEY);
        return "ok " + WindowArgument(window);
    }
    if (command == "child" && f.size() >= 2) {
        RegisterClassOnce(L"PvHelperChild");
        HWND window = CreateWindowExW(0, L"PvHelperChild", L"child", WS_CHILD, 0, 0, 50, 50,
                                      ParseWindow(f[1]), nullptr, GetModuleHandleW(nullptr), nullptr);
        return window ? "ok " + WindowArgument(window) : "error child";
    }
    if ((command == "show" || command == "hide") && f.size() >= 2) {
        HWND window = ParseWindow(f[1]);
        const bool show = command == "show";
        ShowWindow(window, show ? SW_SHOWNOACTIVATE : SW_HIDE);
        if (f.size() < 3 || f[2] != "quiet")
            Notify(show ? EVENT_OBJECT_SHOW : EVENT_OBJECT_HIDE, window);
        return "ok";
    }
    if (command == "notify" && f.size() >= 5) {
        NotifyWinEvent(std::stoul(f[2]), ParseWindow(f[1]), std::stol(f[3]), std::stol(f[4]));
        return "ok";
    }
    if (command == "query" && f.size() >= 2) {
        HWND window = ParseWindow(f[1]);
        BYTE alpha = 0;
        DWORD flags = 0;
        COLORREF key = 0;
        const BOOL got = GetLayeredWindowAttributes(window, &key, &alpha, &flags);
        char reply[96];
        std::snprintf(reply, sizeof reply, "ok %lx %d %u %lu", static_cast<unsigned long>(GetWindowLongW(window, GWL_EXSTYLE)),
                      got ? 1 : 0, alpha, flags);
        return reply;
    }
    if ((command == "wait" || command == "showwait") && f.size() >= 4) {
        HWND window = ParseWindow(f[1]);
        LARGE_INTEGER start;
        if (command == "showwait") {
            ShowWindow(window, SW_SHOWNOACTIVATE);
            QueryPerformanceCounter(&start);
            Notify(EVENT_OBJECT_SHOW, window);
        } else {
            QueryPerformanceCounter(&start);
        }
        return WaitForAlpha(window, std::stoi(f[2]), std::stoul(f[3]), start);
    }
    if (command == "destroy" && f.size() >= 2)
        return DestroyWindow(ParseWindow(f[1])) ? "ok" : "error destroy";
    return "error unknown command";
}

LRESULT CALLBACK CommandWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == kRunCommand) {
        const auto& fields = *reinterpret_cast<const std::vector<std::string>*>(lParam);
        *reinterpret_cast<std::string*>(wParam) = Run(fields);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// Reads commands and hands each to the window thread; ends the process at end of input.
DWORD WINAPI ReaderThread(LPVOID)
{
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    std::string line;
    char c;
    DWORD read = 0;
    while (ReadFile(input, &c, 1, &read, nullptr) && read == 1) {
        if (c == '\r')
            continue;
        if (c != '\n') {
            line += c;
            continue;
        }
        const std::vector<std::string> fields = Split(line);
        line.clear();
        if (fields[0] == "quit")
            break;
        std::string reply;
        SendMessageW(g_commandWindow, kRunCommand, reinterpret_cast<WPARAM>(&reply),
                     reinterpret_cast<LPARAM>(&fields));
        reply += '\n';
        DWORD written = 0;
        WriteFile(output, reply.data(), static_cast<DWORD>(reply.size()), &written, nullptr);
    }
    PostThreadMessageW(g_windowThreadId, WM_QUIT, 0, 0);
    return 0;
}

} // namespace

int wmain()
{
    g_windowThreadId = GetCurrentThreadId();
    WNDCLASSW commandClass = {};
    commandClass.lpfnWndProc = CommandWindowProc;
    commandClass.hInstance = GetModuleHandleW(nullptr);
    commandClass.lpszClassName = L"PvHelperCommands";
    RegisterClassW(&commandClass);
    g_commandWindow = CreateWindowExW(0, L"PvHelperCommands", L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                      nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!g_commandWindow)
        return 1;
    HANDLE reader = CreateThread(nullptr, 0, ReaderThread, nullptr, 0, nullptr);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    WaitForSingleObject(reader, 5000);
    CloseHandle(reader);
    return 0;
}
