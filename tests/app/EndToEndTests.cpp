// Drives the real Paneveil.exe: starts it in the test run's prefix with a data file written
// here, works it through window messages (clicks, keys, the tray callback, the hotkey) and
// watches a window of another process, made by the window helper, gain and lose its alpha.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>

#include "DataFile.h"
#include "HelperProcess.h"
#include "PaneveilDriver.h"
#include "PasswordDigest.h"
#include "Screenshot.h"
#include "RunningAtom.h"
#include "UiFont.h"

namespace {

// Ids of the program's templates and menu.
constexpr int kGlobalTab = 1009, kFiltersTab = 1010, kSettingsTab = 1011, kAboutTab = 1013;
constexpr int kGlobalLabel = 1025, kGlobalSlider = 1042, kGlobalHelp = 1068;
constexpr int kFiltersList = 1021, kSettingsHotkey = 1060, kAboutWebSite = 1037;
constexpr int kPasswordEdit = 1075;
constexpr WPARAM kMenuShow = 32771, kMenuExit = 32772, kMenuToggle = 32773;
constexpr wchar_t kPromptCaption[] = L"Paneveil / Need Password";

// Alpha values for percentages, as the engine computes them.
constexpr int kOpaque = -1;   // the helper's "not layered"
constexpr int kAlpha40 = 153, kAlpha20 = 204, kAlpha50 = 127;

class EndToEnd : public ::testing::Test {
protected:
    // Every test starts and ends without a data file, a leftover atom or a font override.
    static void Clean()
    {
        DeleteFileW(DataFilePath().c_str());
        RemoveRunningAtom();
        RegDeleteTreeW(HKEY_CURRENT_USER, kHiddenFontKey);
    }
    void SetUp() override
    {
        Clean();
        ASSERT_TRUE(m_helper.IsRunning());
        m_target = m_helper.Create("PvEndToEndTarget", "End-to-end target");
        ASSERT_NE(m_target, nullptr);
        m_helper.Show(m_target);
    }

    void TearDown() override
    {
        m_helper.Destroy(m_target);
        Clean();
    }

    // Writes the data file from the defaults as changed by `change`.
    static void WriteDataFile(const std::function<void(Settings&)>& change)
    {
        Settings settings;
        settings.Reset();
        change(settings);
        FilterList filters;
        ASSERT_TRUE(SaveDataFile(DataFilePath().c_str(), settings, filters));
    }
    static Settings ReadSettings()
    {
        Settings settings;
        settings.Reset();
        FilterList filters;
        LoadDataFile(DataFilePath().c_str(), settings, filters);
        return settings;
    }
    static void WritePassword(const wchar_t* password)
    {
        WriteDataFile([&](Settings& s) { ComputePasswordDigest(password, s.passwordDigest); });
    }

    // True once the target window has the alpha (kOpaque: not layered).
    bool TargetReaches(int alpha, DWORD timeoutMilliseconds = 3000)
    {
        return m_helper.Wait(m_target, alpha, timeoutMilliseconds) >= 0;
    }
    int TargetAlpha()
    {
        const HelperProcess::Layering layering = m_helper.Query(m_target);
        return (layering.exStyle & WS_EX_LAYERED) ? layering.alpha : kOpaque;
    }

    // Answers the password prompt with `password`; returns the message box text that follows
    // (empty when none came).
    std::wstring AnswerPrompt(PaneveilProcess& paneveil, HWND prompt, const wchar_t* password)
    {
        TypeText(prompt, kPasswordEdit, password);
        ClickButton(prompt, IDOK);
        // Either a message box comes, or the right password closes the prompt.
        HWND box = nullptr;
        WaitFor([&] {
            box = paneveil.WaitForMessageBox(nullptr, 0);
            return box || !IsWindow(prompt);
        });
        if (!box)
            return L"";
        const std::wstring text = WindowText(GetDlgItem(box, 0xFFFF));
        ClickButton(box, IDOK);
        // The prompt empties its edit once the box is gone, which disables OK again; typing
        // before that would be lost.
        const HWND ok = GetDlgItem(prompt, IDOK);
        WaitFor([&] { return !IsWindow(prompt) || (!IsWindow(box) && !IsWindowEnabled(ok)); });
        return text;
    }

    static void Exit(HWND mainWindow) { PostMessageW(mainWindow, WM_COMMAND, kMenuExit, 0); }
    // Exit from the tray menu: the process ends and the target is opaque again.
    void ExitAndExpectOpaque(PaneveilProcess& paneveil, HWND mainWindow)
    {
        Exit(mainWindow);
        ASSERT_TRUE(paneveil.WaitForExit());
        EXPECT_EQ(TargetAlpha(), kOpaque);
    }

