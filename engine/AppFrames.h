#pragma once
#include <windows.h>

#include "CriticalSection.h"
#include "DataFile.h"

// Store apps. Every app's window is a frame of one host program, ApplicationFrameHost.exe, and the
// app's own window lies inside it as a child that belongs to the app's process. The program of
// such a frame is the app: a filter on the host's path would change every app at once. A
// minimized or suspended app's window leaves the frame, which then keeps the host's path.

bool IsAppFrameHost(const wchar_t* programPath);

// The process of the first child window of `frame` that belongs to another process than
// `hostProcessId`; 0 when there is none.
DWORD FindFramedApp(HWND frame, DWORD hostProcessId);

// The program path of `window` as the finder shows it: the app's path for a frame of the host.
void GetWindowProgramPath(HWND window, wchar_t (&path)[kPathCapacity]);

// The app found in each frame, looked up once per frame rather than at every sweep. A frame found
// empty is looked at again after a while: the app may have come back into it.
// Safe for the worker and the user-interface thread at once.
class AppFrameCache {
public:
    DWORD AppOf(HWND frame, DWORD hostProcessId);
    void Clear();

    static constexpr int kCapacity = 32;
    static constexpr DWORD kEmptyRetryMilliseconds = 2000;

private:
    struct Entry {
        HWND frame = nullptr;
        DWORD host = 0;
        DWORD app = 0;
        DWORD lookedAt = 0;
    };
    CriticalSection m_lock;
    Entry m_entries[kCapacity];
    int m_next = 0;
};
