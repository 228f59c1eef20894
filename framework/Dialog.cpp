#include "Dialog.h"

#include "DataExchange.h"
#include "WinApp.h"

#include <commctrl.h>

#include <algorithm>

namespace {
// The templates hold list views, trackbars, up-down and hot-key controls; their window classes
// must be registered before the first dialog is made from them.
void RegisterCommonControls()
{
    static const bool registered = [] {
        INITCOMMONCONTROLSEX controls{};
        controls.dwSize = sizeof(controls);
        controls.dwICC = ICC_STANDARD_CLASSES | ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES | ICC_UPDOWN_CLASS
            | ICC_HOTKEY_CLASS;
        return InitCommonControlsEx(&controls) != FALSE;
    }();
    (void)registered;
}
}

Dialog::Dialog(UINT templateId, Wnd* parent) : m_parent(parent), m_templateId(templateId) {}

Dialog::~Dialog()
{
    DestroyWindow();
}

HWND Dialog::OwnerWindow() const
{
    HWND owner = m_parent ? m_parent->Handle() : nullptr;
    if (!owner) {
        WinApp* app = WinApp::Current();
        Wnd* main = app ? app->GetMainWnd() : nullptr;
        owner = main && main != this ? main->Handle() : nullptr;
    }
    // A modal dialog run from a page belongs to the page's top-level window, which it disables.
    return owner ? GetAncestor(owner, GA_ROOT) : nullptr;
}

bool Dialog::Create(Wnd* parent)
{
    if (m_hwnd)
        return false;
    if (parent)
        m_parent = parent;
    RegisterCommonControls();
    HWND owner = m_parent ? m_parent->Handle() : nullptr;
    HWND window = CreateDialogParamW(GetResourceInstance(), MAKEINTRESOURCEW(m_templateId), owner,
        &StaticDialogProc, reinterpret_cast<LPARAM>(this));
    return window != nullptr;
}

INT_PTR Dialog::DoModal()
{
    if (m_hwnd)
        return -1;
    RegisterCommonControls();
    HWND owner = OwnerWindow();
    m_modal = true;
    m_modalResult = -1;
    HWND window = CreateDialogParamW(GetResourceInstance(), MAKEINTRESOURCEW(m_templateId), owner,
        &StaticDialogProc, reinterpret_cast<LPARAM>(this));
    if (!window) {
        m_modal = false;
        return -1;
    }
    // An EndDialog from OnInitDialog ends the dialog before it was ever shown.
    bool ownerDisabled = false;
    if (m_modal) {
        ownerDisabled = owner && IsWindowEnabled(owner);
        if (ownerDisabled)
            EnableWindow(owner, FALSE);
        ShowWindow(m_hwnd, SW_SHOWNORMAL);
        // WM_QUIT (handed on to the outer loop) ends the dialog as a cancel.
        if (RunModalLoop(0) == -1 && m_modalResult == -1)
            m_modalResult = IDCANCEL;
    }
    // Enable the owner before the dialog goes, so that activation returns to it.
    if (ownerDisabled)
        EnableWindow(owner, TRUE);
    if (owner && GetActiveWindow() == m_hwnd)
        SetActiveWindow(owner);
    DestroyWindow();
    m_modal = false;
    return m_modalResult;
}

int Dialog::RunModalLoop(DWORD flags)
{
    if (!m_hwnd || m_inModalLoop)
        return -1;
    bool showOnIdle = (flags & MLF_SHOWONIDLE) && !(GetStyle() & WS_VISIBLE);
    m_inModalLoop = true;
    m_modalResult = -1;
    MSG message;
    while (m_inModalLoop) {
        if (showOnIdle && !PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE)) {
            ShowWindow(m_hwnd, SW_SHOWNORMAL);
            UpdateWindow(m_hwnd);
            showOnIdle = false;
        }
        BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got <= 0) {
            // WM_QUIT belongs to the outermost loop: hand it on.
            if (got == 0)
                PostQuitMessage(int(message.wParam));
            m_inModalLoop = false;
            return -1;
        }
        if (m_hwnd && PreTranslateMessage(message))
            continue;
        if (!m_hwnd || !IsDialogMessageW(m_hwnd, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        if (!m_hwnd)
            m_inModalLoop = false;
    }
    return m_modalResult;
}

void Dialog::EndModalLoop(int result)
{
    m_modalResult = result;
    if (m_inModalLoop) {
        m_inModalLoop = false;
        // Wakes the loop if this was called from outside its own message dispatch.
        PostMessageW(m_hwnd, WM_NULL, 0, 0);
    }
}

