#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "DataExchange.h"
#include "Dialog.h"
#include "ImportPatch.h"
#include "Messages.h"
#include "SimpleFileDialog.h"
#include "resource.h"

namespace {

// Message boxes are recorded instead of shown, so that a refused save returns at once.
std::vector<std::pair<std::wstring, UINT>> g_boxes;
int WINAPI RecordMessageBox(HWND, LPCWSTR text, LPCWSTR, UINT type)
{
    g_boxes.emplace_back(text, type);
    return IDOK;
}

class NumberDialog : public Dialog {
public:
    NumberDialog() : Dialog(IDD_FILTER) {}
    BYTE m_number = 40;

protected:
    void DoDataExchange(DataExchange& dx) override { dx.Text(IDC_FILTER_PERCENT, m_number); }
};

TEST(DataExchange, NumberThatIsNotAByteIsRefusedWithOneMessageAndTheDialogStaysOpen)
{
    ImportPatch patch(L"user32.dll", "MessageBoxW", reinterpret_cast<const void*>(&RecordMessageBox));
    ASSERT_TRUE(patch.Installed());
    NumberDialog dialog;
    ASSERT_TRUE(dialog.Create());
    ShowWindow(dialog.Handle(), SW_SHOW);
    HWND edit = dialog.GetDlgItem(IDC_FILTER_PERCENT);
    for (const wchar_t* text : {L"256", L"12abc", L"-1", L"+1", L"4294967297", L"1 2", L" "}) {
        g_boxes.clear();
        SetWindowTextW(edit, text);
        dialog.SendMessage(WM_COMMAND, IDOK);
        ASSERT_EQ(1u, g_boxes.size()) << "'" << text << "'";
        EXPECT_EQ(LoadResString(IDS_PARSE_BYTE), g_boxes[0].first);
        EXPECT_EQ(UINT(MB_ICONEXCLAMATION), g_boxes[0].second & MB_ICONMASK);
        EXPECT_TRUE(IsWindowVisible(dialog.Handle()));
        EXPECT_EQ(edit, GetFocus());
        EXPECT_EQ(40, dialog.m_number);
    }
    g_boxes.clear();
    SetWindowTextW(edit, L" 007 ");
    dialog.SendMessage(WM_COMMAND, IDOK);
    EXPECT_TRUE(g_boxes.empty());
    EXPECT_EQ(7, dialog.m_number);
    EXPECT_FALSE(IsWindowVisible(dialog.Handle())) << "ended";
}

TEST(Messages, EveryPercentOneIsReplacedOnceAndNeverExpandedAgain)
{
    const wchar_t* const cases[][3] = {{L"%1", L"%1", L"%1"}, {L"%1 and %1", L"x", L"x and x"},
        {L"[%1]", L"%1%1", L"[%1%1]"}, {L"100% %2", L"x", L"100% %2"}};
    for (const auto& c : cases)
        EXPECT_EQ(c[2], ReplaceArguments(c[0], c[1])) << c[0] << " with " << c[1];
    std::wstring label = LoadResString(IDS_GLOBAL_LABEL);
    ASSERT_NE(std::wstring::npos, label.find(L"%1"));
    EXPECT_EQ(label.replace(label.find(L"%1"), 2, L"<%1>"), FormatResString(IDS_GLOBAL_LABEL, L"<%1>"));
}

HWND g_main = nullptr;
bool g_mainDisabled = false;
// Runs inside the modal loop: only its GetMessage dispatches the timer.
void CALLBACK QuitFromTheModalLoop(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(nullptr, timer);
    g_mainDisabled = !IsWindowEnabled(g_main);
    PostQuitMessage(5);
}

TEST(Dialog, ModalDialogOfAPageDisablesThePagesWindowAndQuitCancelsIt)
{
    Dialog main(IDD_MAIN);
    ASSERT_TRUE(main.Create());
    Dialog page(IDD_FILTERS_PAGE, &main);
    ASSERT_TRUE(page.Create());
    g_main = main.Handle();
    SetTimer(nullptr, 0, 0, &QuitFromTheModalLoop);
    Dialog dialog(IDD_FILTER_SCOPE, &page);
    EXPECT_EQ(IDCANCEL, dialog.DoModal());
    EXPECT_TRUE(g_mainDisabled);
    EXPECT_TRUE(IsWindowEnabled(main.Handle())) << "enabled again afterwards";
    MSG quit{};
    EXPECT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "handed on to the outer loop";
    EXPECT_EQ(5u, quit.wParam);
}

TEST(SimpleFileDialog, InitialNameLongerThanTheBufferIsCutNotOverrun)
{
    const std::wstring name(700, L'n');
    SimpleFileDialog dialog(true, nullptr, name.c_str(), 0, L"All files (*.*)|*.*||", nullptr);
    EXPECT_EQ(name.substr(0, 599), dialog.GetPathName());
}

} // namespace
