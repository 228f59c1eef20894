// A separate process that owns top-level windows for the engine's and the program's tests. A
// command is a line of wide text, fields separated by tabs, sent as WM_COPYDATA to the helper's
// message-only window of class "PvHelperCommands" named after its process id; the message's
// result is the answer:
//   create <class> <title> [colorkey|clickthrough|popup]
//                                           -> a hidden top-level window (0: failed), layered with a
//                                              colour key, one the mouse passes through, or one
//                                              without a caption
//   child <parent>                          -> a visible child window
//   show|hide <hwnd> [quiet|layer]          -> ShowWindow and, unless quiet, the window event Windows
//                                              would raise, or instead alpha 153 set by the helper
//                                              itself; the time before the show (the low 32 bits
//                                              of QueryPerformanceCounter)
//   shown                                   -> the time just after the last show's ShowWindow
//   notify <hwnd> <event> <object> <child>  -> a raw NotifyWinEvent
//   alpha <hwnd>                            -> -1 not layered, -2 layered otherwise than with
//                                              LWA_ALPHA alone, else the alpha
//   hang <ms> [<hwnd> [once]]               -> the windows stop answering for a while, right
//                                              after the window is shown as by "show"; with once,
//                                              only after they have answered one WM_NULL
//   busy <ms> <hwnd> toolwindow|ulw         -> shows the window as by "show", stops answering for
//                                              a while, then gives it WS_EX_TOOLWINDOW, or
//                                              per-pixel alpha
//   layer <hwnd> <alpha>                    -> its own WS_EX_LAYERED and LWA_ALPHA <alpha>
//   ulw <hwnd>                              -> nonzero when UpdateLayeredWindow succeeds
//   front <hwnd>                            -> SetForegroundWindow and the event Windows raises
//   wheels                                  -> the wheel messages its windows have received
//   styles                                  -> the extended-style changes they have been asked
//   destroy <hwnd>                          -> nonzero when destroyed
// WM_CLOSE to the command window ends the process.
#include <windows.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr UINT kHang = WM_APP + 1;
HWND g_commandWindow = nullptr;
HWND g_answerOnce = nullptr;
DWORD g_hangMilliseconds = 0;
LONG g_wheels = 0, g_styles = 0;
DWORD g_shownAt = 0;

LRESULT CALLBACK HelperWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NULL && window == g_answerOnce) {
        g_answerOnce = nullptr;
        ReplyMessage(0);
        Sleep(g_hangMilliseconds);
    }
    g_wheels += message == WM_MOUSEWHEEL;
    g_styles += message == WM_STYLECHANGING && wParam == WPARAM(GWL_EXSTYLE);
    return DefWindowProcW(window, message, wParam, lParam);
}

bool UpdateLayered(HWND window)
{
    const HDC memory = CreateCompatibleDC(nullptr);
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), 50, 50, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    const HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    SelectObject(memory, bitmap);
    SIZE size{50, 50};
    POINT origin{0, 0};
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    const BOOL updated = bits && UpdateLayeredWindow(window, nullptr, nullptr, &size, memory, &origin, 0, &blend, ULW_ALPHA);
    DeleteDC(memory);
    DeleteObject(bitmap);
    return updated;
}

HWND Window(const std::wstring& text)
{
    return reinterpret_cast<HWND>(static_cast<UINT_PTR>(std::wcstoull(text.c_str(), nullptr, 10)));
}

void RegisterClassOnce(const std::wstring& name, WNDPROC procedure = HelperWindowProc)
{
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszClassName = name.c_str();
    RegisterClassW(&windowClass);   // fails harmlessly when it exists
}

