#pragma once
#include <windows.h>

#include "Controls.h"
#include "Engine.h"
#include "PageHost.h"
#include "SkinDialog.h"

// The options as eight check boxes and the wheel's keys, which take effect when clicked, and the
// hotkey, which takes effect on Apply. The controls are reloaded from the settings whenever the page is shown.
class SettingsPage : public SkinDialog {
public:
    SettingsPage(Engine& engine, PageHost& host, Wnd* parent);

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(DataExchange& dx) override;
    bool OnCommand(UINT id, UINT code, HWND control) override;

private:
    void LoadControls();
    void OnShowWindow(bool show, UINT status);
    void OnHideTrayIcon();
    void OnAutoStart();
    void OnSafeMode();
    void OnSuperTransMode();
    void OnUsePassword();
    void OnActiveWindowOpaque();
    void OnWheelAdjust();
    void OnWheelKeys();
    void OnHoverOpaque();
    void ShowWheelKeys();
    void OnChangeHotkey();
    void OnApplyHotkey();
    bool IsChecked(int id) const { return IsDlgButtonChecked(m_hwnd, id) == BST_CHECKED; }
    // Whether the control shows another combination than the stored one.
    bool HotkeyChanged(WORD* virtualKey, WORD* modifiers) const;

    Engine& m_engine;
    PageHost& m_host;
    HotKeyCtrl m_hotkey;
    ComboBox m_wheelKeys;
};
