#pragma once
#include <windows.h>
#include <cstdint>

class HungWindowGate;

// The layered-window mechanics under the engine's rules, free of any engine state.

constexpr uint8_t kMaxTransparencyWithoutSuperTrans = 80;

// The SetLayeredWindowAttributes alpha for a transparency percentage: capped at 80 unless
// super-trans mode is on, a percentage above 99 read as 40, 0 = opaque (255).
uint8_t AlphaForTransparency(uint8_t percentage, bool superTransMode);

// Gives a top-level window `alpha`, or makes it opaque again (restore). A window that uses a
// colour key is left alone, and one that already has the alpha is not touched. True if the
// window was changed or already had the alpha; false if it was left alone. With a gate, the
// style of a window whose thread does not answer is not changed (the gate comes back to it).
bool ApplyWindowAlpha(HWND window, BYTE alpha, bool restore, HungWindowGate* gate = nullptr);

// Desktop and tooltip windows, which never take the global transparency.
bool IsExcludedWindowClass(const wchar_t* className);
