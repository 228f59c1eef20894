#include "WindowAlpha.h"

#include <atomic>

#include "FilterList.h"
#include "HungWindowGate.h"
#include "LazyProc.h"
#include "RoadTrace.h"
#include "UniqueHandle.h"

namespace {

constexpr wchar_t kAlphaProperty[] = L"PROP_PANEVEIL";
constexpr wchar_t kMarkProperty[] = L"PV_MARK";
constexpr UINT_PTR kAddedLayeredBit = UINT_PTR{1} << 16;
constexpr UINT_PTR kMarkBit = UINT_PTR{1} << 17;
constexpr UINT_PTR kLeftAloneNote = UINT_PTR{1} << 18;

constexpr BYTE kJobNamed = 1;

LazyProc<BOOL(WINAPI*)(HWND, COLORREF*, BYTE*, DWORD*)> g_getLayeredWindowAttributes(
    L"User32.dll", "GetLayeredWindowAttributes");

// Two engine threads may meet the same window at once (the worker and a sweep, a helper and a
// restore): reading a window's alpha and mark and writing them again is one step, under the lock
// of its window's stripe. It is held only around calls that wait for no other thread, so it is
// waited for as long as its holder lives, however slow a loaded machine makes it; a holder that
// was terminated (a worker that Stop had to end) leaves it held for good, and from then on that
// stripe is passed by.
class MarkStep {
public:
    explicit MarkStep(HWND window, bool take = true)
        : m_stripe(Stripes()[(reinterpret_cast<UINT_PTR>(window) >> 2) % kStripes])
    {
        for (int tries = 0; take && !m_stripe.lost && !m_held; ++tries) {
            m_held = TryEnterCriticalSection(&m_stripe.section) != FALSE;
            if (!m_held && tries % 64 == 63 && HolderIsGone())
                m_stripe.lost = true;
            else if (!m_held)
                Sleep(tries < 16 ? 0 : 1);
        }
    }
    ~MarkStep() { Release(); }
    MarkStep(const MarkStep&) = delete;
    MarkStep& operator=(const MarkStep&) = delete;
    void Release()
    {
        if (m_held)
            LeaveCriticalSection(&m_stripe.section);
        m_held = false;
    }

private:
    static constexpr size_t kStripes = 61;
    struct Stripe {
        Stripe() { InitializeCriticalSection(&section); }
        CRITICAL_SECTION section;
        std::atomic<bool> lost{false};
    };
    static Stripe* Stripes()
    {
        static Stripe stripes[kStripes];
        return stripes;
    }
    // The section names its holder by thread id.
    bool HolderIsGone() const
    {
        const auto holder = static_cast<DWORD>(reinterpret_cast<UINT_PTR>(m_stripe.section.OwningThread));
        if (!holder)
            return false;   // let go meanwhile
        UniqueKernelHandle thread(OpenThread(SYNCHRONIZE, FALSE, holder));
        return !thread || WaitForSingleObject(thread.get(), 0) == WAIT_OBJECT_0;
    }
    Stripe& m_stripe;
    bool m_held = false;
};

void RememberAlpha(HWND window, BYTE alpha)
{
    SetPropW(window, kAlphaProperty, reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(alpha)));
}

void Forget(HWND window)
{
    RemovePropW(window, kMarkProperty);
    RemovePropW(window, kAlphaProperty);
}

// Its program took the window back: nothing more is changed on it.
void LeaveAlone(HWND window)
{
    SetPropW(window, kMarkProperty, reinterpret_cast<HANDLE>(kLeftAloneNote));
    RemovePropW(window, kAlphaProperty);
}

DWORD ThreadOf(HWND window, DWORD known)
{
    return known ? known : GetWindowThreadProcessId(window, nullptr);
}

void RunJob(const HungWindowGate::Job& job);

bool Give(HungWindowGate& gate, DWORD thread, HWND window, BYTE alpha, bool restore, BYTE kind)
{
    gate.Give({RunJob, window, alpha, restore, kind, thread}, thread);
    return false;
}

