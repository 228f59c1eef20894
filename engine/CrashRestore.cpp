#include "CrashRestore.h"

#include <windows.h>

namespace {

using GetLayeredWindowAttributesProc = BOOL(WINAPI*)(HWND, COLORREF*, BYTE*, DWORD*);

// Looked up at start-up, as the engine looks it up lazily (systems before XP lack it): a crashing
// process must not enter the loader.
const GetLayeredWindowAttributesProc g_getLayeredWindowAttributes =
    reinterpret_cast<GetLayeredWindowAttributesProc>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"User32.dll"), "GetLayeredWindowAttributes")));

BOOL CALLBACK RestoreWindowProc(HWND window, LPARAM)
{
    if ((GetWindowLongW(window, GWL_STYLE) & WS_CHILD) || !(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_LAYERED))
        return TRUE;
    BYTE alpha = 0;
    DWORD flags = 0;
    // Alpha 255 rather than clearing WS_EX_LAYERED: changing another program's style waits for its
    // thread to answer, and a hung program would hold the dying process. The alpha is set without
    // the window's thread (measured under Wine too), and the window draws opaque while still layered.
    if (g_getLayeredWindowAttributes(window, nullptr, &alpha, &flags) && flags == LWA_ALPHA && alpha != 255)
        SetLayeredWindowAttributes(window, 0, 255, LWA_ALPHA);
    return TRUE;
}

}  // namespace

void RestoreWindowsAfterCrash()
{
    // Without the function a colour-keyed window cannot be told apart, and would lose its key.
    if (g_getLayeredWindowAttributes)
        EnumWindows(RestoreWindowProc, 0);
}
