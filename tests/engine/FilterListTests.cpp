#include "FilterList.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Patterns = std::vector<std::wstring>;

class FilterListTest : public testing::Test {
protected:
    void AddAll(std::initializer_list<const wchar_t*> patterns)
    {
        uint8_t transparency = 10;
        for (const wchar_t* p : patterns)
            ASSERT_TRUE(m_list.AddFilter(p, transparency++)) << testing::PrintToString(std::wstring(p));
    }

    FilterList m_list;
};

TEST_F(FilterListTest, NewFiltersGoToTheFrontAndWin)
{
    ASSERT_TRUE(m_list.AddFilter(L"a", 11));
    ASSERT_TRUE(m_list.AddFilter(L"b", 22));
    EXPECT_EQ((Patterns{L"b", L"a"}), ListPatterns(m_list));

    uint8_t transparency = 0;
    EXPECT_TRUE(m_list.MatchWindow(L"", L"", L"ab", &transparency));
    EXPECT_EQ(22, transparency);
}

TEST_F(FilterListTest, RefusesEmptyAndDuplicatePatternsIgnoringOnlyAsciiCase)
{
    ASSERT_TRUE(m_list.AddFilter(L"NOTEPAD.EXE", 30));
    EXPECT_FALSE(m_list.AddFilter(L"Notepad.exe", 50));
    EXPECT_FALSE(m_list.AddFilter(L"", 50));
    EXPECT_FALSE(m_list.AddFilter(nullptr, 50));
    // Only A-Z fold: these are different patterns.
    EXPECT_TRUE(m_list.AddFilter(L"\u00E9t\u00E9", 1));
    EXPECT_TRUE(m_list.AddFilter(L"\u00C9t\u00E9", 2));
    EXPECT_EQ((std::vector<std::pair<std::wstring, int>>{
                  {L"\u00C9t\u00E9", 2}, {L"\u00E9t\u00E9", 1}, {L"NOTEPAD.EXE", 30}}),
              ListEntries(m_list));
}

TEST_F(FilterListTest, FindReportsTransparencyAndLeavesByteAloneWhenMissing)
{
    AddAll({L"calc", L"Word"});
    uint8_t transparency = 99;
    EXPECT_TRUE(m_list.FindFilter(L"WORD", &transparency));
    EXPECT_EQ(11, transparency);
    EXPECT_TRUE(m_list.FindFilter(L"calc"));
    transparency = 77;
    EXPECT_FALSE(m_list.FindFilter(L"wor", &transparency));
    EXPECT_FALSE(m_list.FindFilter(L"words", &transparency));
    EXPECT_FALSE(m_list.FindFilter(L"", &transparency));
    EXPECT_FALSE(m_list.FindFilter(nullptr, &transparency));
    EXPECT_EQ(77, transparency);
}

TEST_F(FilterListTest, ModifyChangesCaseAndValueInPlace)
{
    AddAll({L"first", L"notepad.exe", L"last"});
    EXPECT_TRUE(m_list.ModifyFilter(L"notepad.exe", L"Notepad.EXE", 0));
    EXPECT_EQ((std::vector<std::pair<std::wstring, int>>{{L"last", 12}, {L"Notepad.EXE", 0}, {L"first", 10}}),
              ListEntries(m_list));
}

TEST_F(FilterListTest, ModifyRefusals)
{
    AddAll({L"a", L"b"});
    const auto before = ListEntries(m_list);
    struct {
        const wchar_t* oldPattern;
        const wchar_t* newPattern;
    } refused[] = {
        {L"a", L"B"},             // another entry has it
        {L"missing", L"c"},       // no such entry
        {L"", L"c"},
        {L"a", L""},
        {nullptr, L"c"},
        {L"a", nullptr},
    };
    for (const auto& r : refused) {
        EXPECT_FALSE(m_list.ModifyFilter(r.oldPattern, r.newPattern, 55))
            << (r.oldPattern ? testing::PrintToString(std::wstring(r.oldPattern)) : "null");
        EXPECT_EQ(before, ListEntries(m_list));
    }
}

TEST_F(FilterListTest, TransparencyAbove99IsReplacedOnAddOnly)
{
    EXPECT_TRUE(m_list.AddFilter(L"x", 150));
    EXPECT_TRUE(m_list.AddFilter(L"y", 99));
    EXPECT_TRUE(m_list.AddFilter(L"z", 0));
    EXPECT_EQ((std::vector<std::pair<std::wstring, int>>{{L"z", 0}, {L"y", 99}, {L"x", 40}}), ListEntries(m_list));
    // Callers of Modify pass 0..99 and the value is stored as given.
    EXPECT_TRUE(m_list.ModifyFilter(L"x", L"x", 0));
    uint8_t transparency = 1;
    EXPECT_TRUE(m_list.FindFilter(L"x", &transparency));
    EXPECT_EQ(0, transparency);
}

