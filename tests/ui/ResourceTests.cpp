#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <set>
#include <vector>

#include "Dialog.h"
#include "GdiObjects.h"
#include "Messages.h"
#include "DialogTestSupport.h"
#include "resource.h"

namespace {

struct TemplateCase {
    UINT id;
    bool page;
    const wchar_t* caption;
    std::vector<UINT> controls;
};

std::wstring ClassOf(HWND window)
{
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

TEST(Resources, EveryTemplateBuildsWithItsControls)
{
    const TemplateCase cases[] = {
        {IDD_MAIN, false, L"Paneveil", {1016, 1009, 1010, 1011, 1013, 1014, 1015}},
        {IDD_GLOBAL_PAGE, true, L"", {1025, 1042, 1068}},
        {IDD_FILTERS_PAGE, true, L"", {1025, 1021, 1022, 1023, 1024, 1026, 1027}},
        {IDD_SETTINGS_PAGE, true, L"", {1040, 1041, 1042, 1043, 1045, 1060, 1061}},
        {IDD_ABOUT_PAGE, true, L"", {1026, 1028, 1029, 1034, 1037}},
        {IDD_FILTER, false, L"Add/Modify Filter", {1043, 1048, 139, 1042, 1044, 1045, IDOK, IDCANCEL}},
        {IDD_FILTER_SCOPE, false, L"Choose how to apply this filter", {1054, IDOK}},
        {IDD_SET_PASSWORD, false, L"Paneveil / Set Password", {1075, 1076, IDOK, IDCANCEL}},
        {IDD_NEED_PASSWORD, false, L"Paneveil / Need Password", {1075, IDOK, IDCANCEL}},
    };
    Dialog host(IDD_MAIN);
    ASSERT_TRUE(host.Create());
    for (const TemplateCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "template " << c.id);
        Dialog dialog(c.id, c.page ? &host : nullptr);
        ASSERT_TRUE(dialog.Create());
        DWORD style = dialog.GetStyle();
        EXPECT_EQ(c.page, (style & WS_CHILD) != 0);
        EXPECT_EQ(!c.page, (style & WS_SYSMENU) != 0) << "the skin tells pages from dialogs by it";
        EXPECT_FALSE(style & WS_VISIBLE) << "every template starts hidden";
        EXPECT_EQ(c.caption, TextOf(dialog.Handle()));
        for (UINT control : c.controls)
            EXPECT_NE(nullptr, dialog.GetDlgItem(control)) << "control " << control;
        dialog.DestroyWindow();
    }
    host.DestroyWindow();
}

TEST(Resources, ControlsHaveTheirClassesAndStates)
{
    Dialog filter(IDD_FILTER);
    ASSERT_TRUE(filter.Create());
    EXPECT_EQ(L"msctls_trackbar32", ClassOf(filter.GetDlgItem(IDC_FILTER_SLIDER)));
    EXPECT_EQ(L"msctls_updown32", ClassOf(filter.GetDlgItem(IDC_FILTER_SPIN)));
    EXPECT_FALSE(IsWindowEnabled(filter.GetDlgItem(IDOK))) << "OK starts disabled";
    EXPECT_TRUE(GetWindowLongW(filter.GetDlgItem(IDC_FILTER_PERCENT), GWL_STYLE) & ES_NUMBER);
    EXPECT_NE(nullptr, reinterpret_cast<HICON>(SendMessageW(filter.GetDlgItem(IDC_FILTER_FINDER), STM_GETICON, 0, 0)));
    filter.DestroyWindow();

    Dialog main(IDD_MAIN);
    ASSERT_TRUE(main.Create());
    EXPECT_TRUE(main.GetExStyle() & WS_EX_APPWINDOW);
    EXPECT_FALSE(GetWindowLongW(main.GetDlgItem(IDC_MAIN_TAB_GLOBAL), GWL_STYLE) & WS_TABSTOP);
    Dialog settings(IDD_SETTINGS_PAGE, &main);
    ASSERT_TRUE(settings.Create());
    EXPECT_EQ(L"msctls_hotkey32", ClassOf(settings.GetDlgItem(IDC_SETTINGS_HOTKEY)));
    EXPECT_FALSE(IsWindowEnabled(settings.GetDlgItem(IDC_SETTINGS_APPLY)));
    Dialog filters(IDD_FILTERS_PAGE, &main);
    ASSERT_TRUE(filters.Create());
    EXPECT_EQ(L"SysListView32", ClassOf(filters.GetDlgItem(IDC_FILTERS_LIST)));
    EXPECT_FALSE(GetWindowLongW(filters.GetDlgItem(IDC_FILTERS_LIST), GWL_STYLE) & LVS_SINGLESEL);
    main.DestroyWindow();
}

TEST(Resources, StringTableHoldsEveryMessage)
{
    // Exact where no other test shows the text (the label, menu, password and exchange texts
    // are checked where they appear).
    EXPECT_EQ(L"There is already the filter '%1',  please specify a unique different filter.", LoadResString(5));
    EXPECT_EQ(L"Programs (*.exe)|*.exe||", LoadResString(11));
    for (UINT id : {1u, 2u, 3u, 4u, 5u, 9u, 10u, 11u, 12u, 13u, 14u, 15u, 16u, 17u, 18u, 19u, 20u, 21u, 0xF112u, 0xF114u, 0xF116u})
        EXPECT_FALSE(LoadResString(id).empty()) << id;
    std::wstring copyright = LoadResString(IDS_COPYRIGHT);
    EXPECT_NE(std::wstring::npos, copyright.find(L"(C)"));
    EXPECT_NE(std::wstring::npos, copyright.find(L"Kestro"));
    EXPECT_NE(std::wstring::npos, LoadResString(IDS_GLOBAL_HELP).find(L"leftmost side.\r\n\r\nYou can use filters"));
}

TEST(Resources, TrayMenuHasItsItemsInOrder)
{
    Menu menu;
    ASSERT_TRUE(menu.Load(GetModuleHandleW(nullptr), IDR_TRAY_MENU));
    HMENU popup = menu.SubMenu(0);
    ASSERT_NE(nullptr, popup);
    const UINT ids[] = {IDM_SHOW_MAIN, IDM_TOGGLE, 0, IDM_HELP, 0, IDM_EXIT};
    ASSERT_EQ(6, GetMenuItemCount(popup));
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(ids[i], GetMenuItemID(popup, i)) << i;
    wchar_t text[64] = {};
    GetMenuStringW(popup, IDM_HELP, text, 64, MF_BYCOMMAND);
    EXPECT_STREQ(L"Online &Help\tF1", text);
}

// One entry of an icon group's directory.
#pragma pack(push, 2)
struct IconGroupEntry {
    BYTE width, height, colours, reserved;
    WORD planes, bitCount;
    DWORD bytes;
    WORD id;
};
#pragma pack(pop)

// The sizes drawn into an icon resource. Loading at a size proves nothing: a missing size is
// scaled from another.
std::set<int> DrawnSizes(HINSTANCE instance, UINT id)
{
    std::set<int> sizes;
    HRSRC found = FindResourceW(instance, MAKEINTRESOURCEW(id), RT_GROUP_ICON);
    auto* directory = found ? static_cast<const WORD*>(LockResource(LoadResource(instance, found))) : nullptr;
    for (WORD i = 0; directory && i < directory[2]; ++i)
        sizes.insert(reinterpret_cast<const IconGroupEntry*>(directory + 3)[i].width);
    return sizes;
}

TEST(Resources, ArtIsDrawnAtTheSizesItIsShownAt)
{
    HINSTANCE instance = GetModuleHandleW(nullptr);
    // Icon statics and LoadIcon take the 32-pixel image; the program's icon is also shown small
    // in the tray and large (48) on the main window.
    for (UINT id : {IDI_PANEVEIL, IDI_HELP, IDI_FOLDER, IDI_FINDER, IDI_FINDER_EMPTY})
        EXPECT_EQ(1u, DrawnSizes(instance, id).count(32)) << id;
    const std::set<int> program = DrawnSizes(instance, IDI_PANEVEIL);
    EXPECT_TRUE(program.count(16) && program.count(48));

    HCURSOR cursor = LoadCursorW(instance, MAKEINTRESOURCEW(IDC_CURSOR_FINDER));
    ASSERT_NE(nullptr, cursor);
    ICONINFO hotspot{};
    ASSERT_TRUE(GetIconInfo(cursor, &hotspot));
    EXPECT_EQ(15u, hotspot.xHotspot);
    EXPECT_EQ(16u, hotspot.yHotspot);
    if (hotspot.hbmColor)
        DeleteObject(hotspot.hbmColor);
    DeleteObject(hotspot.hbmMask);
}

TEST(Resources, VersionResourceGivesFileAndProductVersions)
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeW(path, &handle);
    ASSERT_GT(size, 0u);
    std::vector<BYTE> data(size);
    ASSERT_TRUE(GetFileVersionInfoW(path, 0, size, data.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    // 2.0.1.0 and 2.0.1.1
    const DWORD versions[] = {fixed->dwFileVersionMS, fixed->dwFileVersionLS, fixed->dwProductVersionMS, fixed->dwProductVersionLS};
    EXPECT_EQ((std::vector<DWORD>{0x20000, 0x10000, 0x20000, 0x10001}), std::vector<DWORD>(versions, versions + 4));
}

} // namespace