    // Starts the program hidden ("/b") and waits until its engine has reached the target.
    HWND StartHidden(PaneveilProcess& paneveil)
    {
        if (!paneveil.Start(L"/b"))
            return nullptr;
        const HWND main = paneveil.MainWindow();
        return main && TargetReaches(kAlpha40) ? main : nullptr;
    }
    // Starts the program and waits until its main window shows.
    static HWND StartShown(PaneveilProcess& paneveil)
    {
        const HWND main = paneveil.Start() ? paneveil.MainWindow() : nullptr;
        return main && WaitFor([&] { return IsVisible(main); }) ? main : nullptr;
    }

    // A mouse message on the tray icon, as the shell reports it.
    static void Tray(HWND mainWindow, UINT mouseMessage)
    {
        PostMessageW(mainWindow, RegisterWindowMessageW(L"WM_PV_TRAY"), 0, mouseMessage);
    }

    // Right-clicks the tray icon and returns the popup menu's window once it shows.
    static HWND OpenTrayMenu(HWND mainWindow)
    {
        Tray(mainWindow, WM_RBUTTONUP);
        HWND menu = nullptr;
        WaitFor([&] {
            menu = FindWindowW(L"#32768", nullptr);
            return menu && IsWindowVisible(menu);
        });
        return menu;
    }

