#pragma once
#include "Controls.h"
#include "Engine.h"
#include "PageHost.h"
#include "SkinDialog.h"

// The first page: one slider for the global transparency and a label that shows it.
class GlobalPage : public SkinDialog {
public:
    GlobalPage(Engine& engine, PageHost& host, Wnd* parent);

    // Writes the label from the slider's current position.
    void UpdateLabel();
    // After the super-trans mode changed: the range follows it, and the position (the engine may
    // have lowered the transparency) is applied as at the end of a drag.
    void UpdateRange();
    SliderCtrl& Slider() { return m_slider; }

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(DataExchange& dx) override;
    void OnHScroll(UINT code, UINT position, HWND scrollBar) override;
    void LayoutControls() override;

private:
    void SetRangeFromMode();

    Engine& m_engine;
    PageHost& m_host;
    SliderCtrl m_slider;
    Static m_label;
};
