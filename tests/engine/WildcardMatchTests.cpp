#include "FilterList.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

// Independent definition by dynamic programming over whole strings: '*' any run, '?' any
// character but '.', A-Z folded unless case-sensitive. Matching anywhere is the same as
// surrounding the pattern with '*'.
bool ReferenceMatch(const std::wstring& text, std::wstring pattern, bool caseSensitive, bool matchAnywhere)
{
    if (matchAnywhere)
        pattern = L"*" + pattern + L"*";
    auto fold = [caseSensitive](wchar_t c) { return !caseSensitive && c >= L'a' && c <= L'z' ? c - 32 : c; };
    // matched[i]: the pattern so far matches the first i characters of the text.
    std::vector<bool> matched(text.size() + 1, false);
    matched[0] = true;
    for (const wchar_t p : pattern) {
        std::vector<bool> next(text.size() + 1, p == L'*' && matched[0]);
        for (size_t i = 1; i <= text.size(); ++i) {
            const bool same = (p == L'?' && text[i - 1] != L'.') || fold(p) == fold(text[i - 1]);
            next[i] = p == L'*' ? matched[i] || next[i - 1] : matched[i - 1] && same;
        }
        matched = next;
    }
    return matched.back();
}

TEST(WildcardMatch, AgreesWithAnIndependentDefinitionOnRandomInputsAndWorstCases)
{
    int mismatches = 0;
    auto check = [&](const std::wstring& text, const std::wstring& pattern, bool caseSensitive, bool anywhere) {
        const bool expected = ReferenceMatch(text, pattern, caseSensitive, anywhere);
        if (WildcardMatch(text.c_str(), pattern.c_str(), caseSensitive, anywhere) != expected && ++mismatches <= 10)
            ADD_FAILURE() << "text " << testing::PrintToString(text) << " pattern " << testing::PrintToString(pattern)
                          << " cs=" << caseSensitive << " anywhere=" << anywhere << " expected " << expected;
    };
    std::mt19937 random(20261206);
    for (int i = 0; i < 20000; ++i) {
        std::wstring text(random() % 10, L' '), pattern(random() % 7, L' ');
        for (wchar_t& c : text)
            c = L"aAbB.?*z"[random() % 8];
        for (wchar_t& c : pattern)
            c = L"aAbB.?*"[random() % 7];
        const unsigned flags = random();
        check(text, pattern, flags % 4 == 0, flags / 4 % 4 != 0);
    }
    // What the random alphabet cannot reach: paths, other scripts and the neighbours of A-Z (only
    // A-Z fold), escapes (there are none); and 260-character texts and patterns that make the
    // single restart point retry at every position.
    const std::wstring as(260, L'a');
    std::wstring stars;
    for (int i = 0; i < 130; ++i)
        stars += L"*a";
    for (const auto& chosen : std::vector<std::pair<std::wstring, std::wstring>>{
             {L"C:\\Windows\\notepad.exe", L"NOTEPAD"}, {L"C:\\WINDOWS\\A.EXE", L"c:\\windows\\*.exe"},
             {L"\u00C9T\u00C9", L"\u00E9t\u00E9"}, {L"\u00E9T\u00E9", L"\u00E9t\u00E9"}, {L"[x]", L"{x}"}, {L"@", L"`"},
             {L"a?b", L"a\\?b"}, {as, std::wstring(259, L'a') + L"b"}, {as, stars + L"b"}, {as, stars},
             {as + L"b", stars + L"b"}, {as, std::wstring(130, L'?') + L"b"},
             {std::wstring(259, L'a') + L".", std::wstring(260, L'?')}})
        check(chosen.first, chosen.second, false, true);
    // A missing pattern never matches; missing text is empty.
    EXPECT_FALSE(WildcardMatch(L"abc", nullptr, false, true) || WildcardMatch(nullptr, L"a", false, true));
    EXPECT_TRUE(WildcardMatch(nullptr, L"*", false, true));
}

} // namespace
