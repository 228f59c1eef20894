#pragma once
#include <cstdint>
#include <string>

#include "Controls.h"
#include "FilterList.h"
#include "HandCursorStatic.h"
#include "SkinDialog.h"
#include "WindowFinderCtrl.h"

// Edits one filter: its pattern (typed, chosen from a program file, or picked with the finder)
// and its transparency. The caller presets the fields, runs it modally and after IDOK applies
// m_pattern and m_transparency itself; the dialog only refuses a pattern another filter has.
class FilterDialog : public SkinDialog {
public:
    FilterDialog(FilterList& filters, Wnd* parent);

    std::wstring m_oldPattern;   // the filter being modified; empty when adding
    std::wstring m_pattern;
    uint8_t m_transparency = 0;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(DataExchange& dx) override;
    void OnOK() override;
    bool OnCommand(UINT id, UINT code, HWND control) override;
    void OnHScroll(UINT code, UINT position, HWND scrollBar) override;

private:
    void OnChangePercentEdit();
    void OnChangePatternEdit() { UpdateOkButton(); }
    void OnBrowse();
    void OnWindowPicked(HWND window);
    void UpdateOkButton();

    FilterList& m_filters;
    UINT m_captureMessage;
    HandCursorStatic m_browseIcon;
    Edit m_patternEdit;
    SpinButtonCtrl m_spin;
    SliderCtrl m_slider;
    Edit m_percentEdit;
    WindowFinderCtrl m_finder;
};