// Every decision about a window is taken here, inside the mark's step, from its style, attributes
// and mark as they are now: another engine thread may have changed them a moment ago. Only a
// change of another thread's style is made outside the step, by a helper whose job stays queued
// (so IsBusy holds the others back) until the alpha is set.
// `firstLook`: the caller has not read the window yet (a helper's job has, when it was given).
bool Apply(HWND window, BYTE alpha, bool named, HungWindowGate* gate, DWORD thread, bool firstLook = true)
{
    const auto getAttributes = g_getLayeredWindowAttributes.Get();
    BYTE current = 0;
    DWORD flags = 0;
    // Decides only the fast path: a window that has the alpha already (every safe-mode sweep
    // meets mostly those) costs this one call.
    if (firstLook && getAttributes && getAttributes(window, nullptr, &current, &flags) && flags == LWA_ALPHA &&
        current == alpha)
        return true;

    thread = ThreadOf(window, thread);
    const bool othersWindow = thread != GetCurrentThreadId();
    MarkStep step(window);
    // Behind the jobs that wait for the window's program, never beside them.
    if (gate && gate->IsBusy(thread))
        return step.Release(), Give(*gate, thread, window, alpha, false, named ? kJobNamed : 0);
    const LONG exStyle = GetWindowLongW(window, GWL_EXSTYLE);
    if (!(exStyle & WS_EX_LAYERED) && gate && othersWindow)
        return step.Release(), Give(*gate, thread, window, alpha, false, named ? kJobNamed : 0);
    const bool attributesRead = (exStyle & WS_EX_LAYERED) && getAttributes &&
                                getAttributes(window, nullptr, &current, &flags);
    WindowMark mark{};
    const MarkState state = ReadMark(window, &mark);
    if (state == MarkState::LeftAlone)
        return false;

    if (!(exStyle & WS_EX_LAYERED)) {
        // Its program took the layering away after Paneveil had added it.
        if (state == MarkState::Marked)
            return LeaveAlone(window), false;
        // Layered, a window the mouse passes through would take every click for the one behind it.
        if ((exStyle & WS_EX_TRANSPARENT) && !named)
            return false;
        // Marked first: a process that ends between the calls leaves a window that a later restore
        // recognises. The step is kept over a window of this thread, whose style waits for nobody.
        WriteMark(window, {true, 255, alpha});
        RecordRoad(RoadStep::Marked);
        if (othersWindow)
            step.Release();
        // Only WS_EX_LAYERED changes, on the style read just now, after the window's thread answered.
        SetWindowLongW(window, GWL_EXSTYLE, exStyle | WS_EX_LAYERED);
        RecordRoad(RoadStep::StyleSet);
        if (!SetLayeredWindowAttributes(window, 0, alpha, LWA_ALPHA)) {
            // A layered window without attributes is not drawn at all.
            SetWindowLongW(window, GWL_EXSTYLE, GetWindowLongW(window, GWL_EXSTYLE) & ~WS_EX_LAYERED);
            RemovePropW(window, kMarkProperty);
            return false;
        }
        RecordRoad(RoadStep::AlphaSet);
        if (!getAttributes)
            RememberAlpha(window, alpha);
        return true;
    }

    // Layered by Paneveil, and its alpha never came (a process that stopped or ended in between).
    const bool unfinished = state == MarkState::Marked && mark.addedLayered && getAttributes && !attributesRead;
    if (getAttributes && !unfinished && (!attributesRead || flags != LWA_ALPHA)) {
        // Per-pixel alpha (UpdateLayeredWindow) or a colour key: its program draws it so.
        if (state == MarkState::Marked)
            LeaveAlone(window);
        return false;
    }
    if (!getAttributes)
        current = static_cast<BYTE>(reinterpret_cast<UINT_PTR>(GetPropW(window, kAlphaProperty)));
    if (state == MarkState::Marked && !unfinished && getAttributes && current != mark.alphaSet) {
        // A fade-in, or the program's own opacity setting.
        LeaveAlone(window);
        return false;
    }
    // Its program's own translucency (an overlay at 0, a window at its own 200), unless a filter
    // names it. Layered at 255, a window is opaque like any other.
    if (state == MarkState::None && current < 255 && !named)
        return false;
    if (state == MarkState::None)
        mark = {false, current, current};
    if (current == alpha && !unfinished)
        return true;
    mark.alphaSet = alpha;
    WriteMark(window, mark);
    SetLayeredWindowAttributes(window, 0, alpha, LWA_ALPHA);
    if (!getAttributes)
        RememberAlpha(window, alpha);
    return true;
}

// `dying`: only what needs no answer from the window's thread and no lock (a dying process).
bool Restore(HWND window, HungWindowGate* gate, bool dying, DWORD thread)
{
    thread = dying ? 0 : ThreadOf(window, thread);
    MarkStep step(window, !dying);
    // Behind the jobs that wait for the window's program; only making it opaque cannot wait.
    const bool queued = gate && gate->IsBusy(thread);
    WindowMark mark{};
    const MarkState state = ReadMark(window, &mark);
    if (state != MarkState::Marked) {
        if (queued)
            return step.Release(), Give(*gate, thread, window, 255, true, 0);
        if (state == MarkState::LeftAlone)
            RemovePropW(window, kMarkProperty);
        return false;
    }
    const auto getAttributes = g_getLayeredWindowAttributes.Get();
    BYTE current = 0;
    DWORD flags = 0;
    const bool layered = (GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_LAYERED) != 0;
    const bool attributesRead = layered && getAttributes && getAttributes(window, nullptr, &current, &flags);
    // A style Paneveil added whose alpha never came is its own unfinished change: not drawn at all.
    const bool unfinished = layered && mark.addedLayered && getAttributes && !attributesRead;
    const bool ours = layered && (!getAttributes || unfinished ||
                                  (attributesRead && flags == LWA_ALPHA && current == mark.alphaSet));
    if (!ours || !mark.addedLayered) {
        if (queued)
            return step.Release(), Give(*gate, thread, window, 255, true, 0);
        if (ours)
            SetLayeredWindowAttributes(window, 0, mark.alphaBefore, LWA_ALPHA);
        // Not ours: its program took it back, and what it has now is its own.
        Forget(window);
        return ours;
    }
    // Opaque at once; the style may have to wait for the window's thread.
    if (mark.alphaSet != 255 || unfinished) {
        SetLayeredWindowAttributes(window, 0, 255, LWA_ALPHA);
        mark.alphaSet = 255;
        WriteMark(window, mark);
        if (!getAttributes)
            RememberAlpha(window, 255);
    }
    step.Release();
    if (dying)
        return true;
    if (queued || (gate && thread != GetCurrentThreadId()))
        return Give(*gate, thread, window, 255, true, 0);
    Forget(window);
    SetWindowLongW(window, GWL_EXSTYLE, GetWindowLongW(window, GWL_EXSTYLE) & ~WS_EX_LAYERED);
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
    return true;
}

