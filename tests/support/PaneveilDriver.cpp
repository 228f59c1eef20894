#include "PaneveilDriver.h"

#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cstring>
#include <cwchar>

#include "RunningAtom.h"

namespace {

std::wstring g_programPath;

struct EnumState {
    DWORD processId;
    const wchar_t* caption;
    std::vector<HWND>* found;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM parameter)
{
    auto* state = reinterpret_cast<EnumState*>(parameter);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    if (processId == state->processId && WindowText(window) == state->caption)
        state->found->push_back(window);
    return TRUE;
}

}  // namespace

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
    wchar_t text[1024] = {};
    GetWindowTextW(window, text, 1024);
    return text;
}

bool PaneveilProcess::Start(const std::wstring& arguments)
{
    std::wstring commandLine = L"\"" + g_programPath + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return false;
    CloseHandle(info.hThread);
    m_process.reset(info.hProcess);
    return (m_processId = info.dwProcessId) != 0;
}

bool PaneveilProcess::IsRunning() const
{
    return m_process && WaitForSingleObject(m_process.get(), 0) == WAIT_TIMEOUT;
}

bool PaneveilProcess::WaitForExit(DWORD timeoutMilliseconds)
{
    return !m_process || WaitForSingleObject(m_process.get(), timeoutMilliseconds) == WAIT_OBJECT_0;
}

std::vector<HWND> PaneveilProcess::FindWindows(const wchar_t* caption) const
{
    std::vector<HWND> found;
    EnumState state{m_processId, caption, &found};
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&state));
    return found;
}

HWND PaneveilProcess::WaitForWindow(const wchar_t* caption, DWORD timeoutMilliseconds, bool (*accept)(HWND)) const
{
    HWND window = nullptr;
    WaitFor(
        [&] {
            for (HWND found : FindWindows(caption)) {
                if (!accept || accept(found))
                    return (window = found) != nullptr;
            }
            return false;
        },
        timeoutMilliseconds);
    return window;
}

HWND PaneveilProcess::MainWindow() const
{
    return WaitForWindow(L"Paneveil", 10000, [](HWND window) { return GetDlgItem(window, IDC_MAIN_TAB_GLOBAL) != nullptr; });
}

HWND PaneveilProcess::WaitForMessageBox(std::wstring* text, DWORD timeoutMilliseconds) const
{
    const HWND box = WaitForWindow(L"Paneveil", timeoutMilliseconds,
        [](HWND window) { return IsWindowVisible(window) && GetDlgItem(window, 0xFFFF) != nullptr; });
    if (box && text)
        *text = WindowText(GetDlgItem(box, 0xFFFF));
    return box;
}

void PaneveilProcess::Kill(bool keepRunningAtom)
{
    if (!IsRunning())
        return;
    TerminateProcess(m_process.get(), 1);
    WaitForSingleObject(m_process.get(), 5000);
    if (!keepRunningAtom)
        RemoveRunningAtom();
}

HWND VisiblePage(HWND mainWindow)
{
    HWND shown = nullptr;
    for (HWND child = GetWindow(mainWindow, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t className[32] = {};
        GetClassNameW(child, className, 32);
        if (wcscmp(className, L"#32770") == 0 && (GetWindowLongW(child, GWL_STYLE) & WS_VISIBLE)) {
            if (shown)
                return nullptr;
            shown = child;
        }
    }
    return shown;
}

bool Sync(HWND mainWindow)
{
    const HWND before = VisiblePage(mainWindow);
    const int tab = GetDlgItem(before, IDC_FILTERS_LIST) ? IDC_MAIN_TAB_SETTINGS : IDC_MAIN_TAB_FILTERS;
    // The command itself rather than a click, which a window disabled by a modal prompt would refuse.
    PostMessageW(mainWindow, WM_COMMAND, MAKEWPARAM(tab, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(mainWindow, tab)));
    return WaitFor([&] {
        const HWND now = VisiblePage(mainWindow);
        return now && now != before;
    });
}

void ClickButton(HWND dialog, int id)
{
    PostMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

void TypeText(HWND dialog, int id, const std::wstring& text)
{
    SendMessageW(GetDlgItem(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void PressKeys(std::initializer_list<WORD> keys)
{
    std::vector<INPUT> inputs;
    for (bool up : {false, true}) {
        for (size_t i = 0; i < keys.size(); ++i) {
            INPUT input{};
            input.type = INPUT_KEYBOARD;
            input.ki.wVk = up ? keys.begin()[keys.size() - 1 - i] : keys.begin()[i];
            input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
            inputs.push_back(input);
        }
    }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

bool TrayIconExists(HWND owner)
{
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof data;
    data.hWnd = owner;
    data.uID = 0;
    return Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE;
}
