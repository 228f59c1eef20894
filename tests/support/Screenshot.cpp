#include "Screenshot.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

bool Screenshot::Take(const std::wstring& name, std::string* error)
{
    const wchar_t* shots = _wgetenv(L"PV_SHOTS");
    const std::wstring base = std::wstring(shots ? shots : L"") + L"/" + name;
    std::wstring ppm = L"Z:" + base + L".ppm";   // Wine maps the Unix root to drive Z:
    std::replace(ppm.begin(), ppm.end(), L'/', L'\\');
    DeleteFileW(ppm.c_str());
    // start.exe runs a Unix program but does not wait for it: the script renames the PPM into place
    // once it is complete.
    const HANDLE process =
        StartProcess(L"C:\\windows\\system32\\start.exe /unix " PV_TAKE_SCREENSHOT L" " + base, CREATE_NO_WINDOW);
    if (!shots || !process) {
        *error = "the screenshot script did not start (is PV_SHOTS set?)";
        return false;
    }
    CloseHandle(process);
    Bytes file;
    if (!WaitFor([&] { return ReadWholeFile(ppm, file); }, 15000)) {
        *error = "no screenshot was written within 15 s";
        return false;
    }
    DeleteFileW(ppm.c_str());   // the PNG is what people look at
    // A plain header without comments; one whitespace ends it.
    file.push_back(0);
    int maxValue = 0, header = 0;
    const bool parsed = std::sscanf(reinterpret_cast<const char*>(file.data()), "P6 %d %d %d%n", &m_width, &m_height,
                                    &maxValue, &header) == 3;
    const size_t size = size_t(m_width) * size_t(m_height) * 3;
    if (!parsed || maxValue != 255 || file.size() != size_t(header) + 2 + size) {
        *error = "the screenshot is not a readable 8-bit PPM";
        return false;
    }
    m_rgb.assign(file.begin() + header + 1, file.end() - 1);
    return true;
}

COLORREF Screenshot::Pixel(int x, int y) const
{
    if (x < 0 || y < 0 || x >= m_width || y >= m_height)
        return CLR_INVALID;
    const uint8_t* p = &m_rgb[(size_t(y) * size_t(m_width) + size_t(x)) * 3];
    return RGB(p[0], p[1], p[2]);
}
