#pragma once
#include <string>

// What a page asks of the window that holds it. The main window implements it; a page gets it
// through its constructor and knows nothing else of that window.
class PageHost {
public:
    // The line along the bottom of the window.
    virtual void SetFooterText(const std::wstring& text) = 0;
    // The product's web page, opened in the user's browser.
    virtual void OpenWebSite() = 0;

protected:
    ~PageHost() = default;
};