void RunJob(const HungWindowGate::Job& job)
{
    if (job.restore)
        Restore(job.window, nullptr, false, job.thread);
    else
        Apply(job.window, job.alpha, (job.kind & kJobNamed) != 0, nullptr, job.thread, false);
}

BOOL CALLBACK RestoreWindowProc(HWND window, LPARAM gate)
{
    if (!(GetWindowLongW(window, GWL_STYLE) & WS_CHILD) &&
        (IsWindowVisible(window) || (GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_LAYERED)))
        RestoreMarkedWindow(window, reinterpret_cast<HungWindowGate*>(gate));
    return TRUE;
}

} // namespace

uint8_t AlphaForTransparency(uint8_t percentage, bool superTransMode)
{
    if (!superTransMode && percentage > kMaxTransparencyWithoutSuperTrans)
        percentage = kMaxTransparencyWithoutSuperTrans;
    if (percentage > kMaxTransparency)
        percentage = kDefaultTransparency;
    // Equals the truncated 255 - (percentage * 0.01) * 255 in IEEE doubles for every 0..99, without
    // depending on x87 extended precision (which turns 20 into 203 instead of 204).
    return static_cast<uint8_t>(255 - (percentage * 255 + 99) / 100);
}

MarkState ReadMark(HWND window, WindowMark* mark)
{
    const auto value = reinterpret_cast<UINT_PTR>(GetPropW(window, kMarkProperty));
    if (!(value & kMarkBit))
        return value == kLeftAloneNote ? MarkState::LeftAlone : MarkState::None;
    if (mark)
        *mark = {(value & kAddedLayeredBit) != 0, static_cast<BYTE>(value), static_cast<BYTE>(value >> 8)};
    return MarkState::Marked;
}

void WriteMark(HWND window, const WindowMark& mark)
{
    const UINT_PTR value = kMarkBit | (mark.addedLayered ? kAddedLayeredBit : 0) | mark.alphaBefore |
                           (UINT_PTR{mark.alphaSet} << 8);
    SetPropW(window, kMarkProperty, reinterpret_cast<HANDLE>(value));
}

bool ApplyWindowAlpha(HWND window, BYTE alpha, bool named, HungWindowGate* gate, DWORD windowThread)
{
    return Apply(window, alpha, named, gate, windowThread);
}

bool RestoreMarkedWindow(HWND window, HungWindowGate* gate, DWORD windowThread)
{
    return Restore(window, gate, false, windowThread);
}

void RestoreMarkedWindows(HungWindowGate* gate)
{
    EnumWindows(RestoreWindowProc, reinterpret_cast<LPARAM>(gate));
}

void PrepareWindowRestore()
{
    g_getLayeredWindowAttributes.Get();
    MarkStep stripes(nullptr, false);
}

void RestoreMarkedWindowsWithoutWaiting()
{
    // Walked one window at a time rather than listed (EnumWindows allocates the list), so that a
    // thread frozen inside the heap cannot hold this up. The bound guards against a z-order that
    // changes under the walk.
    HWND window = GetTopWindow(nullptr);
    for (int i = 0; window && i < 65536; ++i, window = GetWindow(window, GW_HWNDNEXT)) {
        if (!(GetWindowLongW(window, GWL_STYLE) & WS_CHILD) && ReadMark(window) == MarkState::Marked)
            Restore(window, nullptr, true, 0);
    }
}

// Desktop and tooltip windows would only look broken when translucent.
bool IsExcludedWindowClass(const wchar_t* className)
{
    static const wchar_t* const excludedClasses[] = {L"Progman", L"tooltips_class32", L"WorkerW"};
    for (const wchar_t* excluded : excludedClasses) {
        if (CompareStringOrdinal(className, -1, excluded, -1, TRUE) == CSTR_EQUAL)
            return true;
    }
    return false;
}
