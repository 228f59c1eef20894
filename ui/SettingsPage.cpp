#include "SettingsPage.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>

#include "DataExchange.h"
#include "MessageRoutes.h"
#include "Messages.h"
#include "resource.h"

SettingsPage::SettingsPage(Engine& engine, PageHost& host, Wnd* parent)
    : SkinDialog(IDD_SETTINGS_PAGE, parent), m_engine(engine), m_host(host)
{
}

void SettingsPage::DoDataExchange(DataExchange& dx)
{
    SkinDialog::DoDataExchange(dx);
    dx.Control(IDC_SETTINGS_HOTKEY, m_hotkey);
    dx.Control(IDC_SETTINGS_WHEEL_KEYS, m_wheelKeys);
}

BOOL SettingsPage::OnInitDialog()
{
    SkinDialog::OnInitDialog();
    // A key alone as a system-wide hotkey would be taken from every program: it gets Ctrl+Alt.
    m_hotkey.SendMessage(HKM_SETRULES, HKCOMB_NONE, MAKELPARAM(HOTKEYF_CONTROL | HOTKEYF_ALT, 0));
    for (UINT keys = IDS_WHEEL_CTRL_SHIFT; keys <= IDS_WHEEL_ALT_SHIFT; ++keys)
        m_wheelKeys.AddString(LoadResString(keys).c_str());
    LoadControls();
    return TRUE;
}

