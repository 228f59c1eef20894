#include <gtest/gtest.h>

#include <map>

#include "Dialog.h"
#include "DialogFont.h"
#include "GdiObjects.h"
#include "DialogTestSupport.h"
#include "resource.h"

namespace {

struct Ratio {
    int oldW, oldH, newW, newH;
};

// The fonts' base sizes, measured here on the screen as the scaling defines them.
Ratio Measure(HFONT oldFont, HFONT newFont)
{
    const wchar_t text[] = L"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
    HDC dc = GetDC(nullptr);
    SIZE a{}, b{};
    HGDIOBJ previous = SelectObject(dc, oldFont);
    GetTextExtentPoint32W(dc, text, 52, &a);
    SelectObject(dc, newFont);
    GetTextExtentPoint32W(dc, text, 52, &b);
    SelectObject(dc, previous);
    ReleaseDC(nullptr, dc);
    return {(a.cx / 26 + 1) / 2, a.cy, (b.cx / 26 + 1) / 2, b.cy};
}

RECT RectIn(HWND window, HWND parent)
{
    RECT r{};
    GetWindowRect(window, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// Dialogs do not report a font set on them, so their WM_SETFONT is watched instead.
class FontWatchDialog : public Dialog {
public:
    using Dialog::Dialog;
    HFONT m_fontSet = nullptr;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_SETFONT)
            m_fontSet = reinterpret_cast<HFONT>(wParam);
        return Dialog::WindowProc(message, wParam, lParam);
    }
};

HFONT FontOf(HWND window)
{
    return reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0));
}

std::map<HWND, RECT> ChildRects(HWND dialog)
{
    std::map<HWND, RECT> rects;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        rects[child] = RectIn(child, dialog);
    return rects;
}

int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }

HFONT TemplateFont(HWND dialog)
{
    return FontOf(GetDlgItem(dialog, IDC_FILTER_PATTERN));
}

RECT WorkArea()
{
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    GetMonitorInfoW(MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY), &info);
    return info.rcWork;
}

