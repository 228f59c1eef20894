#include "WinApp.h"

WinApp* WinApp::s_current = nullptr;

namespace {
// Without a given name the application is named after its executable, as the caption of
// message boxes shown before the program sets its own.
std::wstring NameFromModule()
{
    wchar_t path[MAX_PATH + 1] = {};
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring name(path, length);
    size_t slash = name.find_last_of(L"\\/");
    if (slash != std::wstring::npos)
        name.erase(0, slash + 1);
    size_t dot = name.rfind(L'.');
    if (dot != std::wstring::npos)
        name.erase(dot);
    return name;
}
}

WinApp::WinApp(const wchar_t* appName)
    : m_appName(appName ? appName : NameFromModule()), m_instance(GetModuleHandleW(nullptr))
{
    s_current = this;
}

WinApp::~WinApp()
{
    if (s_current == this)
        s_current = nullptr;
}

int WinApp::Run(HINSTANCE instance, const wchar_t* commandLineTail)
{
    m_instance = instance;
    m_commandLineTail = commandLineTail ? commandLineTail : L"";
    if (InitInstance()) {
        MSG message;
        while (GetMessageW(&message, nullptr, 0, 0) > 0) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return ExitInstance();
}

HINSTANCE GetResourceInstance()
{
    WinApp* app = WinApp::Current();
    return app ? app->GetInstance() : GetModuleHandleW(nullptr);
}
