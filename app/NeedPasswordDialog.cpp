#include "NeedPasswordDialog.h"

#include <cstring>
#include <string>

#include "Application.h"
#include "MessageRoutes.h"
#include "Messages.h"
#include "PasswordDigest.h"
#include "ForegroundWindow.h"
#include "resource.h"

NeedPasswordDialog::NeedPasswordDialog(Wnd* parent) : SkinDialog(IDD_NEED_PASSWORD, parent)
{
}

BOOL NeedPasswordDialog::OnInitDialog()
{
    SkinDialog::OnInitDialog();
    m_failedAttempts = 0;
    SendDlgItemMessageW(m_hwnd, IDC_PASSWORD, EM_LIMITTEXT, kMaxPasswordLength, 0);
    // The prompt usually appears while another program is in front.
    ForceForegroundWindow(m_hwnd);
    return TRUE;
}

bool NeedPasswordDialog::OnCommand(UINT id, UINT code, HWND control)
{
    static const CommandRoute<NeedPasswordDialog> routes[] = {
        {IDC_PASSWORD, EN_CHANGE, &NeedPasswordDialog::OnPasswordChange},
    };
    return RouteCommand(this, routes, id, code) || SkinDialog::OnCommand(id, code, control);
}

void NeedPasswordDialog::OnPasswordChange()
{
    EnableWindow(GetDlgItem(IDOK), GetWindowTextLengthW(GetDlgItem(IDC_PASSWORD)) > 0);
}

void NeedPasswordDialog::OnOK()
{
    const HWND edit = GetDlgItem(IDC_PASSWORD);
    wchar_t password[kMaxPasswordLength + 1] = {};
    ::GetWindowTextW(edit, password, static_cast<int>(kMaxPasswordLength + 1));
    uint8_t digest[kPasswordDigestSize];
    const bool computed = ComputePasswordDigest(password, digest);
    SecureZeroMemory(password, sizeof password);

    // A digest that could not be computed never matches, even the "no password" digest.
    if (computed && std::memcmp(digest, TheApp().engine.settings.passwordDigest, kPasswordDigestSize) == 0) {
        EndDialog(IDOK);
        return;
    }
    if (m_failedAttempts >= 2) {
        AppMessageBox(IDS_PASSWORD_ABORT, MB_OK | MB_ICONSTOP);
        PostMessageW(m_hwnd, WM_CLOSE, 0, 0);
        return;
    }
    AppMessageBox(IDS_PASSWORD_RETRY, MB_OK | MB_ICONEXCLAMATION);
    ::SetWindowTextW(edit, L"");
    SetFocus(edit);
    ++m_failedAttempts;
}
