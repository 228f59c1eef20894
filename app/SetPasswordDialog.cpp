#include "SetPasswordDialog.h"

#include <cwchar>

#include "DataExchange.h"
#include "MessageRoutes.h"
#include "PasswordDigest.h"
#include "resource.h"

SetPasswordDialog::SetPasswordDialog(Wnd* parent) : SkinDialog(IDD_SET_PASSWORD, parent)
{
}

// Only the digest is kept; the entries must not linger in freed memory.
SetPasswordDialog::~SetPasswordDialog()
{
    for (std::wstring* text : {&m_password, &m_confirmPassword})
        SecureZeroMemory(text->data(), text->size() * sizeof(wchar_t));
}

BOOL SetPasswordDialog::OnInitDialog()
{
    SkinDialog::OnInitDialog();
    SendDlgItemMessageW(m_hwnd, IDC_PASSWORD, EM_LIMITTEXT, kMaxPasswordLength, 0);
    SendDlgItemMessageW(m_hwnd, IDC_PASSWORD_CONFIRM, EM_LIMITTEXT, kMaxPasswordLength, 0);
    return TRUE;
}

void SetPasswordDialog::DoDataExchange(DataExchange& dx)
{
    SkinDialog::DoDataExchange(dx);
    dx.Text(IDC_PASSWORD, m_password);
    dx.MaxChars(m_password, static_cast<int>(kMaxPasswordLength));
    dx.Text(IDC_PASSWORD_CONFIRM, m_confirmPassword);
    dx.MaxChars(m_confirmPassword, static_cast<int>(kMaxPasswordLength));
}

bool SetPasswordDialog::OnCommand(UINT id, UINT code, HWND control)
{
    static const CommandRoute<SetPasswordDialog> routes[] = {
        {IDC_PASSWORD, EN_CHANGE, &SetPasswordDialog::OnPasswordChange},
        {IDC_PASSWORD_CONFIRM, EN_CHANGE, &SetPasswordDialog::OnPasswordChange},
    };
    return RouteCommand(this, routes, id, code) || SkinDialog::OnCommand(id, code, control);
}

void SetPasswordDialog::OnPasswordChange()
{
    wchar_t first[kMaxPasswordLength + 1] = {};
    wchar_t second[kMaxPasswordLength + 1] = {};
    GetDlgItemTextW(m_hwnd, IDC_PASSWORD, first, static_cast<int>(kMaxPasswordLength + 1));
    GetDlgItemTextW(m_hwnd, IDC_PASSWORD_CONFIRM, second, static_cast<int>(kMaxPasswordLength + 1));
    EnableWindow(GetDlgItem(IDOK), first[0] != L'\0' && wcscmp(first, second) == 0);
    SecureZeroMemory(first, sizeof first);
    SecureZeroMemory(second, sizeof second);
}
