#include "MainWindow.h"

#include <commctrl.h>
#include <wtsapi32.h>

#include <algorithm>
#include <cstring>
#include <utility>

#include "Application.h"
#include "DataExchange.h"
#include "FilterText.h"
#include "FilterTextCommand.h"
#include "ForegroundWindow.h"
#include "HelpFile.h"
#include "MessageFilter.h"
#include "MessageRoutes.h"
#include "Messages.h"
#include "NeedPasswordDialog.h"
#include "PasswordDigest.h"
#include "RemoteCommand.h"
#include "SetPasswordDialog.h"
#include "resource.h"

namespace {

constexpr COLORREF kMainBackground = RGB(96, 133, 182);
constexpr COLORREF kFooterText = RGB(254, 254, 254);
constexpr UINT kToggleHotkeyId = 0;
constexpr UINT kProbeHotkeyId = 1;   // a combination tried before it replaces the registered one

// Set while a password prompt opened by CheckPassword is on screen, so that requests arriving
// through its nested message loop are refused instead of stacking a second prompt.
bool s_passwordPromptOpen = false;

void AppendKeyName(std::wstring& text, UINT virtualKey, LPARAM extendedBit)
{
    wchar_t name[260];
    const LPARAM scanCode = static_cast<LPARAM>(MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC)) << 16;
    if (GetKeyNameTextW(static_cast<LONG>(scanCode | extendedBit), name, 260) > 0)
        text += name;
}

}  // namespace

MainWindow::MainWindow(Wnd* parent)
    : SkinDialog(IDD_MAIN, parent), m_engine(TheApp().engine), m_globalPage(m_engine, *this, this),
      m_settingsPage(m_engine, *this, this), m_filtersPage(m_engine, *this, this),
      m_aboutPage(*this, this, m_engine.DataFilePath())
{
    m_backgroundColor = kMainBackground;
    m_header.LoadBannerBitmap(IDB_BANNER);

    if (m_popupMenu.Load(GetResourceInstance(), IDR_TRAY_MENU))
        SetMenuDefaultItem(m_popupMenu.SubMenu(0), IDM_SHOW_MAIN, FALSE);

    m_showMessage = RegisterWindowMessageW(kInstanceName);
}

void MainWindow::DoDataExchange(DataExchange& dx)
{
    SkinDialog::DoDataExchange(dx);
    dx.Control(IDC_MAIN_HELP, m_helpIcon);
    dx.Control(IDC_MAIN_FOOTER, m_footer);
    dx.Control(IDC_MAIN_BANNER, m_header);
    dx.Control(IDC_MAIN_TAB_ABOUT, m_aboutTab);
    dx.Control(IDC_MAIN_TAB_FILTERS, m_filtersTab);
    dx.Control(IDC_MAIN_TAB_SETTINGS, m_settingsTab);
    dx.Control(IDC_MAIN_TAB_GLOBAL, m_globalTab);
}

BOOL MainWindow::OnInitDialog()
{
    SkinDialog::OnInitDialog();

    const HICON icon = TheApp().largeIcon.get();
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));

    const RECT window = GetWindowRect();
    m_initialWidth = window.right - window.left;
    m_initialHeight = window.bottom - window.top;

    m_globalPage.Create(this);
    m_filtersPage.Create(this);
    m_settingsPage.Create(this);
    m_aboutPage.Create(this);
    SelectPage(m_globalTab);
    LayoutControls();

    SetBoldTabFont();
    // WM_COPYDATA: /import and the command line's switches, run by a user's programs or tasks.
    AllowToWindowFromLowerPrograms(m_hwnd, {WM_COPYDATA, m_showMessage, m_trayIcon.CallbackMessage(),
                                            m_trayIcon.TaskbarCreatedMessage()});

    if (!m_engine.settings.hideTrayIcon)
        UpdateTrayIcon(false);
    RegisterToggleHotkey();
    WTSRegisterSessionNotification(m_hwnd, NOTIFY_FOR_THIS_SESSION);
    return TRUE;
}

