#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "BannerStatic.h"
#include "DialogFont.h"
#include "HandCursorStatic.h"
#include "ImportPatch.h"
#include "Screenshot.h"
#include "SkinDialog.h"
#include "TabButton.h"
#include "WinApp.h"
#include "resource.h"

namespace {

const COLORREF kPage = RGB(197, 209, 226), kFrame = RGB(254, 254, 254), kTab = RGB(77, 111, 159);
// The program gives its main window a darker colour than its pages.
const COLORREF kMain = RGB(96, 133, 182);

// The skin takes the hand cursor from the application, as from the program's.
struct TestApp : WinApp {
    HCURSOR GetHandCursor() const override { return m_hand; }
    HCURSOR m_hand = nullptr;
} g_app;

struct MainSkin : SkinDialog {
    MainSkin() : SkinDialog(IDD_MAIN) { m_backgroundColor = kMain; }
};

// The main window's skeleton on the real templates: tabs, banner, help icon and a page below the
// tabs, all shown.
class SkinTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_main.Create() && m_page.Create());
        m_banner.LoadBannerBitmap(IDB_BANNER);
        m_banner.SubclassWindow(m_main.GetDlgItem(IDC_MAIN_BANNER));
        m_selectedTab.SubclassWindow(m_main.GetDlgItem(IDC_MAIN_TAB_GLOBAL));
        m_tab.SubclassWindow(m_main.GetDlgItem(IDC_MAIN_TAB_FILTERS));
        m_help.SubclassWindow(m_main.GetDlgItem(IDC_MAIN_HELP));
        m_selectedTab.m_selected = true;
        SetWindowPos(m_main.Handle(), HWND_TOP, 40, 40, 700, 520, SWP_SHOWWINDOW);
        RECT tab = m_main.GetChildRect(m_tab.Handle());
        SetWindowPos(m_page.Handle(), nullptr, 10, tab.bottom + 6, 600, 250, SWP_NOZORDER | SWP_SHOWWINDOW);
    }
    MainSkin m_main;
    SkinDialog m_page{IDD_SETTINGS_PAGE, &m_main};
    BannerStatic m_banner;
    TabButton m_selectedTab, m_tab;
    HandCursorStatic m_help;
};