TEST_F(FilterListTest, LongPatternsAreCutAndCannotBeDuplicatedByTheirTail)
{
    const std::wstring base(260, L'p');
    const std::wstring long1 = base + std::wstring(40, L'1');
    const std::wstring long2 = base + std::wstring(40, L'2');
    ASSERT_TRUE(m_list.AddFilter(long1.c_str(), 20));
    EXPECT_EQ(Patterns{base}, ListPatterns(m_list));
    EXPECT_TRUE(m_list.FindFilter(base.c_str()));
    // Stored, both would be `base`: a second entry of that name would break uniqueness.
    EXPECT_FALSE(m_list.AddFilter(long2.c_str(), 30));
    ASSERT_TRUE(m_list.AddFilter(L"short", 30));
    EXPECT_FALSE(m_list.ModifyFilter(L"short", long2.c_str(), 30));
    EXPECT_EQ((Patterns{L"short", base}), ListPatterns(m_list));
    EXPECT_TRUE(m_list.RemoveFilter(long2.c_str()));
    EXPECT_EQ(Patterns{L"short"}, ListPatterns(m_list));
}

TEST_F(FilterListTest, RenamingToAShorterPatternClearsTheOldTail)
{
    ASSERT_TRUE(m_list.AddFilter(L"C:\\Program Files\\Long Name\\app.exe", 20));
    ASSERT_TRUE(m_list.ModifyFilter(L"c:\\program files\\long name\\APP.EXE", L"app", 20));
    TempFolder folder;
    const std::wstring path = folder.File(L"list.bin");
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    EXPECT_TRUE(m_list.WriteToFile(file));
    CloseHandle(file);
    Bytes bytes;
    ASSERT_TRUE(ReadWholeFile(path, bytes));
    ASSERT_EQ(4u + 527u, bytes.size());
    Bytes expectedPattern(522, 0);
    expectedPattern[0] = 'a';
    expectedPattern[2] = 'p';
    expectedPattern[4] = 'p';
    EXPECT_EQ(expectedPattern, Bytes(bytes.begin() + 8, bytes.begin() + 8 + 522));
}

TEST_F(FilterListTest, RemoveUnlinksHeadMiddleAndTail)
{
    struct {
        const wchar_t* removed;
        Patterns left;
    } cases[] = {
        {L"D", {L"c", L"b", L"a"}},
        {L"b", {L"d", L"c", L"a"}},
        {L"A", {L"d", L"c", L"b"}},
    };
    for (const auto& c : cases) {
        FilterList list;
        for (const wchar_t* p : {L"a", L"b", L"c", L"d"})
            ASSERT_TRUE(list.AddFilter(p, 10));
        EXPECT_TRUE(list.RemoveFilter(c.removed));
        EXPECT_EQ(c.left, ListPatterns(list));
        EXPECT_FALSE(list.RemoveFilter(c.removed));
        // The links in both directions must still be sound.
        for (const std::wstring& p : c.left) {
            EXPECT_TRUE(list.MoveFilterDown(p.c_str()) || p == c.left.back());
        }
        EXPECT_EQ(3u, ListPatterns(list).size());
    }
    EXPECT_FALSE(m_list.RemoveFilter(L""));
    EXPECT_FALSE(m_list.RemoveFilter(nullptr));
    EXPECT_FALSE(m_list.RemoveFilter(L"a"));
}

TEST_F(FilterListTest, MovesSwapNeighboursAndStopAtTheEnds)
{
    AddAll({L"a", L"b", L"c", L"d"});   // d c b a
    struct {
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
        EXPECT_EQ(s.result, s.up ? m_list.MoveFilterUp(s.pattern) : m_list.MoveFilterDown(s.pattern))
            << (s.up ? "up " : "down ") << testing::PrintToString(std::wstring(s.pattern));
        EXPECT_EQ(s.order, ListPatterns(m_list));
    }
}

TEST_F(FilterListTest, TwoEntriesMovingSecondUpMakesItTheHead)
{
    AddAll({L"a", L"b"});
    EXPECT_TRUE(m_list.MoveFilterUp(L"a"));
    EXPECT_EQ((Patterns{L"a", L"b"}), ListPatterns(m_list));
    uint8_t transparency = 0;
    EXPECT_TRUE(m_list.MatchWindow(L"ab", L"", L"", &transparency));
    EXPECT_EQ(10, transparency);
}

struct WindowCase {
    const char* name;
    const wchar_t* imagePath;
    const wchar_t* className;
    const wchar_t* title;
    bool matches;
    int transparency;   // expected out byte; the caller's 255 when nothing matches
};

TEST_F(FilterListTest, MatchWindowTriesPathThenTitleThenClassOfUntitledWindows)
{
    // Front to back: "Calculator" (70), "TitleOnly" (0), "*.exe" (60), "TooltipsClass32" (50)
    ASSERT_TRUE(m_list.AddFilter(L"TooltipsClass32", 50));
    ASSERT_TRUE(m_list.AddFilter(L"c:\\tools\\*.exe", 60));
    ASSERT_TRUE(m_list.AddFilter(L"TitleOnly", 0));
    ASSERT_TRUE(m_list.AddFilter(L"Calculator", 70));
    const WindowCase cases[] = {
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
    for (const WindowCase& c : cases) {
        uint8_t transparency = 255;
        EXPECT_EQ(c.matches, m_list.MatchWindow(c.imagePath, c.className, c.title, &transparency)) << c.name;
        EXPECT_EQ(c.transparency, transparency) << c.name;
    }
    EXPECT_TRUE(m_list.MatchWindow(L"C:\\tools\\x.exe", L"", L"", nullptr));

    m_list.Clear();
    uint8_t untouched = 33;
    EXPECT_FALSE(m_list.MatchWindow(L"C:\\tools\\x.exe", L"TooltipsClass32", L"", &untouched));
    EXPECT_EQ(33, untouched);
}

} // namespace
