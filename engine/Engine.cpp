#include "Engine.h"

#include <cwchar>

#include "AppFrames.h"
#include "FrontWindow.h"
#include "PVDLL.h"
#include "PathUtil.h"
#include "RoadTrace.h"
#include "RunningAtom.h"
#include "WindowAlpha.h"

namespace {

constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kRunValue[] = L"Paneveil";
constexpr DWORD kWorkerWaitMilliseconds = 5000;
constexpr wchar_t kNotifyClass[] = L"PvEngineNotify";
constexpr UINT kWheelMessage = WM_APP + 1;   // from the wheel hook: wParam the window, lParam the turn
constexpr UINT kHoverMessage = WM_APP + 2;   // from the same hook: wParam the window the mouse rests on
constexpr UINT_PTR kWheelSaveTimer = 1;
constexpr UINT_PTR kWheelRenewTimer = 2;
// A hook dropped by the system is set again within this long at the latest; setting it costs a
// thread's start.
constexpr UINT kWheelRenewMilliseconds = 5 * 60 * 1000;

// A thread timer carries no user data, so the timer procedure finds its engine here.
Engine* g_safeModeEngine = nullptr;

struct SweepRecord {
    Engine* engine;
    bool restore;
};

// The message filter lets programs of lower privilege post "WM_PANEVEIL" as well: the worker takes
// only what PVDLL would send. A child that was layered would stay translucent, since every restore
// walks the top-level windows only.
bool IsWhatTheHookSends(HWND window, LPARAM kind)
{
    const LONG style = GetWindowLongW(window, GWL_STYLE);
    if (kind == PV_SHOWN)
        return (style & (WS_CHILD | WS_VISIBLE)) == WS_VISIBLE && GetAncestor(window, GA_ROOT) == window;
    // A window that is gone has no root.
    if (kind == PV_HIDDEN)
        return !(style & WS_CHILD) && GetAncestor(window, GA_ROOT) == window;
    if (kind == PV_FOREGROUND)
        return window && !(style & WS_CHILD) && FrontWindowOf(GetForegroundWindow()) == window;
    return false;
}

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
    m_hookReady.reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    m_hungWindows = std::make_unique<HungWindowGate>();
}

Engine::~Engine()
{
    Stop();
    if (m_notifyWindow)
        DestroyWindow(m_notifyWindow);
}

HungWindowGate* Engine::Gate()
{
    if (!m_hungWindows)
        m_hungWindows = std::make_unique<HungWindowGate>();
    return m_hungWindows.get();
}

DataFileRead Engine::LoadDataFile(DWORD waitMilliseconds)
{
    m_damage = Damage{};
    const DataFileRead read =
        ReadDataFile(dataFilePath, settings, filters, waitMilliseconds, &m_dataFileError, &m_damage.settingsKept);
    if (read == DataFileRead::Damaged) {
        m_damage.found = m_damage.copyPending = true;
        m_damage.filtersKept = filters.GetFilters().size();
    }
    return read;
}

bool Engine::KeepDamagedDataFile()
{
    if (!m_damage.copyPending)
        return true;
    const bool copied = CopyDamagedDataFile(dataFilePath, m_damage.copy);
    const DWORD error = GetLastError();
    // A file that has gone since holds nothing to keep.
    m_damage.copyPending = !copied && error != ERROR_FILE_NOT_FOUND;
    if (m_damage.copyPending)
        m_dataFileError = error;
    return !m_damage.copyPending;
}

bool Engine::SaveDataFile()
{
    return KeepDamagedDataFile() && ::SaveDataFile(dataFilePath, settings, filters, &m_dataFileError);
}

bool Engine::IsRunning() const
{
    return workerThreadId != 0 || safeModeTimer != 0;
}

