#include "WindowAlpha.h"

#include "FilterList.h"
#include "HungWindowGate.h"
#include "LazyProc.h"

namespace {

constexpr wchar_t kAlphaProperty[] = L"PROP_PANEVEIL";

LazyProc<BOOL(WINAPI*)(HWND, COLORREF*, BYTE*, DWORD*)> g_getLayeredWindowAttributes(
    L"User32.dll", "GetLayeredWindowAttributes");

void RememberAlpha(HWND window, BYTE alpha)
{
    SetPropW(window, kAlphaProperty, reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(alpha)));
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

bool ApplyWindowAlpha(HWND window, BYTE alpha, bool restore, HungWindowGate* gate)
{
    const auto getLayeredWindowAttributes = g_getLayeredWindowAttributes.Get();
    // The attributes are asked first: they succeed only for a layered window, and every sweep
    // meets mostly windows that are layered already, so their style need not be read too.
    BYTE currentAlpha = 0;
    DWORD flags = 0;
    const bool attributesRead = getLayeredWindowAttributes && getLayeredWindowAttributes(window, nullptr, &currentAlpha, &flags);
    const LONG exStyle = attributesRead ? WS_EX_LAYERED : GetWindowLongW(window, GWL_EXSTYLE);

    if (!(exStyle & WS_EX_LAYERED)) {
        if (restore || (gate && !gate->MayChangeStyle(window)))
            return false;
        SetWindowLongW(window, GWL_EXSTYLE, exStyle | WS_EX_LAYERED);
        SetLayeredWindowAttributes(window, 0, alpha, LWA_ALPHA);
        if (!getLayeredWindowAttributes)
            RememberAlpha(window, alpha);
        return true;
    }
    if (getLayeredWindowAttributes) {
        // Layered, but not through these attributes (UpdateLayeredWindow), or with a colour key:
        // the window's own program draws it that way; leave it alone.
        if (!attributesRead || flags != LWA_ALPHA)
            return false;
    } else {
        currentAlpha = static_cast<BYTE>(reinterpret_cast<UINT_PTR>(GetPropW(window, kAlphaProperty)));
    }

    if (restore) {
        RemovePropW(window, kAlphaProperty);
        SetLayeredWindowAttributes(window, 0, 255, LWA_ALPHA);
        // Opaque already; the style waits until the window's thread answers.
        if (gate && !gate->MayChangeStyle(window))
            return false;
        SetWindowLongW(window, GWL_EXSTYLE, GetWindowLongW(window, GWL_EXSTYLE) & ~WS_EX_LAYERED);
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
        return true;
    }
    // Safe mode sweeps ten times a second; an unchanged window must not be repainted.
    if (alpha == currentAlpha)
        return true;
    SetLayeredWindowAttributes(window, 0, alpha, LWA_ALPHA);
    if (!getLayeredWindowAttributes)
        RememberAlpha(window, alpha);
    return true;
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
