#pragma once
#include "Controls.h"

// A static control (clickable icons) that shows the application's hand cursor. Made a tab stop
// in its template, it takes the focus, draws it as the keyboard cues say, and Space or Enter on
// it clicks it (STN_CLICKED, as the mouse does).
class HandCursorStatic : public Static {
public:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

protected:
    BOOL OnSetCursor(HWND window, UINT hitTest, UINT message) override;
};

// Sets the application's hand cursor; false when it has none, so the default applies.
bool SetHandCursor();
