#include "HelpFile.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(HelpPage, LiesBesideTheProgramAndNeverOnACutPath)
{
    wchar_t program[MAX_PATH + 1] = {};
    const DWORD length = GetModuleFileNameW(nullptr, program, MAX_PATH + 1);
    ASSERT_GT(length, 0u);
    std::wstring expected(program);
    expected.erase(expected.find_last_of(L'\\') + 1);
    wchar_t path[MAX_PATH + 1];
    ASSERT_TRUE(BuildHelpFilePath(path, MAX_PATH + 1));
    EXPECT_EQ(std::wstring(path), expected + L"help.html");

    // A buffer one short of the program's path would hold a cut path, pointing elsewhere.
    std::wstring buffer(length, L'x');
    EXPECT_FALSE(BuildHelpFilePath(&buffer[0], buffer.size()));
    EXPECT_EQ(buffer[0], L'\0');
}

}  // namespace
