#include "HungWindowGate.h"

#include <algorithm>
#include <atomic>
#include <deque>
#include <unordered_map>

#include "CriticalSection.h"
#include "RoadTrace.h"
#include "UniqueHandle.h"

struct HungWindowGate::State {
    struct Queue {
        std::deque<Job> jobs;     // the first runs now or next; it leaves once done
        bool serving = false;     // a helper runs the first job
        bool listed = false;      // in `ready`
        DWORD retryDelay = 0;     // 0 while the thread answers
        DWORD askAgainAt = 0;     // a tick count, while it does not
    };

    State() { InitializeConditionVariable(&work); }

    // The next thread whose first job a helper may start, or 0. Threads that did not answer come
    // back once their delay is over, behind those waiting already.
    DWORD TakeReady(DWORD now)
    {
        for (auto& [thread, queue] : queues) {
            if (queue.retryDelay && !queue.listed && !queue.serving && static_cast<LONG>(now - queue.askAgainAt) >= 0) {
                queue.listed = true;
                ready.push_back(thread);
            }
        }
        while (!ready.empty()) {
            const DWORD thread = ready.front();
            ready.pop_front();
            const auto found = queues.find(thread);
            if (found == queues.end())
                continue;
            found->second.listed = false;
            if (!found->second.serving && !found->second.jobs.empty())
                return thread;
        }
        return 0;
    }
    // Milliseconds until a thread that did not answer is due again; INFINITE when none waits.
    DWORD UntilRetry(DWORD now) const
    {
        DWORD wait = INFINITE;
        for (const auto& [thread, queue] : queues) {
            if (queue.retryDelay && !queue.serving) {
                const LONG left = static_cast<LONG>(queue.askAgainAt - now);
                wait = std::min<DWORD>(wait, left > 0 ? static_cast<DWORD>(left) : 0);
            }
        }
        return wait;
    }
    void List(DWORD thread, Queue& queue)
    {
        if (!queue.listed && !queue.serving && !queue.retryDelay && !queue.jobs.empty()) {
            queue.listed = true;
            ready.push_back(thread);
        }
    }
    bool HasWorkForAnAnsweringThread() const
    {
        for (const auto& [thread, queue] : queues) {
            if (!queue.retryDelay && !queue.jobs.empty())
                return true;
        }
        return false;
    }

    CriticalSection lock;
    CONDITION_VARIABLE work;   // a job is ready, or a helper should look at the retries again
    std::unordered_map<DWORD, Queue> queues;   // by the thread of the windows
    std::deque<DWORD> ready;
    int helpers = 0;
    int idleHelpers = 0;
    // Their handles, for Freeze, which takes no lock; a slot is reused once its thread has ended.
    std::atomic<HANDLE> helperThreads[kHelpers] = {};
    UniqueKernelHandle jobDone{CreateEventW(nullptr, FALSE, FALSE, nullptr)};
    int settling = 0;   // callers of Settle, which jobDone wakes
};

