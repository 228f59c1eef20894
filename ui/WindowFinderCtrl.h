#pragma once
#include "HandCursorStatic.h"

// The finder tool of the filter dialog: pressed, it lifts its cross-hair out of the frame as the
// cursor; released over a window of another program, it posts that top-level window to its dialog
// with the registered message "WM_PV_CAPTURE".
class WindowFinderCtrl : public HandCursorStatic {
public:
    WindowFinderCtrl();

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

protected:
    void OnLButtonDown(UINT flags, POINT point) override;
    void OnLButtonUp(UINT flags, POINT point) override;

private:
    // Shared resource handles, valid for the life of the program.
    HICON m_normalIcon;
    HICON m_dragIcon;
    HCURSOR m_dragCursor;
    UINT m_captureMessage;
};
