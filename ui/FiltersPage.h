#pragma once
#include <string>
#include <vector>

#include "Controls.h"
#include "Engine.h"
#include "PageHost.h"
#include "SkinDialog.h"

// The ordered filters in a two-column list, and the commands that add, remove, modify and move
// them. It keeps no copy: every command is one list operation, then the engine reapplies and saves,
// and the list is rebuilt whole.
class FiltersPage : public SkinDialog {
public:
    FiltersPage(Engine& engine, PageHost& host, Wnd* parent);
    ~FiltersPage();
    // The list shown anew after the engine's filters were replaced from outside the page.
    void ReloadList();
    void RescaleToFont(HFONT font) override;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(DataExchange& dx) override;
    bool OnCommand(UINT id, UINT code, HWND control) override;
    bool OnNotify(UINT id, NMHDR* header, LRESULT* result) override;
    void LayoutControls() override;

private:
    // The list view asks for Enter itself: the dialog manager would otherwise take it for the
    // default button before the list could report it. Ctrl+Up and Ctrl+Down are the move buttons'.
    class ListView : public ListCtrl {
    public:
        LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    };

    void OnAdd();
    void OnRemove();
    void OnModify();
    void OnMoveUp() { Move(true); }
    void OnMoveDown() { Move(false); }
    void OnItemChangedList(NMHDR* header, LRESULT* result);
    void OnDblClkList(NMHDR* header, LRESULT* result);
    void OnKeyDownList(NMHDR* header, LRESULT* result);
    void OnSetFocusList(NMHDR* header, LRESULT* result);
    void Move(bool up);
    void UpdateButtons();
    // The patterns of the selected rows, top to bottom.
    std::vector<std::wstring> SelectedPatterns() const;
    // The pattern of the row with the list's cursor when it is one of `selected`, else the first of them.
    std::wstring CursorPattern(const std::vector<std::wstring>& selected) const;
    // After a command: reapply and save, then Refill.
    void Rebuild(const std::vector<std::wstring>& selected, const std::wstring& cursor);
    // The list filled anew with the rows of `selected` selected and the cursor on the row of
    // `cursor`, and the buttons updated.
    void Refill(const std::vector<std::wstring>& selected, const std::wstring& cursor);
    void SetCursorRow(int row);

    Engine& m_engine;
    PageHost& m_host;
    ListView m_list;
};