bool Engine::Start()
{
    Stop();
    CreateNotifyWindow();
    HANDLE self = nullptr;
    // GetThreadId needs the query right: without it HaltForCrash could not tell this thread from the
    // crashing one, and would freeze itself.
    if (DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &self,
                        THREAD_SUSPEND_RESUME | THREAD_QUERY_LIMITED_INFORMATION, FALSE, 0))
        m_uiThread.reset(self);
    Gate();
    if (settings.safeMode) {
        g_safeModeEngine = this;
        safeModeTimer = SetTimer(nullptr, 0, kSafeModeTimerPeriod, SafeModeTimerProc);
        UpdateWheelHook();
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
    ResetEvent(m_hookReady.get());
    m_hookThread.reset(CreateThread(nullptr, 0, HookThreadProc, this, 0, &m_hookThreadId));
    if (!m_hookThread) {
        m_hookThreadId = 0;
        Stop();
        return false;
    }
    // Hooked before the sweep, so that no window shown meanwhile falls between the two; a window
    // met by both gets the same alpha twice, and the second time costs nothing.
    if (m_hookReady) {
        const HANDLE waits[] = {m_hookReady.get(), m_hookThread.get()};
        WaitForMultipleObjects(2, waits, FALSE, kWorkerWaitMilliseconds);
    }
    SweepWindows(false);
    UpdateWheelHook();
    return true;
}

DWORD WINAPI Engine::HookThreadProc(LPVOID parameter)
{
    auto* engine = static_cast<Engine*>(parameter);
    MSG msg;
    PeekMessageW(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);   // the queue, before WM_QUIT can come
    PV_Hook(engine->workerThreadId, engine->windowMessage);
    SetEvent(engine->m_hookReady.get());
    while (GetMessageW(&msg, nullptr, 0, 0) > 0)
        DispatchMessageW(&msg);
    PV_Unhook();
    return 0;
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
        RecordRoad(RoadStep::WorkerWoke);
        if (msg.message != engine->windowMessage || !IsWhatTheHookSends(reinterpret_cast<HWND>(msg.wParam), msg.lParam))
            continue;
        if (msg.lParam == PV_FOREGROUND)
            engine->OnForeground(reinterpret_cast<HWND>(msg.wParam));
        else
            engine->ProcessWindow(reinterpret_cast<HWND>(msg.wParam), msg.lParam == PV_HIDDEN);
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

// Unhooked before the worker is asked to quit, so that no new window reaches it meanwhile.
void Engine::EndHookThread()
{
    if (m_hookThread) {
        PostThreadMessageW(m_hookThreadId, WM_QUIT, 0, 0);
        if (!WaitForWorker(m_hookThread.get())) {
            TerminateThread(m_hookThread.get(), 0);
            PV_Unhook();   // no window event is posted any more, whichever thread hooked
        }
        m_hookThread.reset();
        m_hookThreadId = 0;
    }
}

bool Engine::Stop()
{
    if (safeModeTimer == 0 && workerThreadId == 0)
        return true;

    m_wheelHook.Remove();
    m_hovered = nullptr;
    RemoveRunningAtom();
    EndHookThread();
    if (workerThreadId != 0) {
        PostThreadMessageW(workerThreadId, WM_QUIT, 0, 0);
        workerThreadId = 0;
    }
    bool terminated = false;
    // Whoever exchanges the handle out owns it, so it is closed exactly once and never used
    // after the worker closed it.
    if (HANDLE thread = workerThread.exchange(nullptr)) {
        terminated = !WaitForWorker(thread);
        if (terminated)
            TerminateThread(thread, 0);
        CloseHandle(thread);
    }
    if (safeModeTimer != 0) {
        KillTimer(nullptr, safeModeTimer);
        safeModeTimer = 0;
        if (g_safeModeEngine == this)
            g_safeModeEngine = nullptr;
    }
    m_sweptWindows.clear();
    if (terminated) {
        // The worker may have died holding any lock (the filters', the program paths', the
        // gate's, the heap's): a restore needs none of them, and this one takes none. Windows
        // Paneveil layered stay layered, opaque and marked, for the next restore.
        RestoreMarkedWindowsWithoutWaiting();
        m_hungWindows.release();
        return true;
    }
    SweepWindows(true);
    m_hungWindows->Stop();
    // The processes may end now that the engine no longer looks at their windows.
    m_programPaths.Clear();
    m_appFrames.Clear();
    if (m_wheelSavePending)
        SaveAfterWheel();
    return true;
}

void Engine::HaltForCrash()
{
    PV_Unhook();
    for (const HANDLE thread : {m_uiThread.get(), workerThread.load(), m_hookThread.get()}) {
        if (thread && GetThreadId(thread) != GetCurrentThreadId())
            SuspendThread(thread);
    }
    if (m_hungWindows)
        m_hungWindows->Freeze();
}

// True when the Run key now does what autoStart says. A fresh or cleaned profile may lack the
// key: it is created. A value that was never there is as good as deleted.
bool Engine::WriteAutoStartValue()
{
    HKEY rawKey = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kRunKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &rawKey, nullptr)
        != ERROR_SUCCESS)
        return !settings.autoStart
               && RegGetValueW(HKEY_CURRENT_USER, kRunKey, kRunValue, RRF_RT_ANY, nullptr, nullptr, nullptr)
                      == ERROR_FILE_NOT_FOUND;
    UniqueRegistryKey key(rawKey);
    if (!settings.autoStart) {
        const LSTATUS deleted = RegDeleteValueW(key.get(), kRunValue);
        return deleted == ERROR_SUCCESS || deleted == ERROR_FILE_NOT_FOUND;
    }
    wchar_t program[kPathCapacity] = {};
    const DWORD length = GetModuleFileNameW(nullptr, program, kPathCapacity);
    wchar_t value[kAutoStartValueCapacity];
    // A cut path would start the wrong program, or none.
    if (length == 0 || length >= kPathCapacity || !BuildAutoStartValue(program, value))
        return false;
    return RegSetValueExW(key.get(), kRunValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                          static_cast<DWORD>((wcslen(value) + 1) * sizeof(wchar_t)))
           == ERROR_SUCCESS;
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
    if (updateAutoStart && !WriteAutoStartValue())
        settings.autoStart = settings.autoStart ? 0 : 1;
    if (restartEngine) {
        Stop();
        Start();
    }
    UpdateWheelHook();
    CancelWheelSave();   // this save takes the wheel's change along
    return SaveDataFile();
}

