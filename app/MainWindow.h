#pragma once
#include <windows.h>

#include <string>

#include "AboutPage.h"
#include "BannerStatic.h"
#include "Controls.h"
#include "FiltersPage.h"
#include "GdiObjects.h"
#include "GlobalPage.h"
#include "HandCursorStatic.h"
#include "PageHost.h"
#include "SettingsPage.h"
#include "SkinDialog.h"
#include "TabButton.h"
#include "TrayIcon.h"

// The program's one top-level window: tabs and pages, the tray icon and its menu, the hotkey.
// Mostly hidden; the program lives in the tray. Going, it removes its tray icon and then its window.
class MainWindow : public SkinDialog, public PageHost {
public:
    explicit MainWindow(Wnd* parent = nullptr);

    void UpdateTrayIcon(bool remove) override;
    bool RegisterToggleHotkey() override;
    std::wstring GetHotkeyText() const;
    // The password gate for showing the hidden window, Exit and Disable/Enable.
    bool CheckPassword();
    void SelectPage(TabButton& tab);

    void SetFooterText(const std::wstring& text) override;
    void OpenWebSite() override;
    void UpdateGlobalSlider() override;
    NewPassword AskForNewPassword(uint8_t (&digest)[16]) override;
    void ReportSave(bool saved) override;
    void RescaleToFont(HFONT font) override;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(DataExchange& dx) override;
    void LayoutControls() override;
    void OnOK() override;
    bool OnCommand(UINT id, UINT code, HWND control) override;
    HBRUSH OnCtlColor(HDC dc, HWND control, UINT type) override;
    void OnGetMinMaxInfo(MINMAXINFO* info) override;
    void OnEndSession(bool ending) override;
    void OnSystemChange(UINT message, WPARAM wParam);
    void OnDpiChanged(UINT dpi, const RECT& suggested) override;
    bool PreTranslateMessage(const MSG& message) override;

private:
    void OnShowRequest();
    // 1 when the filters an import saved were taken up.
    LRESULT OnImportFilters(const COPYDATASTRUCT* data);
    // RemoteState's bits, once the change is in effect.
    LRESULT OnRemoteCommand(const COPYDATASTRUCT* data);
    void OnTrayNotify(UINT mouseMessage);
    void OnShowMainWindow();
    void OnToggleEngine();
    void OnExit();
    void OnHelp();
    void OnGlobalTab();
    void OnFiltersTab();
    void OnSettingsTab();
    void OnAboutTab();
    void OnMinimize();
    Wnd* PageOf(const TabButton& tab);
    void SetBoldTabFont();

    Engine& m_engine;
    UINT m_showMessage = 0;
    Menu m_popupMenu;
    TrayIcon m_trayIcon;
    int m_initialWidth = 0;
    int m_initialHeight = 0;
    GlobalPage m_globalPage;
    SettingsPage m_settingsPage;
    FiltersPage m_filtersPage;
    AboutPage m_aboutPage;
    Font m_boldFont;
    HandCursorStatic m_helpIcon;
    Static m_footer;
    BannerStatic m_header;
    TabButton m_aboutTab;
    TabButton m_filtersTab;
    TabButton m_settingsTab;
    TabButton m_globalTab;
};
