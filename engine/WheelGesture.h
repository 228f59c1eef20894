#pragma once
#include <windows.h>
#include <atomic>
#include <cstdint>

#include "Settings.h"
#include "UniqueHandle.h"

// Two modifiers (Ctrl+Shift unless the settings choose others) and the mouse wheel over a window
// change the transparency of its program.

constexpr uint8_t kWheelStep = 5;   // percent a notch
// A gesture ends when the wheel has rested this long (or the mouse has moved): then it is saved.
constexpr UINT kWheelRestMilliseconds = 500;

// The transparency after `notches` notches: down (negative) more transparent, up less, within 0
// and 80 (99 in super-trans mode).
uint8_t WheelStepTransparency(uint8_t current, int notches, bool superTransMode);

// Whole notches out of a gesture's turn. Fine wheels and touchpads send a notch in parts (deltas
// of 8 to 40 instead of WHEEL_DELTA): each part taken as a step would move 4 to 15 times too
// fast. What is left of a notch waits for the next part, until the wheel rests.
class WheelTurn {
public:
    int Add(int wheelDelta)
    {
        m_rest += wheelDelta;
        const int notches = m_rest / WHEEL_DELTA;
        m_rest -= notches * WHEEL_DELTA;
        return notches;
    }
    void Rest() { m_rest = 0; }

private:
    int m_rest = 0;
};

// The keys of the gesture, and whether a window's program has the same gesture of its own.
void WheelModifierKeys(uint8_t wheelModifiers, int (&keys)[2]);
// Terminal and console windows change their own opacity with Ctrl+Shift and the wheel.
bool HasOwnWheelGesture(const wchar_t* className);

// The window under the mouse, made opaque while the mouse rests on it. Told once the mouse has been
// over a window this long, and its leave once the mouse has been off it this long: a pass across
// a window on the way to another changes nothing.
constexpr DWORD kHoverRestMilliseconds = 250;
constexpr DWORD kHoverLeaveMilliseconds = 500;
// The window under the mouse is looked up at most this often, and only after a move.
constexpr DWORD kHoverLookMilliseconds = 100;

// Decides, on the hook's thread, which top-level window the mouse rests on. The procedure only
// records the moves; Decide looks the window up and says when to tell the engine.
class HoverWatch {
public:
    void Moved(POINT at)
    {
        m_at = at;
        m_moved = true;
    }
    // Whether `*told` is new for the engine; `*wait` is how long the thread may sleep before the
    // next decision is due (INFINITE while the mouse rests over the window told).
    bool Decide(DWORD now, HWND* told, DWORD* wait);
    void Forget() { *this = HoverWatch(); }

private:
    POINT m_at{};
    bool m_moved = false;
    bool m_looked = false;
    DWORD m_lookedAt = 0;
    HWND m_under = nullptr;     // as last looked up
    DWORD m_underSince = 0;
    DWORD m_offSince = 0;       // since when the mouse is off the window told
    HWND m_told = nullptr;
    bool m_known = false;       // whether the engine was told anything by this thread
};

// The low-level mouse hook of the wheel's gesture and of the window under the mouse, set by a
// thread of its own that does nothing but pump messages: the system calls a low-level hook on the
// thread that set it, holds every mouse message of the desktop until it returns, and drops a hook
// that keeps it waiting too long. So the procedure only decides: it looks for the window under
// the mouse once a gesture, and the later notches at the same place reuse it; a move is only
// recorded. The thread posts the window and the wheel's turn to `notifyWindow` as `wheelMessage`,
// and the window the mouse rests on as `hoverMessage`, once the procedure has returned; the engine
// acts there. One hook per process.
class WheelHook {
public:
    WheelHook() = default;
    ~WheelHook() { Remove(); }
    WheelHook(const WheelHook&) = delete;
    WheelHook& operator=(const WheelHook&) = delete;

    // The settings are read at every message: the gesture does nothing while a password is set
    // or wheelAdjust is off, and moves are watched only while hoverOpaque is on. False if the
    // thread or the hook could not be made.
    bool Install(HWND notifyWindow, UINT wheelMessage, UINT hoverMessage, const Settings& settings);
    void Remove();
    bool IsInstalled() const { return static_cast<bool>(m_thread); }

    // The hook procedure, and what the hook's thread does after every return: the post of the
    // turn it took, and the window under the mouse, which returns how long the thread may wait.
    // Public so that their cost can be measured.
    static LRESULT CALLBACK Procedure(int code, WPARAM wParam, LPARAM lParam);
    static void PostTaken();
    static DWORD WatchHover();

private:
    static DWORD WINAPI ThreadProc(LPVOID parameter);

    UniqueKernelHandle m_thread;
    UniqueKernelHandle m_ready;
    std::atomic<bool> m_hooked{false};
};
