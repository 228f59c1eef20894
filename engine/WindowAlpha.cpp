#include "WindowAlpha.h"

#include <atomic>

#include "FilterList.h"
#include "HungWindowGate.h"
#include "LazyProc.h"

namespace {

constexpr wchar_t kAlphaProperty[] = L"PROP_PANEVEIL";
constexpr wchar_t kMarkProperty[] = L"PV_MARK";
constexpr UINT_PTR kAddedLayeredBit = UINT_PTR{1} << 16;
constexpr UINT_PTR kMarkBit = UINT_PTR{1} << 17;
constexpr UINT_PTR kLeftAloneNote = UINT_PTR{1} << 18;

constexpr BYTE kJobOverOwnAlpha = 1;

LazyProc<BOOL(WINAPI*)(HWND, COLORREF*, BYTE*, DWORD*)> g_getLayeredWindowAttributes(
    L"User32.dll", "GetLayeredWindowAttributes");

// The worker and the user-interface thread may meet the same window at once (a window shown
// while the engine starts): reading a window's alpha and mark and writing them again is one step.
// It is held only around calls that wait for no other thread, so a holder that keeps it long has
// been terminated (a worker that Stop had to end): from then on it is passed by.
class MarkStep {
public:
    explicit MarkStep(bool take = true)
    {
        static const bool initialised = (InitializeCriticalSection(&s_section), true);
        (void)initialised;
        for (int tries = 0; take && !s_lost && tries < 200 && !m_held; ++tries) {
            m_held = TryEnterCriticalSection(&s_section) != FALSE;
            if (!m_held)
                Sleep(1);
        }
        s_lost = s_lost || (take && !m_held);
    }
    ~MarkStep() { Release(); }
    MarkStep(const MarkStep&) = delete;
    MarkStep& operator=(const MarkStep&) = delete;
    void Release()
    {
        if (m_held)
            LeaveCriticalSection(&s_section);
        m_held = false;
    }

private:
    static inline CRITICAL_SECTION s_section;
    static inline std::atomic<bool> s_lost{false};
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

bool IsOtherThreadsWindow(HWND window)
{
    const DWORD thread = GetWindowThreadProcessId(window, nullptr);
    return thread != 0 && thread != GetCurrentThreadId();
}

bool RunJob(const HungWindowGate::Job& job);

bool ThroughGate(HungWindowGate& gate, HWND window, BYTE alpha, bool restore, BYTE kind)
{
    bool result = false;
    return gate.Run({RunJob, window, alpha, restore, kind}, result) && result;
}

// With `onlyUnlayered`, the second look that a helper takes once the window's thread has
// answered: a window that its program layered meanwhile is its program's.
bool Apply(HWND window, BYTE alpha, bool overOwnAlpha, HungWindowGate* gate, bool onlyUnlayered)
{
    const auto getAttributes = g_getLayeredWindowAttributes.Get();
    BYTE current = 0;
    DWORD flags = 0;
    // Attributes come only from a layered window, and an unchanged one (every safe-mode sweep
    // meets mostly those) costs this one call.
    const bool attributesRead = getAttributes && getAttributes(window, nullptr, &current, &flags);
    if (attributesRead && flags == LWA_ALPHA && current == alpha)
        return true;
    // Behind the jobs that wait for the window's program, never beside them.
    if (gate && gate->IsBusy(window))
        return ThroughGate(*gate, window, alpha, false, overOwnAlpha ? kJobOverOwnAlpha : 0);

    MarkStep step;
    const LONG exStyle = attributesRead ? WS_EX_LAYERED : GetWindowLongW(window, GWL_EXSTYLE);
    WindowMark mark{};
    const MarkState state = ReadMark(window, &mark);
    if (state == MarkState::LeftAlone || (state == MarkState::Marked && !(exStyle & WS_EX_LAYERED))) {
        // Its program took the layering away after Paneveil had added it.
        if (state == MarkState::Marked)
            LeaveAlone(window);
        return false;
    }
    if (exStyle & WS_EX_LAYERED) {
        if (onlyUnlayered && state == MarkState::None)
            return false;
        if (getAttributes && (!attributesRead || flags != LWA_ALPHA)) {
            // Per-pixel alpha (UpdateLayeredWindow) or a colour key: its program draws it so.
            if (state == MarkState::Marked)
                LeaveAlone(window);
            return false;
        }
        if (!getAttributes)
            current = static_cast<BYTE>(reinterpret_cast<UINT_PTR>(GetPropW(window, kAlphaProperty)));
        if (state == MarkState::Marked && getAttributes && current != mark.alphaSet) {
            // A fade-in, or the program's own opacity setting.
            LeaveAlone(window);
            return false;
        }
        // Its program's own translucency (an overlay at 0, a window at its own 200), unless a
        // filter names it. Layered at 255, a window is opaque like any other.
        if (state == MarkState::None && current < 255 && !overOwnAlpha)
            return false;
        if (state == MarkState::None)
            mark = {false, current, current};
        if (current == alpha)
            return true;
        mark.alphaSet = alpha;
        WriteMark(window, mark);
        SetLayeredWindowAttributes(window, 0, alpha, LWA_ALPHA);
        if (!getAttributes)
            RememberAlpha(window, alpha);
        return true;
    }

    if (gate && IsOtherThreadsWindow(window)) {
        step.Release();
        return ThroughGate(*gate, window, alpha, false, overOwnAlpha ? kJobOverOwnAlpha : 0);
    }
    // Marked first: a process that ends between the two calls leaves a window that a later
    // restore recognises.
    WriteMark(window, {true, 255, alpha});
    step.Release();
    // Only WS_EX_LAYERED changes, on the style read just now, after the window's thread answered.
    SetWindowLongW(window, GWL_EXSTYLE, exStyle | WS_EX_LAYERED);
    if (!SetLayeredWindowAttributes(window, 0, alpha, LWA_ALPHA)) {
        // A layered window without attributes is not drawn at all.
        SetWindowLongW(window, GWL_EXSTYLE, GetWindowLongW(window, GWL_EXSTYLE) & ~WS_EX_LAYERED);
        RemovePropW(window, kMarkProperty);
        return false;
    }
    if (!getAttributes)
        RememberAlpha(window, alpha);
    return true;
}

// `dying`: only what needs no answer from the window's thread and no lock (a dying process).
bool Restore(HWND window, HungWindowGate* gate, bool dying)
{
    // Behind the jobs that wait for the window's program; only making it opaque cannot wait.
    const bool queued = gate && gate->IsBusy(window);
    MarkStep step(!dying);
    WindowMark mark{};
    const MarkState state = ReadMark(window, &mark);
    if (state != MarkState::Marked) {
        if (queued)
            return ThroughGate(*gate, window, 255, true, 0);
        if (state == MarkState::LeftAlone)
            RemovePropW(window, kMarkProperty);
        return false;
    }
    const auto getAttributes = g_getLayeredWindowAttributes.Get();
    BYTE current = 0;
    DWORD flags = 0;
    const bool ours = (GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_LAYERED) &&
                      (!getAttributes || (getAttributes(window, nullptr, &current, &flags) && flags == LWA_ALPHA &&
                                          current == mark.alphaSet));
    if (!ours || !mark.addedLayered) {
        if (queued)
            return ThroughGate(*gate, window, 255, true, 0);
        if (ours)
            SetLayeredWindowAttributes(window, 0, mark.alphaBefore, LWA_ALPHA);
        // Not ours: its program took it back, and what it has now is its own.
        Forget(window);
        return ours;
    }
    // Opaque at once; the style may have to wait for the window's thread.
    if (mark.alphaSet != 255) {
        SetLayeredWindowAttributes(window, 0, 255, LWA_ALPHA);
        mark.alphaSet = 255;
        WriteMark(window, mark);
        if (!getAttributes)
            RememberAlpha(window, 255);
    }
    step.Release();
    if (dying)
        return true;
    if (queued || (gate && IsOtherThreadsWindow(window)))
        return ThroughGate(*gate, window, 255, true, 0);
    Forget(window);
    SetWindowLongW(window, GWL_EXSTYLE, GetWindowLongW(window, GWL_EXSTYLE) & ~WS_EX_LAYERED);
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
    return true;
}

bool RunJob(const HungWindowGate::Job& job)
{
    return job.restore ? Restore(job.window, nullptr, false)
                       : Apply(job.window, job.alpha, (job.kind & kJobOverOwnAlpha) != 0, nullptr, true);
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

bool ApplyWindowAlpha(HWND window, BYTE alpha, bool overOwnAlpha, HungWindowGate* gate)
{
    return Apply(window, alpha, overOwnAlpha, gate, false);
}

bool RestoreMarkedWindow(HWND window, HungWindowGate* gate)
{
    return Restore(window, gate, false);
}

void RestoreMarkedWindows(HungWindowGate* gate)
{
    EnumWindows(RestoreWindowProc, reinterpret_cast<LPARAM>(gate));
}

void PrepareWindowRestore()
{
    g_getLayeredWindowAttributes.Get();
}

void RestoreMarkedWindowsWithoutWaiting()
{
    // Walked one window at a time rather than listed (EnumWindows allocates the list), so that a
    // thread frozen inside the heap cannot hold this up. The bound guards against a z-order that
    // changes under the walk.
    HWND window = GetTopWindow(nullptr);
    for (int i = 0; window && i < 65536; ++i, window = GetWindow(window, GW_HWNDNEXT)) {
        if (!(GetWindowLongW(window, GWL_STYLE) & WS_CHILD) && ReadMark(window) == MarkState::Marked)
            Restore(window, nullptr, true);
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
