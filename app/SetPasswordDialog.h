#pragma once
#include <string>

#include "SkinDialog.h"

// Asks for a new password twice. IDOK with m_password set (equal to m_confirmPassword, not
// empty); OK stays disabled until the two entries agree.
class SetPasswordDialog : public SkinDialog {
public:
    explicit SetPasswordDialog(Wnd* parent);
    ~SetPasswordDialog() override;

    std::wstring m_password;
    std::wstring m_confirmPassword;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(DataExchange& dx) override;
    bool OnCommand(UINT id, UINT code, HWND control) override;

private:
    void OnPasswordChange();
};
