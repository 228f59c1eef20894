#include "MessageFilter.h"

#include "LazyProc.h"

namespace {

constexpr DWORD kAllow = 1;   // MSGFLT_ALLOW and MSGFLT_ADD

LazyProc<BOOL(WINAPI*)(HWND, UINT, DWORD, void*)> s_changeForWindow(L"user32.dll", "ChangeWindowMessageFilterEx");
LazyProc<BOOL(WINAPI*)(UINT, DWORD)> s_changeForProcess(L"user32.dll", "ChangeWindowMessageFilter");

}  // namespace

void AllowToWindowFromLowerPrograms(HWND window, std::initializer_list<UINT> messages)
{
    if (auto change = s_changeForWindow.Get()) {
        for (UINT message : messages)
            change(window, message, kAllow, nullptr);
    }
}

void AllowToProcessFromLowerPrograms(UINT message)
{
    if (auto change = s_changeForProcess.Get())
        change(message, kAllow);
}
