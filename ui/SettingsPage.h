#pragma once
#include "SkinDialog.h"

// The Settings page, created from its template. Its controls do nothing yet: their behaviour
// arrives with the settings page's own work.
class SettingsPage : public SkinDialog {
public:
    explicit SettingsPage(Wnd* parent);
};
