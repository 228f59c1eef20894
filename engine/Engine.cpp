#include "Engine.h"

#include <cwchar>

#include "PVDLL.h"
#include "PathUtil.h"
#include "ProcessImage.h"
#include "RunningAtom.h"
#include "WindowAlpha.h"

namespace {

constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kRunValue[] = L"Paneveil";
constexpr DWORD kWorkerWaitMilliseconds = 5000;

// A thread timer carries no user data, so the timer procedure finds its engine here.
Engine* g_safeModeEngine = nullptr;

struct SweepRecord {
    Engine* engine;
    bool restore;
};

} // namespace

bool BuildAutoStartValue(const wchar_t* programPath, wchar_t (&value)[kAutoStartValueCapacity])
{
    value[0] = L'\0';
    const size_t length = programPath ? wcslen(programPath) : 0;
    if (length == 0 || length >= kPathCapacity)
        return false;
    wmemcpy(value, programPath, length + 1);
    // The buffer has room for the quotes and the switch of the longest path.
    QuoteIfHasSpace(value, kAutoStartValueCapacity);
    wcscat(value, L" /b");
    return true;
}

Engine::Engine(const wchar_t* dataFile)
{
    settings.Reset();
    windowMessage = RegisterWindowMessageW(L"WM_PANEVEIL");
    if (dataFile) {
        if (wcslen(dataFile) < kPathCapacity)
            wcscpy(dataFilePath, dataFile);
    } else {
        BuildDataFilePath(dataFilePath);
    }
    m_workerReady.reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
}

Engine::~Engine()
{
    Stop();
}

bool Engine::LoadDataFile()
{
    return ::LoadDataFile(dataFilePath, settings, filters);
}

bool Engine::SaveDataFile()
{
    return ::SaveDataFile(dataFilePath, settings, filters);
}

bool Engine::IsRunning() const
{
    return workerThreadId != 0 || safeModeTimer != 0;
}

bool Engine::Start()
{
    Stop();
    if (settings.safeMode) {
        g_safeModeEngine = this;
        safeModeTimer = SetTimer(nullptr, 0, kSafeModeTimerPeriod, SafeModeTimerProc);
        return true;
    }

    // The thread comes first: an engine without one is not running, so Stop would never remove an
    // atom or restore windows left behind, and the next start would offer safe mode for nothing.
    // Suspended, so that the handle is stored before the worker could ever take it.
    DWORD threadId = 0;
    HANDLE thread = CreateThread(nullptr, 0, WorkerThreadProc, this, CREATE_SUSPENDED, &threadId);
    if (!thread)
        return false;
    AddRunningAtom();
    SweepWindows(false);
    workerThread.store(thread);
    workerThreadId = threadId;
    ResetEvent(m_workerReady.get());
    ResumeThread(thread);

    // A window shown before the worker has a message queue would be lost: hook only once the
    // queue exists (or the worker has ended, or it takes unreasonably long).
    if (m_workerReady) {
        const HANDLE waits[] = {m_workerReady.get(), thread};
        WaitForMultipleObjects(2, waits, FALSE, kWorkerWaitMilliseconds);
    }
    PV_Hook(workerThreadId, windowMessage);
    return true;
}

DWORD WINAPI Engine::WorkerThreadProc(LPVOID parameter)
{
    auto* engine = static_cast<Engine*>(parameter);
    if (!engine)
        return 0;
    MSG msg;
    PeekMessageW(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);   // creates the queue
    if (engine->m_workerReady)
        SetEvent(engine->m_workerReady.get());

    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == engine->windowMessage)
            engine->ProcessWindow(reinterpret_cast<HWND>(msg.wParam), msg.lParam != 0);
    }
    // Stop may have taken the handle already; then it is Stop's to close.
    if (HANDLE self = engine->workerThread.exchange(nullptr))
        CloseHandle(self);
    return 0;
}

void CALLBACK Engine::SafeModeTimerProc(HWND, UINT, UINT_PTR, DWORD)
{
    if (g_safeModeEngine)
        g_safeModeEngine->SweepWindows(false);
}

