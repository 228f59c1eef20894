#include "UiFont.h"

#include <cstddef>
#include <cstring>
#include <cwchar>

#include "GdiObjects.h"
#include "LazyProc.h"
#include "UniqueHandle.h"

LONG PointsToHeight(int points, LONG fallback)
{
    WindowDC dc(GetDesktopWindow());
    if (!dc.get())
        return fallback;
    const LONG height = -MulDiv(points, GetDeviceCaps(dc.get(), LOGPIXELSY), 72);
    return height != 0 ? height : fallback;
}

namespace {

REGSAM QueryAccess()
{
    using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);
    REGSAM access = KEY_QUERY_VALUE;
    HMODULE kernel = GetModuleHandleW(L"Kernel32.dll");
    auto isWow64Process = kernel ? reinterpret_cast<IsWow64ProcessFn>(
                                       reinterpret_cast<void*>(GetProcAddress(kernel, "IsWow64Process")))
                                 : nullptr;
    BOOL wow64 = FALSE;
    if (isWow64Process && isWow64Process(GetCurrentProcess(), &wow64) && wow64)
        access |= KEY_WOW64_64KEY;
    return access;
}

void ReadFaceName(HKEY key, wchar_t (&faceName)[32])
{
    DWORD type = 0;
    DWORD bytes = sizeof faceName;
    const LSTATUS status = RegQueryValueExW(key, L"FontName", nullptr, &type,
                                            reinterpret_cast<BYTE*>(faceName), &bytes);
    const size_t units = bytes / sizeof(wchar_t);
    bool valid = status == ERROR_SUCCESS && type == REG_SZ;
    // The registry does not promise a terminator: one written without it is accepted when the
    // name still leaves room for one, and a full buffer without it is ignored.
    if (valid && wmemchr(faceName, L'\0', units) == nullptr) {
        if (units < 32)
            faceName[units] = L'\0';
        else
            valid = false;
    }
    if (!valid)
        std::memset(faceName, 0, sizeof faceName);
}

}  // namespace

HiddenFontOverride ReadHiddenFontOverride()
{
    HiddenFontOverride hidden;
    HKEY rawKey = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kHiddenFontKey, 0, QueryAccess(), &rawKey) != ERROR_SUCCESS)
        return hidden;
    UniqueRegistryKey key(rawKey);

    ReadFaceName(key.get(), hidden.faceName);

    DWORD type = 0;
    DWORD size = 0;
    DWORD bytes = sizeof size;
    if (RegQueryValueExW(key.get(), L"FontSize", nullptr, &type, reinterpret_cast<BYTE*>(&size),
                         &bytes) == ERROR_SUCCESS &&
        type == REG_DWORD)
        hidden.pointSize = static_cast<uint8_t>(size <= kMaxFontPointSize ? size : kMaxFontPointSize);
    return hidden;
}

bool GetSystemUIFont(LOGFONTW& font)
{
    // The size Windows versions before Vista know: without iPaddedBorderWidth.
    NONCLIENTMETRICSW metrics{};
    constexpr UINT kMetricsSize = offsetof(NONCLIENTMETRICSW, iPaddedBorderWidth);
    static_assert(kMetricsSize == 500, "NONCLIENTMETRICSW layout");
    metrics.cbSize = kMetricsSize;
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, kMetricsSize, &metrics, 0)) {
        font = metrics.lfMenuFont;
        return true;
    }
    HGDIOBJ stock = GetStockObject(DEFAULT_GUI_FONT);
    if (stock && GetObjectW(stock, sizeof font, &font) == sizeof font)
        return true;

    font = LOGFONTW{};
    lstrcpynW(font.lfFaceName, L"Tahoma", LF_FACESIZE);
    font.lfWeight = FW_NORMAL;
    font.lfHeight = PointsToHeight(8, -11);
    return true;
}

namespace {

// Windows 10 1607 on; older systems have one scale for all monitors.
LazyProc<BOOL(WINAPI*)(UINT, UINT, void*, UINT, UINT)> s_systemParametersForDpi(L"user32.dll",
                                                                                "SystemParametersInfoForDpi");

// The menu font as the system gives it for `dpi`, else the screen's scaled to it.
void MenuFontForDpi(UINT dpi, LOGFONTW& font)
{
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    auto forDpi = s_systemParametersForDpi.Get();
    if (forDpi && forDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, dpi)) {
        font = metrics.lfMenuFont;
        return;
    }
    GetSystemUIFont(font);
    WindowDC screen(nullptr);
    if (const int screenDpi = screen.get() ? GetDeviceCaps(screen.get(), LOGPIXELSY) : 0)
        font.lfHeight = MulDiv(font.lfHeight, int(dpi), screenDpi);
}

}  // namespace

LOGFONTW ComposeUiFont(const HiddenFontOverride& hidden, UINT dpi)
{
    LOGFONTW font{};
    if (dpi != 0)
        MenuFontForDpi(dpi, font);
    else
        GetSystemUIFont(font);
    if (hidden.faceName[0] != L'\0') {
        lstrcpynW(font.lfFaceName, hidden.faceName, LF_FACESIZE);
        font.lfCharSet = DEFAULT_CHARSET;
    }
    if (hidden.pointSize != 0)
        font.lfHeight = dpi != 0 ? -MulDiv(hidden.pointSize, int(dpi), 72) : PointsToHeight(hidden.pointSize, font.lfHeight);
    return font;
}
