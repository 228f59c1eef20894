#include "WheelGesture.h"

#include <algorithm>

#include "Elevation.h"
#include "FilterList.h"
#include "FrontWindow.h"
#include "WindowAlpha.h"

namespace {

// A thread that only pumps ends at once; the bound is for a system that does not let it.
constexpr DWORD kThreadWaitMilliseconds = 5000;

// What the procedure reads, set before the hook exists and cleared after it is gone.
std::atomic<HWND> g_notifyWindow{nullptr};
std::atomic<UINT> g_wheelMessage{0};
std::atomic<UINT> g_hoverMessage{0};
std::atomic<const Settings*> g_settings{nullptr};
// The thread that draws the desktop (the shell's window, and the wallpaper's and the icons'
// beside it). Asked for again after each gesture rather than in the procedure: a shell started
// anew meanwhile costs one notch over its desktop, which the engine then leaves alone.
std::atomic<DWORD> g_desktopThread{0};

// The gesture the procedure is in, on the thread that calls it. A notch at the place of the last
// one, before the wheel has rested, goes to the same window without asking for it again: finding
// the window under the mouse is by far the dearest part of the procedure.
struct Gesture {
    POINT at{};
    DWORD lastNotch = 0;      // the message time of the last notch
    bool started = false;
    HWND window = nullptr;    // null: the gesture's notches pass
    int untold = 0;           // the turn taken but not yet posted
    bool askShell = false;    // a new gesture began: the shell's thread is asked again
};
thread_local Gesture t_gesture;
thread_local HoverWatch t_hover;

bool Held(int key)
{
    return (GetAsyncKeyState(key) & 0x8000) != 0;
}

void AskDesktopThread()
{
    const HWND shell = GetShellWindow();
    g_desktopThread = shell ? GetWindowThreadProcessId(shell, nullptr) : 0;
}

// The window under the mouse whose program the gesture changes, or null when its notches are to
// pass: the desktop, one of this program's own windows, a window whose program has the gesture
// itself, a window of an elevated program that Windows would not let this one change. A child
// window belongs to the thread of its top-level window; the engine looks that one up.
HWND GestureWindow(POINT at)
{
    const HWND window = WindowFromPoint(at);
    DWORD processId = 0;
    const DWORD threadId = window ? GetWindowThreadProcessId(window, &processId) : 0;
    if (!threadId || processId == GetCurrentProcessId() || threadId == g_desktopThread.load())
        return nullptr;
    wchar_t className[64] = {};
    GetClassNameW(GetAncestor(window, GA_ROOT), className, 64);
    if (HasOwnWheelGesture(className))
        return nullptr;
    // Asked once per program rather than once per gesture: the tokens are several calls.
    thread_local DWORD lastProcess = 0;
    thread_local bool lastBeyondReach = false;
    if (processId != lastProcess) {
        lastBeyondReach = IsBeyondReach(processId);
        lastProcess = processId;
    }
    return lastBeyondReach ? nullptr : window;
}

} // namespace

bool HoverWatch::Decide(DWORD now, HWND* told, DWORD* wait)
{
    *wait = INFINITE;
    if (m_moved && now - m_lookedAt < kHoverLookMilliseconds) {
        *wait = kHoverLookMilliseconds - (now - m_lookedAt);
    } else if (m_moved) {
        m_moved = false;
        m_lookedAt = now;
        const HWND under = FrontWindowOf(WindowFromPoint(m_at));
        if (!m_looked || under != m_under) {
            if (m_under == m_told)
                m_offSince = now;
            m_under = under;
            m_underSince = now;
        }
        m_looked = true;
    }
    // Nothing is told before the first look, which the thread makes where the mouse rests when the
    // hook is set: a hook set anew (after a resume, or its renewal) finds the window it had.
    if (!m_looked || (m_known && m_under == m_told))
        return false;
    DWORD due = m_under ? kHoverRestMilliseconds - std::min(now - m_underSince, kHoverRestMilliseconds) : 0;
    if (m_known && m_told)
        due = std::max(due, kHoverLeaveMilliseconds - std::min(now - m_offSince, kHoverLeaveMilliseconds));
    if (due) {
        *wait = std::min(*wait, due);
        return false;
    }
    m_told = m_under;
    m_known = true;
    *told = m_told;
    return true;
}

void WheelModifierKeys(uint8_t wheelModifiers, int (&keys)[2])
{
    keys[0] = wheelModifiers == kWheelAltShift ? VK_MENU : VK_CONTROL;
    keys[1] = wheelModifiers == kWheelCtrlAlt ? VK_MENU : VK_SHIFT;
}

bool HasOwnWheelGesture(const wchar_t* className)
{
    for (const wchar_t* own : {L"CASCADIA_HOSTING_WINDOW_CLASS", L"ConsoleWindowClass"})
        if (CompareStringOrdinal(className, -1, own, -1, FALSE) == CSTR_EQUAL)
            return true;
    return false;
}

uint8_t WheelStepTransparency(uint8_t current, int notches, bool superTransMode)
{
    const int highest = superTransMode ? kMaxTransparency : kMaxTransparencyWithoutSuperTrans;
    return static_cast<uint8_t>(std::clamp(std::min<int>(current, highest) - notches * kWheelStep, 0, highest));
}

