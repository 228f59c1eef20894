#include "RunningInstance.h"

#include "DataFile.h"
#include "UniqueHandle.h"
#include "resource.h"

namespace {

// A starting instance may wait for the data file itself before its window exists; its answer
// may wait for the file as long again.
constexpr DWORD kInstanceWindowWaitMilliseconds = 2 * kDataFileWaitMilliseconds;
constexpr UINT kAnswerWaitMilliseconds = 2 * kDataFileWaitMilliseconds;

// The running instance's main window: captioned like its message boxes, but with the tabs.
HWND FindInstanceWindow()
{
    for (HWND window = nullptr; (window = FindWindowExW(nullptr, window, L"#32770", L"Paneveil"));) {
        if (GetDlgItem(window, IDC_MAIN_TAB_GLOBAL))
            return window;
    }
    return nullptr;
}

}  // namespace

bool InstanceRuns()
{
    UniqueKernelHandle mutex(OpenMutexW(SYNCHRONIZE, FALSE, kInstanceName));
    // One started as administrator may not be opened, but it is there.
    return mutex || GetLastError() == ERROR_ACCESS_DENIED;
}

// Sent, not broadcast, so that the caller learns whether the instance took the request up.
bool SendToRunningInstance(ULONG_PTR kind, const void* data, DWORD size, DWORD_PTR& answer)
{
    HWND instance = nullptr;
    const ULONGLONG deadline = GetTickCount64() + kInstanceWindowWaitMilliseconds;
    while (!(instance = FindInstanceWindow()) && InstanceRuns() && GetTickCount64() < deadline)
        Sleep(50);
    COPYDATASTRUCT copy{kind, size, const_cast<void*>(data)};
    answer = 0;
    return instance && SendMessageTimeoutW(instance, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&copy),
                                           SMTO_NORMAL | SMTO_ABORTIFHUNG, kAnswerWaitMilliseconds, &answer);
}
