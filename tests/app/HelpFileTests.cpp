#include "HelpFile.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "TestSupport.h"

namespace {

TEST(HelpFile, LiesBesideTheProgramAndNeverOnACutPath)
{
    wchar_t path[MAX_PATH + 1];
    ASSERT_TRUE(BuildHelpFilePath(path, MAX_PATH + 1));
    EXPECT_EQ(std::wstring(path), ProgramFolder() + L"\\help.html");
    // A buffer too short for the program's path would give a cut path, pointing elsewhere.
    std::wstring buffer(ProgramFolder().size() + 5, L'x');
    EXPECT_FALSE(BuildHelpFilePath(&buffer[0], buffer.size()));
    EXPECT_EQ(buffer[0], L'\0');
}

}  // namespace
