// The Filters page, the filter dialog, the file chooser and the finder of the real program, worked
// with real clicks, keys and drags.
#include "EndToEnd.h"

namespace {

using Filters = std::vector<std::pair<std::wstring, int>>;
constexpr wchar_t kFilterCaption[] = L"Add/Modify Filter";
constexpr wchar_t kScopeCaption[] = L"Choose how to apply this filter";
constexpr int kFileNameBox = 0x47C;   // the open dialog's file name

class FiltersEndToEnd : public EndToEnd {
protected:
    // The program on its Filters page, the helper's window on the right of the screen.
    void Open()
    {
        SetWindowPos(m_target, nullptr, 1000, 100, 240, 160, SWP_NOZORDER | SWP_NOACTIVATE);
        Show(IDC_MAIN_TAB_FILTERS, IDC_FILTERS_LIST);
        m_list = GetDlgItem(m_page, IDC_FILTERS_LIST);
    }
    std::wstring Answer(int button) { return AnswerBox(m_paneveil.MessageBox(), button); }
    // The page's dialog for a new filter, with the fields given typed in.
    HWND OpenAdd(const wchar_t* pattern = nullptr, const wchar_t* percent = nullptr)
    {
        ClickButton(m_page, IDC_FILTERS_ADD);
        const HWND dialog = Dialog(kFilterCaption, IDC_FILTER_PATTERN);
        for (const auto& [id, text] : {std::pair(IDC_FILTER_PATTERN, pattern), std::pair(IDC_FILTER_PERCENT, percent)})
            if (text)
                TypeText(dialog, id, text);
        return dialog;
    }
    // Clicks into the list below its rows, which gives it the focus, and selects rows `first` to
    // `last` through the list's own process: under Wine the list reads Shift as it is when it
    // handles a key, not as it was when the key came, so Shift with arrows selects unreliably.
    bool Select(int first, int last)
    {
        RECT list{};
        GetWindowRect(m_list, &list);
        Drag({list.left + 30, list.bottom - 10}, {list.left + 30, list.bottom - 10});
        if (!WaitFor([&] { return Focus() == m_list && SelectedRows().empty(); }))
            return false;
        const HANDLE process = m_paneveil.Handle();
        void* remote = VirtualAllocEx(process, nullptr, sizeof(LVITEMW), MEM_COMMIT, PAGE_READWRITE);
        std::vector<int> rows;
        for (int row = first; row <= last; ++row) {
            LVITEMW item{};
            item.stateMask = item.state = LVIS_SELECTED | LVIS_FOCUSED;
            WriteProcessMemory(process, remote, &item, sizeof item, nullptr);
            SendMessageW(m_list, LVM_SETITEMSTATE, WPARAM(row), LPARAM(remote));
            rows.push_back(row);
        }
        VirtualFreeEx(process, remote, 0, MEM_RELEASE);
        return SelectedRows() == rows;
    }
    ::testing::AssertionResult FileHolds(const Filters& filters)
    {
        if (WaitFor([&] { return FileFilters() == filters; }))
            return ::testing::AssertionSuccess();
        auto failure = ::testing::AssertionFailure() << "the data file holds";
        for (const auto& [pattern, percentage] : FileFilters())
            failure << " " << ::testing::PrintToString(pattern) << "=" << percentage;
        return failure;
    }
    // Keys typed while the program is busy: its thread stands still until all of them are queued,
    // as when they are typed ahead or come in one burst from a remote desktop.
    void TypeAhead(std::initializer_list<std::pair<WORD, bool>> keys)
    {
        UniqueKernelHandle thread(OpenThread(THREAD_SUSPEND_RESUME, FALSE, GetWindowThreadProcessId(m_main, nullptr)));
        ASSERT_NE(SuspendThread(thread.get()), DWORD(-1));
        for (const auto& [key, down] : keys)
            Key(key, down);
        ResumeThread(thread.get());
    }
    std::vector<int> SelectedRows()
    {
        std::vector<int> rows;
        for (int row = -1; (row = int(SendMessageW(m_list, LVM_GETNEXTITEM, row, LVNI_SELECTED))) >= 0;)
            rows.push_back(row);
        return rows;
    }

