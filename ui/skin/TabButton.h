#pragma once
#include "Controls.h"
#include "GdiObjects.h"

// A page tab of the main window: an owner-drawn button, filled with the page colour while its
// page is shown and open towards it, darker blue otherwise. A tab stop: Space or Enter opens its
// page, and it draws the focus and its access key as the keyboard cues say.
class TabButton : public Button {
public:
    TabButton();

    void DrawItem(DRAWITEMSTRUCT* item) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    // Set by the owner, which then redraws the tab.
    bool m_selected = false;

protected:
    void PreSubclassWindow() override;
    BOOL OnSetCursor(HWND window, UINT hitTest, UINT message) override;

    COLORREF m_normalColor = RGB(77, 111, 159);
    COLORREF m_selectedColor = RGB(197, 209, 226);
    COLORREF m_normalTextColor = RGB(254, 254, 254);
    COLORREF m_selectedTextColor = RGB(1, 1, 1);
    Brush m_normalBrush;
    Brush m_selectedBrush;
    Pen m_framePen;
};