// A larger font scales the dialog and its controls by the measured ratios, except icons; one that
// measures the same leaves every size as it was. Either way the font is set everywhere.
TEST(ScaleDialogFont, DialogAndControlsScaleByTheMeasuredRatiosButNotIcons)
{
    for (bool larger : {true, false}) {
        SCOPED_TRACE(larger ? "larger font" : "font that measures the same");
        FontWatchDialog dialog(IDD_FILTER);
        ASSERT_TRUE(dialog.Create());
        SetWindowPos(dialog.Handle(), nullptr, 50, 60, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        LOGFONTW same{};
        GetObjectW(TemplateFont(dialog.Handle()), sizeof(same), &same);
        Font font = MakeFont(-16);
        if (!larger)
            font.CreateIndirect(same);
        Ratio q = Measure(TemplateFont(dialog.Handle()), font.get());
        ASSERT_EQ(larger, q.newW > q.oldW);
        ASSERT_EQ(larger, q.newH > q.oldH);

        RECT before = dialog.GetWindowRect();
        auto children = ChildRects(dialog.Handle());
        ScaleDialogFont(dialog.Handle(), font.get(), true, false, false);

        RECT after = dialog.GetWindowRect();
        EXPECT_EQ(50, after.left);
        EXPECT_EQ(60, after.top);
        EXPECT_EQ(MulDiv(Width(before), q.newW, q.oldW), Width(after));
        EXPECT_EQ(MulDiv(Height(before), q.newH, q.oldH), Height(after));
        EXPECT_EQ(font.get(), dialog.m_fontSet);

        for (const auto& [child, old] : children) {
            SCOPED_TRACE(testing::Message() << "control " << GetDlgCtrlID(child));
            RECT now = RectIn(child, dialog.Handle());
            EXPECT_EQ(MulDiv(old.left, q.newW, q.oldW), now.left);
            EXPECT_EQ(MulDiv(old.top, q.newH, q.oldH), now.top);
            wchar_t className[32] = {};
            GetClassNameW(child, className, 32);
            bool icon = lstrcmpiW(className, L"Static") == 0 && (GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON;
            EXPECT_EQ(icon ? Width(old) : MulDiv(Width(old), q.newW, q.oldW), Width(now));
            EXPECT_EQ(icon ? Height(old) : MulDiv(Height(old), q.newH, q.oldH), Height(now));
            if (FontOf(child)) {
                EXPECT_EQ(font.get(), FontOf(child));
            }
        }
        dialog.DestroyWindow();
    }
}

TEST(ScaleDialogFont, ChildPageIsResizedInItsParentAndNeverMovedIntoTheWorkArea)
{
    Dialog parent(IDD_MAIN);
    ASSERT_TRUE(parent.Create());
    SetWindowPos(parent.Handle(), nullptr, 30, 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    Dialog page(IDD_GLOBAL_PAGE, &parent);
    ASSERT_TRUE(page.Create());
    // Far outside the parent and the screen: a child page keeps its place whatever it is.
    SetWindowPos(page.Handle(), nullptr, 3000, 25, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    RECT before = RectIn(page.Handle(), parent.Handle());
    Font font = MakeFont(-15);
    Ratio q = Measure(FontOf(GetDlgItem(page.Handle(), IDC_GLOBAL_LABEL)), font.get());
    ASSERT_NE(q.oldW, q.newW);

    ScaleDialogFont(page.Handle(), font.get(), true, false, false);

    RECT after = RectIn(page.Handle(), parent.Handle());
    EXPECT_EQ(3000, after.left);
    EXPECT_EQ(25, after.top);
    EXPECT_EQ(MulDiv(Width(before), q.newW, q.oldW), Width(after));
    EXPECT_EQ(MulDiv(Height(before), q.newH, q.oldH), Height(after));
    parent.DestroyWindow();
}

TEST(ScaleDialogFont, TopLevelDialogIsShiftedBackIntoTheWorkArea)
{
    const RECT work = WorkArea();
    struct Case {
        const char* name;
        int fontHeight;
        bool hugeDialog;
    } const cases[] = {{"sticks out right and bottom", -14, false}, {"wider than the work area", -60, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Dialog dialog(IDD_MAIN);
        ASSERT_TRUE(dialog.Create());
        SetWindowPos(dialog.Handle(), nullptr, work.right - 200, work.bottom - 150, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        Font font = MakeFont(c.fontHeight);
        ScaleDialogFont(dialog.Handle(), font.get(), true, false, false);
        RECT r = dialog.GetWindowRect();
        if (c.hugeDialog) {
            ASSERT_GT(Width(r), work.right - work.left);
            EXPECT_EQ(work.left, r.left);
            EXPECT_EQ(work.top, r.top);
        } else {
            EXPECT_EQ(work.right, r.right);
            EXPECT_EQ(work.bottom, r.bottom);
        }
        dialog.DestroyWindow();
    }
}

TEST(ScaleDialogFont, MaximisedDialogKeepsItsSizeWhileItsControlsScale)
{
    Dialog dialog(IDD_MAIN);
    ASSERT_TRUE(dialog.Create());
    ShowWindow(dialog.Handle(), SW_MAXIMIZE);
    PumpMessages(50);
    ASSERT_TRUE(IsZoomed(dialog.Handle()));
    RECT before = dialog.GetWindowRect();
    HWND tab = GetDlgItem(dialog.Handle(), IDC_MAIN_TAB_FILTERS);
    RECT tabBefore = RectIn(tab, dialog.Handle());
    Font font = MakeFont(-16);
    Ratio q = Measure(FontOf(tab), font.get());

    ScaleDialogFont(dialog.Handle(), font.get(), true, false, false);

    RECT after = dialog.GetWindowRect();
    EXPECT_TRUE(EqualRect(&before, &after));
    RECT tabAfter = RectIn(tab, dialog.Handle());
    EXPECT_EQ(MulDiv(tabBefore.left, q.newW, q.oldW), tabAfter.left);
    EXPECT_EQ(MulDiv(Width(tabBefore), q.newW, q.oldW), Width(tabAfter));
    dialog.DestroyWindow();
}

TEST(ScaleDialogFont, KeepFlagsLeaveTheDialogAlone)
{
    FontWatchDialog dialog(IDD_FILTER);
    ASSERT_TRUE(dialog.Create());
    RECT before = dialog.GetWindowRect();
    Font font = MakeFont(-16);
    ScaleDialogFont(dialog.Handle(), font.get(), false, true, true);
    RECT after = dialog.GetWindowRect();
    EXPECT_EQ(Width(before), Width(after));
    EXPECT_EQ(Height(before), Height(after));
    EXPECT_EQ(nullptr, dialog.m_fontSet) << "the dialog's own font is kept";
    // Without the special case the icons are stretched like every other control.
    HWND icon = GetDlgItem(dialog.Handle(), IDC_FILTER_BROWSE);
    EXPECT_GT(Width(RectIn(icon, dialog.Handle())), 32);
    dialog.DestroyWindow();
}

TEST(SetFontOnChildren, ReachesOnlyDirectChildren)
{
    FontWatchDialog parent(IDD_MAIN);
    ASSERT_TRUE(parent.Create());
    FontWatchDialog page(IDD_SETTINGS_PAGE, &parent);
    ASSERT_TRUE(page.Create());
    HWND grandchild = GetDlgItem(page.Handle(), IDC_SETTINGS_HOTKEY);
    HFONT grandchildFont = FontOf(grandchild);
    Font font = MakeFont(-13);
    SetFontOnChildren(parent.Handle(), font.get(), true);
    EXPECT_EQ(font.get(), FontOf(parent.GetDlgItem(IDC_MAIN_TAB_ABOUT)));
    EXPECT_EQ(font.get(), page.m_fontSet) << "a nested page is a direct child";
    EXPECT_EQ(grandchildFont, FontOf(grandchild));
    EXPECT_EQ(nullptr, parent.m_fontSet) << "dialog font kept";
    SetFontOnChildren(parent.Handle(), font.get(), false);
    EXPECT_EQ(font.get(), parent.m_fontSet);
    SetFontOnChildren(nullptr, font.get(), false);
    parent.DestroyWindow();
}

} // namespace
