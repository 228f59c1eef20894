#include "AboutPage.h"

#include <string>
#include <utility>

#include "DataExchange.h"
#include "MessageRoutes.h"
#include "Messages.h"
#include "resource.h"

std::wstring CopyrightText()
{
    std::wstring text = LoadResString(IDS_COPYRIGHT);
    for (size_t at = text.find(L"(C)"); at != std::wstring::npos; at = text.find(L"(C)", at + 1))
        text.replace(at, 3, L"\u00A9");
    return text;
}

AboutPage::AboutPage(PageHost& host, Wnd* parent, std::wstring dataFile)
    : SkinDialog(IDD_ABOUT_PAGE, parent), m_host(host), m_dataFile(std::move(dataFile))
{
}

void AboutPage::DoDataExchange(DataExchange& dx)
{
    SkinDialog::DoDataExchange(dx);
    dx.Control(IDC_ABOUT_WARNING, m_warning);
}

BOOL AboutPage::OnInitDialog()
{
    SkinDialog::OnInitDialog();
    SetTitleFont();

    const std::wstring copyright = CopyrightText();
    SetDlgItemTextW(m_hwnd, IDC_ABOUT_COPYRIGHT, copyright.c_str());
    m_warning.SetWindowText(LoadResString(IDS_ABOUT_WARNING));
    SetDlgItemTextW(m_hwnd, IDC_ABOUT_DATA_FILE, FormatResString(IDS_ABOUT_DATA_FILE, m_dataFile).c_str());

    m_host.SetFooterText(copyright);
    return TRUE;
}

// The product name measures in its display font: it gets the page's font back first, which the
// rescaling measures against, and its display font anew afterwards.
void AboutPage::RescaleToFont(HFONT font)
{
    ::SendMessageW(GetDlgItem(IDC_ABOUT_PRODUCT), WM_SETFONT, WPARAM(SendMessage(WM_GETFONT)), FALSE);
    SkinDialog::RescaleToFont(font);
    SetTitleFont();
}

void AboutPage::SetTitleFont()
{
    m_titleFont.reset();
    const HWND title = GetDlgItem(IDC_ABOUT_PRODUCT);
    const HFONT font = reinterpret_cast<HFONT>(::SendMessageW(title, WM_GETFONT, 0, 0));
    LOGFONTW logFont{};
    if (font && GetObjectW(font, sizeof logFont, &logFont) == sizeof logFont) {
        lstrcpynW(logFont.lfFaceName, L"Impact", LF_FACESIZE);
        // Five thirds of the control's font, truncated toward zero (-11 gives -18).
        logFont.lfHeight = static_cast<LONG>(logFont.lfHeight + (2.0 * logFont.lfHeight) * 0.3333333333333333);
        m_titleFont.CreateIndirect(logFont);
    } else {
        m_titleFont.CreatePointFont(150, L"Impact");
    }
    ::SendMessageW(title, WM_SETFONT, reinterpret_cast<WPARAM>(m_titleFont.get()), FALSE);
}

bool AboutPage::OnCommand(UINT id, UINT code, HWND control)
{
    static const CommandRoute<AboutPage> routes[] = {
        {IDC_ABOUT_WEB_SITE, BN_CLICKED, &AboutPage::OnWebSite},
    };
    return RouteCommand(this, routes, id, code) || SkinDialog::OnCommand(id, code, control);
}

void AboutPage::OnWebSite()
{
    m_host.OpenWebSite();
}

void AboutPage::LayoutControls()
{
    const HWND title = GetDlgItem(IDC_ABOUT_PRODUCT);
    if (!IsWindow(title) || !m_warning.IsBound())
        return;
    const RECT client = GetClientRect();
    const int margin = GetChildRect(title).left;

    const HWND webSite = GetDlgItem(IDC_ABOUT_WEB_SITE);
    const RECT button = GetChildRect(webSite);
    const int buttonWidth = button.right - button.left;
    MoveWindow(webSite, client.right - margin - buttonWidth, button.top, buttonWidth, button.bottom - button.top, TRUE);

    const RECT warning = GetChildRect(m_warning.Handle());
    const int height = warning.bottom - warning.top;
    MoveWindow(m_warning.Handle(), margin, client.bottom - 1 - height, client.right - 2 * margin, height, TRUE);
    InvalidateRect(m_warning.Handle(), nullptr, TRUE);
}
