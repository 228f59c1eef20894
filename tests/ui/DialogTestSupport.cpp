#include "DialogTestSupport.h"

namespace {
// Constructed before main, like the program's own application object.
TestApp g_app;
}

TestApp& GetTestApp()
{
    return g_app;
}

namespace {
MessageBoxWatcher* g_watcher = nullptr;

BOOL CALLBACK CollectStatic(HWND child, LPARAM context)
{
    auto* seen = reinterpret_cast<SeenMessageBox*>(context);
    wchar_t className[32] = {};
    GetClassNameW(child, className, 32);
    if (lstrcmpiW(className, L"Static") != 0)
        return TRUE;
    HICON icon = reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0));
    if (icon) {
        if (icon == LoadIconW(nullptr, IDI_EXCLAMATION))
            seen->exclamationIcon = true;
    } else {
        std::wstring text = TextOf(child);
        if (text.size() > seen->text.size())
            seen->text = text;
    }
    return TRUE;
}
}

MessageBoxWatcher::MessageBoxWatcher()
{
    g_watcher = this;
    m_hook = SetWindowsHookExW(WH_CBT, &CbtProc, nullptr, GetCurrentThreadId());
}

MessageBoxWatcher::~MessageBoxWatcher()
{
    if (m_hook)
        UnhookWindowsHookEx(m_hook);
    g_watcher = nullptr;
}

LRESULT CALLBACK MessageBoxWatcher::CbtProc(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_ACTIVATE && g_watcher) {
        HWND window = reinterpret_cast<HWND>(wParam);
        wchar_t className[32] = {};
        GetClassNameW(window, className, 32);
        // Message boxes are dialogs whose procedure is not ours.
        if (lstrcmpW(className, L"#32770") == 0 && !Wnd::FromHandle(window)) {
            SeenMessageBox seen{TextOf(window), L"", false};
            EnumChildWindows(window, &CollectStatic, reinterpret_cast<LPARAM>(&seen));
            g_watcher->m_seen.push_back(seen);
            HWND button = FindWindowExW(window, nullptr, L"Button", nullptr);
            PostMessageW(window, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED),
                reinterpret_cast<LPARAM>(button));
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

Font MakeFont(int height)
{
    LOGFONTW logFont{};
    logFont.lfHeight = height;
    logFont.lfCharSet = DEFAULT_CHARSET;
    lstrcpyW(logFont.lfFaceName, L"Tahoma");
    Font font;
    font.CreateIndirect(logFont);
    return font;
}

std::wstring TextOf(HWND window)
{
    wchar_t text[1024] = {};
    GetWindowTextW(window, text, 1024);
    return text;
}