void MainWindow::SetBoldTabFont()
{
    const HFONT tabFont = reinterpret_cast<HFONT>(SendDlgItemMessageW(m_hwnd, IDC_MAIN_TAB_GLOBAL, WM_GETFONT, 0, 0));
    LOGFONTW bold{};
    if (!tabFont || GetObjectW(tabFont, sizeof bold, &bold) != sizeof bold)
        return;
    bold.lfWeight = FW_BOLD;
    Font bolder;
    if (!bolder.CreateIndirect(bold))
        return;
    for (const Wnd* tab : {&m_globalTab, &m_filtersTab, &m_settingsTab, &m_aboutTab})
        tab->SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(bolder.get()), FALSE);
    m_boldFont = std::move(bolder);   // the old one goes once no tab uses it
}

// The window's minimum size is its first size, in the pixels of the new scale.
void MainWindow::OnDpiChanged(UINT dpi, const RECT& suggested)
{
    m_initialWidth = MulDiv(m_initialWidth, int(dpi), int(m_dpi));
    m_initialHeight = MulDiv(m_initialHeight, int(dpi), int(m_dpi));
    SkinDialog::OnDpiChanged(dpi, suggested);
}

// The pages are dialogs of their own: their controls are rescaled by them. The tabs had their
// bold font replaced with the others'.
void MainWindow::RescaleToFont(HFONT font)
{
    for (SkinDialog* page : {static_cast<SkinDialog*>(&m_globalPage), static_cast<SkinDialog*>(&m_filtersPage),
                             static_cast<SkinDialog*>(&m_settingsPage), static_cast<SkinDialog*>(&m_aboutPage)})
        page->RescaleToFont(font);
    SkinDialog::RescaleToFont(font);
    SetBoldTabFont();
}

Wnd* MainWindow::PageOf(const TabButton& tab)
{
    if (&tab == &m_globalTab)
        return &m_globalPage;
    if (&tab == &m_filtersTab)
        return &m_filtersPage;
    if (&tab == &m_settingsTab)
        return &m_settingsPage;
    if (&tab == &m_aboutTab)
        return &m_aboutPage;
    return nullptr;
}

void MainWindow::SelectPage(TabButton& tab)
{
    constexpr UINT kRedraw = RDW_UPDATENOW | RDW_ERASE | RDW_INVALIDATE;
    for (TabButton* current : {&m_globalTab, &m_filtersTab, &m_settingsTab, &m_aboutTab}) {
        if (!current->m_selected)
            continue;
        if (Wnd* page = PageOf(*current))
            ShowWindow(page->Handle(), SW_HIDE);
        current->m_selected = false;
        RedrawWindow(current->Handle(), nullptr, nullptr, kRedraw);
        break;
    }
    tab.m_selected = true;
    RedrawWindow(tab.Handle(), nullptr, nullptr, kRedraw);
    if (Wnd* page = PageOf(tab))
        ShowWindow(page->Handle(), SW_SHOW);
}

