#pragma once
#include <windows.h>
#include <shellapi.h>

#include <string>

#include "AboutPage.h"
#include "BannerStatic.h"
#include "Controls.h"
#include "FiltersPage.h"
#include "GdiObjects.h"
#include "GlobalPage.h"
#include "HandCursorStatic.h"
#include "SettingsPage.h"
#include "SkinDialog.h"
#include "TabButton.h"

// The program's one top-level window: tabs and pages, the tray icon and its menu, the hotkey.
// Mostly hidden; the program lives in the tray.
class MainWindow : public SkinDialog {
public:
    explicit MainWindow(Wnd* parent = nullptr);

    // remove = false adds the icon or refreshes it (and its balloon); true deletes it.
    void UpdateTrayIcon(bool remove);
    bool RegisterToggleHotkey();
    std::wstring GetHotkeyText() const;
    // The password gate for showing the hidden window, Exit and Disable/Enable.
    bool CheckPassword();
    void SelectPage(TabButton& tab);

    Static& Footer() { return m_footer; }
    GlobalPage& GetGlobalPage() { return m_globalPage; }

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

private:
    void OnShowRequest();
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

    UINT m_showMessage = 0;
    UINT m_taskbarCreatedMessage = 0;   // the shell's broadcast after Explorer (re)starts
    Menu m_popupMenu;
    NOTIFYICONDATAW m_trayData;
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
