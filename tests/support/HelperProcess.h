#pragma once
#include <windows.h>

#include <string>

#include "TestSupport.h"

// A child process with its standard input and output on pipes.
class PipedProcess {
public:
    explicit PipedProcess(const std::wstring& commandLine);
    // Ends the process: first by closing its input, after 5 s by force.
    ~PipedProcess();
    PipedProcess(const PipedProcess&) = delete;
    PipedProcess& operator=(const PipedProcess&) = delete;

    bool IsRunning() const { return m_process != nullptr; }
    bool Write(const std::string& text);
    // The next line of output without its line end; pumps the calling thread's messages while it
    // waits. Empty when the output ends.
    std::string ReadLine();
    void CloseInput();
    bool Kill();
    bool WaitForEnd(DWORD milliseconds);

private:
    HANDLE m_process = nullptr;
    HANDLE m_input = nullptr;    // our end of its standard input
    HANDLE m_output = nullptr;   // our end of its standard output
};

// Drives pv_window_helper.exe (next to the running program) over its standard input and output.
// While a command runs, the calling thread keeps pumping its own messages, so that its thread
// timers (safe mode) and windows stay alive.
class HelperProcess {
public:
    HelperProcess();

    bool IsRunning() const { return m_process.IsRunning(); }
    // Sends one command (fields joined by tabs) and returns the reply line.
    std::string Command(const std::string& line);

    // Convenience wrappers; a window of 0 means the command failed.
    HWND Create(const std::string& className, const std::string& title, bool colorKey = false);
    HWND Child(HWND parent);
    void Show(HWND window);
    void Hide(HWND window);
    void Destroy(HWND window);
    // Waits in the helper until the window has the alpha (-1: is not layered); elapsed
    // microseconds, or -1 on timeout.
    long long Wait(HWND window, int alpha, DWORD timeoutMilliseconds = 1000);
    long long ShowAndWait(HWND window, int alpha, DWORD timeoutMilliseconds = 1000);

    struct Layering {
        DWORD exStyle = 0;
        bool got = false;   // GetLayeredWindowAttributes succeeded
        int alpha = -1;
        DWORD flags = 0;
    };
    Layering Query(HWND window);

private:
    long long Waited(const std::string& command, HWND window, int alpha, DWORD timeoutMilliseconds);

    PipedProcess m_process;
};

std::string WindowArgument(HWND window);
