#include "StartupSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Each case writes its own values into the test prefix's HKCU and removes the key afterwards.
class HiddenFontTest : public ::testing::Test {
protected:
    void SetUp() override { RegDeleteTreeW(HKEY_CURRENT_USER, kHiddenFontKey); }
    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, kHiddenFontKey); }

    static void Write(const wchar_t* name, DWORD type, const void* data, DWORD bytes)
    {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kHiddenFontKey, 0, nullptr, 0, KEY_SET_VALUE,
                                  nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        EXPECT_EQ(RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), bytes), ERROR_SUCCESS);
        RegCloseKey(key);
    }
    static void WriteName(DWORD type, const std::wstring& text, bool terminated)
    {
        Write(L"FontName", type, text.c_str(),
              static_cast<DWORD>((text.size() + (terminated ? 1 : 0)) * sizeof(wchar_t)));
    }
    static void WriteSize(DWORD value) { Write(L"FontSize", REG_DWORD, &value, sizeof value); }
};

TEST_F(HiddenFontTest, NoKeyMeansNoOverride)
{
    const HiddenFontOverride hidden = ReadHiddenFontOverride();
    EXPECT_STREQ(hidden.faceName, L"");
    EXPECT_EQ(hidden.pointSize, 0);
}

TEST_F(HiddenFontTest, FontNameCases)
{
    struct Case {
        const char* what;
        DWORD type;
        std::wstring text;
        bool terminated;
        const wchar_t* expected;
    };
    const std::wstring name31(31, L'F');
    const std::wstring name32(32, L'G');
    const Case cases[] = {
        {"plain name", REG_SZ, L"Verdana", true, L"Verdana"},
        {"31 characters fit", REG_SZ, name31, true, name31.c_str()},
        {"32 characters and NUL do not fit", REG_SZ, name32, true, L""},
        {"longer name", REG_SZ, std::wstring(40, L'H'), true, L""},
        {"expandable string is not a name", REG_EXPAND_SZ, L"Verdana", true, L""},
        {"unterminated short name is taken whole", REG_SZ, L"Arial", false, L"Arial"},
        {"unterminated 31 characters", REG_SZ, name31, false, name31.c_str()},
        // Exactly 64 bytes: it fits the buffer but leaves no room for a terminator.
        {"unterminated 32 characters are ignored", REG_SZ, name32, false, L""},
    };
    for (const Case& c : cases) {
        WriteName(c.type, c.text, c.terminated);
        const HiddenFontOverride hidden = ReadHiddenFontOverride();
        EXPECT_EQ(std::wstring(hidden.faceName, wcsnlen(hidden.faceName, 32)), c.expected) << c.what;
        EXPECT_EQ(hidden.pointSize, 0) << c.what;
    }
}

TEST_F(HiddenFontTest, FontSizeCases)
{
    struct Case {
        DWORD value;
        uint8_t expected;
    };
    const Case cases[] = {{0, 0}, {1, 1}, {12, 12}, {72, 72}, {73, 72}, {100, 72}, {256, 72}, {0xFFFFFFFF, 72}};
    for (const Case& c : cases) {
        WriteSize(c.value);
        EXPECT_EQ(ReadHiddenFontOverride().pointSize, c.expected) << c.value;
    }
}

TEST_F(HiddenFontTest, FontSizeOfWrongTypeIsIgnored)
{
    Write(L"FontSize", REG_SZ, L"12", sizeof L"12");
    EXPECT_EQ(ReadHiddenFontOverride().pointSize, 0);
    const DWORD small = 12;
    Write(L"FontSize", REG_BINARY, &small, sizeof small);
    EXPECT_EQ(ReadHiddenFontOverride().pointSize, 0);
}

TEST_F(HiddenFontTest, BothValuesTogether)
{
    WriteName(REG_SZ, L"Courier New", true);
    WriteSize(9);
    const HiddenFontOverride hidden = ReadHiddenFontOverride();
    EXPECT_STREQ(hidden.faceName, L"Courier New");
    EXPECT_EQ(hidden.pointSize, 9);
}

int ScreenDpi()
{
    HDC dc = GetDC(nullptr);
    const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(nullptr, dc);
    return dpi;
}

TEST(UiFont, OverridesReplaceFaceAndSize)
{
    LOGFONTW system{};
    GetSystemUIFont(system);

    HiddenFontOverride none;
    const LOGFONTW plain = ComposeUiFont(none);
    EXPECT_STREQ(plain.lfFaceName, system.lfFaceName);
    EXPECT_EQ(plain.lfHeight, system.lfHeight);

    HiddenFontOverride hidden;
    lstrcpynW(hidden.faceName, L"Courier New", 32);
    hidden.pointSize = kMaxFontPointSize;
    const LOGFONTW large = ComposeUiFont(hidden);
    EXPECT_STREQ(large.lfFaceName, L"Courier New");
    EXPECT_EQ(large.lfCharSet, DEFAULT_CHARSET);
    EXPECT_EQ(large.lfHeight, -MulDiv(72, ScreenDpi(), 72));
    EXPECT_EQ(large.lfWeight, system.lfWeight);
}

TEST(CommandLine, StartHiddenSwitch)
{
    struct Case {
        const wchar_t* tail;
        bool hidden;
    };
    const Case cases[] = {
        {L"", false},
        {L"/b", true},
        {L"/B", true},
        {L" /b", true},
        {L"-x /B -y", true},
        {L"/background", true},   // the start of a longer switch still counts
        {L"/a /c", false},
        {L"-b", false},
        {L"b/", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(HasStartHiddenSwitch(c.tail), c.hidden) << static_cast<const void*>(c.tail);
    EXPECT_FALSE(HasStartHiddenSwitch(nullptr));
}

TEST(GlobalAtom, AllReferencesAreRemoved)
{
    // A name of its own: other tests of the run share this wineserver's atom table.
    const wchar_t* name = L"PV_TEST_ATOM_REFERENCES";
    std::vector<ATOM> added;
    for (int i = 0; i < 3; ++i)
        added.push_back(GlobalAddAtomW(name));
    ASSERT_NE(added[0], 0);
    EXPECT_EQ(added[1], added[0]);
    RemoveGlobalAtomReferences(name);
    EXPECT_EQ(GlobalFindAtomW(name), 0);
    RemoveGlobalAtomReferences(name);   // nothing left: returns at once
    EXPECT_EQ(GlobalFindAtomW(name), 0);
}

}  // namespace