bool Engine::SetWindowTransparency(HWND window, uint8_t percentage, bool named)
{
    return SetWindowTransparency(window, percentage, named, 0);
}

bool Engine::SetWindowTransparency(HWND window, uint8_t percentage, bool named, DWORD windowThread)
{
    if (percentage == 0)
        return RestoreMarkedWindow(window, Gate(), windowThread);
    return ApplyWindowAlpha(window, AlphaForTransparency(percentage, settings.superTransMode != 0), named, Gate(),
                            windowThread);
}

bool Engine::ProcessWindow(HWND window, bool restore)
{
    wchar_t className[kPathCapacity] = {};
    DWORD processId = 0;
    const DWORD thread = GetWindowThreadProcessId(window, &processId);
    // A restore needs neither the program nor the filters: the percentage is 0 either way.
    if (restore)
        return RestoreMarkedWindow(window, Gate(), thread);
    GetClassNameW(window, className, kPathCapacity - 1);
    return ProcessWindow(window, restore, {processId, thread}, className);
}

bool Engine::ProcessWindow(HWND window, bool restore, WindowOwner owner, const wchar_t* className)
{
    if (restore)
        return RestoreMarkedWindow(window, Gate(), owner.thread);
    wchar_t imagePath[kPathCapacity] = {};
    wchar_t title[kPathCapacity] = {};
    bool beyondReach = false;
    ProgramPathOf(window, owner.process, imagePath, &beyondReach);
    // Windows would refuse the change, at every sweep again.
    if (beyondReach)
        return false;
    GetWindowTextW(window, title, kPathCapacity - 1);
    uint8_t percentage = settings.globalTransparency;
    bool filtered = filters.MatchWindow(imagePath, className, title, &percentage);
    bool excluded = IsExcludedWindowClass(className) || owner.process == GetCurrentProcessId();
    // The desktop, tooltips and Paneveil's own windows take no transparency for their program's
    // path alone: a filter on the shell's program would turn the desktop black. One that names
    // their title or class still reaches them.
    if (filtered && (excluded || window == GetShellWindow())) {
        excluded = true;
        percentage = settings.globalTransparency;
        filtered = filters.MatchWindow(L"", className, title, &percentage);
    }
    RecordRoad(RoadStep::Matched);
    if (!filtered && excluded)
        return false;
    if (percentage != 0 && IsKeptOpaque(window, className))
        percentage = 0;
    return SetWindowTransparency(window, percentage, filtered, owner.thread);
}

