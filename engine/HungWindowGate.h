#pragma once
#include <windows.h>

#include <memory>

#include "CriticalSection.h"

// Changing a window's extended style sends a message to the thread that owns the window and waits
// for as long as that thread does not answer; a thread may answer one message and stop answering
// before the next. So no style change of another thread's window is made on the worker or on the
// user-interface thread: the gate gives it to a small helper thread of the window's program,
// which asks the window's thread first and then makes the change, and may block meanwhile. The
// caller waits only briefly. Later jobs for windows of the same program queue behind it, in the
// order given; other programs have helpers of their own and never wait for it.
// Safe for the worker and the user-interface thread at once.
class HungWindowGate {
public:
    // One change of one window. `run` does the whole change, style included, on the helper
    // thread once the window's thread has answered; it must need nothing of the engine, since an
    // abandoned helper may run it after the engine has gone.
    struct Job {
        bool (*run)(const Job& job);
        HWND window;
        BYTE alpha;
        bool restore;   // still runs after Stop
        BYTE kind;      // `run`'s own
    };

    HungWindowGate() = default;
    ~HungWindowGate() { Stop(); }
    HungWindowGate(const HungWindowGate&) = delete;
    HungWindowGate& operator=(const HungWindowGate&) = delete;

    // Whether jobs for windows of the program of `window` wait or run now: any change of its
    // windows must then be given to the gate too, so that it comes after them.
    bool IsBusy(HWND window);
    // Gives `job` to the helper of its window's program and waits up to kAnswerMilliseconds,
    // unless jobs of that program wait already. True, with `result` set, if it ran in that time;
    // false if it runs later (or, with no helper to be had, not at all: the next event or sweep
    // comes back to the window).
    bool Run(const Job& job, bool& result);
    // Lets the helpers end. Jobs given before still run, except those that would make a window
    // translucent. Waits up to kStopMilliseconds for helpers that are blocked, then leaves them:
    // each holds nothing but its own share of its queue, and ends once its program answers.
    void Stop();
    // For a crash: suspends every helper but the calling thread, taking no lock.
    void Freeze();

    // Long enough for a thread that is merely busy; short enough that a few hung programs do not
    // hold up a disable or an exit noticeably.
    static constexpr DWORD kAnswerMilliseconds = 50;
    // How long Stop waits for helpers in all.
    static constexpr DWORD kStopMilliseconds = 500;
    // An idle helper ends after this long; a new one comes with the next job.
    static constexpr DWORD kIdleMilliseconds = 2000;
    static constexpr int kPrograms = 16;

    struct Program;

private:
    std::shared_ptr<Program> ProgramOf(DWORD processId, bool create);

    CriticalSection m_lock;   // over m_programs; taken before any program's own lock
    std::shared_ptr<Program> m_programs[kPrograms];
};