    HelperProcess m_helper;
    HWND m_target = nullptr;
};

// The first start shows the Global page. Screenshots of the display with the main window on each
// page follow, for people to look at; the helper's white window beside it shows how it is
// blended. Each tab, the already selected Global tab first, leaves exactly its own page shown.
// The close box ends everything.
TEST_F(EndToEnd, FirstStartEveryPageInAScreenshotAndTheCloseBox)
{
    PaneveilProcess paneveil;
    const HWND main = StartShown(paneveil);
    ASSERT_NE(main, nullptr);
    const HWND first = VisiblePage(main);
    ASSERT_NE(first, nullptr);
    EXPECT_NE(GetDlgItem(first, kGlobalSlider), nullptr);
    EXPECT_EQ(WindowText(GetDlgItem(first, kGlobalLabel)), L"Global Transparency: 40%");
    RECT mainRect{};
    GetWindowRect(main, &mainRect);
    // Beside the main window, over the grey root.
    SetWindowPos(m_target, nullptr, mainRect.right + 40, 120, 360, 240, SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_TRUE(TargetReaches(kAlpha40));
    // Each page by a control only it has.
    const struct {
        int tab;
        int control;
        const wchar_t* name;
    } pages[] = {{kGlobalTab, kGlobalHelp, L"page-global"},
                 {kFiltersTab, kFiltersList, L"page-filters"},
                 {kSettingsTab, kSettingsHotkey, L"page-settings"},
                 {kAboutTab, kAboutWebSite, L"page-about"}};
    for (const auto& p : pages) {
        ClickButton(main, p.tab);
        ASSERT_TRUE(WaitFor([&] {
            const HWND page = VisiblePage(main);
            return page && GetDlgItem(page, p.control);
        }));
        Sleep(400);   // let the page paint
        Screenshot shot;
        std::string error;
        ASSERT_TRUE(shot.Take(p.name, &error)) << error;
        // White at alpha 153 over the root's grey 128: about 204 where the compositor blends.
        const COLORREF blended = shot.Pixel(mainRect.right + 220, 240);
        EXPECT_NEAR(GetRValue(blended), 204, 6);
        EXPECT_NEAR(GetGValue(blended), 204, 6);
    }
    PostMessageW(main, WM_SYSCOMMAND, SC_CLOSE, 0);
    ASSERT_TRUE(paneveil.WaitForExit());
    EXPECT_EQ(TargetAlpha(), kOpaque);
    EXPECT_EQ(IsRunningAtomPresent(), false);
}

// Started hidden, with the tray icon hidden too: a window shown later is still caught, a second
// start with the switch shows nothing, one without it shows the window, and minimising hides it
// without adding an icon.
TEST_F(EndToEnd, HiddenStartLateWindowAndSecondStarts)
{
    WriteDataFile([](Settings& s) { s.hideTrayIcon = 1; });
    PaneveilProcess first;
    const HWND main = StartHidden(first);
    ASSERT_NE(main, nullptr);
    EXPECT_FALSE(IsVisible(main));
    EXPECT_FALSE(TrayIconExists(main));
    const HWND late = m_helper.Create("PvEndToEndLate", "Shown after the start");
    ASSERT_NE(late, nullptr);
    EXPECT_GE(m_helper.ShowAndWait(late, kAlpha40, 3000), 0);

    PaneveilProcess quiet;
    ASSERT_TRUE(quiet.Start(L"/B"));
    EXPECT_TRUE(quiet.WaitForExit());
    Sleep(500);
    EXPECT_FALSE(IsVisible(main));
    EXPECT_TRUE(quiet.FindWindows(L"Paneveil").empty());

    PaneveilProcess second;
    ASSERT_TRUE(second.Start());
    EXPECT_TRUE(second.WaitForExit());
    ASSERT_TRUE(WaitFor([&] { return IsVisible(main); }));
    PostMessageW(main, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    ASSERT_TRUE(WaitFor([&] { return !IsVisible(main); }));
    EXPECT_FALSE(TrayIconExists(main));

    ExitAndExpectOpaque(first, main);
    EXPECT_GE(m_helper.Wait(late, kOpaque, 3000), 0);
    m_helper.Destroy(late);
}

TEST_F(EndToEnd, SliderTracksLabelAndAppliesAtTheEnd)
{
    PaneveilProcess paneveil;
    const HWND main = StartShown(paneveil);
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(TargetReaches(kAlpha40));
    const HWND page = VisiblePage(main);
    const HWND slider = GetDlgItem(page, kGlobalSlider);
    const HWND label = GetDlgItem(page, kGlobalLabel);
    ASSERT_NE(slider, nullptr);
    auto scroll = [&](int code, int position) {
        SendMessageW(slider, TBM_SETPOS, TRUE, position);
        SendMessageW(page, WM_HSCROLL, MAKEWPARAM(code, position), reinterpret_cast<LPARAM>(slider));
    };

    // Dragging: the label follows, the windows and the file do not.
    scroll(TB_THUMBTRACK, 60);
    scroll(TB_THUMBTRACK, 20);
    EXPECT_EQ(WindowText(label), L"Global Transparency: 20%");
    Sleep(300);
    EXPECT_EQ(TargetAlpha(), kAlpha40);

    // Releasing the thumb applies and saves.
    scroll(TB_ENDTRACK, 20);
    EXPECT_TRUE(TargetReaches(kAlpha20));
    EXPECT_EQ(ReadSettings().globalTransparency, 20);

    // The leftmost position is "Disabled": the window becomes opaque.
    scroll(TB_THUMBTRACK, 0);
    EXPECT_EQ(WindowText(label), L"Global Transparency: Disabled");
    scroll(TB_ENDTRACK, 0);
    EXPECT_TRUE(TargetReaches(kOpaque));
    EXPECT_EQ(ReadSettings().globalTransparency, 0);

    // Without super-trans mode the slider ends at 80.
    EXPECT_EQ(SendMessageW(slider, TBM_GETRANGEMAX, 0, 0), 80);

    // A key press moves one step and applies through the control's own end-of-track.
    scroll(TB_ENDTRACK, 50);
    ASSERT_TRUE(TargetReaches(kAlpha50));
    PostMessageW(slider, WM_KEYDOWN, VK_RIGHT, 0);
    PostMessageW(slider, WM_KEYUP, VK_RIGHT, 0xC0000001);
    EXPECT_TRUE(WaitFor([&] { return ReadSettings().globalTransparency == 51; }));
    EXPECT_EQ(WindowText(label), L"Global Transparency: 51%");
    EXPECT_TRUE(TargetReaches(124));   // 255 - 0.51 * 255, truncated
    ExitAndExpectOpaque(paneveil, main);
}

TEST_F(EndToEnd, TrayMenuHotkeyDoubleClickAndMinimise)
{
    PaneveilProcess paneveil;
    const HWND main = StartHidden(paneveil);
    ASSERT_NE(main, nullptr);

    // The menu opens on a right click and closes again on Esc without doing anything.
    HWND menu = OpenTrayMenu(main);
    ASSERT_NE(menu, nullptr);
    PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);
    ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(menu); }));
    EXPECT_EQ(TargetAlpha(), kAlpha40);

    // Its second item, chosen with the keyboard, switches the engine off; the hotkey and the
    // item toggle it from then on. None of them shows the window.
    menu = OpenTrayMenu(main);
    ASSERT_NE(menu, nullptr);
    for (WPARAM key : {VK_DOWN, VK_DOWN, VK_RETURN})
        PostMessageW(menu, WM_KEYDOWN, key, 0);
    EXPECT_TRUE(TargetReaches(kOpaque));
    PostMessageW(main, WM_HOTKEY, 0, 0);
    EXPECT_TRUE(TargetReaches(kAlpha40));
    PostMessageW(main, WM_HOTKEY, 0, 0);
    EXPECT_TRUE(TargetReaches(kOpaque));
    PostMessageW(main, WM_COMMAND, kMenuToggle, 0);
    EXPECT_TRUE(TargetReaches(kAlpha40));
    EXPECT_FALSE(IsVisible(main));

    Tray(main, WM_LBUTTONDBLCLK);
    ASSERT_TRUE(WaitFor([&] { return IsVisible(main); }));

    // Enter (the dialog manager's IDOK) does nothing at the window level.
    PostMessageW(main, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    Sleep(300);
    EXPECT_TRUE(IsVisible(main));

    // Minimising hides the window into the tray instead of leaving it on the taskbar.
    PostMessageW(main, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    ASSERT_TRUE(WaitFor([&] { return !IsVisible(main); }));
    EXPECT_FALSE(IsIconic(main));
    EXPECT_TRUE(TrayIconExists(main));
    EXPECT_TRUE(paneveil.IsRunning());
    ExitAndExpectOpaque(paneveil, main);
}

// A start without the switch asks first: the prompt comes to the front although nothing else
// shows, and the hidden window has its tray icon meanwhile. Two wrong entries (letter case
// counts) may be followed by the right one; a third wrong one ends the program, no window ever
// translucent and no icon left.
TEST_F(EndToEnd, PasswordAtTheStartTwoWrongThenRightOrThreeWrong)
{
    for (bool thirdWrong : {false, true}) {
        SCOPED_TRACE(thirdWrong ? "three wrong" : "two wrong, then right");
        WritePassword(L"secret");
        PaneveilProcess paneveil;
        ASSERT_TRUE(paneveil.Start());
        const HWND prompt = paneveil.WaitForWindow(kPromptCaption);
        ASSERT_NE(prompt, nullptr);
        const HWND main = paneveil.MainWindow();
        EXPECT_FALSE(IsVisible(main));
        EXPECT_TRUE(TrayIconExists(main));
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(prompt, IDOK)));
        EXPECT_TRUE(WaitFor([&] { return GetForegroundWindow() == prompt; }, 2000));
        for (const wchar_t* wrong : {L"wrong", L"Secret"})
            EXPECT_EQ(AnswerPrompt(paneveil, prompt, wrong), L"Incorrect password, please try again.");
        EXPECT_EQ(TargetAlpha(), kOpaque);
        if (thirdWrong) {
            EXPECT_EQ(AnswerPrompt(paneveil, prompt, L"three"), L"Incorrect password, operation abort.");
            ASSERT_TRUE(paneveil.WaitForExit());
            EXPECT_FALSE(IsWindow(main));
            EXPECT_FALSE(TrayIconExists(main));
            EXPECT_EQ(TargetAlpha(), kOpaque);
            // The engine never started: in hook mode it would have left its atom, the run not
            // having ended in order.
            EXPECT_EQ(IsRunningAtomPresent(), false);
            continue;
        }
        EXPECT_EQ(AnswerPrompt(paneveil, prompt, L"secret"), L"");
        EXPECT_TRUE(WaitFor([&] { return IsVisible(main); }));
        EXPECT_TRUE(TargetReaches(kAlpha40));
        // With the window visible nothing asks: the hotkey and Exit act at once.
        PostMessageW(main, WM_HOTKEY, 0, 0);
        EXPECT_TRUE(TargetReaches(kOpaque));
        EXPECT_TRUE(paneveil.FindWindows(kPromptCaption).empty());
        Exit(main);
        ASSERT_TRUE(paneveil.WaitForExit());
    }
}

