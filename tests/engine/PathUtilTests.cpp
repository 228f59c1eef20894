#include "PathUtil.h"
#include "TestSupport.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Show(const wchar_t* s)
{
    return s ? testing::PrintToString(std::wstring(s)) : "null";
}

// A path before an in-place operation and the path after it.
struct PathCase {
    const wchar_t* path;
    const wchar_t* expected;
};

TEST(AppendPathComponent, AddsOneSeparatorAndDropsLeadingBackslashes)
{
    struct {
        const wchar_t* path;
        const wchar_t* component;
        const wchar_t* expected;
    } cases[] = {
        {L"C:\\Users\\me", L"Kestro", L"C:\\Users\\me\\Kestro"},
        {L"C:\\", L"Kestro", L"C:\\Kestro"},
        {L"C:\\Users\\", L"\\\\Kestro", L"C:\\Users\\Kestro"},
        {L"", L"Kestro", L"Kestro"},
        {L"", L"\\Kestro", L"Kestro"},
        {L"C:", L"x", L"C:\\x"},
        {L"C:\\a", L"", L"C:\\a\\"},
    };
    for (const auto& c : cases) {
        wchar_t buffer[261] = {};
        wcscpy(buffer, c.path);
        EXPECT_TRUE(AppendPathComponent(buffer, 261, c.component)) << Show(c.path);
        EXPECT_STREQ(c.expected, buffer) << Show(c.path) << " + " << Show(c.component);
    }
}

TEST(AppendPathComponent, RefusesWhatWouldNotFitAndLeavesTheBuffer)
{
    wchar_t buffer[8] = L"C:\\ab";
    EXPECT_TRUE(AppendPathComponent(buffer, 8, L"c"));   // "C:\ab\c" is 7 characters
    EXPECT_STREQ(L"C:\\ab\\c", buffer);
    EXPECT_FALSE(AppendPathComponent(buffer, 8, L"d"));
    EXPECT_STREQ(L"C:\\ab\\c", buffer);

    wchar_t full[4] = {L'a', L'b', L'c', L'd'};   // not terminated within its capacity
    EXPECT_FALSE(AppendPathComponent(full, 4, L"x"));
    EXPECT_FALSE(AppendPathComponent(nullptr, 4, L"x"));
    wchar_t empty[4] = {};
    EXPECT_FALSE(AppendPathComponent(empty, 4, nullptr));
}

TEST(RemoveLastPathComponent, CutsAtLastBackslashButNeverIntoTheRoot)
{
    const PathCase cases[] = {
        {L"C:\\Users\\me\\Documents", L"C:\\Users\\me"},
        {L"C:\\Users", L"C:\\"},
        {L"C:\\", L"C:\\"},
        {L"C:", L"C:"},
        {L"C:file", L"C:"},
        {L"C:\\a\\", L"C:\\a"},
        {L"\\\\server\\share\\dir", L"\\\\server\\share"},
        {L"\\\\server", L"\\\\"},
        {L"\\dir\\file", L"\\dir"},
        {L"\\dir", L"\\"},
        {L"dir\\file", L"dir"},
        {L"file", L""},
        {L"\"C:\\Program Files\\app.exe\"", L"\"C:\\Program Files"},
        {L"\"C:\\app.exe\"", L"\"C:\\"},
        {L"ab:\\", L"ab:\\"},
    };
    for (const auto& c : cases) {
        wchar_t buffer[261] = {};
        wcscpy(buffer, c.path);
        EXPECT_TRUE(RemoveLastPathComponent(buffer)) << Show(c.path);
        EXPECT_STREQ(c.expected, buffer) << Show(c.path);
    }
    wchar_t empty[1] = {};
    EXPECT_FALSE(RemoveLastPathComponent(empty));
    EXPECT_FALSE(RemoveLastPathComponent(nullptr));
}

TEST(IsRelativePath, NeedsADriveColonOrLeadingBackslash)
{
    struct {
        const wchar_t* path;
        bool relative;
    } cases[] = {
        {nullptr, true},
        {L"", true},
        {L"\"C:\\a b\\c.exe\"", true},
        {L"Kestro\\Paneveil", true},
        {L"file.dat", true},
        {L"C:\\", false},
        {L"C:file", false},
        {L"\\\\server\\share", false},
        {L"\\root", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.relative, IsRelativePath(c.path)) << Show(c.path);
}

TEST(QuoteIfHasSpace, QuotesOnlyUnquotedPathsWithBlanks)
{
    const PathCase cases[] = {
        {L"C:\\Program Files\\Paneveil.exe", L"\"C:\\Program Files\\Paneveil.exe\""},
        {L"C:\\Tools\\Paneveil.exe", L"C:\\Tools\\Paneveil.exe"},
        {L"\"C:\\Program Files\\Paneveil.exe\"", L"\"C:\\Program Files\\Paneveil.exe\""},
        {L"\"C:\\Program Files\\Paneveil.exe", L"\"\"C:\\Program Files\\Paneveil.exe\""},
        {L"", L""},
        {L" ", L"\" \""},
    };
    for (const auto& c : cases) {
        wchar_t buffer[261] = {};
        wcscpy(buffer, c.path);
        EXPECT_TRUE(QuoteIfHasSpace(buffer, 261)) << Show(c.path);
        EXPECT_STREQ(c.expected, buffer) << Show(c.path);
    }
}

TEST(QuoteIfHasSpace, RefusesWhenTheQuotesWouldNotFit)
{
    wchar_t fits[6] = L"a b";   // "a b" quoted is 5 characters
    EXPECT_TRUE(QuoteIfHasSpace(fits, 6));
    EXPECT_STREQ(L"\"a b\"", fits);
    wchar_t tight[6] = L"a  b";
    EXPECT_FALSE(QuoteIfHasSpace(tight, 6));
    EXPECT_STREQ(L"a  b", tight);
    EXPECT_FALSE(QuoteIfHasSpace(nullptr, 6));
}

bool IsFolder(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

TEST(CreateDirectoryTree, CreatesMissingParentsAndReportsTheLastFolder)
{
    TempFolder temp;
    const std::wstring a = temp.File(L"a");
    const std::wstring deepest = a + L"\\b\\c";
    EXPECT_TRUE(CreateDirectoryTree(deepest.c_str()));
    EXPECT_TRUE(IsFolder(a + L"\\b\\c"));
    // An existing folder is reported as a failure, as CreateDirectoryW reports it.
    EXPECT_FALSE(CreateDirectoryTree(deepest.c_str()));
    EXPECT_TRUE(CreateDirectoryTree((deepest + L"\\d").c_str()));
    RemoveDirectoryW((deepest + L"\\d").c_str());
    RemoveDirectoryW(deepest.c_str());
    RemoveDirectoryW((a + L"\\b").c_str());
}

TEST(CreateDirectoryTree, RefusesRelativeRootlessAndOverlongPaths)
{
    const wchar_t* refused[] = {
        nullptr, L"", L"relative\\folder", L"\"C:\\quoted\"",
        L"ab:\\x",        // its root can never be created and cannot be cut shorter
        L"ab:\\x\\y\\z",
        L"\\\\",
    };
    for (const wchar_t* path : refused)
        EXPECT_FALSE(CreateDirectoryTree(path)) << Show(path);
    const std::wstring tooLong = L"C:\\" + std::wstring(300, L'x');
    EXPECT_FALSE(CreateDirectoryTree(tooLong.c_str()));
}

} // namespace
