#include "UiFont.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Each case writes its own values into the test prefix's HKCU; the key goes afterwards.
class HiddenFontTest : public ::testing::Test {
protected:
    void SetUp() override { RegDeleteTreeW(HKEY_CURRENT_USER, kHiddenFontKey); }
    void TearDown() override { SetUp(); }
    static void Write(const wchar_t* name, DWORD type, const void* data, DWORD bytes)
    {
        ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, kHiddenFontKey, name, type, data, bytes), ERROR_SUCCESS);
    }
};

// The end-to-end tests follow FontSize into the dialogs; the names that cannot be taken are here.
TEST_F(HiddenFontTest, FontNamesThatDoNotFitOrAreNotPlainStringsAreIgnored)
{
    const std::wstring name31(31, L'F'), name32(32, L'G');
    const struct {
        const char* what;
        DWORD type;
        std::wstring text;
        bool terminated;
        std::wstring expected;
    } cases[] = {
        {"31 characters fit", REG_SZ, name31, true, name31},
        {"32 characters and NUL do not fit", REG_SZ, name32, true, L""},
        {"expandable string is not a name", REG_EXPAND_SZ, L"Verdana", true, L""},
        {"unterminated short name is taken whole", REG_SZ, L"Arial", false, L"Arial"},
        // Exactly 64 bytes: it fits the buffer but leaves no room for a terminator.
        {"unterminated 32 characters are ignored", REG_SZ, name32, false, L""},
    };
    for (const auto& c : cases) {
        Write(L"FontName", c.type, c.text.c_str(), DWORD((c.text.size() + c.terminated) * sizeof(wchar_t)));
        const HiddenFontOverride hidden = ReadHiddenFontOverride();
        EXPECT_EQ(std::wstring(hidden.faceName, wcsnlen(hidden.faceName, 32)), c.expected) << c.what;
    }
    const DWORD size = 12;
    Write(L"FontSize", REG_BINARY, &size, sizeof size);
    EXPECT_EQ(ReadHiddenFontOverride().pointSize, 0) << "a size that is not a number";
    const LOGFONTW font = ComposeUiFont(ReadHiddenFontOverride());
    LOGFONTW system{};
    GetSystemUIFont(system);
    EXPECT_STREQ(font.lfFaceName, system.lfFaceName);
}

}  // namespace
