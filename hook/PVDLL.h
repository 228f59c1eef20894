#pragma once
#include <windows.h>

// The window-event hook library. Once hooked, every copy of the library (one per process that
// shows or hides a window) posts each shown or hidden top-level window, and each window that
// comes to the foreground, to one thread:
//   message = the given message id, wParam = the window, lParam = one of the values below.
constexpr LPARAM PV_SHOWN = 0;
constexpr LPARAM PV_HIDDEN = 1;
constexpr LPARAM PV_FOREGROUND = 2;

#ifdef PVDLL_BUILD
#define PVDLL_API extern "C" __declspec(dllexport)
#else
#define PVDLL_API extern "C" __declspec(dllimport)
#endif

// Installs the system-wide hook (replacing one installed before) and returns it, or null.
PVDLL_API HWINEVENTHOOK __cdecl PV_Hook(DWORD threadId, UINT message);
// Removes the hook; non-zero only if a hook was there and is now removed.
PVDLL_API BOOL __cdecl PV_Unhook();

using PV_HookFunction = HWINEVENTHOOK(__cdecl*)(DWORD threadId, UINT message);
using PV_UnhookFunction = BOOL(__cdecl*)();
