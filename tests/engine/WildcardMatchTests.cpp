#include "FilterList.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

struct MatchCase {
    const wchar_t* text;
    const wchar_t* pattern;
    bool expected;
};

// The program always matches case-insensitively and anywhere in the text.
const MatchCase kProgramCases[] = {
    {L"C:\\Windows\\notepad.exe", L"notepad", true},
    {L"C:\\WINDOWS\\NOTEPAD.EXE", L"c:\\windows\\*.exe", true},
    {L"C:\\Windows\\notepad.exe", L"calc", false},
    {L"a.b", L"a?b", false},
    {L"axb", L"a?b", true},
    {L"xxaxbxx", L"a?b", true},
    {L"", L"*", true},
    {L"", L"x", false},
    {L"", L"?", false},
    {L"anything", L"", true},
    {L"Untitled - Notepad", L"untitled*pad", true},
    {L"Untitled - Notepad", L"untitled*pads", false},
    {L"Mozilla Firefox", L"fire?ox", true},
    {L"mississippi", L"s*s*s*s", true},
    {L"mississippi", L"s*s*s*s*s", false},
    {L"report.doc.exe", L"*.exe", true},
    {L"setup.ex", L"*.exe", false},
    {L"x.", L"x?", false},
    // Only A to Z are folded: accented letters and other scripts must match exactly.
    {L"\u00C9T\u00C9", L"\u00E9t\u00E9", false},
    {L"\u00E9t\u00E9", L"\u00C9T\u00C9", false},
    {L"\u00E9T\u00E9", L"\u00E9t\u00E9", true},
    {L"[x]", L"{x}", false},
    // '*' and '?' in the text are ordinary characters.
    {L"a*b", L"a?b", true},
    {L"a?b", L"a\\?b", false},
};

class ProgramMatch : public testing::TestWithParam<MatchCase> {};

TEST_P(ProgramMatch, MatchesCaseInsensitivelyAnywhere)
{
    const MatchCase& c = GetParam();
    EXPECT_EQ(c.expected, WildcardMatch(c.text, c.pattern, false, true))
        << "text '" << testing::PrintToString(std::wstring(c.text)) << "' pattern '"
        << testing::PrintToString(std::wstring(c.pattern)) << "'";
}

INSTANTIATE_TEST_SUITE_P(Table, ProgramMatch, testing::ValuesIn(kProgramCases));

struct FlagCase {
    const wchar_t* text;
    const wchar_t* pattern;
    bool caseSensitive;
    bool matchAnywhere;
    bool expected;
};

const FlagCase kFlagCases[] = {
    {L"Notepad", L"notepad", true, true, false},
    {L"Notepad", L"Notepad", true, true, true},
    {L"my Notepad app", L"Notepad", true, true, true},
    {L"my Notepad app", L"Notepad", false, false, false},
    {L"my Notepad app", L"*notepad*", false, false, true},
    {L"notepad.exe", L"notepad", false, false, false},
    {L"notepad.exe", L"notepad*", false, false, true},
    {L"notepad.exe", L"*.EXE", true, false, false},
    {L"abcabd", L"*ab?", false, false, true},
    {L"abc", L"", false, false, false},
    {L"", L"", false, false, true},
};

TEST(WildcardMatchFlags, HonourCaseAndAnchoring)
{
    for (const FlagCase& c : kFlagCases) {
        EXPECT_EQ(c.expected, WildcardMatch(c.text, c.pattern, c.caseSensitive, c.matchAnywhere))
            << testing::PrintToString(std::wstring(c.text)) << " / "
            << testing::PrintToString(std::wstring(c.pattern)) << " cs=" << c.caseSensitive
            << " anywhere=" << c.matchAnywhere;
    }
}

TEST(WildcardMatchFlags, NullPatternNeverMatchesAndNullTextIsEmpty)
{
    EXPECT_FALSE(WildcardMatch(L"abc", nullptr, false, true));
    EXPECT_TRUE(WildcardMatch(nullptr, L"*", false, true));
    EXPECT_FALSE(WildcardMatch(nullptr, L"a", false, true));
}

// Independent definition by dynamic programming over whole strings: '*' any run, '?' any
// character but '.', A-Z folded unless case-sensitive. Matching anywhere is the same as
// surrounding the pattern with '*'.
bool ReferenceMatch(const std::wstring& text, std::wstring pattern, bool caseSensitive, bool matchAnywhere)
{
    if (matchAnywhere)
        pattern = L"*" + pattern + L"*";
    auto same = [caseSensitive](wchar_t a, wchar_t b) {
        if (!caseSensitive) {
            if (a >= L'a' && a <= L'z') a = static_cast<wchar_t>(a - 32);
            if (b >= L'a' && b <= L'z') b = static_cast<wchar_t>(b - 32);
        }
        return a == b;
    };
    const size_t n = text.size();
    const size_t m = pattern.size();
    std::vector<std::vector<bool>> ok(m + 1, std::vector<bool>(n + 1, false));
    ok[m][n] = true;
    for (size_t j = m; j-- > 0;) {
        for (size_t i = n + 1; i-- > 0;) {
            const wchar_t pc = pattern[j];
            if (pc == L'*')
                ok[j][i] = ok[j + 1][i] || (i < n && ok[j][i + 1]);
            else if (i < n && ((pc == L'?' && text[i] != L'.') || same(pc, text[i])))
                ok[j][i] = ok[j + 1][i + 1];
        }
    }
    return ok[0][0];
}

TEST(WildcardMatchReference, AgreesWithIndependentDefinitionOnRandomInputs)
{
    std::mt19937 random(20261206);
    const wchar_t textAlphabet[] = L"aAbB.?*z";
    const wchar_t patternAlphabet[] = L"aAbB.?*";
    auto draw = [&](const wchar_t* alphabet, size_t alphabetSize, size_t maxLength) {
        std::wstring s(random() % (maxLength + 1), L' ');
        for (wchar_t& c : s)
            c = alphabet[random() % alphabetSize];
        return s;
    };
    int mismatches = 0;
    for (int i = 0; i < 20000 && mismatches < 10; ++i) {
        const std::wstring text = draw(textAlphabet, 8, 9);
        const std::wstring pattern = draw(patternAlphabet, 7, 6);
        const bool caseSensitive = random() % 4 == 0;
        const bool anywhere = random() % 4 != 0;
        const bool expected = ReferenceMatch(text, pattern, caseSensitive, anywhere);
        if (WildcardMatch(text.c_str(), pattern.c_str(), caseSensitive, anywhere) != expected) {
            ++mismatches;
            ADD_FAILURE() << "text " << testing::PrintToString(text) << " pattern "
                          << testing::PrintToString(pattern) << " cs=" << caseSensitive
                          << " anywhere=" << anywhere << " expected " << expected;
        }
    }
}

TEST(WildcardMatchReference, WorstCasesOfFullLengthBuffers)
{
    // 260-character texts and patterns that make the single restart point retry at every position.
    const std::wstring as(260, L'a');
    std::wstring stars;
    for (int i = 0; i < 130; ++i)
        stars += L"*a";
    struct {
        std::wstring text, pattern;
    } cases[] = {
        {as, std::wstring(259, L'a') + L"b"},
        {as, stars + L"b"},
        {as, stars},
        {as + L"b", stars + L"b"},
        {as, std::wstring(130, L'?') + L"b"},
        {std::wstring(259, L'a') + L".", std::wstring(260, L'?')},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ReferenceMatch(c.text, c.pattern, false, true),
                  WildcardMatch(c.text.c_str(), c.pattern.c_str(), false, true))
            << testing::PrintToString(c.pattern);
    }
}

} // namespace
