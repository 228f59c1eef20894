#pragma once
#include <windows.h>
#include <cstdint>

// The dialog font: the system's menu font, with the overrides of a hidden registry key on top.

constexpr wchar_t kHiddenFontKey[] = L"Software\\Kestro\\Paneveil\\Hidden";
constexpr uint8_t kMaxFontPointSize = 72;

// Font overrides for the dialogs, read once from kHiddenFontKey (never written by the program).
struct HiddenFontOverride {
    wchar_t faceName[32] = {};   // empty = no override
    uint8_t pointSize = 0;       // 0 = no override
};

// Missing key or values, wrong types and names that do not fit leave that override absent.
// A FontName of exactly 32 characters without a terminator is ignored like any longer name:
// a face name has room for 31 characters only, and a cut name would name another font.
HiddenFontOverride ReadHiddenFontOverride();

// The system's menu font, else the stock GUI font, else Tahoma 8. Always true.
bool GetSystemUIFont(LOGFONTW& font);

// The font height for a point size on the screen, or `fallback` without a screen device context.
LONG PointsToHeight(int points, LONG fallback);

// The dialog font: the system font with the overrides applied on top. For a monitor of another
// scale, `dpi` gives its dots per inch (0: the screen's).
LOGFONTW ComposeUiFont(const HiddenFontOverride& hidden, UINT dpi = 0);
