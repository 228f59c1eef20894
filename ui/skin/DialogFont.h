#pragma once
#include <windows.h>

// Rescales a dialog designed for its template font to `font`: the dialog and each direct child
// grow or shrink by the ratio of the fonts' average character sizes, top-level dialogs are kept
// inside the work area, and the font is then set on the dialog and its children.
void ScaleDialogFont(HWND dialog, HFONT font, bool scaleStaticsSpecially, bool keepDialogSize,
    bool keepDialogFont);

// Sends WM_SETFONT to the dialog (unless keepDialogFont) and to each direct child.
void SetFontOnChildren(HWND dialog, HFONT font, bool keepDialogFont);

// Converts a screen rectangle into `window`'s client coordinates, corner by corner.
void ScreenRectToClient(HWND window, RECT* rect);