// Ctrl+Tab and Ctrl+PgDn open the next page, Ctrl+Shift+Tab and Ctrl+PgUp the one before, from
// wherever the focus is in the window, as in the system's tabbed dialogs. The focus stays on the
// tabs if it was there, and goes to the new page's first control otherwise: the old page hides.
bool MainWindow::PreTranslateMessage(const MSG& message)
{
    if (message.message != WM_KEYDOWN || !(GetKeyState(VK_CONTROL) & 0x8000)
        || (message.hwnd != m_hwnd && !IsChild(m_hwnd, message.hwnd)))
        return false;
    int step = 0;
    if (message.wParam == VK_TAB)
        step = (GetKeyState(VK_SHIFT) & 0x8000) ? -1 : 1;
    else if (message.wParam == VK_NEXT || message.wParam == VK_PRIOR)
        step = message.wParam == VK_NEXT ? 1 : -1;
    if (step == 0)
        return false;
    TabButton* const tabs[] = {&m_globalTab, &m_filtersTab, &m_settingsTab, &m_aboutTab};
    const auto shown = std::find_if(std::begin(tabs), std::end(tabs), [](const TabButton* tab) { return tab->m_selected; });
    const int current = shown == std::end(tabs) ? 0 : int(shown - std::begin(tabs));
    TabButton& next = *tabs[(current + step + 4) % 4];
    const HWND focus = GetFocus();
    const bool onTabs = std::any_of(std::begin(tabs), std::end(tabs), [&](const TabButton* tab) { return tab->Handle() == focus; });
    SelectPage(next);
    HWND heir = onTabs ? nullptr : GetNextDlgTabItem(PageOf(next)->Handle(), nullptr, FALSE);
    SendMessage(WM_NEXTDLGCTL, WPARAM(heir ? heir : next.Handle()), TRUE);
    return true;
}

void MainWindow::LayoutControls()
{
    if (!m_globalPage.IsBound())
        return;
    const RECT client = GetClientRect();

    RECT banner = GetChildRect(m_header.Handle());
    MoveWindow(m_header.Handle(), client.left, client.top, client.right - client.left, banner.bottom - client.top,
               TRUE);

    const RECT footer = GetChildRect(m_footer.Handle());
    const int footerHeight = footer.bottom - footer.top;
    const int footerTop = client.bottom - footerHeight;
    MoveWindow(m_footer.Handle(), client.left, footerTop, client.right - client.left, footerHeight, TRUE);
    InvalidateRect(m_footer.Handle(), nullptr, TRUE);

    const RECT tab = GetChildRect(m_globalTab.Handle());
    const int margin = tab.left;
    const int pageTop = tab.bottom - 1;
    const int pageWidth = client.right - 2 * margin;
    const int pageHeight = (footerTop - 5) - pageTop;
    for (const Wnd* page : {static_cast<const Wnd*>(&m_globalPage), static_cast<const Wnd*>(&m_filtersPage),
                            static_cast<const Wnd*>(&m_settingsPage), static_cast<const Wnd*>(&m_aboutPage)})
        MoveWindow(page->Handle(), margin, pageTop, pageWidth, pageHeight, TRUE);

    const RECT icon = GetChildRect(m_helpIcon.Handle());
    const int iconWidth = icon.right - icon.left;
    MoveWindow(m_helpIcon.Handle(), margin + pageWidth - iconWidth, icon.top, iconWidth, icon.bottom - icon.top, TRUE);
}

void MainWindow::UpdateTrayIcon(bool remove)
{
    m_trayIcon.Update(m_hwnd, remove);
}

void MainWindow::SetFooterText(const std::wstring& text)
{
    m_footer.ModifyStyle(0, SS_CENTERIMAGE);
    m_footer.SetWindowText(text);
}

void MainWindow::OpenWebSite()
{
    OpenHelpFile();
}

void MainWindow::UpdateGlobalSlider()
{
    m_globalPage.UpdateRange();
}

void MainWindow::ReportSave(bool saved)
{
    TheApp().ReportSave(saved);
}

PageHost::NewPassword MainWindow::AskForNewPassword(uint8_t (&digest)[16])
{
    SetPasswordDialog dialog(this);
    if (dialog.DoModal() != IDOK)
        return NewPassword::Cancelled;
    return ComputePasswordDigest(dialog.m_password.c_str(), digest) ? NewPassword::Chosen : NewPassword::Failed;
}

