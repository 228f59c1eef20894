#pragma once
#include "Wnd.h"

class DataExchange;

// Modal-loop flags, with the values callers know from the platform's dialog frameworks.
enum : DWORD {
    MLF_NOIDLEMSG = 0x0001,
    MLF_NOKICKIDLE = 0x0002,
    MLF_SHOWONIDLE = 0x0004,
};

// A dialog built from a template resource. Modeless (Create) and modal (DoModal) dialogs are
// the same object and differ only in how they end: DoModal runs RunModalLoop until EndDialog.
class Dialog : public Wnd {
public:
    Dialog(UINT templateId, Wnd* parent = nullptr);
    ~Dialog() override;

    // Creates the dialog modeless, as a child or owned window of the parent given here or at
    // construction.
    bool Create(Wnd* parent = nullptr);
    // Runs the dialog modally over its parent's top-level window (or the application's main
    // window) and returns the value given to EndDialog: IDOK or IDCANCEL (also when WM_QUIT
    // ended the loop), or -1 when the dialog could not be created.
    INT_PTR DoModal();

    // Runs a message loop for this window until EndModalLoop or WM_QUIT (which is posted again
    // for the loop outside); returns the value given to EndModalLoop, or -1 after WM_QUIT.
    int RunModalLoop(DWORD flags = 0);
    void EndModalLoop(int result);
    bool IsInModalLoop() const { return m_inModalLoop; }

    void EndDialog(int result);
    bool DestroyWindow();

    // Runs the data exchange: true = save the controls into the members, false = load.
    // False when a validation step failed (it has then shown its message).
    bool UpdateData(bool saveAndValidate = true);

    HWND GetDlgItem(UINT id) const { return ::GetDlgItem(m_hwnd, int(id)); }

protected:
    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    virtual void DoDataExchange(DataExchange& dx) { (void)dx; }
    // A message of this dialog's loop, before the dialog manager sees it; true when it was taken.
    virtual bool PreTranslateMessage(const MSG& message) { (void)message; return false; }

    bool OnCommand(UINT id, UINT code, HWND control) override;

    Wnd* m_parent;

private:
    static INT_PTR CALLBACK StaticDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    BOOL HandleInitDialog();
    HWND OwnerWindow() const;

    UINT m_templateId;
    bool m_modal = false;
    bool m_inModalLoop = false;
    int m_modalResult = -1;
};
