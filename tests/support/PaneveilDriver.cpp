#include "PaneveilDriver.h"

#include <shellapi.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <cstring>
#include <cwchar>

#include "RunningAtom.h"

namespace {

std::wstring g_programPath;

}  // namespace

const std::wstring& ProgramPath()
{
    return g_programPath;
}

void SetProgramPath(const char* path)
{
    g_programPath.assign(path, path + std::strlen(path));   // the build tree's path is ASCII
    if (!g_programPath.empty() && g_programPath[0] == L'/') {
        std::replace(g_programPath.begin(), g_programPath.end(), L'/', L'\\');
        g_programPath.insert(0, L"Z:");
    }
}

std::wstring DataFilePath()
{
    wchar_t documents[MAX_PATH + 1] = {};
    SHGetSpecialFolderPathW(nullptr, documents, CSIDL_PERSONAL, FALSE);
    const std::wstring folder = std::wstring(documents) + L"\\Kestro\\Paneveil";
    SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);   // the test may write the file first
    return folder + L"\\Paneveil.dat";
}

std::wstring WindowText(HWND window)
{
    // Asked of the window: another process's edit keeps its text to itself.
    wchar_t text[1024] = {};
    DWORD_PTR length = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000, &length);
    return text;
}

bool PaneveilProcess::Start(const std::wstring& arguments, bool limited, const std::wstring& program)
{
    m_process.reset(StartProcess(L"\"" + program + L"\" " + arguments, 0, limited));
    return (m_processId = GetProcessId(m_process.get())) != 0;
}

std::vector<HWND> PaneveilProcess::FindWindows(const wchar_t* caption) const
{
    std::vector<HWND> found;
    for (HWND window = nullptr; (window = FindWindowExW(nullptr, window, nullptr, nullptr));) {
        DWORD processId = 0;
        GetWindowThreadProcessId(window, &processId);
        // Asked of the window: a title set by the program is not always the one others see.
        if (processId == m_processId && WindowText(window) == caption)
            found.push_back(window);
    }
    return found;
}

HWND PaneveilProcess::WaitForWindow(const wchar_t* caption, int childId, bool shown, DWORD milliseconds) const
{
    HWND window = nullptr;
    WaitFor([&] {
        for (HWND found : FindWindows(caption)) {
            if (GetDlgItem(found, childId) && (!shown || IsWindowVisible(found)))
                return (window = found) != nullptr;
        }
        return false;
    }, milliseconds);
    return window;
}

void PaneveilProcess::Kill(bool keepRunningAtom)
{
    if (!IsRunning())
        return;
    TerminateProcess(m_process.get(), 1);
    WaitForExit(5000);
    WaitFor([&] { return Watchdogs().empty(); });
    if (!keepRunningAtom)
        RemoveRunningAtom();
}

std::vector<DWORD> PaneveilProcess::Watchdogs(bool end) const
{
    std::vector<DWORD> found;
    const std::wstring program = g_programPath.substr(g_programPath.find_last_of(L'\\') + 1);
    UniqueFileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (bool more = snapshot && Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry)) {
        UniqueKernelHandle watchdog;
        if (m_processId && entry.th32ParentProcessID == m_processId && _wcsicmp(entry.szExeFile, program.c_str()) == 0
            && (!end || ((watchdog = UniqueKernelHandle(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, entry.th32ProcessID)))
                         && TerminateProcess(watchdog.get(), 1) && !WaitForSingleObject(watchdog.get(), 5000))))
            found.push_back(entry.th32ProcessID);
    }
    return found;
}

HWND VisiblePage(HWND mainWindow)
{
    HWND shown = nullptr;
    for (HWND page = nullptr; (page = FindWindowExW(mainWindow, page, L"#32770", nullptr));) {
        if (GetWindowLongW(page, GWL_STYLE) & WS_VISIBLE) {
            if (shown)
                return nullptr;
            shown = page;
        }
    }
    return shown;
}

bool Sync(HWND mainWindow)
{
    const HWND before = VisiblePage(mainWindow);
    const int tab = GetDlgItem(before, IDC_FILTERS_LIST) ? IDC_MAIN_TAB_SETTINGS : IDC_MAIN_TAB_FILTERS;
    // The command itself rather than a click, which a window disabled by a modal prompt would refuse.
    PostMessageW(mainWindow, WM_COMMAND, MAKEWPARAM(tab, BN_CLICKED), LPARAM(GetDlgItem(mainWindow, tab)));
    return WaitFor([&] { return VisiblePage(mainWindow) && VisiblePage(mainWindow) != before; });
}

void ClickButton(HWND dialog, int id)
{
    PostMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

void TypeText(HWND dialog, int id, const std::wstring& text)
{
    SendMessageW(GetDlgItem(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void Key(WORD key, bool down)
{
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.wScan = WORD(MapVirtualKeyW(key, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
    SendInput(1, &input, sizeof input);
}

void PressKeys(std::initializer_list<WORD> keys)
{
    for (WORD key : keys)
        Key(key, true);
    for (auto key = std::rbegin(keys); key != std::rend(keys); ++key)
        Key(*key, false);
}

POINT Centre(HWND window)
{
    RECT rect{};
    GetWindowRect(window, &rect);
    return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

void Mouse(POINT at, DWORD buttons)
{
    // Two presses close in time and place make a double click, which a person means rarely.
    static POINT lastPress{-100, -100};
    static ULONGLONG lastTime = 0;
    if (buttons & MOUSEEVENTF_LEFTDOWN) {
        const ULONGLONG since = GetTickCount64() - lastTime;
        if (std::abs(at.x - lastPress.x) <= GetSystemMetrics(SM_CXDOUBLECLK)
            && std::abs(at.y - lastPress.y) <= GetSystemMetrics(SM_CYDOUBLECLK) && since <= GetDoubleClickTime())
            Sleep(DWORD(GetDoubleClickTime() - since + 50));
        lastPress = at;
        lastTime = GetTickCount64();
    }
    const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = (at.x * 65536 + width / 2) / width;
    input.mi.dy = (at.y * 65536 + height / 2) / height;
    input.mi.dwFlags = MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE | buttons;
    SendInput(1, &input, sizeof input);
    Sleep(20);   // a person's pace: each step is handled before the next
}

void Drag(POINT from, POINT to)
{
    Mouse(from, 0);
    Mouse(from, MOUSEEVENTF_LEFTDOWN);
    for (int step = 1; step <= 4; ++step)
        Mouse({from.x + (to.x - from.x) * step / 4, from.y + (to.y - from.y) * step / 4});
    Mouse(to, MOUSEEVENTF_LEFTUP);
}

void Wheel(POINT at, int delta)
{
    Mouse(at);
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.mouseData = static_cast<DWORD>(delta);
    input.mi.dwFlags = MOUSEEVENTF_WHEEL;
    SendInput(1, &input, sizeof input);
    Sleep(20);
}

bool TrayIconExists(HWND owner)
{
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof data;
    data.hWnd = owner;
    return Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE;
}
