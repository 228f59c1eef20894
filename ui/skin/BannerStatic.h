#pragma once
#include "Controls.h"
#include "GdiObjects.h"

// The main window's top banner: a one-pixel-wide bitmap strip repeated across the control,
// which always keeps the strip's height.
class BannerStatic : public Static {
public:
    // The owner loads the strip before the control is attached.
    bool LoadBannerBitmap(UINT id);
    int GetBitmapHeight() const { return m_bitmapHeight; }

protected:
    void PreSubclassWindow() override;
    void OnPaint() override;
    void OnSize(UINT type, int width, int height) override;

    int m_bitmapHeight = 0;
    Brush m_patternBrush;
    Bitmap m_bitmap;
};
