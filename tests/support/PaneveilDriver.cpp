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
    // Byte by byte: the build tree's path is ASCII.
    g_programPath.assign(path, path + std::strlen(path));
    if (!g_programPath.empty() && g_programPath[0] == L'/') {
        std::replace(g_programPath.begin(), g_programPath.end(), L'/', L'\\');
        g_programPath.insert(0, L"Z:");
    }
}

std::wstring DataFilePath()
{
    wchar_t documents[MAX_PATH + 1] = {};
    SHGetSpecialFolderPathW(nullptr, documents, CSIDL_PERSONAL, FALSE);
    return std::wstring(documents) + L"\\Kestro\\Paneveil\\Paneveil.dat";
}

std::wstring WindowText(HWND window)
{
    wchar_t text[1024] = {};
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000,
                             &copied))
        return L"";
    return text;
}

bool IsVisible(HWND window)
{
    return IsWindow(window) && IsWindowVisible(window);
}

PaneveilProcess::~PaneveilProcess()
{
    if (IsRunning())
        Kill();
    if (m_process)
        CloseHandle(m_process);
}

bool PaneveilProcess::Start(const std::wstring& arguments)
{
    std::wstring commandLine = L"\"" + g_programPath + L"\"";
    if (!arguments.empty())
        commandLine += L" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return false;
    CloseHandle(info.hThread);
    m_process = info.hProcess;
    m_processId = info.dwProcessId;
    return true;
}

bool PaneveilProcess::IsRunning() const
{
    return m_process && WaitForSingleObject(m_process, 0) == WAIT_TIMEOUT;
}

bool PaneveilProcess::WaitForExit(DWORD timeoutMilliseconds)
{
    return !m_process || WaitForSingleObject(m_process, timeoutMilliseconds) == WAIT_OBJECT_0;
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
                if (!accept || accept(found)) {
                    window = found;
                    return true;
                }
            }
            return false;
        },
        timeoutMilliseconds);
    return window;
}

HWND PaneveilProcess::MainWindow(DWORD timeoutMilliseconds) const
{
    return WaitForWindow(L"Paneveil", timeoutMilliseconds, [](HWND window) {
        constexpr int kGlobalTab = 1009;
        return GetDlgItem(window, kGlobalTab) != nullptr;
    });
}

HWND PaneveilProcess::WaitForMessageBox(std::wstring* text, DWORD timeoutMilliseconds) const
{
    const HWND box = WaitForWindow(L"Paneveil", timeoutMilliseconds,
        [](HWND window) { return IsVisible(window) && GetDlgItem(window, 0xFFFF) != nullptr; });
    if (box && text)
        *text = WindowText(GetDlgItem(box, 0xFFFF));
    return box;
}

void PaneveilProcess::Kill()
{
    if (!IsRunning())
        return;
    TerminateProcess(m_process, 1);
    WaitForSingleObject(m_process, 5000);
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

void ClickButton(HWND dialog, int id)
{
    PostMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

void TypeText(HWND dialog, int id, const std::wstring& text)
{
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(GetDlgItem(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()),
                        SMTO_ABORTIFHUNG, 2000, &ignored);
}

bool TrayIconExists(HWND owner)
{
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof data;
    data.hWnd = owner;
    data.uID = 0;
    return Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE;
}
