#pragma once
#include <windows.h>

#include <string>

#include "TestSupport.h"

// A screenshot of the whole test display, taken by ImageMagick's `import -window root`. The PNG
// stays in $PV_SHOTS for people to look at.
class Screenshot {
public:
    // Takes the shot $PV_SHOTS/<name>.png; false (with a reason) when it could not.
    bool Take(const std::wstring& name, std::string* error);
    COLORREF Pixel(int x, int y) const;

private:
    int m_width = 0;
    int m_height = 0;
    Bytes m_rgb;
};
