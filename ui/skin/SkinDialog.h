#pragma once
#include "Dialog.h"
#include "GdiObjects.h"

// The base of every dialog and page: the flat background, transparent statics, the near-white
// frame of child pages, and the rescaling to the application's dialog font at initialisation.
class SkinDialog : public Dialog {
public:
    SkinDialog(UINT templateId, Wnd* parent = nullptr);

    // Places the dialog's controls for its current client size; runs at the end of the
    // initialisation and after every WM_SIZE.
    virtual void LayoutControls() {}
    // The controls rescaled from their font to `font` and laid out again, the dialog's own size
    // kept: after a move to a monitor of another scale (a page, by the window that holds it).
    virtual void RescaleToFont(HFONT font);

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

protected:
    BOOL OnInitDialog() override;
    HBRUSH OnCtlColor(HDC dc, HWND control, UINT type) override;
    void OnSize(UINT type, int width, int height) override;
    void OnPaint() override;
    void PaintBackground(HDC dc);
    // Disabled, a control that has the focus (a button that disables itself) first hands it to
    // `heir`: the focus would otherwise be nowhere, and Tab would do nothing.
    void EnableControl(UINT id, bool enable, HWND heir);
    // A top-level dialog moved to a monitor of another scale: the font for the new dots per inch,
    // the controls rescaled and laid out again, and the rectangle the system suggests.
    virtual void OnDpiChanged(UINT dpi, const RECT& suggested);

    // A subclass may set another colour in its constructor, before the window exists.
    COLORREF m_backgroundColor;
    Brush m_backgroundBrush;
    Pen m_framePen;
    UINT m_dpi = 96;   // of the monitor the dialog is on
};
