#include <gtest/gtest.h>

#include "Controls.h"
#include "DataExchange.h"
#include "Dialog.h"
#include "MessageRoutes.h"
#include "Messages.h"
#include "DialogTestSupport.h"
#include "resource.h"

namespace {

// The exchange the filter dialog's template carries: a percentage 0..99 and a pattern of at
// most 260 characters, bound to the real template 136.
class ExchangeDialog : public Dialog {
public:
    ExchangeDialog() : Dialog(IDD_FILTER) {}

    std::wstring m_pattern = L"start";
    BYTE m_transparency = 40;
    Edit m_patternEdit;
    int m_exchanges = 0;

protected:
    void DoDataExchange(DataExchange& dx) override
    {
        ++m_exchanges;
        dx.Control(IDC_FILTER_PATTERN, m_patternEdit);
        dx.Text(IDC_FILTER_PERCENT, m_transparency);
        dx.MinMax(m_transparency, 0, 99);
        dx.Text(IDC_FILTER_PATTERN, m_pattern);
        dx.MaxChars(m_pattern, 260);
    }
};

using ScriptedExchange = ScriptedDialog<ExchangeDialog>;

void SetItemText(Dialog& dialog, UINT id, const std::wstring& text)
{
    SetWindowTextW(dialog.GetDlgItem(id), text.c_str());
}

void PressOk(Dialog& dialog)
{
    HWND ok = dialog.GetDlgItem(IDOK);
    EnableWindow(ok, TRUE);
    SendMessageW(dialog.Handle(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(ok));
}

struct FailingSave {
    const wchar_t* percent;
    std::wstring pattern;
    const wchar_t* message;
    UINT focusedControl;
};

TEST(DataExchange, FailingSaveShowsOneMessageAndKeepsTheDialogOpen)
{
    const FailingSave cases[] = {
        {L"300", L"a", L"Please enter an integer between 0 and 255.", IDC_FILTER_PERCENT},
        {L"4x", L"a", L"Please enter an integer between 0 and 255.", IDC_FILTER_PERCENT},   // what ParseUnsigned refuses
        {L"100", L"a", L"Please enter an integer between 0 and 99.", IDC_FILTER_PERCENT},
        {L"50", std::wstring(261, L'x'), L"Please enter no more than 260 characters.", IDC_FILTER_PATTERN},
    };
    for (const FailingSave& c : cases) {
        SCOPED_TRACE(testing::Message() << "percent '" << std::string(c.percent, c.percent + wcslen(c.percent))
                                        << "', pattern length " << c.pattern.size());
        MessageBoxWatcher watcher;
        bool stillOpen = false;
        HWND focus = nullptr, expectedFocus = nullptr;
        ScriptedExchange dialog([&](ScriptedExchange& d) {
            SetItemText(d, IDC_FILTER_PERCENT, c.percent);
            // The edit limits typing to 260; a longer text can still arrive by program.
            SendMessageW(d.GetDlgItem(IDC_FILTER_PATTERN), EM_LIMITTEXT, 0, 0);
            SetItemText(d, IDC_FILTER_PATTERN, c.pattern);
            PressOk(d);
            stillOpen = IsWindowVisible(d.Handle()) && d.IsInModalLoop();
            focus = GetFocus();
            expectedFocus = d.GetDlgItem(c.focusedControl);
            d.EndDialog(IDCANCEL);
        });
        EXPECT_EQ(IDCANCEL, dialog.DoModal());
        EXPECT_TRUE(stillOpen);
        ASSERT_EQ(1u, watcher.Seen().size());
        EXPECT_EQ(L"Paneveil", watcher.Seen()[0].caption);
        EXPECT_EQ(c.message, watcher.Seen()[0].text);
        EXPECT_TRUE(watcher.Seen()[0].exclamationIcon);
        EXPECT_EQ(expectedFocus, focus);
        if (c.focusedControl == IDC_FILTER_PERCENT) {
            EXPECT_EQ(L"start", dialog.m_pattern) << "a failed step ends the exchange";
        }
    }
}

TEST(DataExchange, OkSavesAndCancelDoesNot)
{
    MessageBoxWatcher watcher;
    ScriptedExchange saved([](ScriptedExchange& d) {
        EXPECT_EQ(L"40", TextOf(d.GetDlgItem(IDC_FILTER_PERCENT))) << "loaded at initialisation";
        EXPECT_EQ(L"start", TextOf(d.GetDlgItem(IDC_FILTER_PATTERN)));
        EXPECT_EQ(d.m_patternEdit.Handle(), d.GetDlgItem(IDC_FILTER_PATTERN)) << "bound by subclassing";
        EXPECT_EQ(260, SendMessageW(d.GetDlgItem(IDC_FILTER_PATTERN), EM_GETLIMITTEXT, 0, 0)) << "limited by loading";
        SetItemText(d, IDC_FILTER_PERCENT, L" 99 ");
        SetItemText(d, IDC_FILTER_PATTERN, std::wstring(260, L'p'));
        PressOk(d);
    });
    EXPECT_EQ(IDOK, saved.DoModal());
    EXPECT_EQ(99, saved.m_transparency);
    EXPECT_EQ(std::wstring(260, L'p'), saved.m_pattern);

    // The Cancel button, the close box and Esc, which reaches the dialog through the modal loop's
    // dialog-message handling, all leave the data as it was loaded.
    const std::function<void(ScriptedExchange&)> cancels[] = {
        [](ScriptedExchange& d) { SendMessageW(d.Handle(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0); },
        [](ScriptedExchange& d) { PostMessageW(d.Handle(), WM_CLOSE, 0, 0); },
        [](ScriptedExchange& d) {
            SetFocus(d.GetDlgItem(IDC_FILTER_PATTERN));
            PostMessageW(GetFocus(), WM_KEYDOWN, VK_ESCAPE, 0);
        },
    };
    for (const auto& cancel : cancels) {
        ScriptedExchange cancelled([&](ScriptedExchange& d) {
            SetItemText(d, IDC_FILTER_PERCENT, L"7");
            SetItemText(d, IDC_FILTER_PATTERN, L"changed");
            cancel(d);
        });
        EXPECT_EQ(IDCANCEL, cancelled.DoModal());
        EXPECT_EQ(40, cancelled.m_transparency);
        EXPECT_EQ(L"start", cancelled.m_pattern);
        EXPECT_EQ(1, cancelled.m_exchanges) << "only the loading exchange ran";
    }
    EXPECT_TRUE(watcher.Seen().empty());
}

TEST(ParseUnsigned, AcceptsOnlyDecimalDigitsWithinTheMaximum)
{
    struct Case {
        const wchar_t* text;
        bool ok;
        unsigned long value;
    } const cases[] = {
        {L"0", true, 0}, {L"255", true, 255}, {L"  12\t", true, 12}, {L"007", true, 7},
        {L"256", false, 0}, {L"", false, 0}, {L"   ", false, 0}, {L"-1", false, 0},
        {L"+1", false, 0}, {L"1 2", false, 0}, {L"12a", false, 0}, {L"4294967297", false, 0},
    };
    for (const Case& c : cases) {
        unsigned long value = 12345;
        EXPECT_EQ(c.ok, ParseUnsigned(c.text, 255, &value)) << std::wstring(c.text).size();
        if (c.ok)
            EXPECT_EQ(c.value, value);
        else
            EXPECT_EQ(12345u, value) << "left untouched on failure";
    }
}

TEST(Messages, FormattingReplacesEveryPercentOneOnce)
{
    struct Case {
        const wchar_t* text;
        const wchar_t* argument;
        const wchar_t* expected;
    } const cases[] = {
        {L"Delete %1?", L"notepad", L"Delete notepad?"},
        {L"%1 and %1", L"x", L"x and x"},
        {L"%1", L"%1", L"%1"},
        {L"100%", L"x", L"100%"},
        {L"%2 stays", L"x", L"%2 stays"},
        {L"no argument", L"x", L"no argument"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, ReplaceArguments(c.text, c.argument));

    EXPECT_EQ(L"Are you  sure you want to delete the filter item *.exe?",
        FormatResString(IDS_CONFIRM_REMOVE_ONE, L"*.exe"));
    EXPECT_EQ(L"Global Transparency: 35%", FormatResString(IDS_GLOBAL_LABEL, L"35%"));
}

// A dialog that places itself while it initialises.
class SelfPlacingDialog : public Dialog {
public:
    SelfPlacingDialog(Wnd* parent) : Dialog(IDD_FILTER_SCOPE, parent) {}
    BOOL OnInitDialog() override
    {
        Dialog::OnInitDialog();
        SetWindowPos(Handle(), nullptr, 30, 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        return TRUE;
    }
};

POINT CentreOf(HWND window)
{
    RECT r{};
    GetWindowRect(window, &r);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

TEST(Dialog, ModalDialogIsCentredOverItsOwnerUnlessItMovedItself)
{
    Dialog owner(IDD_SET_PASSWORD);
    ASSERT_TRUE(owner.Create());
    SetWindowPos(owner.Handle(), nullptr, 100, 150, 600, 400, SWP_NOZORDER | SWP_SHOWWINDOW);
    POINT ownerCentre = CentreOf(owner.Handle());

    POINT centre{};
    bool ownerDisabled = false;
    ScriptedDialog<Dialog> centred([&](ScriptedDialog<Dialog>& d) {
        centre = CentreOf(d.Handle());
        ownerDisabled = !IsWindowEnabled(owner.Handle());
        d.EndDialog(IDOK);
    }, IDD_FILTER, &owner);
    EXPECT_EQ(IDOK, centred.DoModal());
    EXPECT_NEAR(ownerCentre.x, centre.x, 1);
    EXPECT_NEAR(ownerCentre.y, centre.y, 1);
    EXPECT_TRUE(ownerDisabled);
    EXPECT_TRUE(IsWindowEnabled(owner.Handle())) << "enabled again afterwards";

    RECT placed{};
    ScriptedDialog<SelfPlacingDialog> self([&](ScriptedDialog<SelfPlacingDialog>& d) {
        GetWindowRect(d.Handle(), &placed);
        d.EndDialog(IDOK);
    }, &owner);
    EXPECT_EQ(IDOK, self.DoModal());
    EXPECT_EQ(30, placed.left);
    EXPECT_EQ(40, placed.top);
}

TEST(Dialog, ModalDialogOfAPageDisablesThePagesWindowAndQuitCancelsIt)
{
    Dialog main(IDD_MAIN);
    ASSERT_TRUE(main.Create());
    Dialog page(IDD_FILTERS_PAGE, &main);
    ASSERT_TRUE(page.Create());
    HWND owner = nullptr;
    bool mainDisabled = false;
    ScriptedDialog<Dialog> dialog([&](ScriptedDialog<Dialog>& d) {
        owner = GetWindow(d.Handle(), GW_OWNER);
        mainDisabled = !IsWindowEnabled(main.Handle());
        PostQuitMessage(5);
    }, IDD_FILTER_SCOPE, &page);
    EXPECT_EQ(IDCANCEL, dialog.DoModal());
    EXPECT_EQ(main.Handle(), owner);
    EXPECT_TRUE(mainDisabled);
    EXPECT_TRUE(IsWindowEnabled(main.Handle()));
    MSG message;
    EXPECT_TRUE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "WM_QUIT handed on";
    main.DestroyWindow();
}

TEST(Dialog, EndDialogDuringInitialisationNeverShowsTheDialog)
{
    class EndsAtOnce : public Dialog {
    public:
        EndsAtOnce() : Dialog(IDD_FILTER_SCOPE) {}
        BOOL OnInitDialog() override
        {
            EndDialog(IDCANCEL);
            return TRUE;
        }
    } dialog;
    EXPECT_EQ(IDCANCEL, dialog.DoModal());
    EXPECT_EQ(nullptr, dialog.Handle());
}

TEST(Dialog, ModalLoopOfAModelessWindowEndsOnQuitAndOnEndDialog)
{
    Dialog window(IDD_MAIN);
    ASSERT_TRUE(window.Create());
    PostQuitMessage(3);
    EXPECT_EQ(-1, window.RunModalLoop(0));
    MSG message;
    ASSERT_TRUE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "WM_QUIT handed on";
    EXPECT_EQ(3u, message.wParam);
    EXPECT_FALSE(IsWindowVisible(window.Handle())) << "the loop does not show a hidden window";

    // Esc or the close box end the window's loop with IDCANCEL.
    PostMessageW(window.Handle(), WM_CLOSE, 0, 0);
    EXPECT_EQ(IDCANCEL, window.RunModalLoop(MLF_NOIDLEMSG));
    EXPECT_TRUE(IsWindow(window.Handle())) << "ending the loop does not destroy the window";
    HWND handle = window.Handle();
    window.DestroyWindow();
    EXPECT_FALSE(IsWindow(handle));
    EXPECT_EQ(nullptr, Wnd::FromHandle(handle));
}

class RoutedPage : public Dialog {
public:
    RoutedPage() : Dialog(IDD_FILTERS_PAGE) {}
    std::vector<std::wstring> m_calls;
    void OnAdd() { m_calls.push_back(L"add"); }
    void OnRemove() { m_calls.push_back(L"remove"); }
    void OnDblClkList(NMHDR*, LRESULT* result)
    {
        m_calls.push_back(L"dblclk");
        *result = 7;
    }

protected:
    bool OnCommand(UINT id, UINT code, HWND control) override
    {
        static const CommandRoute<RoutedPage> routes[] = {
            {IDC_FILTERS_ADD, BN_CLICKED, &RoutedPage::OnAdd},
            {IDC_FILTERS_REMOVE, BN_CLICKED, &RoutedPage::OnRemove},
        };
        return RouteCommand(this, routes, id, code) || Dialog::OnCommand(id, code, control);
    }
    bool OnNotify(UINT id, NMHDR* header, LRESULT* result) override
    {
        static const NotifyRoute<RoutedPage> routes[] = {
            {IDC_FILTERS_LIST, UINT(NM_DBLCLK), &RoutedPage::OnDblClkList},
        };
        return RouteNotify(this, routes, id, header, result) || Dialog::OnNotify(id, header, result);
    }
};

TEST(MessageRoutes, NotificationsReachTheirHandlers)
{
    Dialog parent(IDD_MAIN);
    ASSERT_TRUE(parent.Create());
    RoutedPage page;
    ASSERT_TRUE(page.Create(&parent));
    EXPECT_EQ(parent.Handle(), GetParent(page.Handle())) << "a page is its parent's child";

    SendMessageW(page.GetDlgItem(IDC_FILTERS_REMOVE), BM_CLICK, 0, 0);
    SendMessageW(page.GetDlgItem(IDC_FILTERS_ADD), BM_CLICK, 0, 0);
    SendMessageW(page.Handle(), WM_COMMAND, MAKEWPARAM(IDC_FILTERS_ADD, BN_SETFOCUS), 0);
    NMHDR header{page.GetDlgItem(IDC_FILTERS_LIST), IDC_FILTERS_LIST, UINT(NM_DBLCLK)};
    LRESULT result = SendMessageW(page.Handle(), WM_NOTIFY, IDC_FILTERS_LIST, reinterpret_cast<LPARAM>(&header));
    EXPECT_EQ((std::vector<std::wstring>{L"remove", L"add", L"dblclk"}), page.m_calls);
    EXPECT_EQ(7, result);
}

} // namespace
