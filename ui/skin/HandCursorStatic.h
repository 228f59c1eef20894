#pragma once
#include "Controls.h"

// A static control (clickable icons) that shows the application's hand cursor.
class HandCursorStatic : public Static {
protected:
    BOOL OnSetCursor(HWND window, UINT hitTest, UINT message) override;
};

// Sets the application's hand cursor; false when it has none, so the default applies.
bool SetHandCursor();
