#pragma once
#include <windows.h>

#include <string>

#include "TestSupport.h"
#include "UniqueHandle.h"

// Drives pv_window_helper.exe, which lies next to the running program (see WindowHelper.cpp).
// While a command runs, messages sent to the calling thread are still answered.
class HelperProcess {
public:
    // A copy of the helper under another name (a stand-in for another program) with `program`;
    // `limited` as StartProcess has it.
    explicit HelperProcess(const std::wstring& program = ProgramFolder() + L"\\pv_window_helper.exe", bool limited = false);
    ~HelperProcess();
    HelperProcess(const HelperProcess&) = delete;
    HelperProcess& operator=(const HelperProcess&) = delete;

    bool IsRunning() const { return m_window != nullptr; }
    LRESULT Command(const std::wstring& line);

    // A hidden top-level window; null if it could not be made.
    HWND Create(const std::wstring& className, const std::wstring& title, const wchar_t* option = L"");
    // quiet: without the window event, so that only a sweep can find the change.
    void Show(HWND window, bool quiet = false) { Command(L"show\t" + Argument(window) + (quiet ? L"\tquiet" : L"")); }
    void Hide(HWND window, bool quiet = false) { Command(L"hide\t" + Argument(window) + (quiet ? L"\tquiet" : L"")); }
    void Destroy(HWND window) { Command(L"destroy\t" + Argument(window)); }
    // The window's alpha: -1 when it is not layered, -2 when it is layered with a colour key.
    int Alpha(HWND window) { return int(Command(L"alpha\t" + Argument(window))); }
    // Polls Alpha, pumping this thread's messages, until it gives `alpha`; false when the time is up.
    bool WaitForAlpha(HWND window, int alpha, DWORD timeoutMilliseconds = 3000);
    // Shows the window and waits until it has `alpha`: the microseconds from the show, or -1.
    long long ShowAndWait(HWND window, int alpha, DWORD timeoutMilliseconds);

    static std::wstring Argument(HWND window) { return std::to_wstring(reinterpret_cast<UINT_PTR>(window)); }

private:
    UniqueKernelHandle m_process;
    HWND m_window = nullptr;   // its command window
};
