#pragma once
#include <windows.h>
#include <cstdint>

class HungWindowGate;

// The layered-window mechanics under the engine's rules, free of any engine state.
//
// Other programs' windows are theirs. Paneveil marks every window it changes, on the window
// itself, so that any later process (a start after a crash, /restore) can tell its own changes
// from those of the window's program and give back exactly what was there:
//
//   window property "PV_MARK", its handle value (in the low 18 bits, the same from 32- and
//   64-bit processes):
//     bits 0-7    the alpha the window had before (255 when Paneveil added WS_EX_LAYERED)
//     bits 8-15   the alpha Paneveil set last
//     bit  16     Paneveil added WS_EX_LAYERED
//     bit  17     set in every mark, so that no mark reads as "no property"
//   the value of bit 18 alone is not a mark but a note: the window's program took the window
//   back (changed its alpha or its layering after Paneveil). It is left alone until a restore
//   takes the note away.
//
// Only marked windows are ever restored. A marked window whose alpha is no longer the one
// Paneveil set is its program's again: the mark goes and nothing is changed. "PROP_PANEVEIL"
// keeps the alpha Paneveil set last only where GetLayeredWindowAttributes is missing.

constexpr uint8_t kMaxTransparencyWithoutSuperTrans = 80;

// The SetLayeredWindowAttributes alpha for a transparency percentage: capped at 80 unless
// super-trans mode is on, a percentage above 99 read as 40, 0 = opaque (255).
uint8_t AlphaForTransparency(uint8_t percentage, bool superTransMode);

struct WindowMark {
    bool addedLayered;
    BYTE alphaBefore;
    BYTE alphaSet;
};
enum class MarkState { None, Marked, LeftAlone };
MarkState ReadMark(HWND window, WindowMark* mark = nullptr);
void WriteMark(HWND window, const WindowMark& mark);

// Gives a top-level window `alpha`. Unless `named` (a filter names the window), a window its own
// program layered (WS_EX_LAYERED, LWA_ALPHA below 255) is passed by, and so is one the mouse
// passes through (WS_EX_TRANSPARENT, not layered), which layering would make click-through. One
// that uses a colour key or per-pixel alpha, or that its program took back, is always left alone;
// one that has the alpha already is not touched. True if the window was changed or already had
// the alpha; false if it was left alone or its change is still to come. With a gate, a style
// change of another thread's window is queued there; without, made here. `windowThread`, when
// the caller knows it, spares a call.
bool ApplyWindowAlpha(HWND window, BYTE alpha, bool named, HungWindowGate* gate, DWORD windowThread = 0);

// Gives back what a marked window had (its old alpha, or no WS_EX_LAYERED if Paneveil added it)
// and removes the mark; an unmarked window is not touched. A window that Paneveil layered and
// whose alpha never came (a process stopped in between) is Paneveil's unfinished change and is
// restored too. True if the window was restored; false if there was nothing to restore or the
// style change is still to come (with a gate).
bool RestoreMarkedWindow(HWND window, HungWindowGate* gate, DWORD windowThread = 0);
// Restores every marked top-level window that is visible or layered. Needs no program path, no
// filter and no engine state.
void RestoreMarkedWindows(HungWindowGate* gate);
// For a dying process: every marked window gets its old alpha back at once, without any call
// that waits for another thread; no lock, no allocation. A window Paneveil layered stays layered,
// drawn opaque, with its mark, for a later restore to take the style away.
void RestoreMarkedWindowsWithoutWaiting();
// Looks the system functions up ahead, so that the call above never enters the loader.
void PrepareWindowRestore();

// Desktop and tooltip windows, which never take the global transparency.
bool IsExcludedWindowClass(const wchar_t* className);
