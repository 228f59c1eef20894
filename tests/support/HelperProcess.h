#pragma once
#include <windows.h>

#include <string>

#include "TestSupport.h"
#include "UniqueHandle.h"

// A child process with its standard input and output on pipes. Going, it closes the input, which
// ends the programs used here, and after 5 s ends the process by force.
class PipedProcess {
public:
    explicit PipedProcess(const std::wstring& commandLine);
    ~PipedProcess();
    PipedProcess(const PipedProcess&) = delete;
    PipedProcess& operator=(const PipedProcess&) = delete;

    bool IsRunning() const { return bool(m_process); }
    bool Write(const std::string& text);
    // The next line of output without its line end, empty when the output ends. Pumps the calling
    // thread's messages while it waits, so that its timers and windows stay alive.
    std::string ReadLine();
    bool WaitForEnd(DWORD milliseconds);

private:
    UniqueKernelHandle m_process;
    UniqueKernelHandle m_input;    // our end of its standard input
    UniqueKernelHandle m_output;   // our end of its standard output
};

// Drives pv_window_helper.exe, which lies next to the running program (see WindowHelper.cpp).
class HelperProcess {
public:
    HelperProcess();

    bool IsRunning() const { return m_process.IsRunning(); }
    // Sends one command (fields joined by tabs) and returns the reply line.
    std::string Command(const std::string& line);

    // A hidden top-level window; null if it could not be made.
    HWND Create(const std::string& className, const std::string& title, bool colorKey = false);
    // quiet: without the window event, so that only a sweep can find the change.
    void Show(HWND window, bool quiet = false);
    void Hide(HWND window, bool quiet = false);
    void Destroy(HWND window);
    // The window's alpha: -1 when it is not layered, -2 when it is layered with a colour key.
    int Alpha(HWND window);
    // Polls Alpha until it gives `alpha`; false when the time is up.
    bool WaitForAlpha(HWND window, int alpha, DWORD timeoutMilliseconds = 3000);
    // Shows the window and waits in the helper until it has `alpha`: the microseconds from the
    // show, or -1 on timeout.
    long long ShowAndWait(HWND window, int alpha, DWORD timeoutMilliseconds);

private:
    PipedProcess m_process;
};

std::string WindowArgument(HWND window);
