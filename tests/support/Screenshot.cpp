#include "Screenshot.h"

#include <cstdio>
#include <cstdlib>

namespace {

// Starts a program of the Unix side through Wine's start.exe, which takes Unix paths. Its /wait
// does not wait for Unix programs, so the caller waits for the program's output instead.
bool StartUnix(const std::wstring& arguments)
{
    std::wstring command = L"C:\\windows\\system32\\start.exe /unix " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
            nullptr, &startup, &process))
        return false;
    WaitForSingleObject(process.hProcess, 30000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

// Wine maps the Unix root to drive Z:.
std::wstring WindowsPath(const std::wstring& unixPath)
{
    std::wstring path = L"Z:" + unixPath;
    for (wchar_t& c : path) {
        if (c == L'/')
            c = L'\\';
    }
    return path;
}

}

bool Screenshot::Take(const std::wstring& name, std::string* error)
{
    const wchar_t* shots = _wgetenv(L"PV_SHOTS");
    if (!shots || !*shots) {
        *error = "PV_SHOTS is not set";
        return false;
    }
    std::wstring base = std::wstring(shots) + L"/" + name;
    std::wstring ppm = WindowsPath(base + L".ppm");
    DeleteFileW(ppm.c_str());
    if (!StartUnix(L"" PV_TAKE_SCREENSHOT L" " + base)) {
        *error = "the screenshot script did not start";
        return false;
    }
    FILE* file = nullptr;
    for (int i = 0; i < 300 && !file; ++i) {
        file = _wfopen(ppm.c_str(), L"rb");
        if (!file)
            Sleep(50);
    }
    if (!file) {
        *error = "no screenshot was written within 15 s";
        return false;
    }
    // The converter writes a plain header without comments; one whitespace ends it.
    int maxValue = 0;
    bool ok = fscanf(file, "P6 %d %d %d%*c", &m_width, &m_height, &maxValue) == 3 && maxValue == 255;
    if (ok) {
        m_rgb.resize(size_t(m_width) * size_t(m_height) * 3);
        ok = fread(m_rgb.data(), 1, m_rgb.size(), file) == m_rgb.size();
    }
    fclose(file);
    // The PNG is what people look at; the raw copy only served this test.
    DeleteFileW(ppm.c_str());
    if (!ok)
        *error = "the screenshot is not a readable 8-bit PPM";
    return ok;
}

COLORREF Screenshot::Pixel(int x, int y) const
{
    if (x < 0 || y < 0 || x >= m_width || y >= m_height)
        return CLR_INVALID;
    const unsigned char* p = &m_rgb[(size_t(y) * size_t(m_width) + size_t(x)) * 3];
    return RGB(p[0], p[1], p[2]);
}
