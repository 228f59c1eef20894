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

protected:
    BOOL OnInitDialog() override;
    HBRUSH OnCtlColor(HDC dc, HWND control, UINT type) override;
    void OnSize(UINT type, int width, int height) override;
    void OnPaint() override;
    void PaintBackground(HDC dc);

    // A subclass may set another colour in its constructor, before the window exists.
    COLORREF m_backgroundColor;
    Brush m_backgroundBrush;
    Pen m_framePen;
};