LRESULT Run(const std::vector<std::wstring>& f)
{
    const std::wstring& command = f[0];
    const HWND window = f.size() >= 2 ? Window(f[1]) : nullptr;
    if (command == L"create") {
        RegisterClassOnce(f[1]);
        const std::wstring option = f.size() >= 4 ? f[3] : L"";
        HWND created = CreateWindowExW(option == L"colorkey" ? WS_EX_LAYERED : option == L"clickthrough" ? WS_EX_TRANSPARENT : 0,
                                       f[1].c_str(), f.size() > 2 ? f[2].c_str() : L"",
                                       option == L"popup" ? WS_POPUP : WS_OVERLAPPEDWINDOW, 40, 40, 200, 120, nullptr, nullptr, nullptr, nullptr);
        const bool colorKey = option == L"colorkey";
        if (created && colorKey)
            SetLayeredWindowAttributes(created, RGB(255, 0, 255), 0, LWA_COLORKEY);
        return reinterpret_cast<LRESULT>(created);
    }
    if (command == L"child") {
        RegisterClassOnce(L"PvHelperChild");
        return reinterpret_cast<LRESULT>(
            CreateWindowExW(0, L"PvHelperChild", L"child", WS_CHILD, 0, 0, 50, 50, window, nullptr, nullptr, nullptr));
    }
    if (command == L"show" || command == L"hide") {
        const bool show = command == L"show";
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        ShowWindow(window, show ? SW_SHOWNOACTIVATE : SW_HIDE);
        LARGE_INTEGER shownAt;
        QueryPerformanceCounter(&shownAt);
        g_shownAt = shownAt.LowPart;
        if (f.size() >= 3 && f[2] == L"layer") {
            SetWindowLongW(window, GWL_EXSTYLE, GetWindowLongW(window, GWL_EXSTYLE) | WS_EX_LAYERED);
            SetLayeredWindowAttributes(window, 0, 153, LWA_ALPHA);
        }
        // Wine 8 raises no EVENT_OBJECT_SHOW/HIDE of its own; Windows raises exactly this one.
        else if (f.size() < 3 || f[2] != L"quiet")
            NotifyWinEvent(show ? EVENT_OBJECT_SHOW : EVENT_OBJECT_HIDE, window, OBJID_WINDOW, CHILDID_SELF);
        return static_cast<LRESULT>(now.LowPart);
    }
    if (command == L"notify" && f.size() >= 5) {
        NotifyWinEvent(std::stoul(f[2]), window, std::stol(f[3]), std::stol(f[4]));
        return 0;
    }
    if (command == L"alpha") {
        BYTE alpha = 0;
        DWORD flags = 0;
        if (!(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_LAYERED))
            return -1;
        return GetLayeredWindowAttributes(window, nullptr, &alpha, &flags) && flags == LWA_ALPHA ? alpha : -2;
    }
    if (command == L"hang" || command == L"busy") {
        const HWND shown = f.size() >= 3 ? Window(f[2]) : nullptr;
        g_hangMilliseconds = std::stoul(f[1]);
        if (f.size() >= 4 && f[3] == L"once")
            g_answerOnce = shown;
        if (shown)
            Run({L"show", f[2]});
        if (command == L"busy") {
            // Busy inside this command, not from a posted message: the engine's question, sent
            // while the window is shown, must wait until the style has changed (a posted message
            // would come after it).
            Sleep(g_hangMilliseconds);
            const bool perPixel = f.size() >= 4 && f[3] == L"ulw";
            SetWindowLongW(shown, GWL_EXSTYLE, GetWindowLongW(shown, GWL_EXSTYLE) |
                                                   (perPixel ? WS_EX_LAYERED : WS_EX_TOOLWINDOW));
            return perPixel ? UpdateLayered(shown) : 1;
        }
        if (!g_answerOnce)
            PostMessageW(g_commandWindow, kHang, g_hangMilliseconds, 0);
        return 0;
    }
    if (command == L"layer" && f.size() >= 3) {
        SetWindowLongW(window, GWL_EXSTYLE, GetWindowLongW(window, GWL_EXSTYLE) | WS_EX_LAYERED);
        return SetLayeredWindowAttributes(window, 0, BYTE(std::stoul(f[2])), LWA_ALPHA);
    }
    if (command == L"ulw")
        return UpdateLayered(window);
    if (command == L"front") {
        SetForegroundWindow(window);
        // Wine 8 may not raise it itself; Windows raises exactly this one.
        NotifyWinEvent(EVENT_SYSTEM_FOREGROUND, window, OBJID_WINDOW, CHILDID_SELF);
        return GetForegroundWindow() == window;
    }
    if (command == L"wheels")
        return g_wheels;
    if (command == L"shown")
        return static_cast<LRESULT>(g_shownAt);
    if (command == L"styles")
        return g_styles;
    if (command == L"destroy")
        return DestroyWindow(window);
    return 0;
}

LRESULT CALLBACK CommandWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COPYDATA) {
        const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        std::wstringstream line(std::wstring(static_cast<const wchar_t*>(data->lpData), data->cbData / sizeof(wchar_t)));
        std::vector<std::wstring> fields;
        for (std::wstring field; std::getline(line, field, L'\t');)
            fields.push_back(field);
        return Run(fields);
    }
    if (message == kHang)
        Sleep(static_cast<DWORD>(wParam));
    if (message == WM_CLOSE)
        PostQuitMessage(0);
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

int wmain()
{
    RegisterClassOnce(L"PvHelperCommands", CommandWindowProc);
    const std::wstring name = std::to_wstring(GetCurrentProcessId());
    g_commandWindow = CreateWindowExW(0, L"PvHelperCommands", name.c_str(), 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                      nullptr, nullptr);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0)
        DispatchMessageW(&msg);
    return 0;
}