// Waits up to the limit for the worker to end. The worker may be inside a call that sends a
// message to a window of this thread (reading the title of one of the program's own windows
// does): such messages are served meanwhile, or the worker could never finish and would be
// terminated, possibly while it holds the filter list's lock.
static bool WaitForWorker(HANDLE thread)
{
    const DWORD start = GetTickCount();
    for (;;) {
        const DWORD elapsed = GetTickCount() - start;
        const DWORD left = elapsed < kWorkerWaitMilliseconds ? kWorkerWaitMilliseconds - elapsed : 0;
        const DWORD result = MsgWaitForMultipleObjects(1, &thread, FALSE, left, QS_SENDMESSAGE);
        if (result != WAIT_OBJECT_0 + 1)
            return result == WAIT_OBJECT_0;
        MSG msg;
        // Peeking delivers the sent messages; nothing posted is taken from the queue.
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

bool Engine::Stop()
{
    if (safeModeTimer == 0 && workerThreadId == 0)
        return true;

    RemoveRunningAtom();
    PV_Unhook();
    if (workerThreadId != 0) {
        PostThreadMessageW(workerThreadId, WM_QUIT, 0, 0);
        workerThreadId = 0;
    }
    // Whoever exchanges the handle out owns it, so it is closed exactly once and never used
    // after the worker closed it.
    if (HANDLE thread = workerThread.exchange(nullptr)) {
        if (!WaitForWorker(thread))
            TerminateThread(thread, 0);
        CloseHandle(thread);
    }
    if (safeModeTimer != 0) {
        KillTimer(nullptr, safeModeTimer);
        safeModeTimer = 0;
        if (g_safeModeEngine == this)
            g_safeModeEngine = nullptr;
    }
    SweepWindows(true);
    return true;
}

void Engine::WriteAutoStartValue()
{
    HKEY rawKey = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kRunKey, 0, KEY_WRITE, &rawKey) != ERROR_SUCCESS)
        return;
    UniqueRegistryKey key(rawKey);
    if (!settings.autoStart) {
        RegDeleteValueW(key.get(), kRunValue);
        return;
    }
    wchar_t program[kPathCapacity] = {};
    const DWORD length = GetModuleFileNameW(nullptr, program, kPathCapacity);
    wchar_t value[kAutoStartValueCapacity];
    // A cut path would start the wrong program, or none.
    if (length == 0 || length >= kPathCapacity || !BuildAutoStartValue(program, value))
        return;
    RegSetValueExW(key.get(), kRunValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                   static_cast<DWORD>((wcslen(value) + 1) * sizeof(wchar_t)));
}

bool Engine::ApplySettings(bool restartEngine, bool updateAutoStart, bool reapplyWindows)
{
    if (!settings.superTransMode && settings.globalTransparency > kMaxTransparencyWithoutSuperTrans)
        settings.globalTransparency = kMaxTransparencyWithoutSuperTrans;
    if (reapplyWindows && !settings.safeMode) {
        SweepWindows(false);
        if (!IsRunning())
            Start();
    }
    if (updateAutoStart)
        WriteAutoStartValue();
    if (restartEngine) {
        Stop();
        Start();
    }
    return SaveDataFile();
}

bool Engine::SetWindowTransparency(HWND window, uint8_t percentage)
{
    return ApplyWindowAlpha(window, AlphaForTransparency(percentage, settings.superTransMode != 0), percentage == 0);
}

bool Engine::ProcessWindow(HWND window, bool restore)
{
    wchar_t imagePath[kPathCapacity] = {};
    wchar_t className[kPathCapacity] = {};
    wchar_t title[kPathCapacity] = {};

    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    if (processId != 0) {
        UniqueKernelHandle process(
            OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId));
        if (process)
            GetProcessImagePath(process.get(), imagePath);
    }
    GetClassNameW(window, className, kPathCapacity - 1);
    GetWindowTextW(window, title, kPathCapacity - 1);

    uint8_t percentage = settings.globalTransparency;
    if (filters.MatchWindow(imagePath, className, title, &percentage)) {
        if (restore)
            percentage = 0;
    } else if (restore) {
        percentage = 0;
    } else if (IsExcludedWindowClass(className) || processId == GetCurrentProcessId()) {
        return false;
    }
    return SetWindowTransparency(window, percentage);
}

BOOL CALLBACK Engine::EnumWindowsProc(HWND window, LPARAM parameter)
{
    auto* record = reinterpret_cast<SweepRecord*>(parameter);
    if (!record || !record->engine)
        return FALSE;
    if (GetWindowLongW(window, GWL_STYLE) & WS_CHILD)
        return TRUE;
    if (IsWindowVisible(window) || (GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_LAYERED))
        record->engine->ProcessWindow(window, record->restore);
    return TRUE;
}

bool Engine::SweepWindows(bool restore)
{
    SweepRecord record{this, restore};
    EnumWindows(EnumWindowsProc, reinterpret_cast<LPARAM>(&record));
    return true;
}
