// A few colourful top-level windows of a process of their own, for scripts/run: they show what
// Paneveil does to other programs' windows. They overlap, so that one shows through another,
// and keep clear of the top-left corner, where Paneveil's own window appears. Closing every
// window ends the program.
#include <windows.h>

#include <memory>
#include <type_traits>

namespace {

struct GdiDeleter {
    void operator()(HGDIOBJ object) const { DeleteObject(object); }
};
using GdiOwner = std::unique_ptr<std::remove_pointer_t<HGDIOBJ>, GdiDeleter>;

struct DemoWindow {
    const wchar_t* title;
    const wchar_t* text;
    COLORREF colour;
    int x, y, width, height;
};

const DemoWindow kWindows[] = {
    {L"Paneveil demo - Notes", L"Global transparency applies to me.", RGB(250, 220, 60), 60, 460, 540, 340},
    {L"Paneveil demo - Sky", L"Global transparency applies to me too.", RGB(40, 110, 220), 680, 30, 540, 360},
    {L"Paneveil demo - Heavy", L"A filter gives me 70%.", RGB(220, 40, 40), 860, 290, 400, 320},
    {L"Paneveil demo - Opaque", L"A Disabled filter keeps me opaque.", RGB(40, 170, 70), 470, 650, 500, 320},
};

int g_openWindows = 0;

void Paint(HWND window)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    RECT client;
    GetClientRect(window, &client);
    const auto* demo = reinterpret_cast<const DemoWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (demo) {
        GdiOwner fill(CreateSolidBrush(demo->colour));
        FillRect(dc, &client, static_cast<HBRUSH>(fill.get()));
        // Dark stripes make what lies behind a translucent window easy to see.
        GdiOwner stripes(CreateHatchBrush(HS_BDIAGONAL, RGB(20, 20, 20)));
        const int oldMode = SetBkMode(dc, TRANSPARENT);
        RECT band = {client.left, client.bottom - 80, client.right, client.bottom};
        FillRect(dc, &band, static_cast<HBRUSH>(stripes.get()));

        GdiOwner font(CreateFontW(-28, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0,
                                  ANTIALIASED_QUALITY, 0, L"Tahoma"));
        const HGDIOBJ oldFont = SelectObject(dc, font.get());
        SetTextColor(dc, RGB(1, 1, 1));
        RECT text = {client.left + 20, client.top + 20, client.right - 20, client.bottom - 100};
        DrawTextW(dc, demo->text, -1, &text, DT_WORDBREAK);
        SelectObject(dc, oldFont);
        SetBkMode(dc, oldMode);
    }
    EndPaint(window, &paint);
}

HWND CreateDemoWindow(HINSTANCE instance, const DemoWindow& demo)
{
    HWND window = CreateWindowExW(0, L"PaneveilDemoWindow", demo.title, WS_OVERLAPPEDWINDOW, demo.x, demo.y,
                                  demo.width, demo.height, nullptr, nullptr, instance, nullptr);
    if (!window)
        return nullptr;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&demo));
    ShowWindow(window, SW_SHOWNOACTIVATE);
    // Wine does not raise this event for ShowWindow, Windows does; without it a hook would
    // never hear of the window.
    NotifyWinEvent(EVENT_OBJECT_SHOW, window, OBJID_WINDOW, CHILDID_SELF);
    ++g_openWindows;
    return window;
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT:
        Paint(window);
        return 0;
    case WM_DESTROY:
        if (--g_openWindows == 0)
            PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = L"PaneveilDemoWindow";
    if (!RegisterClassW(&windowClass))
        return 1;

    for (const DemoWindow& demo : kWindows)
        CreateDemoWindow(instance, demo);
    if (g_openWindows == 0)
        return 1;

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
