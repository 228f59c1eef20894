#pragma once
#include <windows.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "UniqueHandle.h"
#include "resource.h"

// Starts the real Paneveil.exe in the test run's prefix and works it as a user would, through
// window messages and real key presses.

// The program's path, the test executable's first argument (a Unix path becomes Wine's Z: path).
void SetProgramPath(const char* path);
const std::wstring& ProgramPath();
// Documents\Kestro\Paneveil\Paneveil.dat, its folders created (Wine's Documents is the run's HOME).
std::wstring DataFilePath();
std::wstring WindowText(HWND window);

class PaneveilProcess {
public:
    PaneveilProcess() = default;
    ~PaneveilProcess() { Kill(); }   // a process a failed test left running
    PaneveilProcess(const PaneveilProcess&) = delete;
    PaneveilProcess& operator=(const PaneveilProcess&) = delete;

    bool Start(const std::wstring& arguments = L"", bool limited = false, const std::wstring& program = ProgramPath());
    bool IsRunning() const { return m_process && WaitForSingleObject(m_process.get(), 0) == WAIT_TIMEOUT; }
    HANDLE Handle() const { return m_process.get(); }
    bool WaitForExit(DWORD milliseconds = 10000) { return WaitForSingleObject(m_process.get(), milliseconds) == 0; }

    // Top-level windows of this process with the caption, hidden ones included.
    std::vector<HWND> FindWindows(const wchar_t* caption) const;
    // The first of them with a child `childId` (and shown, if asked), waited for.
    HWND WaitForWindow(const wchar_t* caption, int childId, bool shown, DWORD milliseconds = 10000) const;
    // The main window is captioned like the message boxes, which have a static text 0xFFFF.
    HWND MainWindow() const { return WaitForWindow(L"Paneveil", IDC_MAIN_TAB_GLOBAL, false); }
    HWND MessageBox(DWORD milliseconds = 10000) const { return WaitForWindow(L"Paneveil", 0xFFFF, true, milliseconds); }

    // Ends the process as a crash would, and waits for its watchdog to have mended what it left.
    // Unless told to keep it, the engine's running atom that a killed run leaves behind is
    // removed, so that later starts are not offered safe mode.
    void Kill(bool keepRunningAtom = false);
    // The program's watchdogs: processes of the same program started by this one, running; with
    // `end`, those that were ended from outside, as a user might in the task manager.
    std::vector<DWORD> Watchdogs(bool end = false) const;

private:
    UniqueKernelHandle m_process;
    DWORD m_processId = 0;
};

// The one child page of the main window shown now (by its style, so also while the window is
// hidden); null when none or several are.
HWND VisiblePage(HWND mainWindow);
// Returns once the main window has handled every message posted to it before: a tab command
// posted after them has then shown another page.
bool Sync(HWND mainWindow);

// Clicks a button (BM_CLICK, posted: the click may open a modal box).
void ClickButton(HWND dialog, int id);
// Types a text into an edit: WM_SETTEXT, which notifies the dialog as typing does.
void TypeText(HWND dialog, int id, const std::wstring& text);
// A key pressed or released, as real keyboard input.
void Key(WORD key, bool down);
// Presses the keys in order and releases them in reverse.
void PressKeys(std::initializer_list<WORD> keys);
POINT Centre(HWND window);
// Moves the mouse to a point of the screen with button changes (MOUSEEVENTF_LEFTDOWN, ...), as
// real input; a click with the left button, or a drag when `to` is elsewhere.
void Mouse(POINT at, DWORD buttons = 0);
void Drag(POINT from, POINT to);
// The wheel turned at a point of the screen, `delta` a notch of WHEEL_DELTA or its negative.
void Wheel(POINT at, int delta);
// Whether the shell holds a tray icon (id 0) of this window: a modify that changes nothing
// succeeds only for an icon that exists.
bool TrayIconExists(HWND owner);
