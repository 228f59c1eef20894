#include "HungWindowGate.h"

#include "UniqueHandle.h"
#include <deque>

struct HungWindowGate::Program {
    // A caller that waits for its job; touched only under `lock`, and detached by the caller
    // before it stops waiting.
    struct Waiter {
        HANDLE event;
        bool done;
        bool result;
    };
    struct Entry {
        Job job;
        Waiter* waiter;
    };

    DWORD processId = 0;
    CriticalSection lock;
    UniqueKernelHandle thread;
    UniqueKernelHandle wake{CreateEventW(nullptr, FALSE, FALSE, nullptr)};
    std::deque<Entry> queue;   // the first entry runs now or next; it leaves when done
    bool stopped = false;   // only jobs that restore still run
    bool ended = false;     // the helper takes no more jobs
};

namespace {

using Program = HungWindowGate::Program;

DWORD WINAPI HelperThreadProc(LPVOID parameter)
{
    const std::unique_ptr<std::shared_ptr<Program>> owner(static_cast<std::shared_ptr<Program>*>(parameter));
    Program& program = **owner;
    bool idle = false;
    for (;;) {
        HungWindowGate::Job job{};
        bool skip = false;
        {
            CriticalSection::Lock lock(program.lock);
            if (program.queue.empty()) {
                if (program.stopped || idle) {
                    program.ended = true;
                    return 0;
                }
            } else {
                job = program.queue.front().job;
                skip = program.stopped && !job.restore;
            }
        }
        if (!job.run) {
            idle = WaitForSingleObject(program.wake.get(), HungWindowGate::kIdleMilliseconds) == WAIT_TIMEOUT;
            continue;
        }
        idle = false;
        // The window's thread answers first, so that what it set up to now is read after it, not
        // before; this is the call that may block, and it holds nothing.
        if (!skip)
            SendMessageW(job.window, WM_NULL, 0, 0);
        const bool result = !skip && job.run(job);
        CriticalSection::Lock lock(program.lock);
        const Program::Entry& done = program.queue.front();
        if (done.waiter) {
            done.waiter->done = true;
            done.waiter->result = result;
            SetEvent(done.waiter->event);
        }
        program.queue.pop_front();
    }
}

// Waits for `object` until `deadline` (a tick count), serving messages sent to this thread
// meanwhile: a helper may be changing a window of this thread, as Stop's wait for the worker does.
bool WaitServingSentMessages(HANDLE object, DWORD deadline)
{
    for (;;) {
        const DWORD now = GetTickCount();
        const DWORD left = static_cast<LONG>(deadline - now) > 0 ? deadline - now : 0;
        const DWORD result = MsgWaitForMultipleObjects(1, &object, FALSE, left, QS_SENDMESSAGE);
        if (result != WAIT_OBJECT_0 + 1)
            return result == WAIT_OBJECT_0;
        MSG msg;
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

} // namespace

static bool HasEnded(Program& program)
{
    CriticalSection::Lock lock(program.lock);
    return program.ended;
}

// The program's live helper; with `create`, a new one if it has none (null when no slot or no
// thread is to be had). Called under m_lock.
std::shared_ptr<Program> HungWindowGate::ProgramOf(DWORD processId, bool create)
{
    std::shared_ptr<Program>* freeSlot = nullptr;
    for (auto& slot : m_programs) {
        if (slot && HasEnded(*slot))
            slot.reset();
        if (slot && slot->processId == processId)
            return slot;
        if (!slot && !freeSlot)
            freeSlot = &slot;
    }
    if (!create || !freeSlot)
        return nullptr;
    auto program = std::make_shared<Program>();
    program->processId = processId;
    auto* share = new std::shared_ptr<Program>(program);
    program->thread.reset(CreateThread(nullptr, 0, HelperThreadProc, share, 0, nullptr));
    if (!program->thread || !program->wake) {
        if (program->thread) {
            // It ends at once: its queue is empty and it is stopped.
            CriticalSection::Lock lock(program->lock);
            program->stopped = true;
        } else {
            delete share;
        }
        return nullptr;
    }
    *freeSlot = program;
    return program;
}

bool HungWindowGate::IsBusy(HWND window)
{
    {
        CriticalSection::Lock lock(m_lock);
        bool any = false;
        for (const auto& slot : m_programs)
            any = any || slot;
        // The usual case costs no call on the window.
        if (!any)
            return false;
    }
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    CriticalSection::Lock lock(m_lock);
    const std::shared_ptr<Program> program = ProgramOf(processId, false);
    if (!program)
        return false;
    CriticalSection::Lock programLock(program->lock);
    return !program->queue.empty();
}

bool HungWindowGate::Run(const Job& job, bool& result)
{
    DWORD processId = 0;
    GetWindowThreadProcessId(job.window, &processId);
    if (processId == 0)
        return false;
    Program::Waiter waiter{nullptr, false, false};
    std::shared_ptr<Program> program;
    {
        CriticalSection::Lock lock(m_lock);
        // A helper that ends meanwhile takes no more jobs: then a new one.
        for (int attempt = 0; attempt < 2 && !program; ++attempt) {
            const std::shared_ptr<Program> candidate = ProgramOf(processId, true);
            if (!candidate)
                return false;
            CriticalSection::Lock programLock(candidate->lock);
            if (candidate->ended || candidate->stopped)
                continue;
            program = candidate;
            auto& queue = program->queue;
            Program::Entry* entry = nullptr;
            // Only a window's last wish counts: a job that has not begun is replaced.
            for (size_t i = 1; i < queue.size() && !entry; ++i) {
                if (queue[i].job.window == job.window)
                    entry = &queue[i];
            }
            if (!entry) {
                queue.push_back({job, nullptr});
                entry = &queue.back();
            }
            entry->job = job;
            // Waiting only behind nothing: later jobs of a program that does not answer must not
            // hold the caller up again.
            if (queue.size() == 1) {
                waiter.event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
                entry->waiter = waiter.event ? &waiter : nullptr;
            }
            SetEvent(program->wake.get());
        }
    }
    if (!waiter.event)
        return false;
    // A job that needs this thread (a window of its own that a filter names) waits at most this long.
    WaitForSingleObject(waiter.event, kAnswerMilliseconds);
    {
        CriticalSection::Lock programLock(program->lock);
        for (Program::Entry& entry : program->queue) {
            if (entry.waiter == &waiter)
                entry.waiter = nullptr;
        }
    }
    CloseHandle(waiter.event);
    result = waiter.result;
    return waiter.done;
}

void HungWindowGate::Stop()
{
    std::shared_ptr<Program> programs[kPrograms];
    {
        CriticalSection::Lock lock(m_lock);
        for (int i = 0; i < kPrograms; ++i)
            programs[i] = std::move(m_programs[i]);
    }
    for (const auto& program : programs) {
        if (!program)
            continue;
        CriticalSection::Lock lock(program->lock);
        program->stopped = true;
        SetEvent(program->wake.get());
    }
    const DWORD deadline = GetTickCount() + kStopMilliseconds;
    for (const auto& program : programs) {
        if (program)
            WaitServingSentMessages(program->thread.get(), deadline);
    }
}

void HungWindowGate::Freeze()
{
    for (const auto& slot : m_programs) {
        if (const Program* program = slot.get()) {
            if (GetThreadId(program->thread.get()) != GetCurrentThreadId())
                SuspendThread(program->thread.get());
        }
    }
}