    HWND m_list = nullptr;
};

// A session of edits: each is saved at once in the list's order (a new filter first) and reaches
// the helper's window, whose title the first filter matches.
TEST_F(FiltersEndToEnd, AddModifyMoveAndRemoveWithButtonsAndKeys)
{
    Open();
    EXPECT_FALSE(Enabled(IDC_FILTERS_REMOVE) || Enabled(IDC_FILTERS_MODIFY) || Enabled(IDC_FILTERS_MOVE_UP));
    // The percentage: above 99 cut back at once, the trackbar following; empty refused on OK.
    HWND dialog = OpenAdd();
    EXPECT_EQ(WindowText(GetDlgItem(dialog, IDC_FILTER_PERCENT)), L"40");   // the global transparency
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDOK)));
    TypeText(dialog, IDC_FILTER_PATTERN, L":");
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDOK))) << "colons alone are no pattern";
    TypeText(dialog, IDC_FILTER_PATTERN, L"End-to-end");
    TypeText(dialog, IDC_FILTER_PERCENT, L"150");
    EXPECT_EQ(WindowText(GetDlgItem(dialog, IDC_FILTER_PERCENT)), L"99");
    EXPECT_EQ(SendDlgItemMessageW(dialog, IDC_FILTER_SLIDER, TBM_GETPOS, 0, 0), 99);
    TypeText(dialog, IDC_FILTER_PERCENT, L"");
    EXPECT_EQ(SendDlgItemMessageW(dialog, IDC_FILTER_SLIDER, TBM_GETPOS, 0, 0), 0);
    ClickButton(dialog, IDOK);
    EXPECT_EQ(Answer(IDOK), L"Please enter an integer between 0 and 255.");
    TypeText(dialog, IDC_FILTER_PERCENT, L"20");
    EXPECT_TRUE(Shot(L"filter-dialog"));
    ASSERT_TRUE(Close(dialog, IDOK));
    EXPECT_TRUE(TargetReaches(kAlpha20));
    ASSERT_TRUE(Close(OpenAdd(L"Calculator", L"0"), IDOK) && Close(OpenAdd(L"Mail", L"50"), IDOK));
    EXPECT_TRUE(FileHolds({{L"Mail", 50}, {L"Calculator", 0}, {L"End-to-end", 20}}));
    EXPECT_EQ(SelectedRows(), std::vector<int>{0}) << "the new filter";
    // A pattern another filter has in other letters is refused, and the dialog keeps the input.
    ClickButton(dialog = OpenAdd(L"calculator"), IDOK);
    EXPECT_EQ(Answer(IDOK), L"There is already the filter 'calculator',  please specify a unique different filter.");
    EXPECT_EQ(WindowText(GetDlgItem(dialog, IDC_FILTER_PATTERN)), L"calculator");
    ASSERT_TRUE(Close(dialog, IDCANCEL));
    RedrawWindow(m_main, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    EXPECT_TRUE(Shot(L"filters-page"));

    // Enter on a row opens it; only the letter case changed, the row stays selected.
    ASSERT_TRUE(Select(1, 1));
    EXPECT_TRUE(Enabled(IDC_FILTERS_MOVE_UP) && Enabled(IDC_FILTERS_MOVE_DOWN));
    PressKeys({VK_RETURN});
    dialog = Dialog(kFilterCaption, IDC_FILTER_PATTERN);
    EXPECT_EQ(WindowText(GetDlgItem(dialog, IDC_FILTER_PATTERN)), L"Calculator");
    TypeText(dialog, IDC_FILTER_PATTERN, L"CALCULATOR");
    ASSERT_TRUE(Close(dialog, IDOK));
    EXPECT_TRUE(FileHolds({{L"Mail", 50}, {L"CALCULATOR", 0}, {L"End-to-end", 20}}));
    EXPECT_EQ(SelectedRows(), std::vector<int>{1});
    // The first two rows cannot go up: they stay in their order, and Move Up is not offered. The
    // last two pass Mail as a block.
    ASSERT_TRUE(Select(0, 1));
    EXPECT_FALSE(Enabled(IDC_FILTERS_MOVE_UP));
    PressKeys({VK_CONTROL, VK_UP});   // nor by keys
    ASSERT_TRUE(Select(1, 2));
    ClickButton(m_page, IDC_FILTERS_MOVE_UP);
    EXPECT_TRUE(FileHolds({{L"CALCULATOR", 0}, {L"End-to-end", 20}, {L"Mail", 50}}));
    EXPECT_EQ(SelectedRows(), (std::vector<int>{0, 1}));
    // Ctrl+Down takes the two down, Ctrl+Up back up and Ctrl+Down down again, also when Ctrl was
    // let go before the program came to the arrow.
    ASSERT_TRUE(Select(0, 1));
    for (WORD arrow : {VK_DOWN, VK_UP, VK_DOWN}) {
        TypeAhead({{VK_CONTROL, true}, {arrow, true}, {arrow, false}, {VK_CONTROL, false}});
        EXPECT_TRUE(FileHolds(arrow == VK_DOWN ? Filters{{L"Mail", 50}, {L"CALCULATOR", 0}, {L"End-to-end", 20}}
                                               : Filters{{L"CALCULATOR", 0}, {L"End-to-end", 20}, {L"Mail", 50}}));
    }
    EXPECT_EQ(SelectedRows(), (std::vector<int>{1, 2}));
    // Removing asks first; No keeps everything, Delete asks again, and the row left in the
    // removed one's place is selected.
    ASSERT_TRUE(Select(2, 2));
    EXPECT_FALSE(Enabled(IDC_FILTERS_MOVE_DOWN));
    ClickButton(m_page, IDC_FILTERS_REMOVE);
    EXPECT_EQ(Answer(IDNO), L"Are you  sure you want to delete the filter item End-to-end?");
    ASSERT_TRUE(Select(2, 2));
    EXPECT_EQ(FileFilters().size(), 3u);
    PressKeys({VK_DELETE});
    EXPECT_EQ(Answer(IDYES), L"Are you  sure you want to delete the filter item End-to-end?");
    EXPECT_TRUE(TargetReaches(kAlpha40));
    EXPECT_EQ(SelectedRows(), std::vector<int>{1});
    ASSERT_TRUE(Close(OpenAdd(L"Third", L"30"), IDOK));
    ASSERT_TRUE(Select(0, 2));
    ClickButton(m_page, IDC_FILTERS_REMOVE);
    EXPECT_EQ(Answer(IDYES), L"Are you sure you want to delete these 3 filter items?");
    EXPECT_TRUE(FileHolds({}));
    EXPECT_TRUE(WaitFor([&] { return !Enabled(IDC_FILTERS_REMOVE) && !Enabled(IDC_FILTERS_MODIFY) && !Enabled(IDC_FILTERS_MOVE_DOWN); }));
    ExitAndExpectOpaque(m_paneveil, m_main);
}

