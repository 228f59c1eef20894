#define PVDLL_BUILD
#include "PVDLL.h"

// This library is loaded into every process that raises window events, so it links nothing but
// KERNEL32 and USER32: no C runtime, no allocation, no calls back into the program.

namespace {

// One instance shared by every process that maps the library. Kept as one struct so that the
// three values lie in the section in this order.
struct SharedState {
    HWINEVENTHOOK hook;
    DWORD threadId;   // 0 = post nothing
    UINT message;     // 0 = post nothing
    // A hook of its own for the one event: a range up to it would call the procedure for every
    // event between show and foreground.
    HWINEVENTHOOK foregroundHook;
};

#if defined(_MSC_VER)
#pragma data_seg(".GLOBAL")
volatile SharedState g_shared = {};
#pragma data_seg()
#pragma comment(linker, "/SECTION:.GLOBAL,RWS")
#else
volatile SharedState g_shared __attribute__((section(".GLOBAL"), shared)) = {};
#endif

HMODULE g_module = nullptr;

void CALLBACK HookProc(HWINEVENTHOOK, DWORD event, HWND window, LONG objectId, LONG childId,
                       DWORD, DWORD)
{
    if (childId != CHILDID_SELF || objectId != OBJID_WINDOW)
        return;
    const DWORD threadId = g_shared.threadId;
    const UINT message = g_shared.message;
    if (threadId == 0 || message == 0)
        return;
    if (GetWindowLongW(window, GWL_STYLE) & WS_CHILD)
        return;
    const LPARAM kind = event == EVENT_SYSTEM_FOREGROUND ? PV_FOREGROUND : event == EVENT_OBJECT_HIDE ? PV_HIDDEN : PV_SHOWN;
    PostThreadMessageW(threadId, message, reinterpret_cast<WPARAM>(window), kind);
}

} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = instance;
        // Loaded into every process with window events: spare each new thread the call.
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

PVDLL_API HWINEVENTHOOK __cdecl PV_Hook(DWORD threadId, UINT message)
{
    PV_Unhook();
    g_shared.message = message;
    g_shared.threadId = threadId;
    HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_SHOW, EVENT_OBJECT_HIDE, g_module, HookProc,
                                         0, 0, WINEVENT_INCONTEXT);
    g_shared.hook = hook;
    g_shared.foregroundHook = SetWinEventHook(EVENT_SYSTEM_FOREGROUND, EVENT_SYSTEM_FOREGROUND, g_module, HookProc,
                                              0, 0, WINEVENT_INCONTEXT);
    return hook;
}

PVDLL_API BOOL __cdecl PV_Unhook()
{
    HWINEVENTHOOK hook = g_shared.hook;
    // Copies still running in other processes stop posting from this moment.
    g_shared.threadId = 0;
    BOOL removed = hook ? UnhookWinEvent(hook) : FALSE;
    g_shared.hook = nullptr;
    if (HWINEVENTHOOK foreground = g_shared.foregroundHook)
        UnhookWinEvent(foreground);
    g_shared.foregroundHook = nullptr;
    return removed;
}
