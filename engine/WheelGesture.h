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

// The gesture's low-level mouse hook, set by a thread of its own that does nothing but pump
// messages: the system calls a low-level hook on the thread that set it, holds every mouse
// message of the desktop until it returns, and drops a hook that keeps it waiting too long. So
// the procedure only decides: it looks for the window under the mouse once a gesture, and the
// later notches at the same place reuse it. The thread posts the window and the wheel's turn to
// `notifyWindow` once the procedure has returned; the engine acts there. One hook per process.
class WheelHook {
public:
    WheelHook() = default;
    ~WheelHook() { Remove(); }
    WheelHook(const WheelHook&) = delete;
    WheelHook& operator=(const WheelHook&) = delete;

    // The settings are read at every wheel message: the gesture does nothing while a password
    // is set. False if the thread or the hook could not be made.
    bool Install(HWND notifyWindow, UINT message, const Settings& settings);
    void Remove();
    bool IsInstalled() const { return static_cast<bool>(m_thread); }

    // The hook procedure, and the post of what it took on the calling thread, which the hook's
    // thread makes after every return; public so that their cost can be measured.
    static LRESULT CALLBACK Procedure(int code, WPARAM wParam, LPARAM lParam);
    static void PostTaken();

private:
    static DWORD WINAPI ThreadProc(LPVOID parameter);

    UniqueKernelHandle m_thread;
    UniqueKernelHandle m_ready;
    std::atomic<bool> m_hooked{false};
};
