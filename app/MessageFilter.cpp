#include "MessageFilter.h"

namespace {

constexpr DWORD kAllow = 1;   // MSGFLT_ALLOW and MSGFLT_ADD

// Looked up at every call, which comes once per window or process.
template <typename Function>
Function User32Function(const char* name)
{
    const HMODULE user32 = GetModuleHandleW(L"user32.dll");
    return user32 ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(user32, name))) : nullptr;
}

}  // namespace

void AllowToWindowFromLowerPrograms(HWND window, std::initializer_list<UINT> messages)
{
    if (auto change = User32Function<BOOL(WINAPI*)(HWND, UINT, DWORD, void*)>("ChangeWindowMessageFilterEx")) {
        for (UINT message : messages)
            change(window, message, kAllow, nullptr);
    }
}

void AllowToProcessFromLowerPrograms(UINT message)
{
    if (auto change = User32Function<BOOL(WINAPI*)(UINT, DWORD)>("ChangeWindowMessageFilter"))
        change(message, kAllow);
}
