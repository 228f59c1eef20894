#pragma once
#include <string>

#include "Controls.h"
#include "SkinDialog.h"

// Offers the two patterns of a window picked with the finder, the window's own text or its
// program's path, and writes the chosen one into the filter dialog's pattern edit at once.
class FilterScopeDialog : public SkinDialog {
public:
    explicit FilterScopeDialog(Wnd* parent);

    std::wstring m_programPath;   // empty when the program's path could not be found
    std::wstring m_windowText;    // the title, or the class name of an untitled window

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(DataExchange& dx) override;
    bool OnCommand(UINT id, UINT code, HWND control) override;

private:
    void OnSelChangeScope() { ApplyScope(); }
    void ApplyScope();

    ComboBox m_combo;
};
