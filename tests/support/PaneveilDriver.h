#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "TestSupport.h"

// Starts the real Paneveil.exe in the test run's prefix and works it through window messages,
// as a user's clicks and keys would.

// The program's path, given to the test executable as its first argument (a Unix path is
// turned into the Z: drive path Wine maps to it).
void SetProgramPath(const char* path);

// Documents\Kestro\Paneveil\Paneveil.dat as the program composes it (Wine's Documents is HOME).
std::wstring DataFilePath();

// The text of a window of any process (WM_GETTEXT is marshalled across processes).
std::wstring WindowText(HWND window);
bool IsVisible(HWND window);

class PaneveilProcess {
public:
    PaneveilProcess() = default;
    ~PaneveilProcess();
    PaneveilProcess(const PaneveilProcess&) = delete;
    PaneveilProcess& operator=(const PaneveilProcess&) = delete;

    bool Start(const std::wstring& arguments = L"");
    bool IsRunning() const;
    // Waits for the process to end; false on timeout.
    bool WaitForExit(DWORD timeoutMilliseconds = 10000);
    DWORD ProcessId() const { return m_processId; }

    // Top-level windows of this process with the given caption (hidden ones included).
    std::vector<HWND> FindWindows(const wchar_t* caption) const;
    // The first such window that `accept` takes (any without it), waited for.
    HWND WaitForWindow(const wchar_t* caption, DWORD timeoutMilliseconds = 10000, bool (*accept)(HWND) = nullptr) const;
    // The main window: captioned "Paneveil" like the message boxes, but with the tab buttons.
    HWND MainWindow(DWORD timeoutMilliseconds = 10000) const;
    // A message box of this process (caption "Paneveil", a static text 0xFFFF) and its text.
    HWND WaitForMessageBox(std::wstring* text = nullptr, DWORD timeoutMilliseconds = 10000) const;

    // Ends the process as a user would not: only for cleaning up after a failed test. A killed
    // run leaves the engine's atom behind, which is removed here so later tests see no offer.
    void Kill();

private:
    HANDLE m_process = nullptr;
    DWORD m_processId = 0;
};

// The one child page of the main window shown now (by its own style, so even while the window is
// hidden); null when none or several are.
HWND VisiblePage(HWND mainWindow);

// Clicks a button by its id (BM_CLICK, posted: the click may open a modal box).
void ClickButton(HWND dialog, int id);
// Types a text into an edit: WM_SETTEXT, which notifies the dialog like typing does.
void TypeText(HWND dialog, int id, const std::wstring& text);

// Whether the shell holds a tray icon (id 0) of this window: a modify that changes nothing
// succeeds only for an icon that exists.
bool TrayIconExists(HWND owner);
