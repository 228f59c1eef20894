#pragma once
#include <windows.h>
#include <utility>

#include "UniqueHandle.h"

// GDI objects and menus are owned through the project's one owning-handle template.
template <class H, BOOL(WINAPI* Close)(H)>
using HandleOwner = UniqueHandle<H, Close>;

template <class H>
inline BOOL WINAPI DeleteTypedGdiObject(H object) { return DeleteObject(object); }

class Font : public HandleOwner<HFONT, DeleteTypedGdiObject<HFONT>> {
public:
    bool CreateIndirect(const LOGFONTW& logFont)
    {
        reset(CreateFontIndirectW(&logFont));
        return bool(*this);
    }
    // Size in tenths of a point, for the screen unless a device context is given.
    bool CreatePointFont(int tenthsOfPoint, const wchar_t* faceName, HDC dc = nullptr);
};

class Brush : public HandleOwner<HBRUSH, DeleteTypedGdiObject<HBRUSH>> {
public:
    bool CreateSolid(COLORREF color)
    {
        reset(CreateSolidBrush(color));
        return bool(*this);
    }
    bool CreatePattern(HBITMAP bitmap)
    {
        reset(CreatePatternBrush(bitmap));
        return bool(*this);
    }
};

class Pen : public HandleOwner<HPEN, DeleteTypedGdiObject<HPEN>> {
public:
    bool Create(int style, int width, COLORREF color)
    {
        reset(CreatePen(style, width, color));
        return bool(*this);
    }
};

class Bitmap : public HandleOwner<HBITMAP, DeleteTypedGdiObject<HBITMAP>> {
public:
    bool Load(HINSTANCE instance, UINT id)
    {
        reset(static_cast<HBITMAP>(
            LoadImageW(instance, MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
        return bool(*this);
    }
};

class Menu : public HandleOwner<HMENU, DestroyMenu> {
public:
    bool Load(HINSTANCE instance, UINT id)
    {
        reset(LoadMenuW(instance, MAKEINTRESOURCEW(id)));
        return bool(*this);
    }
    HMENU SubMenu(int position) const { return get() ? GetSubMenu(get(), position) : nullptr; }
};

// Scoped BeginPaint/EndPaint.
class PaintDC {
public:
    explicit PaintDC(HWND window) : m_window(window) { m_dc = BeginPaint(window, &m_paint); }
    ~PaintDC() { EndPaint(m_window, &m_paint); }
    PaintDC(const PaintDC&) = delete;
    PaintDC& operator=(const PaintDC&) = delete;
    HDC get() const { return m_dc; }
    const PAINTSTRUCT& paint() const { return m_paint; }

private:
    HWND m_window;
    HDC m_dc;
    PAINTSTRUCT m_paint;
};

// Scoped GetDC/ReleaseDC.
class WindowDC {
public:
    explicit WindowDC(HWND window) : m_window(window), m_dc(GetDC(window)) {}
    ~WindowDC()
    {
        if (m_dc)
            ReleaseDC(m_window, m_dc);
    }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    HDC get() const { return m_dc; }

private:
    HWND m_window;
    HDC m_dc;
};

// Selects an object into a DC and puts the previous one back when it goes.
class SelectObjectGuard {
public:
    SelectObjectGuard(HDC dc, HGDIOBJ object) : m_dc(dc), m_previous(SelectObject(dc, object)) {}
    ~SelectObjectGuard()
    {
        if (m_previous && m_previous != HGDI_ERROR)
            SelectObject(m_dc, m_previous);
    }
    SelectObjectGuard(const SelectObjectGuard&) = delete;
    SelectObjectGuard& operator=(const SelectObjectGuard&) = delete;

private:
    HDC m_dc;
    HGDIOBJ m_previous;
};
