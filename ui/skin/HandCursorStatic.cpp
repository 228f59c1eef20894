#include "HandCursorStatic.h"

#include "WinApp.h"

bool SetHandCursor()
{
    WinApp* app = WinApp::Current();
    HCURSOR cursor = app ? app->GetHandCursor() : nullptr;
    if (!cursor)
        return false;
    SetCursor(cursor);
    return true;
}

BOOL HandCursorStatic::OnSetCursor(HWND window, UINT hitTest, UINT message)
{
    return SetHandCursor() ? TRUE : Static::OnSetCursor(window, hitTest, message);
}
