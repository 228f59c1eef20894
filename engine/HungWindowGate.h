#pragma once
#include <windows.h>

#include <memory>

// Changing a window's extended style sends a message to the thread that owns the window and waits
// for as long as that thread does not answer; a thread may answer one message and stop answering
// before the next. So no style change of another thread's window is made on the worker or on the
// user-interface thread: the gate queues it for the window's thread, and a few helper threads
// serve the queues. A helper asks the window's thread first, for at most kAnswerMilliseconds; a
// thread that does not answer keeps its jobs queued and is asked again later, while the helpers
// serve the others. So a desktop of any number of programs has every job served and no job
// refused, with at most kHelpers threads; only a thread that answers the question and then stops
// answering holds a helper, until it answers again. Jobs of one thread run in the order given.
// Safe for the worker and the user-interface thread at once; nobody waits for a job but Settle.
class HungWindowGate {
public:
    // One change of one window. `run` does the whole change, style included, on a helper thread
    // once the window's thread has answered; it must need nothing of the engine, since an abandoned
    // gate's helpers may run it after the engine has gone.
    struct Job {
        void (*run)(const Job& job);
        HWND window;
        BYTE alpha;
        bool restore;   // kept by Stop
        BYTE kind;      // `run`'s own
        DWORD thread;   // the window's, as given to Give
    };

    HungWindowGate();
    ~HungWindowGate() { Stop(); }
    HungWindowGate(const HungWindowGate&) = delete;
    HungWindowGate& operator=(const HungWindowGate&) = delete;

    // Whether jobs for windows of `windowThread` wait or run: any change of its windows must then
    // be given to the gate too, so that it comes after them.
    bool IsBusy(DWORD windowThread);
    // Queues `job` behind the jobs of the window's thread; a job for the same window that has not
    // begun is replaced (only a window's last wish counts). Never refused.
    void Give(const Job& job, DWORD windowThread);
    // Waits until no job is queued or runs for a thread that answers (one that did not answer the
    // last question is not waited for), or for at most `milliseconds`, serving messages sent to
    // this thread meanwhile (a helper may be changing one of its windows). True if nothing was
    // left.
    bool Settle(DWORD milliseconds);
    // Drops the queued jobs that would make a window translucent, then settles for at most
    // kStopMilliseconds. Jobs of threads that do not answer stay queued and still run once they
    // answer: each only makes a window opaque.
    void Stop();
    // For a crash: suspends every helper but the calling thread, taking no lock.
    void Freeze();

    // Long enough for a thread that is merely busy, on a loaded machine too (a slow answer puts
    // its jobs behind a retry); short enough that a thread that does not answer holds a helper
    // only briefly.
    static constexpr DWORD kAnswerMilliseconds = 250;
    // A thread that did not answer is asked again after the first delay, then after twice the
    // last, up to the longest: twenty hung programs then cost the helpers little, and one that
    // answers again is served within a second.
    static constexpr DWORD kFirstRetryMilliseconds = 100;
    static constexpr DWORD kLongestRetryMilliseconds = 1000;
    // How long Stop waits in all: a disable or an exit is not held up noticeably.
    static constexpr DWORD kStopMilliseconds = 500;
    // An idle helper ends after this long; a new one comes with the next job.
    static constexpr DWORD kIdleMilliseconds = 2000;
    static constexpr int kHelpers = 8;

    struct State;

private:
    std::shared_ptr<State> m_state;
};
