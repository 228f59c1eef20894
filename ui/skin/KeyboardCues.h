#pragma once
#include <windows.h>

// The keyboard cues of a window, as the system keeps them (WM_QUERYUISTATE): focus rectangles and
// underlined access keys stay hidden for a mouse user until the keyboard is used, unless the
// user's setting shows them always. The standard controls follow them; ours do too.
bool HidesFocusCue(HWND window);
bool HidesAccessKeys(HWND window);
// The dotted focus rectangle inside `rect`, when the cues show it.
void DrawFocusCue(HWND window, HDC dc, RECT rect);
// Whether a WM_GETDLGCODE asks about Enter: a control that acts on Enter itself answers
// DLGC_WANTMESSAGE, or the dialog manager presses the default button instead.
bool AsksAboutEnter(UINT message, LPARAM lParam);
// The control's parent told of a click made with the keyboard, as the mouse would tell it.
void NotifyClicked(HWND control, UINT code);