RECT ScreenRect(HWND window)
{
    RECT r{};
    GetClientRect(window, &r);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

TEST_F(SkinTest, ColoursOfTheDialogPageTabsAndBannerInAScreenshot)
{
    // The owner may give the banner any height; it keeps the strip's.
    MoveWindow(m_banner.Handle(), 0, 0, m_main.GetClientRect().right, 80, TRUE);
    RedrawWindow(m_main.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    Screenshot shot;
    std::string error;
    ASSERT_TRUE(shot.Take(L"skin_main_window", &error)) << error;
    const HWND main = m_main.Handle(), page = m_page.Handle(), check = m_page.GetDlgItem(IDC_SETTINGS_SAFE_MODE);
    const HWND selected = m_selectedTab.Handle(), tab = m_tab.Handle();
    const HWND label = FindWindowExW(page, nullptr, L"Static", L"Hotkey to enable/disable Paneveil:");
    struct Pixel {
        const char* what;
        HWND window;
        int x, y; // from the client's top left, or from its bottom right when negative
        COLORREF colour;
    } const pixels[] = {
        {"dialog", main, 0, 200, kMain}, {"dialog", main, -1, 200, kMain}, {"dialog", main, 300, -1, kMain},
        {"frame", page, 0, 100, kFrame}, {"frame", page, -1, 100, kFrame}, {"frame", page, 300, 0, kFrame},
        {"frame", page, 300, -1, kFrame}, {"page", page, 1, 100, kPage}, {"page", page, -2, -2, kPage},
        {"check box", check, -3, 5, kPage}, {"label's text cell", label, 0, 0, kPage}, {"selected tab", selected, 3, 3, kPage},
        {"its open side", selected, 3, -1, kPage}, {"tab", tab, 3, 3, kTab}, {"its bottom edge", tab, 3, -1, kFrame},
    };
    for (const Pixel& p : pixels) {
        RECT r = ScreenRect(p.window);
        int x = p.x < 0 ? r.right + p.x : r.left + p.x, y = p.y < 0 ? r.bottom + p.y : r.top + p.y;
        EXPECT_EQ(p.colour, shot.Pixel(x, y)) << p.what << " at " << p.x << "," << p.y;
    }

    // The strip's rows from the bitmap resource itself.
    Bitmap strip;
    ASSERT_TRUE(strip.Load(GetModuleHandleW(nullptr), IDB_BANNER));
    BITMAP info{};
    GetObjectW(strip.get(), sizeof info, &info);
    HDC dc = CreateCompatibleDC(nullptr);
    SelectObject(dc, strip.get());
    RECT banner = ScreenRect(m_banner.Handle());
    EXPECT_EQ(info.bmHeight, banner.bottom - banner.top);
    for (int x : {banner.left, (banner.left + banner.right) / 2, banner.right - 1}) {
        for (int y = 0; y <= info.bmHeight; ++y)
            EXPECT_EQ(y < info.bmHeight ? GetPixel(dc, 0, y) : kMain, shot.Pixel(x, banner.top + y)) << x << "," << y;
    }
    DeleteDC(dc);
}

// A tab draws the focus and the underline of its access key as the keyboard cues say, and is
// drawn anew when they change. (Wine keeps no cues: WM_QUERYUISTATE answers 0.)
TEST_F(SkinTest, TabsAndIconsDrawTheFocusAsTheKeyboardCuesSay)
{
    const RECT r = m_tab.GetClientRect();
    auto draw = [&](UINT state) {
        WindowDC screen(nullptr);
        Bitmap bitmap;
        bitmap.reset(CreateCompatibleBitmap(screen.get(), r.right, r.bottom));
        std::vector<COLORREF> pixels;
        const HDC dc = CreateCompatibleDC(screen.get());
        {
            SelectObjectGuard image(dc, bitmap.get()), font(dc, HGDIOBJ(m_tab.SendMessage(WM_GETFONT)));
            DRAWITEMSTRUCT item{ODT_BUTTON, IDC_MAIN_TAB_FILTERS, 0, ODA_DRAWENTIRE, state, m_tab.Handle(), dc, r, 0};
            m_tab.DrawItem(&item);
            for (int y = 0; y < r.bottom; ++y)
                for (int x = 0; x < r.right; ++x)
                    pixels.push_back(GetPixel(dc, x, y));
        }
        DeleteDC(dc);
        return pixels;
    };
    const std::vector<COLORREF> plain = draw(0);
    EXPECT_NE(draw(ODS_NOACCEL), plain) << "the underline hides";
    EXPECT_NE(draw(ODS_FOCUS), plain) << "the focus shows";
    EXPECT_EQ(draw(ODS_FOCUS | ODS_NOFOCUSRECT), plain);
    ValidateRect(m_tab.Handle(), nullptr);
    m_tab.SendMessage(WM_UPDATEUISTATE, MAKEWPARAM(UIS_SET, UISF_HIDEACCEL));
    EXPECT_TRUE(GetUpdateRect(m_tab.Handle(), nullptr, FALSE));
    // The help icon draws the focus it takes: dots down its left side.
    auto edge = [&] {
        UpdateWindow(m_help.Handle());
        WindowDC dc(m_help.Handle());
        std::vector<COLORREF> pixels;
        for (int y = 2; y < m_help.GetClientRect().bottom - 2; ++y)
            pixels.push_back(GetPixel(dc.get(), 2, y));
        return pixels;
    };
    const std::vector<COLORREF> unfocused = edge();
    SetFocus(m_help.Handle());
    EXPECT_NE(edge(), unfocused);
}

int g_screenDCs = 0, g_windowDCs = 0;
ImportPatch* g_getDC = nullptr;
HDC WINAPI CountingGetDC(HWND window)
{
    ++(window ? g_windowDCs : g_screenDCs);
    return g_getDC->Original<decltype(&GetDC)>()(window);
}

TEST_F(SkinTest, PaintingTakesNoScreenDC)
{
    ImportPatch patch(L"user32.dll", "GetDC", reinterpret_cast<const void*>(&CountingGetDC));
    ASSERT_TRUE(patch.Installed());
    g_getDC = &patch;
    g_screenDCs = g_windowDCs = 0;
    // A resize paints at once through a DC of the window: proof that the counter sees the skin's calls.
    SetWindowPos(m_page.Handle(), nullptr, 0, 0, 500, 200, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_GT(g_windowDCs, 0);
    RedrawWindow(m_main.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    EXPECT_EQ(0, g_screenDCs);
}

TEST_F(SkinTest, TabsAndClickableIconsSetTheApplicationsHandCursorElseTheDefault)
{
    const HCURSOR hand = LoadCursorW(nullptr, IDC_HAND), arrow = LoadCursorW(nullptr, IDC_ARROW);
    ASSERT_NE(hand, arrow);
    for (HCURSOR appCursor : {hand, HCURSOR(nullptr)}) {
        g_app.m_hand = appCursor;
        for (HWND control : {m_tab.Handle(), m_help.Handle()}) {
            SetCursor(LoadCursorW(nullptr, IDC_IBEAM));
            SendMessageW(control, WM_SETCURSOR, WPARAM(control), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
            EXPECT_EQ(appCursor ? hand : arrow, GetCursor()) << "control " << GetDlgCtrlID(control);
        }
    }
    g_app.m_hand = nullptr;
}

// A font's size as the scaling measures it: the mean width of the 52 letters, halved and
// rounded, and the text height.
SIZE BaseSize(HFONT font)
{
    HDC dc = CreateCompatibleDC(nullptr);
    SelectObject(dc, font);
    SIZE size{};
    GetTextExtentPoint32W(dc, L"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ", 52, &size);
    DeleteDC(dc);
    return {(size.cx / 26 + 1) / 2, size.cy};
}

TEST(ScaleDialogFont, DialogAndControlsScaleByTheMeasuredFontRatiosButIconsKeepTheirSize)
{
    Dialog dialog(IDD_FILTER);
    ASSERT_TRUE(dialog.Create());
    auto fontOf = [&](HWND window) { return reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)); };
    HWND edit = dialog.GetDlgItem(IDC_FILTER_PATTERN);
    Font font;
    ASSERT_TRUE(font.CreatePointFont(120, L"Tahoma"));
    const SIZE from = BaseSize(fontOf(edit)), to = BaseSize(font.get());
    ASSERT_TRUE(to.cx > from.cx && to.cy > from.cy);
    auto x = [&](LONG v) { return MulDiv(v, to.cx, from.cx); };
    auto y = [&](LONG v) { return MulDiv(v, to.cy, from.cy); };
    std::map<HWND, RECT> before;
    for (HWND child = GetWindow(dialog.Handle(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        before[child] = dialog.GetChildRect(child);
    const RECT window = dialog.GetWindowRect();

    ScaleDialogFont(dialog.Handle(), font.get(), true, false, false);

    RECT r = dialog.GetWindowRect();
    EXPECT_EQ(x(window.right - window.left), r.right - r.left);
    EXPECT_EQ(y(window.bottom - window.top), r.bottom - r.top);
    for (const auto& [child, was] : before) {
        const int id = GetDlgCtrlID(child), width = was.right - was.left, height = was.bottom - was.top;
        const bool icon = id == IDC_FILTER_BROWSE || id == IDC_FILTER_FINDER;
        r = dialog.GetChildRect(child);
        EXPECT_EQ((std::vector<LONG>{x(was.left), y(was.top), icon ? width : x(width), icon ? height : y(height)}),
            (std::vector<LONG>{r.left, r.top, r.right - r.left, r.bottom - r.top})) << "control " << id;
    }
    EXPECT_EQ(font.get(), fontOf(edit));
}

} // namespace