bool MainWindow::RegisterToggleHotkey()
{
    const Settings& settings = m_engine.settings;
    // No hotkey can always be had, also when the one before never got registered.
    if (settings.hotkeyVirtualKey == 0 && settings.hotkeyModifiers == 0) {
        UnregisterHotKey(m_hwnd, kToggleHotkeyId);
        return true;
    }
    UINT modifiers = 0;
    if (settings.hotkeyModifiers & HOTKEYF_SHIFT)
        modifiers |= MOD_SHIFT;
    if (settings.hotkeyModifiers & HOTKEYF_CONTROL)
        modifiers |= MOD_CONTROL;
    if (settings.hotkeyModifiers & HOTKEYF_ALT)
        modifiers |= MOD_ALT;
    // Tried first under an id of its own: one that another program holds leaves the registered
    // hotkey in place.
    if (!RegisterHotKey(m_hwnd, kProbeHotkeyId, modifiers, settings.hotkeyVirtualKey))
        return false;
    UnregisterHotKey(m_hwnd, kProbeHotkeyId);
    UnregisterHotKey(m_hwnd, kToggleHotkeyId);
    return RegisterHotKey(m_hwnd, kToggleHotkeyId, modifiers, settings.hotkeyVirtualKey) != FALSE;
}

std::wstring MainWindow::GetHotkeyText() const
{
    const Settings& settings = m_engine.settings;
    std::wstring text;
    if (settings.hotkeyVirtualKey == 0 && settings.hotkeyModifiers == 0)
        return text;
    const struct {
        WORD flag;
        UINT key;
    } modifiers[] = {{HOTKEYF_CONTROL, VK_CONTROL}, {HOTKEYF_SHIFT, VK_SHIFT}, {HOTKEYF_ALT, VK_MENU}};
    for (const auto& modifier : modifiers) {
        if (!(settings.hotkeyModifiers & modifier.flag))
            continue;
        const size_t before = text.size();
        AppendKeyName(text, modifier.key, 0);
        if (text.size() != before)
            text += L" + ";
    }
    AppendKeyName(text, settings.hotkeyVirtualKey, (settings.hotkeyModifiers & HOTKEYF_EXT) ? 0x01000000 : 0);
    return text;
}

bool MainWindow::CheckPassword()
{
    if (IsWindowVisible(m_hwnd))
        return true;
    if (TheApp().sessionEnding)
        return true;
    if (!m_engine.settings.HasPassword())
        return true;
    if (s_passwordPromptOpen)
        return false;
    s_passwordPromptOpen = true;
    NeedPasswordDialog prompt(this);
    const INT_PTR result = prompt.DoModal();
    s_passwordPromptOpen = false;
    return result == IDOK;
}

LRESULT MainWindow::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_trayIcon.OnTaskbarCreated(message)) {
        m_engine.OnSystemChange(false);
        return 0;
    }
    OnSystemChange(message, wParam);
    if (message == m_showMessage && m_showMessage != 0) {
        OnShowRequest();
    } else if (message == WM_COPYDATA) {
        const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        return data && data->dwData == kRemoteCommandData ? OnRemoteCommand(data) : OnImportFilters(data);
    } else if (message == WM_HELP) {
        // F1 here or on a page (a page's default procedure hands it up to this window).
        OnHelp();
        return TRUE;
    } else if (message == m_trayIcon.CallbackMessage() && message != 0) {
        OnTrayNotify(static_cast<UINT>(lParam));
    } else if (message == WM_HOTKEY && wParam == kToggleHotkeyId) {
        // The same path as the menu item, password included.
        PostMessageW(m_hwnd, WM_COMMAND, IDM_TOGGLE, 0);
    } else if (message == WM_SYSCOMMAND && wParam == SC_MINIMIZE) {
        OnMinimize();
        return 0;
    }
    return SkinDialog::WindowProc(message, wParam, lParam);
}

void MainWindow::OnShowRequest()
{
    if (!IsWindowVisible(m_hwnd) && CheckPassword())
        ShowWindow(m_hwnd, SW_SHOW);
    if (IsIconic(m_hwnd))
        SendMessage(WM_SYSCOMMAND, SC_RESTORE, 0);
    if (IsWindowVisible(m_hwnd))
        ForceForegroundWindow(m_hwnd);
}

