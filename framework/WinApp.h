#pragma once
#include <windows.h>
#include <string>

class Wnd;

// The one application object. Constructing it makes it the current application; the entry
// point calls Run, which runs InitInstance and, when that returns false, ExitInstance.
class WinApp {
public:
    explicit WinApp(const wchar_t* appName = nullptr);
    virtual ~WinApp();
    WinApp(const WinApp&) = delete;
    WinApp& operator=(const WinApp&) = delete;

    static WinApp* Current() { return s_current; }

    int Run(HINSTANCE instance, const wchar_t* commandLineTail);

    virtual bool InitInstance() { return false; }
    virtual int ExitInstance() { return 0; }
    virtual void WinHelp(DWORD data, UINT command) { (void)data, (void)command; }

    // What the skinned dialogs take from the application; the program's application object
    // supplies them, the framework has none.
    virtual HFONT GetUiFont() const { return nullptr; }
    // The same font for a monitor of another scale (dots per inch), after a window moved there.
    virtual HFONT GetUiFontForDpi(UINT dpi) { return (void)dpi, GetUiFont(); }
    virtual HCURSOR GetHandCursor() const { return nullptr; }

    // The caption of every message box.
    const std::wstring& GetAppName() const { return m_appName; }
    void SetAppName(const wchar_t* name) { m_appName = name ? name : L""; }

    HINSTANCE GetInstance() const { return m_instance; }
    const wchar_t* GetCommandLineTail() const { return m_commandLineTail.c_str(); }

    Wnd* GetMainWnd() const { return m_mainWnd; }
    void SetMainWnd(Wnd* window) { m_mainWnd = window; }

private:
    static WinApp* s_current;
    std::wstring m_appName;
    std::wstring m_commandLineTail;
    HINSTANCE m_instance;
    Wnd* m_mainWnd = nullptr;
};

// The module whose resources the framework loads: the current application's, else the
// executable's.
HINSTANCE GetResourceInstance();
