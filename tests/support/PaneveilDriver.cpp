#include "PaneveilDriver.h"

#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cstring>
#include <cwchar>

#include "RunningAtom.h"

namespace {

std::wstring g_programPath;

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
    m_process.reset(StartProcess(L"\"" + g_programPath + L"\" " + arguments));
    return (m_processId = GetProcessId(m_process.get())) != 0;
}

std::vector<HWND> PaneveilProcess::FindWindows(const wchar_t* caption) const
{
    std::vector<HWND> found;
    for (HWND window = nullptr; (window = FindWindowExW(nullptr, window, nullptr, caption));) {
        DWORD processId = 0;
        GetWindowThreadProcessId(window, &processId);
        if (processId == m_processId)
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
    if (!keepRunningAtom)
        RemoveRunningAtom();
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

void PressKeys(std::initializer_list<WORD> keys)
{
    std::vector<INPUT> inputs(2 * keys.size());
    for (size_t i = 0; i < keys.size(); ++i) {
        inputs[i].type = inputs[inputs.size() - 1 - i].type = INPUT_KEYBOARD;
        inputs[i].ki.wVk = inputs[inputs.size() - 1 - i].ki.wVk = keys.begin()[i];
        inputs[inputs.size() - 1 - i].ki.dwFlags = KEYEVENTF_KEYUP;
    }
    SendInput(UINT(inputs.size()), inputs.data(), sizeof(INPUT));
}

bool TrayIconExists(HWND owner)
{
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof data;
    data.hWnd = owner;
    return Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE;
}
