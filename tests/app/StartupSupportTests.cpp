#include "UiFont.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Each case writes its own values into the test prefix's HKCU and removes the key afterwards.
class HiddenFontTest : public ::testing::Test {
protected:
    void SetUp() override { RegDeleteTreeW(HKEY_CURRENT_USER, kHiddenFontKey); }
    void TearDown() override { SetUp(); }

    static void Write(const wchar_t* name, DWORD type, const void* data, DWORD bytes)
    {
        ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, kHiddenFontKey, name, type, data, bytes), ERROR_SUCCESS);
    }
};

TEST_F(HiddenFontTest, FontNameCases)
{
    const HiddenFontOverride none = ReadHiddenFontOverride();
    EXPECT_STREQ(none.faceName, L"") << "no key, no override";
    EXPECT_EQ(none.pointSize, 0);

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
        Write(L"FontName", c.type, c.text.c_str(), DWORD((c.text.size() + (c.terminated ? 1 : 0)) * sizeof(wchar_t)));
        const HiddenFontOverride hidden = ReadHiddenFontOverride();
        EXPECT_EQ(std::wstring(hidden.faceName, wcsnlen(hidden.faceName, 32)), c.expected) << c.what;
        EXPECT_EQ(hidden.pointSize, 0) << c.what;
    }
}

TEST_F(HiddenFontTest, FontSizeCasesBesideAName)
{
    Write(L"FontName", REG_SZ, L"Courier New", sizeof L"Courier New");
    const struct {
        DWORD type;
        DWORD value;
        uint8_t expected;
    } cases[] = {{REG_DWORD, 0, 0}, {REG_DWORD, 1, 1}, {REG_DWORD, 12, 12}, {REG_DWORD, 72, 72},
        {REG_DWORD, 73, 72}, {REG_DWORD, 100, 72}, {REG_DWORD, 256, 72}, {REG_DWORD, 0xFFFFFFFF, 72},
        {REG_BINARY, 12, 0}};
    for (const auto& c : cases) {
        Write(L"FontSize", c.type, &c.value, sizeof c.value);
        const HiddenFontOverride hidden = ReadHiddenFontOverride();
        EXPECT_EQ(hidden.pointSize, c.expected) << c.type << " " << c.value;
        EXPECT_STREQ(hidden.faceName, L"Courier New");
    }
    Write(L"FontSize", REG_SZ, L"12", sizeof L"12");
    EXPECT_EQ(ReadHiddenFontOverride().pointSize, 0);
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
    const HDC screen = GetDC(nullptr);
    EXPECT_EQ(large.lfHeight, -MulDiv(72, GetDeviceCaps(screen, LOGPIXELSY), 72));
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(large.lfWeight, system.lfWeight);
}

}  // namespace
