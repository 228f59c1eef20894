#include "FilterList.h"
#include "ListContents.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Patterns = std::vector<std::wstring>;

std::string Show(const wchar_t* s)
{
    return s ? testing::PrintToString(std::wstring(s)) : "null";
}

// Adds the patterns in turn with transparencies 10, 11, ...; the last ends up at the front.
void AddAll(FilterList& list, std::initializer_list<const wchar_t*> patterns)
{
    uint8_t transparency = 10;
    for (const wchar_t* p : patterns)
        ASSERT_TRUE(list.AddFilter(p, transparency++)) << Show(p);
}

TEST(FilterList, AddPutsInFrontRefusesEmptyOrDuplicatePatternsAndReplacesTransparencyAbove99)
{
    FilterList list;
    ASSERT_TRUE(list.AddFilter(L"NOTEPAD.EXE", 0));
    EXPECT_FALSE(list.AddFilter(L"Notepad.exe", 50));
    EXPECT_FALSE(list.AddFilter(L"", 50));
    EXPECT_FALSE(list.AddFilter(nullptr, 50));
    // Only A-Z fold: these are different patterns.
    EXPECT_TRUE(list.AddFilter(L"\u00E9t\u00E9", 150));
    EXPECT_TRUE(list.AddFilter(L"\u00C9t\u00E9", 99));
    EXPECT_EQ((Entries{{L"\u00C9t\u00E9", 99}, {L"\u00E9t\u00E9", 40}, {L"NOTEPAD.EXE", 0}}), ListEntries(list));
}

TEST(FilterList, FindReportsTransparencyAndLeavesTheByteAloneWhenMissing)
{
    FilterList list;
    AddAll(list, {L"calc", L"Word"});
    uint8_t transparency = 99;
    EXPECT_TRUE(list.FindFilter(L"WORD", &transparency));
    EXPECT_EQ(11, transparency);
    EXPECT_TRUE(list.FindFilter(L"calc"));
    transparency = 77;
    for (const wchar_t* missing : {L"wor", L"words", L"", static_cast<const wchar_t*>(nullptr)})
        EXPECT_FALSE(list.FindFilter(missing, &transparency)) << Show(missing);
    EXPECT_EQ(77, transparency);
}

TEST(FilterList, ModifyRenamesInPlaceAndRefusesClashes)
{
    FilterList list;
    AddAll(list, {L"first", L"notepad.exe", L"last"});
    EXPECT_TRUE(list.ModifyFilter(L"notepad.exe", L"Notepad.EXE", 0));
    const Entries after = {{L"last", 12}, {L"Notepad.EXE", 0}, {L"first", 10}};
    EXPECT_EQ(after, ListEntries(list));
    const wchar_t* refused[][2] = {
        {L"first", L"LAST"},   // another entry has it
        {L"missing", L"c"}, {L"", L"c"}, {L"first", L""}, {nullptr, L"c"}, {L"first", nullptr},
    };
    for (const auto& r : refused) {
        EXPECT_FALSE(list.ModifyFilter(r[0], r[1], 55)) << Show(r[0]) << " -> " << Show(r[1]);
        EXPECT_EQ(after, ListEntries(list));
    }
}

TEST(FilterList, RenamingToAShorterPatternClearsTheOldTail)
{
    FilterList list;
    ASSERT_TRUE(list.AddFilter(L"C:\\Program Files\\Long Name\\app.exe", 20));
    ASSERT_TRUE(list.ModifyFilter(L"c:\\program files\\long name\\APP.EXE", L"app", 20));
    Bytes expected = {1, 0, 0, 0, 0x0F, 0x02, 0, 0, 'a', 0, 'p', 0, 'p', 0};   // count 1, size 527
    expected.resize(4 + 526, 0);
    expected.push_back(20);
    EXPECT_EQ(expected, ListBytes(list));
}

TEST(FilterList, LongPatternsAreCutAndCannotBeDuplicatedByTheirTail)
{
    FilterList list;
    const std::wstring base(260, L'p');
    const std::wstring long1 = base + std::wstring(40, L'1');
    const std::wstring long2 = base + std::wstring(40, L'2');
    ASSERT_TRUE(list.AddFilter(long1.c_str(), 20));
    EXPECT_EQ(Patterns{base}, ListPatterns(list));
    EXPECT_TRUE(list.FindFilter(base.c_str()));
    // Stored, both would be `base`: a second entry of that name would break uniqueness.
    EXPECT_FALSE(list.AddFilter(long2.c_str(), 30));
    ASSERT_TRUE(list.AddFilter(L"short", 30));
    EXPECT_FALSE(list.ModifyFilter(L"short", long2.c_str(), 30));
    EXPECT_EQ((Patterns{L"short", base}), ListPatterns(list));
    EXPECT_TRUE(list.RemoveFilter(long2.c_str()));
    EXPECT_EQ(Patterns{L"short"}, ListPatterns(list));
}

