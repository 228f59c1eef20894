#include "Wnd.h"

#include "WinApp.h"

namespace {
// The bound object lives in a window property, so any code holding only the handle (a parent
// reflecting WM_DRAWITEM, a dialog procedure) can find it.
const wchar_t kObjectProperty[] = L"Paneveil.Wnd";
}

Wnd::~Wnd()
{
    // A main window that goes must not stay the application's: dialogs would take it as owner.
    if (WinApp* app = WinApp::Current(); app && app->GetMainWnd() == this)
        app->SetMainWnd(nullptr);
    UnsubclassWindow();
}

Wnd* Wnd::FromHandle(HWND window)
{
    return window ? static_cast<Wnd*>(GetPropW(window, kObjectProperty)) : nullptr;
}

bool Wnd::SubclassWindow(HWND window)
{
    if (m_hwnd || !IsWindow(window) || FromHandle(window))
        return false;
    m_hwnd = window;
    PreSubclassWindow();
    if (!SetPropW(window, kObjectProperty, this)) {
        m_hwnd = nullptr;
        return false;
    }
    m_originalProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&StaticWindowProc)));
    return true;
}

HWND Wnd::UnsubclassWindow()
{
    HWND window = m_hwnd;
    if (!window)
        return nullptr;
    if (IsWindow(window)) {
        if (m_originalProc)
            SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_originalProc));
        RemovePropW(window, kObjectProperty);
    }
    m_originalProc = nullptr;
    m_hwnd = nullptr;
    return window;
}

LRESULT CALLBACK Wnd::StaticWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    Wnd* self = FromHandle(window);
    if (!self)
        return ::DefWindowProcW(window, message, wParam, lParam);
    // Handlers may run nested messages (message boxes, modal loops); Default() must still see
    // the message it was called for.
    CurrentMessage saved = self->m_current;
    self->m_current = {message, wParam, lParam};
    LRESULT result = self->WindowProc(message, wParam, lParam);
    self->m_current = saved;
    if (message == WM_NCDESTROY)
        self->UnsubclassWindow();
    return result;
}

LRESULT Wnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (OnWndMsg(message, wParam, lParam, &result))
        return result;
    return DefWindowProc(message, wParam, lParam);
}

LRESULT Wnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_originalProc)
        return CallWindowProcW(m_originalProc, m_hwnd, message, wParam, lParam);
    return ::DefWindowProcW(m_hwnd, message, wParam, lParam);
}

LRESULT Wnd::Default()
{
    return DefWindowProc(m_current.message, m_current.wParam, m_current.lParam);
}

bool Wnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    switch (message) {
    case WM_COMMAND:
        return OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
    case WM_NOTIFY: {
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        return OnNotify(UINT(header->idFrom), header, result);
    }
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
        // The CTLCOLOR_ types follow the message numbers in the same order.
        *result = reinterpret_cast<LRESULT>(OnCtlColor(
            reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam), message - WM_CTLCOLORMSGBOX));
        return true;
    case WM_SIZE:
        OnSize(UINT(wParam), LOWORD(lParam), HIWORD(lParam));
        return true;
    case WM_PAINT:
        OnPaint();
        return true;
    case WM_HSCROLL:
        OnHScroll(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
        return true;
    case WM_SETCURSOR:
        *result = OnSetCursor(reinterpret_cast<HWND>(wParam), LOWORD(lParam), HIWORD(lParam));
        return true;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP: {
        POINT point{short(LOWORD(lParam)), short(HIWORD(lParam))};
        if (message == WM_LBUTTONDOWN)
            OnLButtonDown(UINT(wParam), point);
        else
            OnLButtonUp(UINT(wParam), point);
        return true;
    }
    case WM_GETMINMAXINFO:
        OnGetMinMaxInfo(reinterpret_cast<MINMAXINFO*>(lParam));
        return true;
    case WM_ENDSESSION:
        OnEndSession(wParam != FALSE);
        return true;
    case WM_DRAWITEM: {
        auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
        Wnd* control = item->CtlType == ODT_MENU ? nullptr : FromHandle(item->hwndItem);
        if (!control)
            return false;
        control->DrawItem(item);
        *result = TRUE;
        return true;
    }
    default:
        return false;
    }
}

// A handler that does not take its message leaves it to the original procedure; the result
// of that call is what the message returns.
bool Wnd::OnCommand(UINT, UINT, HWND) { return false; }
bool Wnd::OnNotify(UINT, NMHDR*, LRESULT*) { return false; }
HBRUSH Wnd::OnCtlColor(HDC, HWND, UINT) { return reinterpret_cast<HBRUSH>(Default()); }
void Wnd::OnSize(UINT, int, int) { Default(); }
void Wnd::OnPaint() { Default(); }
void Wnd::OnHScroll(UINT, UINT, HWND) { Default(); }
BOOL Wnd::OnSetCursor(HWND, UINT, UINT) { return BOOL(Default()); }
void Wnd::OnLButtonDown(UINT, POINT) { Default(); }
void Wnd::OnLButtonUp(UINT, POINT) { Default(); }
void Wnd::OnGetMinMaxInfo(MINMAXINFO*) { Default(); }
void Wnd::OnEndSession(bool) { Default(); }

std::wstring Wnd::GetWindowText() const
{
    int length = GetWindowTextLengthW(m_hwnd);
    std::wstring text(size_t(length) + 1, L'\0');
    int copied = ::GetWindowTextW(m_hwnd, text.data(), length + 1);
    text.resize(size_t(copied > 0 ? copied : 0));
    return text;
}

bool Wnd::ModifyStyle(DWORD remove, DWORD add, UINT swpFlags) const
{
    DWORD style = GetStyle();
    DWORD updated = (style & ~remove) | add;
    if (style == updated)
        return false;
    SetWindowLongW(m_hwnd, GWL_STYLE, LONG(updated));
    if (swpFlags)
        SetWindowPos(m_hwnd, nullptr, 0, 0, 0, 0,
            SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | swpFlags);
    return true;
}

RECT Wnd::GetClientRect() const
{
    RECT rect{};
    ::GetClientRect(m_hwnd, &rect);
    return rect;
}

RECT Wnd::GetWindowRect() const
{
    RECT rect{};
    ::GetWindowRect(m_hwnd, &rect);
    return rect;
}

RECT Wnd::GetChildRect(HWND child) const
{
    RECT rect{};
    ::GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, m_hwnd, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}