TEST_F(EndToEnd, PasswordGatesHiddenOperationsAndNeverStacksPrompts)
{
    WritePassword(L"secret");
    PaneveilProcess paneveil;
    // Started with /b: no prompt, and the engine runs.
    const HWND main = StartHidden(paneveil);
    ASSERT_NE(main, nullptr);
    EXPECT_TRUE(paneveil.FindWindows(kPromptCaption).empty());

    PostMessageW(main, WM_HOTKEY, 0, 0);
    const HWND prompt = paneveil.WaitForWindow(kPromptCaption);
    ASSERT_NE(prompt, nullptr);
    PostMessageW(main, WM_HOTKEY, 0, 0);
    PostMessageW(main, WM_COMMAND, kMenuShow, 0);
    Sleep(500);
    EXPECT_EQ(paneveil.FindWindows(kPromptCaption).size(), 1u);
    ClickButton(prompt, IDCANCEL);
    ASSERT_TRUE(WaitFor([&] { return paneveil.FindWindows(kPromptCaption).empty(); }));
    // Refused: the engine kept running and nothing was shown.
    EXPECT_EQ(TargetAlpha(), kAlpha40);
    EXPECT_FALSE(IsVisible(main));

    // Exit asks too; the right password lets it through.
    PostMessageW(main, WM_COMMAND, kMenuExit, 0);
    const HWND exitPrompt = paneveil.WaitForWindow(kPromptCaption);
    ASSERT_NE(exitPrompt, nullptr);
    EXPECT_EQ(AnswerPrompt(paneveil, exitPrompt, L"secret"), L"");
    ASSERT_TRUE(paneveil.WaitForExit());
    EXPECT_EQ(TargetAlpha(), kOpaque);
}