// An import by another process hands over its list: this instance is the data file's one writer.
// Only the filters change; the settings in memory are this instance's own. A disabled Paneveil
// stays disabled (reapplying the windows would start its engine) and has its windows swept when
// it is enabled again.
LRESULT MainWindow::OnImportFilters(const COPYDATASTRUCT* data)
{
    std::vector<FilterEntry> filters;
    FilterTextProblem problem;
    if (!data || data->dwData != kImportFiltersData
        || !ParseFilterText(std::string(static_cast<const char*>(data->lpData), data->cbData), filters, problem)
        || !m_engine.filters.SetFilters(filters))
        return 0;
    m_filtersPage.ReloadList();
    const bool saved = m_engine.ApplySettings(false, false, m_engine.IsRunning());
    // The filters are in effect: the import may end now, before a message about the save.
    ReplyMessage(1);
    ReportSave(saved);
    return 1;
}

// A switch of the command line. Like the tray's item, /disable, /enable and /toggle are not
// saved. /global goes through the slider, which caps it, and is saved; a disabled Paneveil stays
// disabled, as after an import. The answer comes once the change is in effect.
LRESULT MainWindow::OnRemoteCommand(const COPYDATASTRUCT* data)
{
    RemoteRequest request{};
    if (data->cbData != sizeof request || !data->lpData)
        return 0;
    std::memcpy(&request, data->lpData, sizeof request);
    const bool running = m_engine.IsRunning();
    bool saved = true;
    switch (request.action) {
    case RemoteRequest::kStatus: break;
    case RemoteRequest::kDisable: m_engine.Stop(); break;
    case RemoteRequest::kEnable:
        if (!running)
            m_engine.Start();
        break;
    case RemoteRequest::kToggle:
        if (running)
            m_engine.Stop();
        else
            m_engine.Start();
        break;
    case RemoteRequest::kGlobal: {
        if (request.globalTransparency > kMaxTransparency)
            return 0;
        const HWND slider = ::GetDlgItem(m_globalPage.Handle(), IDC_GLOBAL_SLIDER);
        ::SendMessageW(slider, TBM_SETPOS, TRUE, request.globalTransparency);
        // The page takes the slider's position as it does while the thumb moves.
        m_globalPage.SendMessage(WM_HSCROLL, MAKEWPARAM(TB_THUMBTRACK, 0), reinterpret_cast<LPARAM>(slider));
        saved = m_engine.ApplySettings(false, false, running);
        // Safe mode's timer would come within its period; the answer waits for the windows.
        if (running && m_engine.settings.safeMode)
            m_engine.SweepWindows(false);
        break;
    }
    default: return 0;
    }
    const LRESULT state = RemoteState::Compose(m_engine.IsRunning(), m_engine.settings.safeMode != 0, saved,
                                               m_engine.settings.globalTransparency, m_engine.filters.GetFilters().size());
    // The switch may end now, before a message about the save.
    ReplyMessage(state);
    ReportSave(saved);
    return state;
}

void MainWindow::OnTrayNotify(UINT mouseMessage)
{
    if (mouseMessage == WM_LBUTTONDBLCLK) {
        PostMessageW(m_hwnd, m_showMessage, 0, 0);
        return;
    }
    if (mouseMessage != WM_RBUTTONUP)
        return;
    POINT cursor{};
    GetCursorPos(&cursor);
    SetForegroundWindow(m_hwnd);
    const HMENU menu = m_popupMenu.SubMenu(0);
    if (!menu)
        return;
    std::wstring text =
        LoadResString(m_engine.IsRunning() ? IDS_DISABLE_MENU : IDS_ENABLE_MENU);
    text += L'\t';
    text += GetHotkeyText();
    ModifyMenuW(menu, IDM_TOGGLE, MF_BYCOMMAND | MF_STRING, IDM_TOGGLE, text.c_str());
    TrackPopupMenu(menu, 0, cursor.x, cursor.y, 0, m_hwnd, nullptr);
    // Lets the menu close when the user clicks elsewhere.
    PostMessageW(m_hwnd, WM_NULL, 0, 0);
}