TEST(FilterList, RemoveUnlinksHeadMiddleAndTail)
{
    const struct {
        const wchar_t* removed;
        Patterns left;
    } cases[] = {{L"D", {L"c", L"b", L"a"}}, {L"b", {L"d", L"c", L"a"}}, {L"A", {L"d", L"c", L"b"}}};
    for (const auto& c : cases) {
        FilterList list;
        AddAll(list, {L"a", L"b", L"c", L"d"});
        EXPECT_TRUE(list.RemoveFilter(c.removed));
        EXPECT_EQ(c.left, ListPatterns(list));
        EXPECT_FALSE(list.RemoveFilter(c.removed));
        // The backward links must still be sound: moving the tail up walks them.
        EXPECT_TRUE(list.MoveFilterUp(c.left.back().c_str()));
        EXPECT_TRUE(list.MoveFilterUp(c.left.back().c_str()));
        EXPECT_EQ((Patterns{c.left[2], c.left[0], c.left[1]}), ListPatterns(list)) << Show(c.removed);
    }
    FilterList empty;
    for (const wchar_t* pattern : {L"", static_cast<const wchar_t*>(nullptr), L"a"})
        EXPECT_FALSE(empty.RemoveFilter(pattern)) << Show(pattern);
}

TEST(FilterList, MovesSwapNeighboursAndStopAtTheEnds)
{
    FilterList list;
    AddAll(list, {L"a", L"b", L"c", L"d"});   // d c b a
    const struct {
        bool up;
        const wchar_t* pattern;
        bool result;
        Patterns order;
    } steps[] = {
        {true, L"d", false, {L"d", L"c", L"b", L"a"}},
        {false, L"a", false, {L"d", L"c", L"b", L"a"}},
        {false, L"missing", false, {L"d", L"c", L"b", L"a"}},
        {true, L"C", true, {L"c", L"d", L"b", L"a"}},
        {false, L"d", true, {L"c", L"b", L"d", L"a"}},
        {false, L"d", true, {L"c", L"b", L"a", L"d"}},
        {true, L"a", true, {L"c", L"a", L"b", L"d"}},
        {true, L"a", true, {L"a", L"c", L"b", L"d"}},
        {false, L"a", true, {L"c", L"a", L"b", L"d"}},
        {true, L"d", true, {L"c", L"a", L"d", L"b"}},
    };
    for (const auto& s : steps) {
        EXPECT_EQ(s.result, s.up ? list.MoveFilterUp(s.pattern) : list.MoveFilterDown(s.pattern))
            << (s.up ? "up " : "down ") << Show(s.pattern);
        EXPECT_EQ(s.order, ListPatterns(list));
    }
}

TEST(FilterList, MatchWindowTriesPathThenTitleThenClassOfUntitledWindowsFrontToBack)
{
    FilterList list;
    // Front to back: "Calculator" (70), "TitleOnly" (0), "c:\tools\*.exe" (60), "TooltipsClass32" (50)
    ASSERT_TRUE(list.AddFilter(L"TooltipsClass32", 50));
    ASSERT_TRUE(list.AddFilter(L"c:\\tools\\*.exe", 60));
    ASSERT_TRUE(list.AddFilter(L"TitleOnly", 0));
    ASSERT_TRUE(list.AddFilter(L"Calculator", 70));
    const struct {
        const char* name;
        const wchar_t* imagePath;
        const wchar_t* className;
        const wchar_t* title;
        bool matches;
        int transparency;   // expected out byte; the caller's 255 when nothing matches
    } cases[] = {
        {"path glob", L"C:\\TOOLS\\X.EXE", L"Cls", L"Doc", true, 60},
        {"title beats a later path filter", L"C:\\tools\\x.exe", L"Cls", L"Calculator", true, 70},
        {"path filter earlier than title filter wins", L"C:\\apps\\calculator.exe", L"Cls", L"TitleOnly", true, 70},
        {"transparency 0 still matches", L"C:\\apps\\a.exe", L"Cls", L"my TitleOnly window", true, 0},
        {"class of untitled window", L"C:\\apps\\a.exe", L"tooltips_class32x TooltipsClass32", L"", true, 50},
        {"class ignored when titled", L"C:\\apps\\a.exe", L"TooltipsClass32", L"Tip", false, 255},
        {"empty path does not match", L"", L"Cls", L"x", false, 255},
        {"class name matched only after path", L"C:\\tools\\tooltipsclass32.exe", L"TooltipsClass32", L"", true, 60},
        {"null title counts as empty", L"", L"TooltipsClass32", nullptr, true, 50},
    };
    for (const auto& c : cases) {
        uint8_t transparency = 255;
        EXPECT_EQ(c.matches, list.MatchWindow(c.imagePath, c.className, c.title, &transparency)) << c.name;
        EXPECT_EQ(c.transparency, transparency) << c.name;
    }
    EXPECT_TRUE(list.MatchWindow(L"C:\\tools\\x.exe", L"", L"", nullptr));
    list.Clear();
    EXPECT_FALSE(list.MatchWindow(L"C:\\tools\\x.exe", L"TooltipsClass32", L"", nullptr));
}

} // namespace