void Dialog::EndDialog(int result)
{
    m_modalResult = result;
    if (m_inModalLoop) {
        EndModalLoop(result);
    } else if (m_modal) {
        // Ended during OnInitDialog: DoModal sees m_modal cleared and skips the loop.
        m_modal = false;
    } else if (m_hwnd) {
        ShowWindow(m_hwnd, SW_HIDE);
    }
}

bool Dialog::DestroyWindow()
{
    if (!m_hwnd)
        return false;
    HWND window = m_hwnd;
    ::DestroyWindow(window);
    // WM_NCDESTROY has unbound the object; a window destroyed elsewhere was unbound the same way.
    m_hwnd = nullptr;
    return true;
}

INT_PTR CALLBACK Dialog::StaticDialogProc(HWND window, UINT message, WPARAM, LPARAM lParam)
{
    // Only WM_INITDIALOG carries the object. Binding subclasses the dialog, so every later
    // message reaches WindowProc first; what it leaves to the default procedure comes back here
    // and is declined.
    if (message != WM_INITDIALOG || Wnd::FromHandle(window))
        return FALSE;
    auto* self = reinterpret_cast<Dialog*>(lParam);
    if (!self || !self->SubclassWindow(window))
        return FALSE;
    return self->HandleInitDialog();
}

namespace {
// Whether a dialog template places its dialog at 0, 0 (plain and extended templates).
bool TemplateAtOrigin(UINT templateId)
{
    HINSTANCE instance = GetResourceInstance();
    HRSRC found = FindResourceW(instance, MAKEINTRESOURCEW(templateId), MAKEINTRESOURCEW(5));
    HGLOBAL loaded = found ? LoadResource(instance, found) : nullptr;
    auto* words = static_cast<const WORD*>(loaded ? LockResource(loaded) : nullptr);
    if (!words || SizeofResource(instance, found) < 22)
        return false;
    bool extended = words[0] == 1 && words[1] == 0xFFFF;
    const WORD* position = extended ? words + 9 : words + 5;
    return position[0] == 0 && position[1] == 0;
}

void CentreOver(HWND window, HWND owner)
{
    RECT rect{};
    ::GetWindowRect(window, &rect);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    GetMonitorInfoW(MonitorFromWindow(owner ? owner : window, MONITOR_DEFAULTTOPRIMARY), &monitor);
    RECT area = monitor.rcWork;
    if (owner && IsWindowVisible(owner) && !IsIconic(owner))
        ::GetWindowRect(owner, &area);
    int width = rect.right - rect.left;
    int height = rect.bottom - rect.top;
    int left = area.left + (area.right - area.left - width) / 2;
    int top = area.top + (area.bottom - area.top - height) / 2;
    // Keep it on the work area, as far as it fits.
    left = std::min(LONG(left), monitor.rcWork.right - width);
    left = std::max(monitor.rcWork.left, LONG(left));
    top = std::max(monitor.rcWork.top, std::min(LONG(top), monitor.rcWork.bottom - height));
    SetWindowPos(window, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
}

BOOL Dialog::HandleInitDialog()
{
    // A modal dialog placed at 0, 0 by its template is centred over its owner, unless its own
    // initialisation moved it.
    RECT before = GetWindowRect();
    BOOL result = OnInitDialog();
    if (!m_hwnd || !m_modal || (GetStyle() & (WS_CHILD | WS_VISIBLE)))
        return result;
    RECT after = GetWindowRect();
    bool movedItself = after.left != before.left || after.top != before.top;
    if (!movedItself && TemplateAtOrigin(m_templateId))
        CentreOver(m_hwnd, GetWindow(m_hwnd, GW_OWNER));
    return result;
}

BOOL Dialog::OnInitDialog()
{
    UpdateData(false);
    return TRUE;
}

void Dialog::OnOK()
{
    if (UpdateData(true))
        EndDialog(IDOK);
}

void Dialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

bool Dialog::OnCommand(UINT id, UINT code, HWND control)
{
    // Buttons 1 and 2 (and Enter and Esc, which the dialog manager turns into them) end the
    // dialog through the overridable OnOK and OnCancel.
    if (code == BN_CLICKED && (id == IDOK || id == IDCANCEL)) {
        if (control && !IsWindowEnabled(control))
            return true;
        if (id == IDOK)
            OnOK();
        else
            OnCancel();
        return true;
    }
    return false;
}

bool Dialog::UpdateData(bool saveAndValidate)
{
    if (!m_hwnd)
        return false;
    DataExchange dx(this, saveAndValidate);
    DoDataExchange(dx);
    return !dx.Failed();
}
