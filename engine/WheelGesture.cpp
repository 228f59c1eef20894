#include "WheelGesture.h"

#include "FilterList.h"
#include "FrontWindow.h"
#include "WindowAlpha.h"

namespace {

// A thread that only pumps ends at once; the bound is for a system that does not let it.
constexpr DWORD kThreadWaitMilliseconds = 5000;

// What the procedure reads, set before the hook exists and cleared after it is gone.
std::atomic<HWND> g_notifyWindow{nullptr};
std::atomic<UINT> g_message{0};
std::atomic<const Settings*> g_settings{nullptr};

bool Held(int key)
{
    return (GetAsyncKeyState(key) & 0x8000) != 0;
}

// The thread that draws the desktop (the shell's window, and the wallpaper's and the icons'
// beside it), known by the shell's window: asked once per shell rather than a class name per
// wheel message, for every window call costs the procedure's caller.
DWORD DesktopThread()
{
    static std::atomic<HWND> knownShell{nullptr};
    static std::atomic<DWORD> knownThread{0};
    const HWND shell = GetShellWindow();
    if (shell != knownShell.load()) {
        knownThread = shell ? GetWindowThreadProcessId(shell, nullptr) : 0;
        knownShell = shell;
    }
    return knownThread.load();
}

// The top-level window whose program the gesture changes, or null when the wheel message is to
// pass: no Ctrl+Shift, a password, the desktop, or one of this program's own windows. The cheap
// tests first: most wheel messages come without Ctrl+Shift.
HWND GestureWindow(POINT at)
{
    const Settings* settings = g_settings.load();
    if (!settings || settings->HasPassword() || !Held(VK_CONTROL) || !Held(VK_SHIFT))
        return nullptr;
    const HWND window = FrontWindowOf(WindowFromPoint(at));
    DWORD processId = 0;
    const DWORD threadId = window ? GetWindowThreadProcessId(window, &processId) : 0;
    if (!threadId || processId == GetCurrentProcessId() || window == GetDesktopWindow() || threadId == DesktopThread())
        return nullptr;
    return window;
}

} // namespace

uint8_t WheelStepTransparency(uint8_t current, int wheelDelta, bool superTransMode)
{
    const int highest = superTransMode ? kMaxTransparency : kMaxTransparencyWithoutSuperTrans;
    int notches = wheelDelta / WHEEL_DELTA;
    if (notches == 0)
        notches = wheelDelta > 0 ? 1 : wheelDelta < 0 ? -1 : 0;
    int next = (current < highest ? current : highest) - notches * kWheelStep;
    if (next < 0)
        next = 0;
    return static_cast<uint8_t>(next > highest ? highest : next);
}

LRESULT CALLBACK WheelHook::Procedure(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HC_ACTION && wParam == WM_MOUSEWHEEL) {
        const auto* mouse = reinterpret_cast<const MSLLHOOKSTRUCT*>(lParam);
        if (const HWND window = GestureWindow(mouse->pt)) {
            const auto delta = static_cast<short>(HIWORD(mouse->mouseData));
            PostMessageW(g_notifyWindow.load(), g_message.load(), reinterpret_cast<WPARAM>(window), delta);
            return 1;   // swallowed: the window under the mouse would scroll as well
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

DWORD WINAPI WheelHook::ThreadProc(LPVOID parameter)
{
    auto* self = static_cast<WheelHook*>(parameter);
    MSG msg;
    PeekMessageW(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);   // the queue, for WM_QUIT
    const HHOOK hook = SetWindowsHookExW(WH_MOUSE_LL, Procedure, GetModuleHandleW(nullptr), 0);
    self->m_hooked = hook != nullptr;
    SetEvent(self->m_ready.get());
    if (!hook)
        return 0;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0)
        DispatchMessageW(&msg);
    UnhookWindowsHookEx(hook);
    return 0;
}

bool WheelHook::Install(HWND notifyWindow, UINT message, const Settings& settings)
{
    Remove();
    if (!notifyWindow || !message)
        return false;
    g_notifyWindow = notifyWindow;
    g_message = message;
    g_settings = &settings;
    m_ready.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    DWORD threadId = 0;
    if (m_ready)
        m_thread.reset(CreateThread(nullptr, 0, ThreadProc, this, 0, &threadId));
    // Waited for, so that a Remove right after finds the hook set or the thread ended.
    const HANDLE waits[] = {m_ready.get(), m_thread.get()};
    if (!m_thread || WaitForMultipleObjects(2, waits, FALSE, kThreadWaitMilliseconds) != WAIT_OBJECT_0
        || !m_hooked) {
        Remove();
        return false;
    }
    m_threadId = threadId;
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
    m_threadId = 0;
    m_hooked = false;
    g_settings = nullptr;
    g_notifyWindow = nullptr;
}