void Engine::ProgramPathOf(HWND window, DWORD processId, wchar_t (&path)[kPathCapacity], bool* beyondReach)
{
    m_programPaths.Lookup(processId, path, beyondReach);
    if (!IsAppFrameHost(path))
        return;
    wchar_t app[kPathCapacity] = {};
    m_programPaths.Lookup(m_appFrames.AppOf(window, processId), app);
    if (app[0])
        wmemcpy(path, app, kPathCapacity);
}

// Whatever the filters say: the window the mouse rests on and the front window while the options
// ask for it, and a full-screen program in front always (a translucent game or film is taken for
// a fault).
bool Engine::IsKeptOpaque(HWND window, const wchar_t* className) const
{
    if (settings.hoverOpaque && window == m_hovered.load())
        return true;
    if (window != m_front.load())
        return false;
    return settings.activeWindowOpaque || (IsFullScreenWindow(window) && !IsDesktopWindow(window, className));
}

void Engine::OnForeground(HWND window)
{
    const HWND front = FrontWindowOf(window);
    const HWND left = m_front.exchange(front);
    if (left == front)
        return;
    for (HWND changed : {left, front}) {
        if (changed && IsWindowVisible(changed))
            ProcessWindow(changed, false);
    }
}

// The window left and the one under the mouse are judged again where the worker judges every
// window, so that a show or a foreground change met meanwhile is not undone by a stale decision.
void Engine::OnHover(HWND window)
{
    if (!settings.hoverOpaque || !m_wheelHook.IsInstalled())
        window = nullptr;
    const HWND left = m_hovered.exchange(window);
    if (left == window)
        return;
    for (HWND changed : {left, window}) {
        if (!changed || !IsWindowVisible(changed))
            continue;
        if (workerThreadId)
            PostThreadMessageW(workerThreadId, windowMessage, reinterpret_cast<WPARAM>(changed), PV_SHOWN);
        else
            ProcessWindow(changed, false);
    }
}

BOOL CALLBACK Engine::EnumWindowsProc(HWND window, LPARAM parameter)
{
    auto* record = reinterpret_cast<SweepRecord*>(parameter);
    if (!record || !record->engine)
        return FALSE;
    Engine& engine = *record->engine;
    const LONG style = GetWindowLongW(window, GWL_STYLE);
    if (style & WS_CHILD)
        return TRUE;
    // For a top-level window WS_VISIBLE says what IsWindowVisible would, without asking again.
    if (!(style & WS_VISIBLE) && !(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_LAYERED))
        return TRUE;
    // Outside safe mode sweeps are far apart: nothing is kept from one to the next.
    if (engine.safeModeTimer == 0) {
        engine.ProcessWindow(window, record->restore);
        return TRUE;
    }
    auto known = engine.m_sweptWindows.find(window);
    if (known == engine.m_sweptWindows.end()) {
        wchar_t className[kPathCapacity] = {};
        DWORD processId = 0;
        const DWORD thread = GetWindowThreadProcessId(window, &processId);
        GetClassNameW(window, className, kPathCapacity - 1);
        known = engine.m_sweptWindows.emplace(window, SweptWindow{{processId, thread}, 0, className}).first;
    }
    known->second.sweep = engine.m_sweepNumber;
    engine.ProcessWindow(window, record->restore, known->second.owner, known->second.className.c_str());
    return TRUE;
}

bool Engine::SweepWindows(bool restore)
{
    if (restore) {
        RestoreMarkedWindows(Gate());
        return true;
    }
    ++m_sweepNumber;
    // Once per sweep; in hook mode PVDLL reports each change in between.
    if (!restore)
        m_front = FrontWindowOf(GetForegroundWindow());
    SweepRecord record{this, restore};
    EnumWindows(EnumWindowsProc, reinterpret_cast<LPARAM>(&record));
    // A window missing from one sweep is gone, and its handle may come back as another window.
    for (auto window = m_sweptWindows.begin(); window != m_sweptWindows.end();) {
        if (window->second.sweep != m_sweepNumber)
            window = m_sweptWindows.erase(window);
        else
            ++window;
    }
    return true;
}

