#define PVDLL_BUILD
#include "PVDLL.h"

// This library is loaded into every process that raises window events, so it links nothing but
// KERNEL32 and USER32: no C runtime, no allocation, no calls back into the program.
//
// Where the posts go is not kept in a section shared by every process that maps the library:
// any process can load it, a lower-privileged one included, and could silence the posts or point
// them at a thread of its own. The target lives in a named section of the session that only the
// hooking user may write and every process may read; the library has no shared writable data.

namespace {

struct Target {
    DWORD threadId;   // 0 = post nothing
    UINT message;     // 0 = post nothing
};

// In the session's namespace: two users of one copy each have their own.
constexpr wchar_t kTargetName[] = L"Local\\PaneveilHookTarget";
// The hooking user may do anything with it (SECTION_ALL_ACCESS), everyone else only map it for
// reading (SECTION_QUERY | SECTION_MAP_READ). %s is the user's SID.
constexpr wchar_t kTargetAccess[] = L"D:P(A;;0xF001F;;;%s)(A;;0x5;;;WD)";

HMODULE g_module = nullptr;
// Every process's read-only view of the Target, mapped at its first event.
PVOID volatile g_target = nullptr;

// Only in the process that hooks: the section, kept open for the process's life so that the
// views of other processes and a later hook see the same one, its writable view, and the hooks.
HANDLE g_section = nullptr;
volatile Target* g_writer = nullptr;
HWINEVENTHOOK g_hook = nullptr;
// A hook of its own for the one event: a range up to it would call the procedure for every event
// between show and foreground.
HWINEVENTHOOK g_foregroundHook = nullptr;

// Maps the section as it is now, in place of the view `known` (null at the first event). A view
// kept from before may be of a section that went with the process that made it (a new hook makes
// a new one): it then reads a thread id of 0 or one that has ended. The old view stays mapped, as
// another thread of this process may be reading it.
const volatile Target* MapTarget(PVOID known)
{
    const HANDLE section = OpenFileMappingW(FILE_MAP_READ, FALSE, kTargetName);
    if (!section)
        return nullptr;
    void* view = MapViewOfFile(section, FILE_MAP_READ, 0, 0, sizeof(Target));
    CloseHandle(section);   // the view keeps the section
    if (!view)
        return nullptr;
    // Two threads of one process may map at once: the view of the first stays.
    if (InterlockedCompareExchangePointer(&g_target, view, known) != known)
        UnmapViewOfFile(view);
    return static_cast<const volatile Target*>(g_target);
}

void CALLBACK HookProc(HWINEVENTHOOK, DWORD event, HWND window, LONG objectId, LONG childId,
                       DWORD, DWORD)
{
    if (childId != CHILDID_SELF || objectId != OBJID_WINDOW)
        return;
    const volatile Target* target = static_cast<const volatile Target*>(g_target);
    if (!target || target->threadId == 0)
        target = MapTarget(const_cast<Target*>(target));
    if (!target || target->threadId == 0 || target->message == 0)
        return;
    if (GetWindowLongW(window, GWL_STYLE) & WS_CHILD)
        return;
    const LPARAM kind = event == EVENT_SYSTEM_FOREGROUND ? PV_FOREGROUND : event == EVENT_OBJECT_HIDE ? PV_HIDDEN : PV_SHOWN;
    const DWORD threadId = target->threadId;
    if (PostThreadMessageW(threadId, target->message, reinterpret_cast<WPARAM>(window), kind)
        || GetLastError() != ERROR_INVALID_THREAD_ID)
        return;
    // Its thread has ended: a section of a later hook may be there now.
    if ((target = MapTarget(const_cast<Target*>(target))) && target->threadId != threadId && target->threadId != 0)
        PostThreadMessageW(target->threadId, target->message, reinterpret_cast<WPARAM>(window), kind);
}

// The access functions live in ADVAPI32, which this library must not import; the hooking
// program has it loaded already.
template <typename Function>
Function Advapi(const char* name)
{
    HMODULE advapi = GetModuleHandleW(L"advapi32.dll");
    if (!advapi)
        advapi = LoadLibraryW(L"advapi32.dll");
    return advapi ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(advapi, name))) : nullptr;
}

