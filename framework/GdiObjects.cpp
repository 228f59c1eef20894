#include "GdiObjects.h"

bool Font::CreatePointFont(int tenthsOfPoint, const wchar_t* faceName, HDC dc)
{
    HDC screen = dc ? nullptr : GetDC(nullptr);
    int pixelsPerInch = GetDeviceCaps(dc ? dc : screen, LOGPIXELSY);
    if (screen)
        ReleaseDC(nullptr, screen);
    LOGFONTW logFont{};
    logFont.lfCharSet = DEFAULT_CHARSET;
    // A negative height asks for the character height, which is what a point size means.
    logFont.lfHeight = -MulDiv(tenthsOfPoint, pixelsPerInch ? pixelsPerInch : 96, 720);
    lstrcpynW(logFont.lfFaceName, faceName ? faceName : L"", LF_FACESIZE);
    return CreateIndirect(logFont);
}
