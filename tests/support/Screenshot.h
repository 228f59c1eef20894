#pragma once
#include <windows.h>

#include <string>
#include <vector>

// A screenshot of the whole display, taken by ImageMagick's `import -window root` on the X
// display the tests run on. The PNG stays in $PV_SHOTS for people to look at.
class Screenshot {
public:
    // Takes the shot $PV_SHOTS/<name>.png; false (with a reason) when it could not.
    bool Take(const std::wstring& name, std::string* error);

    COLORREF Pixel(int x, int y) const;

private:
    int m_width = 0;
    int m_height = 0;
    std::vector<unsigned char> m_rgb;
};