// The process token's TOKEN_USER or TOKEN_OWNER, into `buffer`; its SID.
PSID TokenSid(TOKEN_INFORMATION_CLASS kind, BYTE* buffer, DWORD size)
{
    const auto openToken = Advapi<BOOL(WINAPI*)(HANDLE, DWORD, PHANDLE)>("OpenProcessToken");
    const auto tokenInformation = Advapi<BOOL(WINAPI*)(HANDLE, TOKEN_INFORMATION_CLASS, LPVOID, DWORD, PDWORD)>("GetTokenInformation");
    HANDLE token = nullptr;
    if (!openToken || !tokenInformation || !openToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return nullptr;
    DWORD length = 0;
    const BOOL read = tokenInformation(token, kind, buffer, size, &length);
    CloseHandle(token);
    // TOKEN_USER and TOKEN_OWNER both begin with the SID's pointer.
    return read ? *reinterpret_cast<PSID*>(buffer) : nullptr;
}

// Creates the section with its access list, or opens the one a hook of this user made before.
// One that someone else made first is refused: its maker could still write it.
bool CreateTarget()
{
    if (g_writer)
        return true;
    const auto sidToText = Advapi<BOOL(WINAPI*)(PSID, LPWSTR*)>("ConvertSidToStringSidW");
    const auto textToDescriptor = Advapi<BOOL(WINAPI*)(LPCWSTR, DWORD, PSECURITY_DESCRIPTOR*, PULONG)>(
        "ConvertStringSecurityDescriptorToSecurityDescriptorW");
    const auto securityInfo = Advapi<DWORD(WINAPI*)(HANDLE, int, SECURITY_INFORMATION, PSID*, PSID*, PACL*, PACL*,
                                                    PSECURITY_DESCRIPTOR*)>("GetSecurityInfo");
    const auto equalSid = Advapi<BOOL(WINAPI*)(PSID, PSID)>("EqualSid");
    BYTE user[256], owner[256];
    const PSID userSid = TokenSid(TokenUser, user, sizeof user);
    const PSID ownerSid = TokenSid(TokenOwner, owner, sizeof owner);
    LPWSTR userText = nullptr;
    if (!sidToText || !textToDescriptor || !securityInfo || !equalSid || !userSid || !ownerSid || !sidToText(userSid, &userText))
        return false;
    wchar_t access[256];
    const bool composed = wsprintfW(access, kTargetAccess, userText) > 0;
    LocalFree(userText);
    SECURITY_ATTRIBUTES attributes{sizeof attributes, nullptr, FALSE};
    if (!composed || !textToDescriptor(access, 1, &attributes.lpSecurityDescriptor, nullptr))
        return false;
    HANDLE section = CreateFileMappingW(INVALID_HANDLE_VALUE, &attributes, PAGE_READWRITE, 0, sizeof(Target), kTargetName);
    const bool existed = GetLastError() == ERROR_ALREADY_EXISTS;
    LocalFree(attributes.lpSecurityDescriptor);
    if (section && existed) {
        PSID maker = nullptr;
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        const bool ours = securityInfo(section, 6 /* SE_KERNEL_OBJECT */, OWNER_SECURITY_INFORMATION, &maker, nullptr,
                                       nullptr, nullptr, &descriptor) == ERROR_SUCCESS
                          && maker && (equalSid(maker, ownerSid) || equalSid(maker, userSid));
        LocalFree(descriptor);
        if (!ours) {
            CloseHandle(section);
            section = nullptr;
        }
    }
    void* view = section ? MapViewOfFile(section, FILE_MAP_WRITE, 0, 0, sizeof(Target)) : nullptr;
    if (!view) {
        if (section)
            CloseHandle(section);
        return false;
    }
    g_section = section;
    g_writer = static_cast<Target*>(view);
    return true;
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
    if (!CreateTarget())
        return nullptr;
    g_writer->message = message;
    g_writer->threadId = threadId;
    g_hook = SetWinEventHook(EVENT_OBJECT_SHOW, EVENT_OBJECT_HIDE, g_module, HookProc, 0, 0, WINEVENT_INCONTEXT);
    g_foregroundHook = SetWinEventHook(EVENT_SYSTEM_FOREGROUND, EVENT_SYSTEM_FOREGROUND, g_module, HookProc,
                                       0, 0, WINEVENT_INCONTEXT);
    return g_hook;
}

PVDLL_API BOOL __cdecl PV_Unhook()
{
    // Copies still running in other processes stop posting from this moment. Another process
    // that loaded the library has no writable view, and changes nothing here.
    if (g_writer)
        g_writer->threadId = 0;
    const HWINEVENTHOOK hook = g_hook;
    const BOOL removed = hook ? UnhookWinEvent(hook) : FALSE;
    g_hook = nullptr;
    if (g_foregroundHook)
        UnhookWinEvent(g_foregroundHook);
    g_foregroundHook = nullptr;
    return removed;
}
