#pragma once
#include <windows.h>

// The window in front, as the options that keep it opaque see it.

// The top-level window that holds `window` (the foreground may be a child); null for null.
HWND FrontWindowOf(HWND window);

// A window without a caption that covers the whole of its monitor, or any window while the system
// reports a full-screen Direct3D program or a presentation: a game, a film, a slide show. Such a
// program is kept opaque while it is in front, whatever the options say.
bool IsFullScreenWindow(HWND window);

// The desktop's own windows (the desktop window, the shell's, and the classes that draw the
// wallpaper and the icons). They cover the screen, yet are no full-screen program.
bool IsDesktopWindow(HWND window, const wchar_t* className);