// The pattern from a program file, and from a window picked by dragging the finder onto it.
// Neither the folder the program was started in nor the one the chooser went to stays the
// program's current folder: both can be removed while it runs.
TEST_F(FiltersEndToEnd, FileChooserAndFinderFillThePattern)
{
    TempFolder started, browsed;
    ASSERT_TRUE(SetCurrentDirectoryW(started.Path().c_str()));
    WriteDataFile([](Settings& s) { s.hideTrayIcon = 1; });   // no balloon over the dialog where the finder is dropped
    Open();
    ASSERT_TRUE(SetCurrentDirectoryW(ProgramFolder().c_str()) && RemoveDirectoryW(started.Path().c_str()));
    const HWND dialog = OpenAdd(), pattern = GetDlgItem(dialog, IDC_FILTER_PATTERN), finder = GetDlgItem(dialog, IDC_FILTER_FINDER);
    const LRESULT atRest = SendMessageW(finder, STM_GETICON, 0, 0);
    const std::wstring helper = browsed.File(L"helper.exe");
    ASSERT_TRUE(CopyFileW((ProgramFolder() + L"\\pv_window_helper.exe").c_str(), helper.c_str(), TRUE));
    // Chosen in the file chooser opened by Tab and Enter, then cancelled there, opened by a click.
    for (bool choose : {true, false}) {
        const HWND browse = GetDlgItem(dialog, IDC_FILTER_BROWSE);
        if (choose) {
            PressKeys({VK_TAB});
            ASSERT_TRUE(WaitFor([&] { return Focus() == browse; }));
            PressKeys({VK_RETURN});
        } else {
            Drag(Centre(browse), Centre(browse));
        }
        const HWND chooser = Dialog(L"Open", kFileNameBox);
        ASSERT_NE(chooser, nullptr);
        const HWND box = FindWindowExW(GetDlgItem(chooser, kFileNameBox), nullptr, L"ComboBox", nullptr);
        SendMessageW(FindWindowExW(box, nullptr, L"Edit", nullptr), WM_SETTEXT, 0, LPARAM(helper.c_str()));
        ASSERT_TRUE(Close(chooser, choose ? IDOK : IDCANCEL));
        EXPECT_EQ(CompareStringOrdinal(WindowText(pattern).c_str(), -1, helper.c_str(), -1, TRUE), CSTR_EQUAL);
    }
    EXPECT_TRUE(DeleteFileW(helper.c_str()) && RemoveDirectoryW(browsed.Path().c_str()));
    const std::wstring program = ProgramFolder() + L"\\pv_window_helper.exe";
    // Nothing picked: the chooser, asked for once the drag has ended, is the next dialog to show,
    // and the pattern is as it was.
    auto nothingPicked = [&](const std::wstring& before) {
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_FILTER_BROWSE, STN_CLICKED), 0);
        return Close(Dialog(L"Open", kFileNameBox), IDCANCEL) && m_paneveil.FindWindows(kScopeCaption).empty()
               && WindowText(pattern) == before;
    };
    // Released over the program's own dialog: nothing (a pick is posted before the finder comes to
    // rest). Then over the helper's window: its program's path at once, its title as the other
    // choice, and the finder at rest again.
    TypeText(dialog, IDC_FILTER_PATTERN, L"typed");
    const HWND untitled = m_helper.Create(L"PvUntitledTarget", L"");
    m_helper.Show(untitled);
    SetWindowPos(untitled, nullptr, 1000, 400, 200, 120, SWP_NOZORDER | SWP_NOACTIVATE);
    RECT own{};
    GetWindowRect(dialog, &own);
    Drag(Centre(finder), {own.left + 40, own.top + 10});
    ASSERT_TRUE(WaitFor([&] { return SendMessageW(finder, STM_GETICON, 0, 0) == atRest; }));
    EXPECT_TRUE(nothingPicked(L"typed"));
    const std::pair<HWND, const wchar_t*> picks[] = {{m_target, L"End-to-end target"}, {untitled, L"PvUntitledTarget"}};
    for (const auto& [window, text] : picks) {
        Drag(Centre(finder), Centre(window));
        const HWND scope = Dialog(kScopeCaption, IDC_SCOPE_COMBO);
        EXPECT_EQ(SendMessageW(finder, STM_GETICON, 0, 0), atRest);
        EXPECT_EQ(CompareStringOrdinal(WindowText(pattern).c_str(), -1, program.c_str(), -1, TRUE), CSTR_EQUAL);
        RECT edit{}, placed{};
        GetWindowRect(pattern, &edit);
        GetWindowRect(scope, &placed);
        EXPECT_EQ(placed.left, edit.left + 5);
        EXPECT_EQ(placed.top, edit.bottom + 5);
        EXPECT_TRUE(window != m_target || Shot(L"filter-scope"));
        PressKeys({VK_UP});
        EXPECT_TRUE(WaitFor([&] { return WindowText(pattern) == text; }));
        PressKeys({VK_ESCAPE});
        ASSERT_TRUE(WaitFor([&] { return !IsWindow(scope); }));
        EXPECT_EQ(WindowText(pattern), text);
    }
    // With the finder at the screen's bottom the choice still opens wholly on the work area.
    RECT atFinder{};
    GetWindowRect(finder, &atFinder);
    const int bottom = GetSystemMetrics(SM_CYSCREEN);
    SetWindowPos(dialog, nullptr, own.left, bottom - (atFinder.bottom - own.top), 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    Drag(Centre(finder), Centre(m_target));
    const HWND scope = Dialog(kScopeCaption, IDC_SCOPE_COMBO);
    RECT placed{};
    GetWindowRect(scope, &placed);
    EXPECT_LE(placed.bottom, bottom);
    PressKeys({VK_ESCAPE});
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(scope); }));
    // A drag whose capture is taken away ends at rest and picks nothing.
    const std::wstring before = WindowText(pattern);
    Mouse(Centre(finder), MOUSEEVENTF_LEFTDOWN);
    EXPECT_TRUE(WaitFor([&] { return SendMessageW(finder, STM_GETICON, 0, 0) != atRest; }));
    SendMessageW(finder, WM_CANCELMODE, 0, 0);
    EXPECT_EQ(SendMessageW(finder, STM_GETICON, 0, 0), atRest);
    Mouse(Centre(m_target), MOUSEEVENTF_LEFTUP);
    EXPECT_TRUE(nothingPicked(before));
    ClickButton(dialog, IDCANCEL);
    ExitAndExpectOpaque(m_paneveil, m_main);
}

}  // namespace
