#include <gtest/gtest.h>

#include "BannerStatic.h"
#include "DataExchange.h"
#include "HandCursorStatic.h"
#include "Screenshot.h"
#include "SkinDialog.h"
#include "TabButton.h"
#include "DialogTestSupport.h"
#include "resource.h"

namespace {

const COLORREF kMainColor = RGB(96, 133, 182);
const COLORREF kPageColor = RGB(197, 209, 226);
const COLORREF kNearWhite = RGB(254, 254, 254);
const COLORREF kTabColor = RGB(77, 111, 159);
const COLORREF kBannerRows[31] = {
    RGB(96, 133, 182), RGB(100, 136, 184), RGB(112, 145, 189), RGB(113, 146, 190), RGB(113, 146, 190),
    RGB(113, 146, 190), RGB(113, 146, 190), RGB(113, 146, 190), RGB(113, 146, 190), RGB(113, 146, 190),
    RGB(113, 146, 190), RGB(112, 145, 189), RGB(107, 141, 187), RGB(96, 133, 182), RGB(96, 133, 182),
    RGB(96, 133, 182), RGB(96, 133, 182), RGB(96, 133, 182), RGB(96, 133, 182), RGB(96, 133, 182),
    RGB(96, 133, 182), RGB(96, 133, 182), RGB(96, 133, 182), RGB(96, 133, 182), RGB(96, 133, 182),
    RGB(87, 120, 165), RGB(78, 108, 148), RGB(83, 115, 158), RGB(87, 120, 165), RGB(90, 125, 171),
    RGB(93, 129, 177),
};

// The main window's skeleton: its template, colour, tabs and banner, without its behaviour.
class SkinnedMain : public SkinDialog {
public:
    SkinnedMain() : SkinDialog(IDD_MAIN)
    {
        m_backgroundColor = kMainColor;
        m_banner.LoadBannerBitmap(IDB_BANNER);
    }
    TabButton m_globalTab, m_filtersTab;
    BannerStatic m_banner;
    HandCursorStatic m_help;

protected:
    void DoDataExchange(DataExchange& dx) override
    {
        dx.Control(IDC_MAIN_BANNER, m_banner);
        dx.Control(IDC_MAIN_TAB_GLOBAL, m_globalTab);
        dx.Control(IDC_MAIN_TAB_FILTERS, m_filtersTab);
        dx.Control(IDC_MAIN_HELP, m_help);
    }
};

std::string Hex(COLORREF c)
{
    char text[32];
    snprintf(text, sizeof(text), "RGB(%d,%d,%d)", GetRValue(c), GetGValue(c), GetBValue(c));
    return text;
}

#define EXPECT_PIXEL(shot, x, y, colour) \
    EXPECT_EQ(Hex(colour), Hex((shot).Pixel((x), (y)))) << "at " << (x) << "," << (y)

RECT ScreenRect(HWND window)
{
    RECT r{};
    GetClientRect(window, &r);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

void Redraw(HWND window)
{
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

TEST(Skin, MainWindowTabsBannerAndPageInAScreenshot)
{
    SkinnedMain main;
    ASSERT_TRUE(main.Create());
    SetWindowPos(main.Handle(), HWND_TOP, 40, 40, 700, 520, SWP_SHOWWINDOW);
    SkinDialog page(IDD_SETTINGS_PAGE, &main);
    ASSERT_TRUE(page.Create());
    RECT tab = main.GetChildRect(main.m_globalTab.Handle());
    RECT client = main.GetClientRect();
    // Below the tabs, not overlapping them, so each is seen on its own.
    RECT footer = main.GetChildRect(main.GetDlgItem(IDC_MAIN_FOOTER));
    MoveWindow(page.Handle(), tab.left, tab.bottom + 6, client.right - 2 * tab.left, footer.top - 5 - tab.bottom - 6, TRUE);
    ShowWindow(page.Handle(), SW_SHOW);
    main.m_globalTab.m_selected = true;
    // The owner may give the banner any height; it keeps the strip's.
    RECT banner = main.GetChildRect(main.m_banner.Handle());
    MoveWindow(main.m_banner.Handle(), 0, 0, client.right, 80, TRUE);
    Redraw(main.Handle());
    PumpMessages(300);

    Screenshot shot;
    std::string error;
    ASSERT_TRUE(shot.Take(L"skin_main_window", &error)) << error;

    RECT mainRect = ScreenRect(main.Handle());
    EXPECT_PIXEL(shot, mainRect.left + 2, mainRect.top + 200, kMainColor);

    RECT pageRect = ScreenRect(page.Handle());
    int midX = (pageRect.left + pageRect.right) / 2, midY = (pageRect.top + pageRect.bottom) / 2;
    EXPECT_PIXEL(shot, pageRect.left, midY, kNearWhite);
    EXPECT_PIXEL(shot, pageRect.right - 1, midY, kNearWhite);
    EXPECT_PIXEL(shot, midX, pageRect.top, kNearWhite);
    EXPECT_PIXEL(shot, midX, pageRect.bottom - 1, kNearWhite);
    EXPECT_PIXEL(shot, pageRect.left + 1, midY, kPageColor);
    EXPECT_PIXEL(shot, pageRect.left - 1, midY, kMainColor);
    EXPECT_PIXEL(shot, pageRect.right - 3, pageRect.bottom - 3, kPageColor);

    // A check box's text stands on the page colour; the hot-key control keeps its own white.
    RECT check = ScreenRect(GetDlgItem(page.Handle(), IDC_SETTINGS_SAFE_MODE));
    EXPECT_PIXEL(shot, check.right - 3, (check.top + check.bottom) / 2, kPageColor);
    RECT hotkey = ScreenRect(GetDlgItem(page.Handle(), IDC_SETTINGS_HOTKEY));
    EXPECT_PIXEL(shot, hotkey.right - 3, (hotkey.top + hotkey.bottom) / 2, RGB(255, 255, 255));

    RECT selected = ScreenRect(main.m_globalTab.Handle());
    EXPECT_PIXEL(shot, selected.left + 3, selected.top + 3, kPageColor);
    EXPECT_PIXEL(shot, selected.left, selected.top, kPageColor) << "bevelled corner";
    EXPECT_PIXEL(shot, selected.left + 1, selected.top, kNearWhite);
    EXPECT_PIXEL(shot, selected.left, selected.top + 1, kNearWhite);
    EXPECT_PIXEL(shot, selected.right - 1, selected.top + 5, kNearWhite);
    EXPECT_PIXEL(shot, selected.left + 3, selected.bottom - 1, kPageColor) << "open towards its page";

    RECT normal = ScreenRect(main.m_filtersTab.Handle());
    EXPECT_PIXEL(shot, normal.left + 3, normal.top + 3, kTabColor);
    EXPECT_PIXEL(shot, normal.right - 1, normal.top, kTabColor) << "bevelled corner";
    EXPECT_PIXEL(shot, normal.left + 3, normal.bottom - 1, kNearWhite);

    RECT strip = ScreenRect(main.m_banner.Handle());
    EXPECT_EQ(31, strip.bottom - strip.top) << "snapped back to the strip's height";
    EXPECT_EQ(client.right, strip.right - strip.left);
    EXPECT_EQ(31, main.m_banner.GetBitmapHeight());
    for (int x : {strip.left, (strip.left + strip.right) / 2, strip.right - 1}) {
        for (int y = 0; y < 31; ++y)
            EXPECT_PIXEL(shot, x, strip.top + y, kBannerRows[y]);
    }
    EXPECT_PIXEL(shot, strip.left + 4, strip.top + 31, kMainColor);
    EXPECT_EQ(0, banner.top) << "the template's banner was moved to the top-left corner when attached";
    EXPECT_EQ(0, banner.left);

    main.DestroyWindow();
}

TEST(Skin, BannerWithoutABitmapKeepsTheHeightItIsGiven)
{
    class Plain : public SkinDialog {
    public:
        Plain() : SkinDialog(IDD_MAIN) {}
        BannerStatic m_banner;

    protected:
        void DoDataExchange(DataExchange& dx) override { dx.Control(IDC_MAIN_BANNER, m_banner); }
    } main;
    ASSERT_TRUE(main.Create());
    HWND banner = main.m_banner.Handle();
    RECT before = main.GetChildRect(banner);
    EXPECT_NE(0, before.left) << "not moved when attached";
    MoveWindow(banner, 0, 0, 200, 57, TRUE);
    EXPECT_EQ(57, main.GetChildRect(banner).bottom);
    EXPECT_EQ(0, main.m_banner.GetBitmapHeight());
    main.DestroyWindow();
}

TEST(Skin, TopLevelDialogIsFilledWithoutAFrame)
{
    SkinDialog dialog(IDD_SET_PASSWORD);
    ASSERT_TRUE(dialog.Create());
    SetWindowPos(dialog.Handle(), HWND_TOP, 60, 60, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    Redraw(dialog.Handle());
    PumpMessages(200);
    Screenshot shot;
    std::string error;
    ASSERT_TRUE(shot.Take(L"skin_modal_dialog", &error)) << error;
    RECT r = ScreenRect(dialog.Handle());
    EXPECT_EQ(DWORD(WS_CLIPSIBLINGS | WS_CLIPCHILDREN), dialog.GetStyle() & (WS_CLIPSIBLINGS | WS_CLIPCHILDREN));
    EXPECT_PIXEL(shot, r.left, r.bottom - 2, kPageColor);
    EXPECT_PIXEL(shot, r.right - 1, r.bottom - 1, kPageColor);
    EXPECT_PIXEL(shot, (r.left + r.right) / 2, r.bottom - 1, kPageColor);
    dialog.DestroyWindow();
}

TEST(Skin, ColourMessagesFollowTheControlType)
{
    Dialog parent(IDD_MAIN);
    ASSERT_TRUE(parent.Create());
    SkinDialog page(IDD_SETTINGS_PAGE, &parent);
    ASSERT_TRUE(page.Create());
    HWND check = page.GetDlgItem(IDC_SETTINGS_SAFE_MODE);
    HDC dc = GetDC(check);
    SetBkMode(dc, OPAQUE);
    HBRUSH forStatic = reinterpret_cast<HBRUSH>(page.SendMessage(WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
        reinterpret_cast<LPARAM>(check)));
    EXPECT_EQ(TRANSPARENT, GetBkMode(dc));
    HBRUSH forDialog = reinterpret_cast<HBRUSH>(page.SendMessage(WM_CTLCOLORDLG, reinterpret_cast<WPARAM>(dc),
        reinterpret_cast<LPARAM>(page.Handle())));
    HBRUSH forEdit = reinterpret_cast<HBRUSH>(page.SendMessage(WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc),
        reinterpret_cast<LPARAM>(check)));
    ReleaseDC(check, dc);
    EXPECT_EQ(forStatic, forDialog);
    LOGBRUSH brush{};
    ASSERT_TRUE(GetObjectW(forStatic, sizeof(brush), &brush));
    EXPECT_EQ(kPageColor, brush.lbColor);
    EXPECT_NE(forStatic, forEdit) << "edits keep the system colours";
    parent.DestroyWindow();
}

TEST(Skin, TabsAndClickableIconsShowTheHandCursor)
{
    HCURSOR hand = LoadCursorW(nullptr, IDC_HAND);
    ASSERT_NE(nullptr, hand);
    SkinnedMain main;
    ASSERT_TRUE(main.Create());
    for (HCURSOR appCursor : {hand, HCURSOR(nullptr)}) {
        GetTestApp().m_handCursor = appCursor;
        for (HWND control : {main.m_filtersTab.Handle(), main.m_help.Handle()}) {
            SetCursor(LoadCursorW(nullptr, IDC_IBEAM));
            SendMessageW(control, WM_SETCURSOR, reinterpret_cast<WPARAM>(control), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
            if (appCursor)
                EXPECT_EQ(hand, GetCursor());
            else
                EXPECT_NE(hand, GetCursor()) << "without the application's cursor the default applies";
        }
    }
    GetTestApp().m_handCursor = nullptr;
    main.DestroyWindow();
}

} // namespace