void Engine::CreateNotifyWindow()
{
    if (m_notifyWindow)
        return;
    WNDCLASSW notifyClass{};
    notifyClass.lpfnWndProc = NotifyWindowProc;
    notifyClass.hInstance = GetModuleHandleW(nullptr);
    notifyClass.lpszClassName = kNotifyClass;
    RegisterClassW(&notifyClass);   // fails harmlessly for a second engine
    m_notifyWindow = CreateWindowExW(0, kNotifyClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                     GetModuleHandleW(nullptr), nullptr);
    if (m_notifyWindow)
        SetWindowLongPtrW(m_notifyWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

LRESULT CALLBACK Engine::NotifyWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* engine = reinterpret_cast<Engine*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (engine && message == kWheelMessage) {
        engine->OnWheel(reinterpret_cast<HWND>(wParam), static_cast<int>(lParam));
        return 0;
    }
    if (engine && message == kHoverMessage) {
        engine->OnHover(reinterpret_cast<HWND>(wParam));
        return 0;
    }
    if (engine && message == WM_TIMER && wParam == kWheelSaveTimer) {
        engine->OnWheelRest();
        return 0;
    }
    if (engine && message == WM_TIMER && wParam == kWheelRenewTimer) {
        if (engine->m_wheelHook.IsInstalled())
            engine->RenewWheelHook();
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void Engine::UpdateWheelHook()
{
    const bool wanted = IsRunning() && (settings.wheelAdjust || settings.hoverOpaque);
    if (wanted && !m_wheelHook.IsInstalled())
        RenewWheelHook();
    else if (!wanted && m_wheelHook.IsInstalled())
        m_wheelHook.Remove();
    if (!m_wheelHook.IsInstalled() || !settings.hoverOpaque)
        m_hovered = nullptr;
    if (!m_wheelHook.IsInstalled() && m_notifyWindow)
        KillTimer(m_notifyWindow, kWheelRenewTimer);
}

void Engine::RenewWheelHook()
{
    if (m_wheelHook.Install(m_notifyWindow, kWheelMessage, kHoverMessage, settings))
        SetTimer(m_notifyWindow, kWheelRenewTimer, kWheelRenewMilliseconds, nullptr);
}

void Engine::OnSystemChange(bool hookMayBeGone)
{
    if (!IsRunning())
        return;
    SweepWindows(false);
    if (hookMayBeGone && m_wheelHook.IsInstalled())
        RenewWheelHook();
}

// The program's filter is the one the finder's "all windows of this program" writes: its full
// path. The first notch starts from what the window has now.
void Engine::OnWheel(HWND underMouse, int wheelDelta)
{
    const HWND window = FrontWindowOf(underMouse);
    if (!m_wheelHook.IsInstalled() || !settings.wheelAdjust || settings.HasPassword() || !window)
        return;
    if (window != m_wheelWindow)
        m_wheelTurn.Rest();
    m_wheelWindow = window;
    // Each part of a notch starts the wait for the rest again, which ends the gesture and saves.
    const bool resting = SetTimer(m_notifyWindow, kWheelSaveTimer, kWheelRestMilliseconds, nullptr) != 0;
    const int notches = m_wheelTurn.Add(wheelDelta);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    if (notches == 0 || processId == GetCurrentProcessId())
        return;
    wchar_t path[kPathCapacity] = {};
    ProgramPathOf(window, processId, path);
    if (!path[0])
        return;
    uint8_t current = settings.globalTransparency;
    if (!filters.FindFilter(path, &current)) {
        wchar_t className[kPathCapacity] = {}, title[kPathCapacity] = {};
        GetClassNameW(window, className, kPathCapacity - 1);
        GetWindowTextW(window, title, kPathCapacity - 1);
        filters.MatchWindow(path, className, title, &current);
    }
    const uint8_t next = WheelStepTransparency(current, notches, settings.superTransMode != 0);
    if (!filters.ModifyFilter(path, path, next) && !filters.AddFilter(path, next))
        return;
    SweepWindows(false);
    if (filtersChanged)
        filtersChanged();
    m_wheelSavePending = true;
    if (!resting)
        SaveAfterWheel();
}

void Engine::OnWheelRest()
{
    if (m_notifyWindow)
        KillTimer(m_notifyWindow, kWheelSaveTimer);
    m_wheelTurn.Rest();
    m_wheelWindow = nullptr;
    if (m_wheelSavePending)
        SaveAfterWheel();
}

// The rest's timer stays: it still ends the gesture.
void Engine::CancelWheelSave()
{
    m_wheelSavePending = false;
}

void Engine::SaveAfterWheel()
{
    CancelWheelSave();
    const bool saved = SaveDataFile();
    if (wheelSaved)
        wheelSaved(saved);
}
