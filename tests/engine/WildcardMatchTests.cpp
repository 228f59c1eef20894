#include "FilterList.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

std::string Show(const wchar_t* s)
{
    return s ? testing::PrintToString(std::wstring(s)) : "null";
}

// Case sensitivity, anchoring and '?' versus '.' among a, b and '*' are checked against the
// reference below; these are the examples and what its alphabet cannot reach.
TEST(WildcardMatch, Examples)
{
    const struct {
        const wchar_t* text;
        const wchar_t* pattern;
        bool expected;
    } cases[] = {
        {L"C:\\Windows\\notepad.exe", L"notepad", true}, {L"C:\\WINDOWS\\NOTEPAD.EXE", L"c:\\windows\\*.exe", true},
        {L"a.b", L"a?b", false}, {L"axb", L"a?b", true}, {L"", L"*", true}, {L"", L"x", false},
        // Only A to Z are folded: accented letters and other scripts must match exactly.
        {L"\u00C9T\u00C9", L"\u00E9t\u00E9", false}, {L"\u00E9t\u00E9", L"\u00C9T\u00C9", false},
        {L"\u00E9T\u00E9", L"\u00E9t\u00E9", true}, {L"[x]", L"{x}", false},
        {L"a?b", L"a\\?b", false},   // no escapes
        // A missing pattern never matches; missing text is empty.
        {L"abc", nullptr, false}, {nullptr, L"*", true}, {nullptr, L"a", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, WildcardMatch(c.text, c.pattern, false, true)) << Show(c.text) << " " << Show(c.pattern);
}

// Independent definition by dynamic programming over whole strings: '*' any run, '?' any
// character but '.', A-Z folded unless case-sensitive. Matching anywhere is the same as
// surrounding the pattern with '*'.
bool ReferenceMatch(const std::wstring& text, std::wstring pattern, bool caseSensitive, bool matchAnywhere)
{
    if (matchAnywhere)
        pattern = L"*" + pattern + L"*";
    auto fold = [caseSensitive](wchar_t c) { return !caseSensitive && c >= L'a' && c <= L'z' ? c - 32 : c; };
    const size_t n = text.size(), m = pattern.size();
    std::vector<std::vector<bool>> ok(m + 1, std::vector<bool>(n + 1, false));
    ok[m][n] = true;
    for (size_t j = m; j-- > 0;) {
        for (size_t i = n + 1; i-- > 0;) {
            const wchar_t pc = pattern[j];
            if (pc == L'*')
                ok[j][i] = ok[j + 1][i] || (i < n && ok[j][i + 1]);
            else if (i < n && ((pc == L'?' && text[i] != L'.') || fold(pc) == fold(text[i])))
                ok[j][i] = ok[j + 1][i + 1];
        }
    }
    return ok[0][0];
}

TEST(WildcardMatch, AgreesWithAnIndependentDefinitionOnRandomInputsAndWorstCases)
{
    std::mt19937 random(20261206);
    auto draw = [&](const wchar_t* alphabet, size_t maxLength) {
        std::wstring s(random() % (maxLength + 1), L' ');
        for (wchar_t& c : s)
            c = alphabet[random() % wcslen(alphabet)];
        return s;
    };
    struct Case {
        std::wstring text, pattern;
        bool caseSensitive, anywhere;
    };
    std::vector<Case> cases;
    for (int i = 0; i < 20000; ++i)
        cases.push_back({draw(L"aAbB.?*z", 9), draw(L"aAbB.?*", 6), random() % 4 == 0, random() % 4 != 0});
    // 260-character texts and patterns that make the single restart point retry at every position.
    const std::wstring as(260, L'a');
    std::wstring stars;
    for (int i = 0; i < 130; ++i)
        stars += L"*a";
    for (const auto& worst : std::vector<std::pair<std::wstring, std::wstring>>{
             {as, std::wstring(259, L'a') + L"b"}, {as, stars + L"b"}, {as, stars}, {as + L"b", stars + L"b"},
             {as, std::wstring(130, L'?') + L"b"}, {std::wstring(259, L'a') + L".", std::wstring(260, L'?')}})
        cases.push_back({worst.first, worst.second, false, true});

    int mismatches = 0;
    for (const Case& c : cases) {
        const bool expected = ReferenceMatch(c.text, c.pattern, c.caseSensitive, c.anywhere);
        if (WildcardMatch(c.text.c_str(), c.pattern.c_str(), c.caseSensitive, c.anywhere) != expected &&
            ++mismatches <= 10) {
            ADD_FAILURE() << "text " << testing::PrintToString(c.text) << " pattern "
                          << testing::PrintToString(c.pattern) << " cs=" << c.caseSensitive
                          << " anywhere=" << c.anywhere << " expected " << expected;
        }
    }
}

} // namespace
