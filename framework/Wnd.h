#pragma once
#include <windows.h>
#include <string>

// A window that may be bound to a C++ object. Binding subclasses the window: every message then
// reaches the virtual WindowProc, which unpacks the messages the program handles into typed
// virtual On... members; anything left unhandled goes to the window's original procedure.
// A Wnd never destroys its window; it only unbinds when the window goes.
class Wnd {
public:
    Wnd() = default;
    virtual ~Wnd();
    Wnd(const Wnd&) = delete;
    Wnd& operator=(const Wnd&) = delete;

    HWND Handle() const { return m_hwnd; }
    bool IsBound() const { return m_hwnd != nullptr && IsWindow(m_hwnd); }

    // The object bound to a window, or null.
    static Wnd* FromHandle(HWND window);

    // Binds this object to an existing window and routes its messages here. Fails if this
    // object or the window is already bound.
    bool SubclassWindow(HWND window);
    HWND UnsubclassWindow();

    // The message procedure; override to see every message before the typed handlers.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);

    // Runs right before the window is subclassed, while m_hwnd is already set.
    virtual void PreSubclassWindow() {}
    // Owner-draw requests that the parent receives for this control are handed back here.
    virtual void DrawItem(DRAWITEMSTRUCT* item) { (void)item; }

    // Small conveniences over the window handle.
    std::wstring GetWindowText() const;
    void SetWindowText(const std::wstring& text) const { ::SetWindowTextW(m_hwnd, text.c_str()); }
    DWORD GetStyle() const { return DWORD(GetWindowLongW(m_hwnd, GWL_STYLE)); }
    DWORD GetExStyle() const { return DWORD(GetWindowLongW(m_hwnd, GWL_EXSTYLE)); }
    bool ModifyStyle(DWORD remove, DWORD add, UINT swpFlags = 0) const;
    RECT GetClientRect() const;
    RECT GetWindowRect() const;
    // A control's rectangle in this window's client coordinates.
    RECT GetChildRect(HWND child) const;
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const
    {
        return ::SendMessageW(m_hwnd, message, wParam, lParam);
    }

protected:
    // The original procedure for the message being handled now.
    LRESULT Default();
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);

    // Typed handlers. Those that return bool report whether they handled the message; the
    // others fall back to Default() in their base form.
    virtual bool OnCommand(UINT id, UINT code, HWND control);
    virtual bool OnNotify(UINT id, NMHDR* header, LRESULT* result);
    virtual HBRUSH OnCtlColor(HDC dc, HWND control, UINT type);
    virtual void OnSize(UINT type, int width, int height);
    virtual void OnPaint();
    virtual void OnHScroll(UINT code, UINT position, HWND scrollBar);
    virtual BOOL OnSetCursor(HWND window, UINT hitTest, UINT message);
    virtual void OnLButtonDown(UINT flags, POINT point);
    virtual void OnLButtonUp(UINT flags, POINT point);
    virtual void OnGetMinMaxInfo(MINMAXINFO* info);
    virtual void OnEndSession(bool ending);

    // Dispatches one message to the typed handlers; false when none of them takes it.
    bool OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);


    HWND m_hwnd = nullptr;

private:
    static LRESULT CALLBACK StaticWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    struct CurrentMessage {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };
    WNDPROC m_originalProc = nullptr;
    CurrentMessage m_current{};
};
