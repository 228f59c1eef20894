#pragma once
#include <windows.h>
#include <atomic>
#include <cstdint>

#include "Settings.h"
#include "UniqueHandle.h"

// Ctrl+Shift and the mouse wheel over a window change the transparency of its program.

constexpr uint8_t kWheelStep = 5;   // percent a notch
// A gesture ends when the wheel has rested this long (or the mouse has moved): then it is saved.
constexpr UINT kWheelRestMilliseconds = 500;

// The transparency after a turn of `wheelDelta` (WHEEL_DELTA a notch; a finer wheel's part of a
// notch counts as one): down more transparent, up less, within 0 and 80 (99 in super-trans mode).
uint8_t WheelStepTransparency(uint8_t current, int wheelDelta, bool superTransMode);

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
