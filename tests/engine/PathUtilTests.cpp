#include "PathUtil.h"
#include "ListContents.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Show(const wchar_t* s)
{
    return s ? testing::PrintToString(std::wstring(s)) : "null";
}

TEST(AppendPathComponent, AddsOneSeparatorDropsLeadingBackslashesAndRefusesWhatWouldNotFit)
{
    const struct {
        const wchar_t* path;
        const wchar_t* component;
        const wchar_t* expected;
    } cases[] = {
        {L"C:\\Users\\me", L"Kestro", L"C:\\Users\\me\\Kestro"}, {L"C:\\", L"Kestro", L"C:\\Kestro"},
        {L"C:\\Users\\", L"\\\\Kestro", L"C:\\Users\\Kestro"},    {L"", L"Kestro", L"Kestro"},
        {L"", L"\\Kestro", L"Kestro"},                           {L"C:", L"x", L"C:\\x"},
        {L"C:\\a", L"", L"C:\\a\\"},
    };
    for (const auto& c : cases) {
        wchar_t buffer[261] = {};
        wcscpy(buffer, c.path);
        EXPECT_TRUE(AppendPathComponent(buffer, 261, c.component)) << Show(c.path);
        EXPECT_STREQ(c.expected, buffer) << Show(c.path) << " + " << Show(c.component);
    }

    wchar_t buffer[8] = L"C:\\ab";
    EXPECT_TRUE(AppendPathComponent(buffer, 8, L"c"));   // "C:\ab\c" is 7 characters
    EXPECT_FALSE(AppendPathComponent(buffer, 8, L"d"));
    EXPECT_STREQ(L"C:\\ab\\c", buffer);
    wchar_t full[4] = {L'a', L'b', L'c', L'd'};   // not terminated within its capacity
    EXPECT_FALSE(AppendPathComponent(full, 4, L"x"));
    EXPECT_FALSE(AppendPathComponent(nullptr, 4, L"x"));
    EXPECT_FALSE(AppendPathComponent(buffer, 8, nullptr));
}

TEST(RemoveLastPathComponent, CutsAtTheLastBackslashButNeverIntoTheRoot)
{
    const struct {
        const wchar_t* path;
        const wchar_t* expected;
    } cases[] = {
        {L"C:\\Users\\me\\Documents", L"C:\\Users\\me"}, {L"C:\\Users", L"C:\\"},
        {L"C:\\", L"C:\\"}, {L"C:", L"C:"}, {L"C:file", L"C:"}, {L"C:\\a\\", L"C:\\a"},
        {L"\\\\server\\share\\dir", L"\\\\server\\share"}, {L"\\\\server", L"\\\\"},
        {L"\\dir\\file", L"\\dir"}, {L"\\dir", L"\\"}, {L"dir\\file", L"dir"}, {L"file", L""},
        {L"\"C:\\Program Files\\app.exe\"", L"\"C:\\Program Files"}, {L"\"C:\\app.exe\"", L"\"C:\\"},
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

TEST(IsRelativePath, NeedsADriveColonOrALeadingBackslash)
{
    for (const wchar_t* relative : {static_cast<const wchar_t*>(nullptr), L"", L"\"C:\\a b\\c.exe\"",
                                    L"Kestro\\Paneveil", L"file.dat"})
        EXPECT_TRUE(IsRelativePath(relative)) << Show(relative);
    for (const wchar_t* absolute : {L"C:\\", L"C:file", L"\\\\server\\share", L"\\root"})
        EXPECT_FALSE(IsRelativePath(absolute)) << Show(absolute);
}

TEST(QuoteIfHasSpace, QuotesOnlyUnquotedPathsWithBlanksWhereTheQuotesFit)
{
    const struct {
        const wchar_t* path;
        size_t capacity;
        bool result;
        const wchar_t* expected;
    } cases[] = {
        {L"C:\\Program Files\\Paneveil.exe", 261, true, L"\"C:\\Program Files\\Paneveil.exe\""},
        {L"C:\\Tools\\Paneveil.exe", 261, true, L"C:\\Tools\\Paneveil.exe"},
        {L"\"C:\\Program Files\\Paneveil.exe\"", 261, true, L"\"C:\\Program Files\\Paneveil.exe\""},
        {L"\"C:\\Program Files\\Paneveil.exe", 261, true, L"\"\"C:\\Program Files\\Paneveil.exe\""},
        {L"", 261, true, L""},
        {L" ", 261, true, L"\" \""},
        {L"a b", 6, true, L"\"a b\""},   // quoted, 5 characters
        {L"a  b", 6, false, L"a  b"},
    };
    for (const auto& c : cases) {
        wchar_t buffer[261] = {};
        wcscpy(buffer, c.path);
        EXPECT_EQ(c.result, QuoteIfHasSpace(buffer, c.capacity)) << Show(c.path);
        EXPECT_STREQ(c.expected, buffer) << Show(c.path);
    }
    EXPECT_FALSE(QuoteIfHasSpace(nullptr, 6));
}

TEST(CreateDirectoryTree, CreatesMissingParentsAndRefusesRelativeRootlessAndOverlongPaths)
{
    TempFolder temp;
    const std::wstring deepest = temp.File(L"a\\b\\c");
    EXPECT_TRUE(CreateDirectoryTree(deepest.c_str()));
    const DWORD attributes = GetFileAttributesW(deepest.c_str());
    EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY));
    // An existing folder is reported as a failure, as CreateDirectoryW reports it.
    EXPECT_FALSE(CreateDirectoryTree(deepest.c_str()));
    EXPECT_TRUE(CreateDirectoryTree((deepest + L"\\d").c_str()));
    for (const wchar_t* made : {L"a\\b\\c\\d", L"a\\b\\c", L"a\\b"})
        RemoveDirectoryW(temp.File(made).c_str());

    const std::wstring tooLong = L"C:\\" + std::wstring(300, L'x');
    const wchar_t* refused[] = {
        nullptr, L"", L"relative\\folder", L"\"C:\\quoted\"", tooLong.c_str(),
        L"ab:\\x",   // its root can never be created and cannot be cut shorter
        L"ab:\\x\\y\\z", L"\\\\",
    };
    for (const wchar_t* path : refused)
        EXPECT_FALSE(CreateDirectoryTree(path)) << Show(path);
}

} // namespace
