#include "WindowAlpha.h"

#include "Engine.h"
#include "LazyProc.h"
#include "ProcessImage.h"

namespace {

constexpr wchar_t kAlphaProperty[] = L"PROP_PANEVEIL";

LazyProc<BOOL(WINAPI*)(HWND, COLORREF*, BYTE*, DWORD*)> g_getLayeredWindowAttributes(
    L"User32.dll", "GetLayeredWindowAttributes");

// Desktop and tooltip windows would only look broken when translucent.
bool IsExcludedClass(const wchar_t* className)
{
    static const wchar_t* const excludedClasses[] = {L"Progman", L"tooltips_class32", L"WorkerW"};
    for (const wchar_t* excluded : excludedClasses) {
        if (CompareStringOrdinal(className, -1, excluded, -1, TRUE) == CSTR_EQUAL)
            return true;
    }
    return false;
}

struct SweepRecord {
    Engine* engine;
    bool restore;
};

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

bool Engine::SetWindowTransparency(HWND window, uint8_t percentage)
{
    const bool restore = percentage == 0;
    const BYTE alpha = AlphaForTransparency(percentage, settings.superTransMode != 0);
    const auto getLayeredWindowAttributes = g_getLayeredWindowAttributes.Get();
    const LONG exStyle = GetWindowLongW(window, GWL_EXSTYLE);
    const HANDLE property = GetPropW(window, kAlphaProperty);

    if (!(exStyle & WS_EX_LAYERED)) {
        if (restore)
            return false;
        SetWindowLongW(window, GWL_EXSTYLE, exStyle | WS_EX_LAYERED);
        SetLayeredWindowAttributes(window, 0, alpha, LWA_ALPHA);
        if (!getLayeredWindowAttributes)
            SetPropW(window, kAlphaProperty, reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(alpha)));
        return true;
    }

    BYTE currentAlpha = static_cast<BYTE>(reinterpret_cast<UINT_PTR>(property));
    if (getLayeredWindowAttributes) {
        BYTE layeredAlpha = 0;
        DWORD flags = 0;
        if (!getLayeredWindowAttributes(window, nullptr, &layeredAlpha, &flags))
            return false;
        // A colour key belongs to the window's own program; leave such windows alone.
        if (flags != LWA_ALPHA)
            return false;
        currentAlpha = layeredAlpha;
    }

    if (restore) {
        RemovePropW(window, kAlphaProperty);
        SetLayeredWindowAttributes(window, 0, 255, LWA_ALPHA);
        SetWindowLongW(window, GWL_EXSTYLE, exStyle & ~WS_EX_LAYERED);
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
        return true;
    }
    // Safe mode sweeps ten times a second; an unchanged window must not be repainted.
    if (alpha == currentAlpha)
        return true;
    SetLayeredWindowAttributes(window, 0, alpha, LWA_ALPHA);
    if (!getLayeredWindowAttributes)
        SetPropW(window, kAlphaProperty, reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(alpha)));
    return true;
}

bool Engine::ProcessWindow(HWND window, bool restore)
{
    wchar_t imagePath[kPathCapacity] = {};
    wchar_t className[kPathCapacity] = {};
    wchar_t title[kPathCapacity] = {};

    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    if (processId != 0) {
        UniqueKernelHandle process(
            OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId));
        if (process)
            GetProcessImagePath(process.get(), imagePath);
    }
    GetClassNameW(window, className, kPathCapacity - 1);
    GetWindowTextW(window, title, kPathCapacity - 1);

    uint8_t percentage = settings.globalTransparency;
    if (filters.MatchWindow(imagePath, className, title, &percentage)) {
        if (restore)
            percentage = 0;
    } else if (restore) {
        percentage = 0;
    } else if (IsExcludedClass(className) || processId == GetCurrentProcessId()) {
        return false;
    }
    return SetWindowTransparency(window, percentage);
}

BOOL CALLBACK Engine::EnumWindowsProc(HWND window, LPARAM parameter)
{
    auto* record = reinterpret_cast<SweepRecord*>(parameter);
    if (!record || !record->engine)
        return FALSE;
    if (GetWindowLongW(window, GWL_STYLE) & WS_CHILD)
        return TRUE;
    if (IsWindowVisible(window) || (GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_LAYERED))
        record->engine->ProcessWindow(window, record->restore);
    return TRUE;
}

bool Engine::SweepWindows(bool restore)
{
    SweepRecord record{this, restore};
    EnumWindows(EnumWindowsProc, reinterpret_cast<LPARAM>(&record));
    return true;
}