namespace {

using State = HungWindowGate::State;

using Locked = CriticalSection::Lock;

DWORD WINAPI HelperThreadProc(LPVOID parameter)
{
    const std::unique_ptr<std::shared_ptr<State>> owner(static_cast<std::shared_ptr<State>*>(parameter));
    State& state = **owner;
    EnterCriticalSection(state.lock.Native());
    for (;;) {
        const DWORD thread = state.TakeReady(GetTickCount());
        if (!thread) {
            const DWORD retry = state.UntilRetry(GetTickCount());
            ++state.idleHelpers;
            const DWORD wait = std::min(retry, HungWindowGate::kIdleMilliseconds);
            const bool woken = SleepConditionVariableCS(&state.work, state.lock.Native(), wait) != FALSE;
            --state.idleHelpers;
            // Idle for the whole time, with nothing queued: a new helper comes with the next job.
            if (!woken && retry == INFINITE && state.queues.empty())
                break;
            continue;
        }
        State::Queue& queue = state.queues[thread];   // references survive other insertions
        queue.serving = true;
        const HungWindowGate::Job job = queue.jobs.front();
        LeaveCriticalSection(state.lock.Native());

        RecordRoad(RoadStep::HelperWoke);
        // The window's thread answers first, so that what it set up to now is read after it, not
        // before. A thread that does not answer in time is asked again later.
        DWORD_PTR result = 0;
        const bool answered = SendMessageTimeoutW(job.window, WM_NULL, 0, 0, SMTO_NORMAL | SMTO_ABORTIFHUNG,
                                                  HungWindowGate::kAnswerMilliseconds, &result) != 0;
        const bool gone = !answered && !IsWindow(job.window);
        if (answered) {
            RecordRoad(RoadStep::Answered);
            job.run(job);
        }

        EnterCriticalSection(state.lock.Native());
        queue.serving = false;
        if (answered || gone) {
            queue.jobs.pop_front();
            queue.retryDelay = 0;
        } else {
            queue.retryDelay = queue.retryDelay ? std::min(2 * queue.retryDelay, HungWindowGate::kLongestRetryMilliseconds)
                                                : HungWindowGate::kFirstRetryMilliseconds;
            queue.askAgainAt = GetTickCount() + queue.retryDelay;
        }
        if (queue.jobs.empty())
            state.queues.erase(thread);
        else
            state.List(thread, queue);
        if (state.settling)
            SetEvent(state.jobDone.get());
    }
    --state.helpers;
    LeaveCriticalSection(state.lock.Native());
    return 0;
}

// Starts a helper if the ready jobs outnumber the idle ones and the bound allows. Under the lock.
void AddHelperIfNeeded(const std::shared_ptr<State>& shared)
{
    State& state = *shared;
    if (state.idleHelpers > 0 || state.helpers >= HungWindowGate::kHelpers)
        return;
    for (auto& slot : state.helperThreads) {
        const HANDLE old = slot.load();
        if (old && WaitForSingleObject(old, 0) != WAIT_OBJECT_0)
            continue;
        auto* share = new std::shared_ptr<State>(shared);
        const HANDLE thread = CreateThread(nullptr, 0, HelperThreadProc, share, 0, nullptr);
        if (!thread) {
            // The job waits for the next one given, or for a helper that ends its current job.
            delete share;
            return;
        }
        slot.store(thread);
        if (old)
            CloseHandle(old);
        ++state.helpers;
        return;
    }
}

} // namespace

HungWindowGate::HungWindowGate() : m_state(std::make_shared<State>())
{
}

bool HungWindowGate::IsBusy(DWORD windowThread)
{
    Locked lock(m_state->lock);
    return m_state->queues.count(windowThread) != 0;
}

void HungWindowGate::Give(const Job& job, DWORD windowThread)
{
    State& state = *m_state;
    Locked lock(state.lock);
    State::Queue& queue = state.queues[windowThread];
    Job given = job;
    given.thread = windowThread;
    const auto notBegun = queue.jobs.begin() + (queue.serving ? 1 : 0);
    const auto same = std::find_if(notBegun, queue.jobs.end(), [&](const Job& queued) { return queued.window == job.window; });
    if (same != queue.jobs.end())
        *same = given;
    else
        queue.jobs.push_back(given);
    state.List(windowThread, queue);
    if (queue.listed) {
        AddHelperIfNeeded(m_state);
        WakeConditionVariable(&state.work);
    }
}

bool HungWindowGate::Settle(DWORD milliseconds)
{
    State& state = *m_state;
    const DWORD deadline = GetTickCount() + milliseconds;
    {
        Locked lock(state.lock);
        ++state.settling;
    }
    bool settled = false;
    for (;;) {
        {
            Locked lock(state.lock);
            settled = !state.HasWorkForAnAnsweringThread();
        }
        const LONG left = static_cast<LONG>(deadline - GetTickCount());
        if (settled || left <= 0)
            break;
        const HANDLE done = state.jobDone.get();
        if (MsgWaitForMultipleObjects(1, &done, FALSE, static_cast<DWORD>(left), QS_SENDMESSAGE) == WAIT_OBJECT_0 + 1) {
            MSG msg;
            // Peeking delivers the sent messages; nothing posted is taken from the queue.
            PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        }
    }
    Locked lock(state.lock);
    --state.settling;
    return settled;
}

void HungWindowGate::Stop()
{
    {
        State& state = *m_state;
        Locked lock(state.lock);
        for (auto queue = state.queues.begin(); queue != state.queues.end();) {
            auto& jobs = queue->second.jobs;
            jobs.erase(std::remove_if(jobs.begin() + (queue->second.serving ? 1 : 0), jobs.end(),
                                      [](const Job& job) { return !job.restore; }),
                       jobs.end());
            queue = jobs.empty() ? state.queues.erase(queue) : std::next(queue);
        }
    }
    Settle(kStopMilliseconds);
}

void HungWindowGate::Freeze()
{
    for (const auto& slot : m_state->helperThreads) {
        const HANDLE thread = slot.load();
        if (thread && GetThreadId(thread) != GetCurrentThreadId())
            SuspendThread(thread);
    }
}
