#include "SettingsPage.h"

#include "resource.h"

SettingsPage::SettingsPage(Wnd* parent) : SkinDialog(IDD_SETTINGS_PAGE, parent)
{
}
