#pragma once
#include <cstdint>

#include "SkinDialog.h"

// Asks for the password: three entries, then the operation is refused. IDOK only after a
// correct entry.
class NeedPasswordDialog : public SkinDialog {
public:
    explicit NeedPasswordDialog(Wnd* parent);

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    bool OnCommand(UINT id, UINT code, HWND control) override;

private:
    void OnPasswordChange();

    uint8_t m_failedAttempts = 0;
};