// The cheap tests first: most messages are no wheel, and most wheel messages come without the
// modifiers. One of the two alone is another program's gesture: Ctrl alone is every browser's zoom.
LRESULT CALLBACK WheelHook::Procedure(int code, WPARAM wParam, LPARAM lParam)
{
    if (code != HC_ACTION || (wParam != WM_MOUSEWHEEL && wParam != WM_MOUSEMOVE))
        return CallNextHookEx(nullptr, code, wParam, lParam);
    const auto* mouse = reinterpret_cast<const MSLLHOOKSTRUCT*>(lParam);
    const Settings* settings = g_settings.load();
    if (wParam == WM_MOUSEMOVE) {
        if (settings && settings->hoverOpaque)
            t_hover.Moved(mouse->pt);
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }
    if (!settings || !settings->wheelAdjust || settings->HasPassword())
        return CallNextHookEx(nullptr, code, wParam, lParam);
    int keys[2];
    WheelModifierKeys(settings->wheelModifiers, keys);
    if (!Held(keys[0]) || !Held(keys[1]))
        return CallNextHookEx(nullptr, code, wParam, lParam);
    Gesture& gesture = t_gesture;
    if (!gesture.started || gesture.at.x != mouse->pt.x || gesture.at.y != mouse->pt.y
        || mouse->time - gesture.lastNotch >= kWheelRestMilliseconds) {
        if (gesture.untold)
            PostTaken();   // the last gesture's turn, not yet told: it goes to its own window
        gesture.window = GestureWindow(mouse->pt);
        gesture.at = mouse->pt;
        gesture.started = true;
        gesture.askShell = true;
    }
    gesture.lastNotch = mouse->time;
    if (!gesture.window)
        return CallNextHookEx(nullptr, code, wParam, lParam);
    gesture.untold += static_cast<short>(HIWORD(mouse->mouseData));
    return 1;   // swallowed: the window under the mouse would scroll as well
}

void WheelHook::PostTaken()
{
    Gesture& gesture = t_gesture;
    if (gesture.untold) {
        PostMessageW(g_notifyWindow.load(), g_wheelMessage.load(), reinterpret_cast<WPARAM>(gesture.window), gesture.untold);
        gesture.untold = 0;
    }
    if (gesture.askShell) {
        gesture.askShell = false;
        AskDesktopThread();
    }
}

DWORD WheelHook::WatchHover()
{
    const Settings* settings = g_settings.load();
    HoverWatch& watch = t_hover;
    if (!settings || !settings->hoverOpaque) {
        watch.Forget();
        return INFINITE;
    }
    HWND told = nullptr;
    DWORD wait = INFINITE;
    if (watch.Decide(GetTickCount(), &told, &wait))
        PostMessageW(g_notifyWindow.load(), g_hoverMessage.load(), reinterpret_cast<WPARAM>(told), 0);
    return wait;
}

DWORD WINAPI WheelHook::ThreadProc(LPVOID parameter)
{
    auto* self = static_cast<WheelHook*>(parameter);
    MSG msg;
    PeekMessageW(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);   // the queue, for WM_QUIT
    AskDesktopThread();
    const HHOOK hook = SetWindowsHookExW(WH_MOUSE_LL, Procedure, GetModuleHandleW(nullptr), 0);
    self->m_hooked = hook != nullptr;
    SetEvent(self->m_ready.get());
    if (!hook)
        return 0;
    // The system calls the procedure inside PeekMessageW, which GetMessageW would not leave for a
    // call alone; the post follows each time it returns. The wait ends early only while a
    // decision about the window under the mouse is due: while the mouse is still, nothing runs.
    // Where the mouse rests when the hook is set counts as a move: the window under it is known
    // without waiting for the mouse to move again (set anew, the hook finds the window it had).
    POINT at{};
    if (GetCursorPos(&at))
        t_hover.Moved(at);
    DWORD wait = WatchHover();
    for (bool quit = false; !quit;) {
        MsgWaitForMultipleObjectsEx(0, nullptr, wait, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                quit = true;
                break;
            }
            DispatchMessageW(&msg);
        }
        PostTaken();
        wait = WatchHover();
    }
    UnhookWindowsHookEx(hook);
    return 0;
}

bool WheelHook::Install(HWND notifyWindow, UINT wheelMessage, UINT hoverMessage, const Settings& settings)
{
    Remove();
    if (!notifyWindow || !wheelMessage || !hoverMessage)
        return false;
    g_notifyWindow = notifyWindow;
    g_wheelMessage = wheelMessage;
    g_hoverMessage = hoverMessage;
    g_settings = &settings;
    m_ready.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (m_ready)
        m_thread.reset(CreateThread(nullptr, 0, ThreadProc, this, 0, nullptr));
    // Waited for, so that a Remove right after finds the hook set or the thread ended.
    const HANDLE waits[] = {m_ready.get(), m_thread.get()};
    if (!m_thread || WaitForMultipleObjects(2, waits, FALSE, kThreadWaitMilliseconds) != WAIT_OBJECT_0
        || !m_hooked) {
        Remove();
        return false;
    }
    return true;
}

void WheelHook::Remove()
{
    if (m_thread) {
        PostThreadMessageW(GetThreadId(m_thread.get()), WM_QUIT, 0, 0);
        // It holds no lock and owns nothing but the hook, which the system removes with it.
        if (WaitForSingleObject(m_thread.get(), kThreadWaitMilliseconds) != WAIT_OBJECT_0)
            TerminateThread(m_thread.get(), 0);
        m_thread.reset();
    }
    m_hooked = false;
    g_settings = nullptr;
    g_notifyWindow = nullptr;
}
