#pragma once
#include <string>

#include "Controls.h"
#include "GdiObjects.h"
#include "PageHost.h"
#include "SkinDialog.h"

// The last page: product name, version, copyright, the data file in use, a warning and the
// "Web Site" button. It also writes the copyright into its host's footer.
class AboutPage : public SkinDialog {
public:
    AboutPage(PageHost& host, Wnd* parent, std::wstring dataFile = L"");
    void RescaleToFont(HFONT font) override;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(DataExchange& dx) override;
    bool OnCommand(UINT id, UINT code, HWND control) override;
    void LayoutControls() override;

private:
    void OnWebSite();
    // The product name in the display font, made from the font the control has now.
    void SetTitleFont();

    PageHost& m_host;
    std::wstring m_dataFile;
    Font m_titleFont;
    Static m_warning;
};

// The copyright string with every "(C)" shown as the copyright sign.
std::wstring CopyrightText();