void SettingsPage::LoadControls()
{
    const Settings& settings = m_engine.settings;
    CheckDlgButton(m_hwnd, IDC_SETTINGS_AUTOSTART, settings.autoStart ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(m_hwnd, IDC_SETTINGS_HIDE_TRAY, settings.hideTrayIcon ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(m_hwnd, IDC_SETTINGS_SAFE_MODE, settings.safeMode ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(m_hwnd, IDC_SETTINGS_SUPER_TRANS, settings.superTransMode ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(m_hwnd, IDC_SETTINGS_PASSWORD, settings.HasPassword() ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(m_hwnd, IDC_SETTINGS_ACTIVE_OPAQUE, settings.activeWindowOpaque ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(m_hwnd, IDC_SETTINGS_WHEEL, settings.wheelAdjust ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(m_hwnd, IDC_SETTINGS_HOVER_OPAQUE, settings.hoverOpaque ? BST_CHECKED : BST_UNCHECKED);
    m_hotkey.SetHotKey(LOBYTE(settings.hotkeyVirtualKey), LOBYTE(settings.hotkeyModifiers));
    m_wheelKeys.SetCurSel(settings.wheelModifiers);
    ShowWheelKeys();
    EnableWindow(GetDlgItem(IDC_SETTINGS_APPLY), FALSE);
}

LRESULT SettingsPage::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    const LRESULT result = SkinDialog::WindowProc(message, wParam, lParam);
    if (message == WM_SHOWWINDOW)
        OnShowWindow(wParam != FALSE, UINT(lParam));
    return result;
}

// A hotkey typed but not applied is discarded when the user leaves the page.
void SettingsPage::OnShowWindow(bool show, UINT)
{
    if (show)
        LoadControls();
}

bool SettingsPage::OnCommand(UINT id, UINT code, HWND control)
{
    static const CommandRoute<SettingsPage> routes[] = {
        {IDC_SETTINGS_HIDE_TRAY, BN_CLICKED, &SettingsPage::OnHideTrayIcon},
        {IDC_SETTINGS_AUTOSTART, BN_CLICKED, &SettingsPage::OnAutoStart},
        {IDC_SETTINGS_SAFE_MODE, BN_CLICKED, &SettingsPage::OnSafeMode},
        {IDC_SETTINGS_SUPER_TRANS, BN_CLICKED, &SettingsPage::OnSuperTransMode},
        {IDC_SETTINGS_PASSWORD, BN_CLICKED, &SettingsPage::OnUsePassword},
        {IDC_SETTINGS_ACTIVE_OPAQUE, BN_CLICKED, &SettingsPage::OnActiveWindowOpaque},
        {IDC_SETTINGS_WHEEL, BN_CLICKED, &SettingsPage::OnWheelAdjust},
        {IDC_SETTINGS_WHEEL_KEYS, CBN_SELCHANGE, &SettingsPage::OnWheelKeys},
        {IDC_SETTINGS_HOVER_OPAQUE, BN_CLICKED, &SettingsPage::OnHoverOpaque},
        {IDC_SETTINGS_HOTKEY, EN_CHANGE, &SettingsPage::OnChangeHotkey},
        {IDC_SETTINGS_APPLY, BN_CLICKED, &SettingsPage::OnApplyHotkey},
    };
    return RouteCommand(this, routes, id, code) || SkinDialog::OnCommand(id, code, control);
}

void SettingsPage::OnHideTrayIcon()
{
    m_engine.settings.hideTrayIcon = IsChecked(IDC_SETTINGS_HIDE_TRAY);
    const bool saved = m_engine.ApplySettings(false, false, false);
    m_host.UpdateTrayIcon(m_engine.settings.hideTrayIcon != 0);
    m_host.ReportSave(saved);
}

// The box never shows an autostart that the next log-on will not do: when the Run value cannot
// be written (or removed), the engine turns the setting back, and the box follows it.
void SettingsPage::OnAutoStart()
{
    const bool wanted = IsChecked(IDC_SETTINGS_AUTOSTART);
    m_engine.settings.autoStart = wanted;
    const bool saved = m_engine.ApplySettings(false, true, false);
    if ((m_engine.settings.autoStart != 0) != wanted) {
        CheckDlgButton(m_hwnd, IDC_SETTINGS_AUTOSTART, m_engine.settings.autoStart ? BST_CHECKED : BST_UNCHECKED);
        AppMessageBox(wanted ? IDS_AUTOSTART_NOT_WRITTEN : IDS_AUTOSTART_NOT_REMOVED, MB_OK | MB_ICONEXCLAMATION);
    }
    m_host.ReportSave(saved);
}

void SettingsPage::OnSafeMode()
{
    m_engine.settings.safeMode = IsChecked(IDC_SETTINGS_SAFE_MODE);
    m_host.ReportSave(m_engine.ApplySettings(true, false, false));
}

void SettingsPage::OnSuperTransMode()
{
    m_engine.settings.superTransMode = IsChecked(IDC_SETTINGS_SUPER_TRANS);
    const bool saved = m_engine.ApplySettings(false, false, true);
    m_host.UpdateGlobalSlider();
    m_host.ReportSave(saved);
}

void SettingsPage::OnActiveWindowOpaque()
{
    m_engine.settings.activeWindowOpaque = IsChecked(IDC_SETTINGS_ACTIVE_OPAQUE);
    m_host.ReportSave(m_engine.ApplySettings(false, false, true));
}

// The engine sets or removes its mouse hook as it applies the settings; the sweep gives the window
// under the mouse its transparency back when the box is cleared.
void SettingsPage::OnHoverOpaque()
{
    m_engine.settings.hoverOpaque = IsChecked(IDC_SETTINGS_HOVER_OPAQUE);
    m_host.ReportSave(m_engine.ApplySettings(false, false, true));
}

// The engine sets or removes its wheel hook as it applies the settings.
void SettingsPage::OnWheelAdjust()
{
    m_engine.settings.wheelAdjust = IsChecked(IDC_SETTINGS_WHEEL);
    m_host.ReportSave(m_engine.ApplySettings(false, false, false));
}

void SettingsPage::OnWheelKeys()
{
    const int chosen = m_wheelKeys.GetCurSel();
    if (chosen < kWheelCtrlShift || chosen > kWheelAltShift)
        return;
    m_engine.settings.wheelModifiers = static_cast<uint8_t>(chosen);
    ShowWheelKeys();
    m_host.ReportSave(m_engine.ApplySettings(false, false, false));
}

// The box names the keys chosen beside it.
void SettingsPage::ShowWheelKeys()
{
    const UINT chosen = std::min<UINT>(m_engine.settings.wheelModifiers, kWheelAltShift);
    const std::wstring keys = LoadResString(IDS_WHEEL_CTRL_SHIFT + chosen);
    SetDlgItemTextW(m_hwnd, IDC_SETTINGS_WHEEL, FormatResString(IDS_WHEEL_BOX, keys).c_str());
}

void SettingsPage::OnUsePassword()
{
    Settings& settings = m_engine.settings;
    if (!IsChecked(IDC_SETTINGS_PASSWORD)) {
        std::memset(settings.passwordDigest, 0, sizeof settings.passwordDigest);
        m_host.ReportSave(m_engine.ApplySettings(false, false, false));
        return;
    }
    uint8_t digest[sizeof settings.passwordDigest];
    const PageHost::NewPassword chosen = m_host.AskForNewPassword(digest);
    if (chosen == PageHost::NewPassword::Chosen) {
        std::memcpy(settings.passwordDigest, digest, sizeof digest);
        m_host.ReportSave(m_engine.ApplySettings(false, false, false));
        return;
    }
    CheckDlgButton(m_hwnd, IDC_SETTINGS_PASSWORD, BST_UNCHECKED);
    // A digest that could not be made is never stored: all zero it would mean "no password"
    // while the box showed one.
    if (chosen == PageHost::NewPassword::Failed)
        AppMessageBox(IDS_PASSWORD_NOT_SET, MB_OK | MB_ICONERROR);
}

bool SettingsPage::HotkeyChanged(WORD* virtualKey, WORD* modifiers) const
{
    m_hotkey.GetHotKey(virtualKey, modifiers);
    return *virtualKey != m_engine.settings.hotkeyVirtualKey || *modifiers != m_engine.settings.hotkeyModifiers;
}

void SettingsPage::OnChangeHotkey()
{
    WORD virtualKey = 0, modifiers = 0;
    EnableWindow(GetDlgItem(IDC_SETTINGS_APPLY), HotkeyChanged(&virtualKey, &modifiers));
}

// A combination that another program holds is refused before anything is stored: the hotkey
// that works stays stored and registered, and the typed one stays in the control, with Apply
// enabled, for the user to choose another.
void SettingsPage::OnApplyHotkey()
{
    WORD virtualKey = 0, modifiers = 0;
    if (!HotkeyChanged(&virtualKey, &modifiers))
        return;
    Settings& settings = m_engine.settings;
    const WORD storedKey = settings.hotkeyVirtualKey, storedModifiers = settings.hotkeyModifiers;
    settings.hotkeyVirtualKey = virtualKey;
    settings.hotkeyModifiers = modifiers;
    if (!m_host.RegisterToggleHotkey()) {
        settings.hotkeyVirtualKey = storedKey;
        settings.hotkeyModifiers = storedModifiers;
        AppMessageBox(IDS_HOTKEY_IN_USE, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    const bool saved = m_engine.ApplySettings(false, false, false);
    EnableControl(IDC_SETTINGS_APPLY, false, m_hotkey.Handle());
    m_host.ReportSave(saved);
}