// The engine's atom left behind by an abnormal end brings the offer. Safe mode sweeps by timer
// and never marks its run with the atom; hook mode does, and an orderly exit removes every
// reference, the old one included, so the next start asks nothing.
TEST_F(EndToEnd, SafeModeOfferAfterAnAbnormalEnd)
{
    const struct {
        int answer;
        uint8_t safeMode;
        bool atomWhileRunning;
    } cases[] = {{IDYES, 1, false}, {IDNO, 0, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answer);
        WriteDataFile([](Settings&) {});
        AddRunningAtom();
        PaneveilProcess paneveil;
        ASSERT_TRUE(paneveil.Start());
        std::wstring text;
        const HWND box = paneveil.WaitForMessageBox(&text);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(text, L"It seems Paneveil was terminated unexpectedly. Do you want to turn on its safe mode?");
        ClickButton(box, c.answer);
        const HWND main = paneveil.MainWindow();
        ASSERT_TRUE(WaitFor([&] { return IsVisible(main); }));
        EXPECT_EQ(ReadSettings().safeMode, c.safeMode);
        EXPECT_TRUE(TargetReaches(kAlpha40));
        EXPECT_EQ(IsRunningAtomPresent(), c.atomWhileRunning);
        ExitAndExpectOpaque(paneveil, main);
        EXPECT_EQ(IsRunningAtomPresent(), false);
    }

    PaneveilProcess again;
    const HWND main = StartShown(again);
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(again.WaitForMessageBox(nullptr, 300), nullptr);
    Exit(main);
    ASSERT_TRUE(again.WaitForExit());
}

class FontSizeOverride : public EndToEnd {
protected:
    // The size of the main window's Global tab. A child control: the window itself may be
    // limited to the screen, the controls inside it are not.
    SIZE GlobalTabSize(DWORD fontSize)
    {
        RegDeleteTreeW(HKEY_CURRENT_USER, kHiddenFontKey);
        if (fontSize != 0)
            RegSetKeyValueW(HKEY_CURRENT_USER, kHiddenFontKey, L"FontSize", REG_DWORD, &fontSize, sizeof fontSize);
        PaneveilProcess paneveil;
        // Once the engine runs, the window has long been created and scaled.
        const HWND main = StartHidden(paneveil);
        RECT rect{};
        GetWindowRect(GetDlgItem(main, kGlobalTab), &rect);
        Exit(main);
        paneveil.WaitForExit();
        return {rect.right - rect.left, rect.bottom - rect.top};
    }
};

TEST_F(FontSizeOverride, LargerFontGrowsTheDialogsAndHundredActsAsSeventyTwo)
{
    const SIZE normal = GlobalTabSize(0);
    const SIZE twelve = GlobalTabSize(12);
    const SIZE twentyFour = GlobalTabSize(24);
    const SIZE seventyTwo = GlobalTabSize(72);
    const SIZE hundred = GlobalTabSize(100);
    ASSERT_GT(normal.cx, 0);
    EXPECT_GT(twelve.cx, normal.cx);
    EXPECT_GT(twelve.cy, normal.cy);
    // Proportional: twice the points, about twice the size.
    EXPECT_NEAR(static_cast<double>(twentyFour.cy) / twelve.cy, 2.0, 0.25);
    EXPECT_NEAR(static_cast<double>(twentyFour.cx) / twelve.cx, 2.0, 0.25);
    EXPECT_GT(seventyTwo.cy, twentyFour.cy);
    EXPECT_EQ(hundred.cx, seventyTwo.cx);
    EXPECT_EQ(hundred.cy, seventyTwo.cy);
}

}  // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: app_end_to_end_tests <path of Paneveil.exe>\n");
        return 2;
    }
    SetProgramPath(argv[1]);
    return RUN_ALL_TESTS();
}