void MainWindow::OnToggleEngine()
{
    if (!CheckPassword())
        return;
    if (m_engine.IsRunning())
        m_engine.Stop();
    else
        m_engine.Start();
}

void MainWindow::OnExit()
{
    if (CheckPassword())
        PostQuitMessage(0);
}

void MainWindow::OnMinimize()
{
    if (!m_engine.settings.hideTrayIcon)
        UpdateTrayIcon(false);
    ShowWindow(m_hwnd, SW_HIDE);
}

void MainWindow::OnShowMainWindow()
{
    PostMessageW(m_hwnd, m_showMessage, 0, 0);
}

void MainWindow::OnHelp()
{
    TheApp().WinHelp(0, HELP_CONTEXT);
}

void MainWindow::OnGlobalTab()
{
    SelectPage(m_globalTab);
}

void MainWindow::OnFiltersTab()
{
    SelectPage(m_filtersTab);
}

void MainWindow::OnSettingsTab()
{
    SelectPage(m_settingsTab);
}

void MainWindow::OnAboutTab()
{
    SelectPage(m_aboutTab);
}

bool MainWindow::OnCommand(UINT id, UINT code, HWND control)
{
    // Menu items, the help icon's STN_CLICKED and the tabs' BN_CLICKED all arrive with code 0.
    static const CommandRoute<MainWindow> routes[] = {
        {IDM_SHOW_MAIN, 0, &MainWindow::OnShowMainWindow},
        {IDM_EXIT, 0, &MainWindow::OnExit},
        {IDM_TOGGLE, 0, &MainWindow::OnToggleEngine},
        {IDM_HELP, 0, &MainWindow::OnHelp},
        {IDC_MAIN_TAB_GLOBAL, BN_CLICKED, &MainWindow::OnGlobalTab},
        {IDC_MAIN_TAB_FILTERS, BN_CLICKED, &MainWindow::OnFiltersTab},
        {IDC_MAIN_TAB_SETTINGS, BN_CLICKED, &MainWindow::OnSettingsTab},
        {IDC_MAIN_TAB_ABOUT, BN_CLICKED, &MainWindow::OnAboutTab},
    };
    return RouteCommand(this, routes, id, code) || SkinDialog::OnCommand(id, code, control);
}

void MainWindow::OnOK()
{
    // Enter does not close the window.
}

HBRUSH MainWindow::OnCtlColor(HDC dc, HWND control, UINT type)
{
    if (control == m_footer.Handle())
        SetTextColor(dc, kFooterText);
    return SkinDialog::OnCtlColor(dc, control, type);
}

void MainWindow::OnGetMinMaxInfo(MINMAXINFO* info)
{
    if (m_initialWidth != 0 && m_initialHeight != 0) {
        info->ptMinTrackSize.x = m_initialWidth;
        info->ptMinTrackSize.y = m_initialHeight;
    }
    SkinDialog::OnGetMinMaxInfo(info);
}

// What other programs re-created or changed while the machine slept, the session was locked or
// the displays changed gets its transparency; the session's notifications come only to a window
// registered for them, from its creation to its destruction. The messages go on to the default
// processing.
void MainWindow::OnSystemChange(UINT message, WPARAM wParam)
{
    if (message == WM_DESTROY)
        WTSUnRegisterSessionNotification(m_hwnd);
    else if (message == WM_DISPLAYCHANGE)
        m_engine.OnSystemChange(false);
    else if ((message == WM_POWERBROADCAST && (wParam == PBT_APMRESUMEAUTOMATIC || wParam == PBT_APMRESUMESUSPEND))
             || (message == WM_WTSSESSION_CHANGE && wParam == WTS_SESSION_UNLOCK))
        m_engine.OnSystemChange(true);
}

void MainWindow::OnEndSession(bool ending)
{
    if (ending)
        TheApp().sessionEnding = true;
    SkinDialog::OnEndSession(ending);
}
